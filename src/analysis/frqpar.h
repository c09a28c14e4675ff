// Analysis driver: one locus combination, its heading, its gametic-sex checks and its sections.
//
// Reads the choices `frqstr`, `aprog`, `idoparsub`, `idopartab`, `loctyp`, the gametic-sex flags
// `kmbord` and the haplotype counts (channel 20) for the deme sizes `nsam`; sets `nyw`, `nym`,
// `nys`, `nyg`, `nsumn` and `mal` for the analyses it calls (frqout, parsub, hetout, partab for
// each kind 1..4, then strtst). Writes the combination's heading to the results (channel 8 or
// 6). A kind whose data are missing (no gametic sex in a deme) is passed over, never reported
// with made-up numbers.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void frqpar(RunState& rs, Work& w);

}  // namespace tolm
