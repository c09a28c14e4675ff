// The bootstrap over individuals within demes of the gene-pool measures (-bootstrap-individuals).
//
// The count store keeps counts only, so while the input file is counted, and only when the option
// is given, the single-locus genotype of every record is kept beside it (`keep_individual`,
// called by the counting for each genotype record): its deme, the individuals it stands for, and
// for every single-locus combination the numbers of its first and second haplotype as the
// counting found them (0 for a missing allele). A replicate draws, in every shown deme, as many
// individuals as the deme has, with replacement, each with all of its loci; the counts of every
// locus are rebuilt from the drawn individuals and measured by the one measurement of a locus
// (`part_of_counts`), the gene pool by `pool_of`. The percentile limits take the place of those
// of the bootstrap over loci in the intervals block, the tabular section and the long table.
//
// Reads `rs.opt` (bootstrap_individuals, bootstrap, seed, threads), `kp`, `nadd`, `ncard`, `nc`,
// `mxnrlc`, `ncnow`, `kmbnow`, `nrloc`, `loccmb`, `la`, `kmbord` while counting, and `maxp`,
// `nprb`, `nptr1`, `mal`, `idurch` after it; writes `rs.individuals` only. Draws follow from the
// run's seed, the deme and the replicate number alone: the same limits for any number of
// threads. A table that is kept always matches the latest counting of the run.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/intervals.h"
#include "run/runstate.h"

namespace tolm {

class TypeIndex;

// Records kept beyond this many haplotype numbers are not kept (2 bytes each, 1 GB).
constexpr double kMostKeptHaplotypes = 5e8;

struct IndividualTable {
  enum class State { kept, multilocus, too_many_types, too_large };
  static constexpr uint16_t kNotRead = 0xffff;  // the record did not cover the locus

  State state = State::kept;
  int nc = 0;                   // loci (single-locus combinations) of every record
  int last_card = 0;            // record number of the latest record kept: a new counting starts
  std::vector<int32_t> deme;    // per record: deme number
  std::vector<int32_t> weight;  // per record: individuals it stands for
  std::vector<uint16_t> hap;    // per record and locus kc: [(r * nc + kc - 1) * 2 + s]

  // The intervals of the latest gene pool (kind, pass, estimates), kept for the tabular section
  // and the long table after the results block.
  int cached_mal = 0, cached_pass = 0;
  Intervals cached;

  long records() const { return static_cast<long>(deme.size()); }
  void clear();
};

// Keeps the record the counting has just counted (deme `kp`, `nadd` individuals, alleles in `la`).
void keep_individual_record(RunState& rs, const Work& w, const TypeIndex& ix);
inline void keep_individual(RunState& rs, const Work& w, const TypeIndex& ix) {
  if (rs.opt.bootstrap_individuals) keep_individual_record(rs, w, ix);
}

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
