// Tests of genotypic structure per deme and single locus: Hardy-Weinberg, heterozygosity,
// product structure.
#pragma once

#include <string>

#include "run/runstate.h"

namespace tolm {

void strtst(RunState& rs, Work& w);

}  // namespace tolm
