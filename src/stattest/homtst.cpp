// Placeholder until this module is built.
#include "stattest/homtst.h"

namespace tolm {

void homtst(RunState&, Work&) {}
void test(RunState&, float, float, float, int, int, int, int& isignf) { isignf = 0; }

}  // namespace tolm
