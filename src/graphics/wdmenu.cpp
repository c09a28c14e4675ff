// Placeholder until this module is built.
#include "graphics/wdmenu.h"

namespace tolm {

void wdfirst(RunState&, const std::string&) {}
void wdoutfile(RunState&, int& isel, std::string&, std::string&) { isel = 1; }
void wdmenu(RunState&, int, int, int, int) {}
void wdsnail(RunState&) {}

}  // namespace tolm
