// The configuration file: the choices of a run, stored next to the input file and offered again.
//
// Channel 1, `names.config` (<input prefix>.cfg): seven short lines, the locus configuration
// `loctyp`, the analyses `aprog`, the evenness and differentiation refinements, the kinds
// `frqstr` and the gametic-sex setting `notord`. makcfg writes them once the choices of a pass
// are complete; redcfg reads them at the start of a run and, on the console, offers them as a
// whole (`vorein`). A file that cannot be read leaves every answer as it was.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void makcfg(RunState& rs);
void redcfg(RunState& rs);
// Reads the configuration file `name` into the answers of the run state without showing or
// asking anything. 0, or the status code of the failure with `what` saying what was wrong (the
// answers are then left as they were).
int load_cfg(RunState& rs, const std::string& name, std::string& what,
             bool* close_failed = nullptr);

}  // namespace tolm
