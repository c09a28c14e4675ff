// The heading of the program: the block letters of its name, its title, the notices and the
// build line, written at start-up on the console, at the head of the results and into the help
// text of the widget menu.
//
// Writes only the channel it is given; the text never depends on the run, only on `isys` (1 a
// Linux build line, 2 the Windows build lines).
#pragma once

#include "core/runstate.h"

namespace tolm {

// Writes the heading (block letters, title, notices) on channel iunit.
void heading(RunState& rs, int iunit, int isys);

}  // namespace tolm
