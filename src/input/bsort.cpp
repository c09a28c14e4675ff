// Placeholder until this module is built.
#include "input/bsort.h"

namespace tolm {

void bsort1(RunState&, Work&, int) {}
void bsort2(RunState&, Work&, int) {}

}  // namespace tolm
