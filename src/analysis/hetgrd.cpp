// Placeholder until this module is built.
#include "analysis/hetgrd.h"

namespace tolm {

void hetout(RunState&, Work&) {}

}  // namespace tolm
