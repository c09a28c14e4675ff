// The four widget dialogs (first dialog, existing output, menu, snails) and their callbacks.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void wdfirst(RunState& rs, const std::string& infil);
void wdoutfile(RunState& rs, int& isel, std::string& prefix, std::string& newfil);
void wdmenu(RunState& rs, int nloc, int ndem, int ioldcfg, int isys);
void wdsnail(RunState& rs);

}  // namespace tolm
