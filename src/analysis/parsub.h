// Measures of variation within and between demes, and their report.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void parsub(RunState& rs, Work& w);
void parout(RunState& rs, Work& w);

}  // namespace tolm
