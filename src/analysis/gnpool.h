// Gene pools: the measures summarised over all single loci.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

// A marked gene-pool accumulator holds the marker; any real sum or share is above kPoolMarked.
// kPoolFudge is the tolerance of the pool's comparisons. The gene pool and its intervals over
// loci share both, so that a replicate marks exactly what the pool marks.
constexpr float kPoolMarked = -0.000001f;
constexpr float kPoolFudge = 0.00001f;

void inpool(RunState& rs, Work& w);
void pargpl(RunState& rs, Work& w);
void gplout(RunState& rs, Work& w);

}  // namespace tolm
