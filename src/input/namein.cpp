// Placeholder until this module is built.
#include "dialog/intrfc.h"

namespace tolm {

void namein(RunState&, Work&, std::string&, int&) {}

}  // namespace tolm
