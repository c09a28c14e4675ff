// Gene pools: the measures of the single loci summarised over all loci, per kind of allele
// distribution (maternal, paternal, identified individuals).
//
// `inpool` clears the pool sums; `parsub` adds every locus into them (`gpdiv`, `hgdiv`, `gpdet`,
// `gpga`, `gpcj`, `gpfin`, `gpinf`, `gpdfin`, `gpdinf`, `igpdif`); `pargpl` turns the sums into
// the pool's measures (means over the `nc` loci, the harmonic mean of v_2), writes them with
// `gplout` to the results unit, the tabular file (partab, channel 29) and the long table, with
// their intervals over loci when asked. Reads `kmbord`, `nprb`, `aprog`, `nyw`, `nym`, `nys`.
//
// Holds always: a marked sum keeps the marker for the rest of the run, and every value at or
// below kPoolMarked prints as the marker.
#pragma once

#include <string>

#include "core/runstate.h"
#include "report/kit.h"

namespace tolm {

// A marked gene-pool accumulator holds the marker; any real sum or share is above kPoolMarked.
// kPoolFudge is the tolerance of the pool's comparisons. The gene pool and its intervals over
// loci share both, so that a replicate marks exactly what the pool marks.
constexpr float kPoolMarked = -0.000001f;
constexpr float kPoolFudge = kit::fudge;

void inpool(RunState& rs, Work& w);
void pargpl(RunState& rs, Work& w);
void gplout(RunState& rs, Work& w);

}  // namespace tolm
