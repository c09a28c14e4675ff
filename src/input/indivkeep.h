// The individuals of a counting, kept for the bootstrap over individuals within demes
// (-bootstrap-individuals).
//
// The count store keeps counts only, so while the input file is counted, and only when the option
// is given, the single-locus genotype of every record is kept beside it (`keep_individual`,
// called by the counting for each genotype record): its deme, the individuals it stands for, and
// for every single-locus combination the numbers of its first and second haplotype as the
// counting found them (0 for a missing allele). The resampling itself is in analysis/indivboot.h.
//
// Reads `rs.opt.bootstrap_individuals`, `kp`, `nadd`, `ncard`, `nc`, `mxnrlc`, `ncnow`,
// `kmbnow`, `nrloc`, `loccmb`, `la`, `kmbord`; writes `rs.individuals` only. A table that is kept
// always matches the latest counting of the run (a new counting starts it afresh and bumps
// `generation`).
#pragma once

#include <cstdint>
#include <vector>

#include "core/runstate.h"

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
  long generation = 0;          // countings started so far
  std::vector<int32_t> deme;    // per record: deme number
  std::vector<int32_t> weight;  // per record: individuals it stands for
  std::vector<uint16_t> hap;    // per record and locus kc: [(r * nc + kc - 1) * 2 + s]

  long records() const { return static_cast<long>(deme.size()); }
  void clear();
};

// The run's table, made empty at first use.
IndividualTable& individual_table(RunState& rs);

// Keeps the record the counting has just counted (deme `kp`, `nadd` individuals, alleles in `la`).
void keep_individual_record(RunState& rs, const Work& w, const TypeIndex& ix);
inline void keep_individual(RunState& rs, const Work& w, const TypeIndex& ix) {
  if (rs.opt.bootstrap_individuals) keep_individual_record(rs, w, ix);
}

}  // namespace tolm
