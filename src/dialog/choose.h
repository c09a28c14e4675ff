// Console dialogue: the yes test, the questions of analyses 1 to 7, the gametic-sex question,
// the normalisation of the frequency-distribution answers and the closing of the scratch files.
#pragma once

#include <string>

#include "run/runstate.h"

namespace tolm {

bool yes(const std::string& wasnun);
inline bool yes(char c) { return c == 'Y' || c == 'y' || c == 'J' || c == 'j' || c == '1'; }
void choose(RunState& rs);
void gamsex(RunState& rs);
void frqdst(RunState& rs, int& nfrqst);
void clsfil(RunState& rs);

}  // namespace tolm
