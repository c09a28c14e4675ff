// Measures of variation within demes (diversity v_2, delta_T, evenness) and between demes
// (distances d_0, differentiation D_j and delta) of one locus combination `kc` and kind `mal`,
// and their report, followed by the homogeneity test.
//
// Reads the counts of channel 20 (kinds 1 to 3) or 22 (genotypes) type by type, and `nsam`;
// uses channel 27 (per deme, how many types occur exactly c times: record i + (c - 1) `maxp`,
// extent `mind27`) for the evenness. Leaves the measures per output deme in `div`, `deltat`,
// `aevfin` .. `mninf2`, `cj`, `djfin`, `djinf`, `delfin`, `delinf`, `ga` (packed triangle) and
// `nsum` for the tabular file, adds them into the gene-pool sums (kinds 1 to 3), and sets
// `ispdif` and `igpdif`(`mal`). Writes the results unit and the long table.
//
// Holds always: sums are 32-bit reals built in the order of first appearance of the types; a
// deme without identified data carries the marker in every measure, and then D_j and delta are
// the marker for all demes.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void parsub(RunState& rs, Work& w);

// Makes one change of the gene-pool sums (see PoolStep) and records it when the run state
// records them; apply_pool_step makes a recorded change again, on the run's arrays.
void pool_step(RunState& rs, Work& w, PoolStep s);
void apply_pool_step(Param& p, Work& w, const PoolStep& s);
void parout(RunState& rs, Work& w);

}  // namespace tolm
