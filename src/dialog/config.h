// The configuration file: the choices of a run, stored next to the input file and offered again.
#pragma once

#include <string>

#include "run/runstate.h"

namespace tolm {

void makcfg(RunState& rs);
void redcfg(RunState& rs);

}  // namespace tolm
