// Placeholder until this module is built.
#include "analysis/hetgrd.h"

namespace tolm {

void hetcnt(RunState&, Work&) {}

}  // namespace tolm
