// The bootstrap over individuals within demes: the records kept while counting, the draws and the
// counts rebuilt from them.
#include "analysis/indivboot.h"

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "input/count.h"
#include "input/indivkeep.h"

namespace tolm {

namespace {

constexpr long kDefaultReplicates = 1000;
// Up to this many individuals (or four per record) a deme's draws are made one by one; beyond,
// as the multinomial counts of its records, one binomial draw per record.
constexpr int64_t kOneByOne = 65536;

}  // namespace

std::vector<int64_t> draw_records(const IndividualTable& t, const std::vector<long>& recs,
                                  uint64_t seed, int deme, long rep) {
  std::vector<int64_t> mult(recs.size(), 0);
  std::vector<int64_t> upto(recs.size());  // individuals of the records up to each
  int64_t total = 0;
  for (size_t k = 0; k < recs.size(); ++k)
    upto[k] = total += t.weight[static_cast<size_t>(recs[k])];
  if (total <= 0) return mult;
  DrawStream g{mix64(mix64(mix64(seed ^ 0x696e646976696475ULL) + static_cast<uint64_t>(deme)) +
                     static_cast<uint64_t>(rep))};
  const int64_t n = static_cast<int64_t>(recs.size());
  if (total <= std::max(kOneByOne, 4 * n)) {
    // each draw is one individual; a record holds the individuals below its running total
    const bool single = total == n;
    for (int64_t d = 0; d < total; ++d) {
      const int64_t u = static_cast<int64_t>(g.below(static_cast<uint64_t>(total)));
      const size_t k =
          single
              ? static_cast<size_t>(u)
              : static_cast<size_t>(std::upper_bound(upto.begin(), upto.end(), u) - upto.begin());
      ++mult[k];
    }
    return mult;
  }
  // Many individuals to few records: record k takes its binomial share of the draws left.
  int64_t left = total, rest = total;
  for (size_t k = 0; k < recs.size() && left > 0; ++k) {
    const int64_t wk = t.weight[static_cast<size_t>(recs[k])];
    if (wk >= rest) {
      mult[k] = left;
      break;
    }
    std::binomial_distribution<int64_t> bin(left,
                                            static_cast<double>(wk) / static_cast<double>(rest));
    mult[k] = bin(g);
    left -= mult[k];
    rest -= wk;
  }
  return mult;
}

void counts_of_draw(const IndividualTable& t, const std::vector<std::vector<long>>& recs,
                    const std::vector<std::vector<int64_t>>& mult, std::vector<LocusCounts>& c) {
  const size_t nc = static_cast<size_t>(t.nc);
  for (size_t i = 0; i < recs.size(); ++i) {
    const int di = static_cast<int>(i);
    for (size_t k = 0; k < recs[i].size(); ++k) {
      const int32_t n = static_cast<int32_t>(mult[i][k]);
      if (n == 0) continue;
      const uint16_t* row = &t.hap[static_cast<size_t>(recs[i][k]) * nc * 2];
      for (size_t kc = 0; kc < nc; ++kc) {
        const int h1 = row[2 * kc], h2 = row[2 * kc + 1];
        if (h1 == IndividualTable::kNotRead) continue;
        LocusCounts& lc = c[kc];
        // as the counting counts a genotype: first and second contribution, then the genes of
        // an identified individual (or twice the unknown), and its heterozygosity
        lc.at(di, h1, 1) += n;
        lc.at(di, h2, 2) += n;
        if (h1 == 0 || h2 == 0) {
          lc.at(di, 0, 3) += 2 * n;
          continue;
        }
        lc.at(di, h1, 3) += n;
        lc.at(di, h2, 3) += n;
        if (!lc.has_het) continue;
        lc.known[i] += n;
        if (h1 != h2) lc.het[i] += n;
      }
    }
  }
}

namespace {

// Why the kept individuals cannot be resampled for the gene pool of this run ("" when they can);
// the records of each shown deme in `recs`.
std::string unusable(const RunState& rs, const Work& w, const IndividualTable& t,
                     std::vector<std::vector<long>>& recs) {
  using State = IndividualTable::State;
  const Param& q = rs.param;
  if (!rs.opt.merge.empty()) return "count_files_hold_no_individuals";
  if (t.state == State::too_large) return "the_individuals_would_exceed_the_memory_limit";
  if (t.state == State::too_many_types) return "more_than_65534_alleles_at_a_locus";
  if (t.state != State::kept || t.records() == 0 || t.nc != q.nc)
    return "no_individuals_kept_for_these_loci";
  std::vector<int> pos(static_cast<size_t>(q.np) + 1, -1);  // display position of a deme
  for (int i = 1; i <= q.maxp; ++i) pos[static_cast<size_t>(w.nprb(i))] = i - 1;
  recs.assign(static_cast<size_t>(q.maxp), {});
  const size_t nc = static_cast<size_t>(t.nc);
  for (long r = 0; r < t.records(); ++r) {
    const int32_t d = t.deme[static_cast<size_t>(r)];
    if (d < 1 || d > q.np || pos[static_cast<size_t>(d)] < 0) continue;
    recs[static_cast<size_t>(pos[static_cast<size_t>(d)])].push_back(r);
    // every haplotype number must be one of the counts
    for (size_t kc = 0; kc < nc; ++kc)
      for (size_t s = 0; s < 2; ++s) {
        const int h = t.hap[(static_cast<size_t>(r) * nc + kc) * 2 + s];
        if (h != IndividualTable::kNotRead && h > w.nptr1(static_cast<int>(kc) + 1))
          return "individuals_kept_do_not_match_the_counts";
      }
  }
  return "";
}

}  // namespace

const Intervals& individual_intervals(RunState& rs, const Work& w,
                                      const std::vector<LocusPart>& parts, const Intervals& iv) {
  if (!rs.opt.bootstrap_individuals || parts.empty()) return iv;
  const Param& q = rs.param;
  IndividualTable& t = individual_table(rs);
  if (!rs.individual_cache) rs.individual_cache = std::make_shared<IndividualCache>();
  IndividualCache& kept = *rs.individual_cache;
  if (kept.mal == q.mal && kept.pass == q.idurch && kept.generation == t.generation &&
      kept.iv.est == iv.est)
    return kept.iv;
  kept.mal = q.mal;
  kept.pass = q.idurch;
  kept.generation = t.generation;
  kept.iv = iv;
  Intervals& v = kept.iv;
  const long b = rs.opt.bootstrap > 0 ? rs.opt.bootstrap : kDefaultReplicates;
  const uint64_t seed = rs.opt.seed;
  const int mal = q.mal, m = q.maxp, nc = q.nc;
  const float ast = q.astrix;

  std::vector<std::vector<long>> recs;
  const std::string why = unusable(rs, w, t, recs);
  if (!why.empty()) {
    v.note =
        "** Bootstrap_over_individuals_not_possible:_" + why + "_-_bootstrap_over_loci_instead";
    if (v.blow.empty()) bootstrap(parts, b, seed, mal, ast, v);
    return v;
  }

  // Each replicate: the draws of every shown deme, the counts of every locus rebuilt from them,
  // each locus measured and the loci pooled as for the estimate.
  v.individuals = true;
  const bool het = parts.front().has_het;
  std::vector<int> all(static_cast<size_t>(nc));
  for (int k = 0; k < nc; ++k) all[static_cast<size_t>(k)] = k;
  auto one = [&](long r) {
    std::vector<std::vector<int64_t>> mult(static_cast<size_t>(m));
    for (int i = 0; i < m; ++i)
      mult[static_cast<size_t>(i)] =
          draw_records(t, recs[static_cast<size_t>(i)], seed, w.nprb(i + 1), r);
    std::vector<LocusCounts> c(static_cast<size_t>(nc));
    for (int kc = 1; kc <= nc; ++kc) c[static_cast<size_t>(kc - 1)].reset(m, w.nptr1(kc), het);
    counts_of_draw(t, recs, mult, c);
    std::vector<LocusPart> ps;
    ps.reserve(static_cast<size_t>(nc));
    for (const LocusCounts& lc : c) ps.push_back(part_of_counts(lc, mal, ast));
    return pool_of(ps, all, ast);
  };
  percentile_intervals(b, run_threads(rs.opt), one, true, v);
  return v;
}

}  // namespace tolm
