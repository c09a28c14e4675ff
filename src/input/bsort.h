// Sorting of the counted haplotypes (channel 24) and genotypes (channel 25) into output order.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void bsort1(RunState& rs, Work& w, int mxlex);
void bsort2(RunState& rs, Work& w, int mxlex);

}  // namespace tolm
