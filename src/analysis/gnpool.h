// Gene pools: the measures summarised over all single loci.
#pragma once

#include <string>

#include "run/runstate.h"

namespace tolm {

void inpool(RunState& rs, Work& w);
void pargpl(RunState& rs, Work& w);
void gplout(RunState& rs, Work& w);

}  // namespace tolm
