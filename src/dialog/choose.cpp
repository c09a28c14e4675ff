// Placeholder until this module is built.
#include "dialog/choose.h"

namespace tolm {

bool yes(const std::string& w) { return !w.empty() && yes(w[0]); }
void choose(RunState&) {}
void gamsex(RunState&) {}
void frqdst(RunState&, int& nfrqst) { nfrqst = 0; }
void clsfil(RunState& rs) { press_return_stop(rs, 0); }

}  // namespace tolm
