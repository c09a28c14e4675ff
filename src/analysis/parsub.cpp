// Placeholder until this module is built.
#include "analysis/parsub.h"

namespace tolm {

void parsub(RunState&, Work&) {}
void parout(RunState&, Work&) {}

}  // namespace tolm
