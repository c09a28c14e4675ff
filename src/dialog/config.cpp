// Placeholder until this module is built.
#include "dialog/config.h"

namespace tolm {

void makcfg(RunState&) {}
void redcfg(RunState&) {}

}  // namespace tolm
