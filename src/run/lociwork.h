// Analyses of locus combinations side by side.
//
// The combinations of a pass are independent of one another except through what they add to
// the gene-pool sums and to the run's outputs. Worker threads each analyse whole combinations
// (frqpar) on a run state of their own: its results, console, tabular file and long table
// gather in memory, it reads the counts of the run's scratch store, and it records its changes
// of the gene-pool sums (PoolStep) and its exact p-values. The calling thread takes the
// combinations in their order and hands each one's text to the run's units, its long-table rows
// to the run's table, and its gene-pool changes to the run's work arrays, so that every output
// is byte for byte what one combination after the other writes. The last combination is
// analysed by the calling thread itself, on the run state, so that the switches a combination
// leaves behind (the kinds computable, the current combination) are those of the last.
//
// A worker's stop (an error stop, or memory exhausted) reaches the caller when its combination's
// turn comes, after the output written before it; the workers are stopped and joined first.
#pragma once

#include <functional>

#include "core/runstate.h"

namespace tolm {

// True when the combinations of this pass may be analysed side by side on the threads of the
// run (-threads=, run_threads): more than one thread and two combinations at least, nothing of the
// run that only one thread may touch (the individuals kept for the bootstrap over them), and
// work arrays small enough that a copy per thread takes at most a quarter of the memory.
bool loci_in_parallel(const RunState& rs, const Work& w);

// Analyses combinations 1..`nc` in order as described above. `progress`(kc) writes the line
// that announces combination kc on the console; it is called in the order of the combinations,
// each just before that combination's output.
void analyse_loci(RunState& rs, Work& w, const std::function<void(int)>& progress);

}  // namespace tolm
