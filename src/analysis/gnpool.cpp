// Placeholder until this module is built.
#include "analysis/gnpool.h"

namespace tolm {

void inpool(RunState&, Work&) {}
void pargpl(RunState&, Work&) {}
void gplout(RunState&, Work&) {}

}  // namespace tolm
