// Names, locus combinations and output choices: namein, appar, output.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void namein(RunState& rs, Work& w, std::string& fcard, int& nlread);
void appar(RunState& rs, Work& w);
void output(RunState& rs, int ncol, int iwidstd, std::string& prefix);

}  // namespace tolm
