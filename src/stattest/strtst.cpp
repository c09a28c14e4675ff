// Placeholder until this module is built.
#include "stattest/strtst.h"

namespace tolm {

void strtst(RunState&, Work&) {}

}  // namespace tolm
