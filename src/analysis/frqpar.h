// Analysis driver of one locus combination: its heading in the results, the kinds of frequency
// distribution its data allow, the deme sizes, and the chosen analyses kind by kind, then the
// tests of genotypic structure.
//
// Reads the choices `frqstr`, `aprog`, `idoparsub`, `idopartab`, `loctyp`, the combination `kc`
// and its loci (`nrloc`, `loccmb`, `locnam`), the gametic-sex flags `kmbord`, and the first
// contributions of channel 20 for the deme sizes. Sets `nyw`, `nym`, `nys`, `nyg` (1: the kind
// is analysed), `nsumn`, `mal` and `nsam`, then calls frqout, parsub, hetout, partab and strtst,
// which write the results (unit `iunit`) and the tabular file (channel 29).
//
// Holds always: a kind is analysed only when chosen and possible (maternal and paternal
// contributions need gametic sex in some deme; haplotypes of several loci too); when the demes
// differ in gametic sex, only the allele frequencies of a single locus are compared.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void frqpar(RunState& rs, Work& w);

}  // namespace tolm
