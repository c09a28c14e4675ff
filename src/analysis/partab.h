// Parameter tables: the sections of the tabular output file (channel 29) and the snail calls.
#pragma once

#include <string>

#include "run/runstate.h"

namespace tolm {

// ipool 0: section of combination kc; 1: section of the gene pool.
void partab(RunState& rs, Work& w, int ipool);

}  // namespace tolm
