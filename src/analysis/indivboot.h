// The bootstrap over individuals within demes of the gene-pool measures (-bootstrap-individuals).
//
// The individuals come from the table the counting keeps (input/indivkeep.h). A replicate draws, in
// every shown deme, as many individuals as the deme has, with replacement, each with all of its
// loci; the counts of every locus are rebuilt from the drawn individuals and measured by the one
// measurement of a locus
// (`part_of_counts`), the gene pool by `pool_of`. The percentile limits take the place of those
// of the bootstrap over loci in the intervals block, the tabular section and the long table.
//
// Reads `rs.opt` (bootstrap_individuals, bootstrap, seed, threads), `rs.individuals`, `maxp`,
// `nprb`, `nptr1`, `mal`, `idurch`; writes `rs.individual_cache` only. Draws follow from the
// run's seed, the deme and the replicate number alone: the same limits for any number of
// threads. A table that is kept always matches the latest counting of the run.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/intervals.h"
#include "core/runstate.h"
#include "input/indivkeep.h"

namespace tolm {

// The intervals of the latest gene pool (kind, pass, counting, estimates), kept for the
// tabular section and the long table after the results block.
struct IndividualCache {
  int mal = 0, pass = 0;
  long generation = -1;
  Intervals iv;
};

// How many times each record of `recs` (indices into the table, the records of deme `deme`) is
// drawn in replicate `rep`: as many individuals as the records stand for, drawn with
// replacement, each with the same chance (a record stands for as many individuals as its weight).
std::vector<int64_t> draw_records(const IndividualTable& t, const std::vector<long>& recs,
                                  uint64_t seed, int deme, long rep);

// The counts of every locus (`c`, one per combination kc = 1..nc, already reset to the run's
// types and shown demes) from the records `recs[i]` of shown deme i, record recs[i][k] taken
// mult[i][k] times.
void counts_of_draw(const IndividualTable& t, const std::vector<std::vector<long>>& recs,
                    const std::vector<std::vector<int64_t>>& mult, std::vector<LocusCounts>& c);

// The intervals the outputs of the gene pool of kind `mal` give: `iv` itself without
// -bootstrap-individuals; otherwise `iv` with the limits of the bootstrap over individuals
// (B = -bootstrap, 1000 when not given), or, when no individuals were kept (count files), with
// a note and the limits of the bootstrap over loci. Computed once per gene pool.
const Intervals& individual_intervals(RunState& rs, const Work& w,
                                      const std::vector<LocusPart>& parts, const Intervals& iv);

}  // namespace tolm
