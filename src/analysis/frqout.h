// Frequency distributions of one locus combination `kc` and kind `mal`: the sample descriptors of
// every output deme, then the absolute and relative tables of the types in output order; and
// `alpha`, the sample-size measure shared with the tabular file.
//
// Reads the haplotype counts, alleles and order (channels 20, 21, 24) for the kinds 1 to 3 and
// the genotype counts, definitions and order (22, 23, 25) for the genotypes; `nsam`, `nprb`,
// `sexspc`, `iwidth`. Writes the results unit and rows of the long table. Leaves `n0` (unknown
// count of every output deme), `nsum` and `nsumsp` as work columns, and sets `nogpdif`(`mal`)
// when a deme has no identified gene.
//
// Holds always: counts are in genes for kind 3 (two per individual, `n0` in individuals), in
// individuals otherwise; a block of demes none of which has identified data is left out of the
// tables; alpha(n) is the marker for n <= 0 and 0.008 from n = 972 on (`aless` gives "<" there).
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void frqout(RunState& rs, Work& w);
float alpha(int n);
char aless(int n);

}  // namespace tolm
