// Heterozygosity: counting during reading (channel 26) and the report per combination.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void hetout(RunState& rs, Work& w);

}  // namespace tolm
