// Placeholder until this module is built.
#include "dialog/intrfc.h"

namespace tolm {

void appar(RunState&, Work&) {}
void output(RunState&, int, int, std::string&) {}

}  // namespace tolm
