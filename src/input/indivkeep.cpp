// The individuals of a counting, kept record by record for the bootstrap over individuals.
#include "input/indivkeep.h"

#include <memory>
#include <utility>

#include "input/count.h"

namespace tolm {

namespace {

void release(IndividualTable& t, IndividualTable::State why) {
  t.state = why;
  std::vector<int32_t>().swap(t.deme);
  std::vector<int32_t>().swap(t.weight);
  std::vector<uint16_t>().swap(t.hap);
}

}  // namespace

IndividualTable& individual_table(RunState& rs) {
  if (!rs.individuals) rs.individuals = std::make_shared<IndividualTable>();
  return *rs.individuals;
}

void IndividualTable::clear() {
  release(*this, State::kept);
  nc = 0;
  last_card = 0;
  ++generation;
}

void keep_individual_record(RunState& rs, const Work& w, const TypeIndex& ix) {
  const Param& p = rs.param;
  using State = IndividualTable::State;
  IndividualTable& t = individual_table(rs);
  if (p.ncard <= t.last_card) t.clear();  // the file is counted afresh
  t.last_card = p.ncard;
  if (t.state != State::kept) return;
  if (p.mxnrlc != 1) return release(t, State::multilocus);  // no gene pool to resample
  if (t.deme.empty()) t.nc = p.nc;
  const size_t nc = static_cast<size_t>(t.nc);
  if (static_cast<double>(t.hap.size() + 2 * nc) > kMostKeptHaplotypes)
    return release(t, State::too_large);

  // The haplotype numbers the counting gave the record's alleles: where the gametic sex is not
  // specified, the smaller allele first; a missing allele is haplotype 0.
  t.deme.push_back(p.kp);
  t.weight.push_back(p.nadd);
  const size_t base = t.hap.size();
  t.hap.resize(base + 2 * nc, IndividualTable::kNotRead);
  for (int i = 1; i <= p.ncnow; ++i) {
    const int kc = w.kmbnow(i);
    if (kc < 1 || kc > t.nc || w.nrloc(kc) != 1) continue;
    const int l = w.loccmb(kc, 1);
    int a[2] = {w.la(l, 1), w.la(l, 2)};
    if (a[1] < a[0] && w.kmbord(kc, p.kp) != 1) std::swap(a[0], a[1]);
    for (int s = 0; s < 2; ++s) {
      const int h = a[s] < 0 ? 0 : ix.find_hap(kc, &a[s], 1);
      if (h >= IndividualTable::kNotRead) return release(t, State::too_many_types);
      t.hap[base + static_cast<size_t>(kc - 1) * 2 + static_cast<size_t>(s)] =
          static_cast<uint16_t>(h);
    }
  }
}

}  // namespace tolm
