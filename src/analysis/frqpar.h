// Analysis driver: one locus combination, its heading, its gametic-sex checks and its sections.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void frqpar(RunState& rs, Work& w);

}  // namespace tolm
