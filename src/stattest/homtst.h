// Homogeneity test of the frequency distributions among demes, and the chi-square judge.
#pragma once

#include <string>

#include "run/runstate.h"

namespace tolm {

void homtst(RunState& rs, Work& w);
// Judges G, X2 and the continuity-corrected X2 at ndf degrees of freedom and writes the result
// block; isignf returns 1 when a statistic is significant at the lowest level.
void test(RunState& rs, float gsum, float x2sum, float x2yate, int ndf, int ismall, int izero,
          int& isignf);

}  // namespace tolm
