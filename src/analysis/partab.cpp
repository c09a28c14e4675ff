// Placeholder until this module is built.
#include "analysis/partab.h"

namespace tolm {

void partab(RunState&, Work&, int) {}

}  // namespace tolm
