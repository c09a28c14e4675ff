// Placeholder until this module is built.
#include "analysis/frqout.h"

namespace tolm {

void frqout(RunState&, Work&) {}
float alpha(int) { return -9.999f; }
char aless(int n) { return n > 971 ? '<' : ' '; }

}  // namespace tolm
