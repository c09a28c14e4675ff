// Placeholder until this module is built.
#include "analysis/frqpar.h"

namespace tolm {

void frqpar(RunState&, Work&) {}

}  // namespace tolm
