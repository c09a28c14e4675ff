// Frequency distributions: absolute and relative tables per deme, the alpha measure.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void frqout(RunState& rs, Work& w);
float alpha(int n);
char aless(int n);

}  // namespace tolm
