// The gene pool as a function of a set of loci, and its jackknife and bootstrap intervals.
#include "analysis/intervals.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "analysis/gnpool.h"
#include "analysis/indivboot.h"
#include "analysis/parsub_measures.h"
#include "core/records.h"
#include "io/fixw.h"
#include "report/longtable.h"

namespace tolm {

using io::fa;
using io::ff;
using io::fi;
using io::rep;

namespace {

constexpr float kMarked = kPoolMarked;
constexpr float kFudge = kPoolFudge;
constexpr int kPerDeme = 9;  // per-deme measures, Pm::div .. Pm::het
// Up to this many loci each leave-one-out set is pooled afresh (n^2 locus visits).
constexpr int kExactLoci = 400;
// Replicate values the bootstrap may hold at once (4 bytes each).
constexpr double kMaxBootValues = 2.5e8;

inline long pair(long i, long j) {
  return j + i * (i - 1) / 2;
}

// 1. Sizes of the demes at this locus and the shares of the genes.
void part_sizes(const LocusCounts& c, int mal, float ast, LocusPart& lp, std::vector<int>& size) {
  const int m = c.m, g = mal == kind::alleles ? 2 : 1;
  long total = 0;
  for (int i = 1; i <= m; ++i) {
    int nsam = 0;
    for (int h = 0; h <= c.ntyp; ++h) nsam += c.at(i - 1, h, 1);
    const int n = g * nsam - c.at(i - 1, 0, mal);
    size[static_cast<size_t>(i - 1)] = n;
    lp.cj[static_cast<size_t>(i - 1)] = static_cast<float>(n);
    total += n;
    if (n != 0) continue;
    lp.missing = true;
    for (int j = 1; j <= m; ++j)
      lp.ga[static_cast<size_t>(pair(std::max(i, j), std::min(i, j)) - 1)] = ast;
  }
  for (int i = 1; i <= m; ++i) {
    float& cj = lp.cj[static_cast<size_t>(i - 1)];
    cj = lp.missing ? ast : cj / static_cast<float>(total);
  }
}

// 2. The types: sums of squares, delta_T sums, frequency differences; the counts per deme kept
// for the evenness.
void part_types(const LocusCounts& c, int mal, float ast, LocusPart& lp,
                const std::vector<int>& size, std::vector<std::vector<int>>& counts,
                std::vector<long>& pooled) {
  const int m = c.m;
  const bool all = !lp.missing;
  std::vector<float> x(static_cast<size_t>(m), ast);
  for (int k = 1; k <= c.ntyp; ++k) {
    float mu = 0, mc = 0;
    long sum = 0;
    for (int i = 0; i < m; ++i) {
      const int nn = size[static_cast<size_t>(i)];
      if (nn == 0) continue;
      const int n = c.at(i, k, mal);
      x[static_cast<size_t>(i)] = static_cast<float>(n) / static_cast<float>(nn);
      if (n <= 0) continue;
      const float xi = x[static_cast<size_t>(i)];
      lp.hom[static_cast<size_t>(i)] = lp.hom[static_cast<size_t>(i)] + xi * xi;
      lp.dt[static_cast<size_t>(i)] =
          lp.dt[static_cast<size_t>(i)] + static_cast<float>(static_cast<int64_t>(n) * (nn - n));
      counts[static_cast<size_t>(i)].push_back(n);
      sum += n;
      if (all) {
        mu = mu + xi;
        mc = mc + lp.cj[static_cast<size_t>(i)] * xi;
      }
    }
    if (sum > 0) pooled.push_back(sum);
    if (all) mu = mu / static_cast<float>(m);
    for (int i = 2; i <= m; ++i) {
      for (int j = 1; j < i; ++j) {
        float& d = lp.ga[static_cast<size_t>(pair(i, j) - 1)];
        d = defined(d)
                ? d + std::fabs(x[static_cast<size_t>(i - 1)] - x[static_cast<size_t>(j - 1)])
                : ast;
      }
    }
    if (!all) continue;
    for (int i = 0; i < m; ++i) {
      const float xi = x[static_cast<size_t>(i)];
      lp.dfin[static_cast<size_t>(i)] = lp.dfin[static_cast<size_t>(i)] + std::fabs(xi - mc);
      lp.dinf[static_cast<size_t>(i)] = lp.dinf[static_cast<size_t>(i)] + std::fabs(xi - mu);
    }
  }
}

// Absolute evenness of a list of type counts (any order); the marker beyond the plateau limit.
void even_of(std::vector<int> c, long n, float ast, float& fin, float& inf) {
  if (n <= 0 || c.size() > static_cast<size_t>(maxtyp)) {
    fin = inf = ast;
    return;
  }
  std::sort(c.begin(), c.end(), [](int a, int b) { return a > b; });
  const Evenness e = evenness(c.data(), static_cast<int>(c.size()), static_cast<int>(n));
  fin = e.aevfin;
  inf = e.aevinf;
}

// 3. Per-deme measures from the sums, the evenness, the differentiation from the complement and
// the distances.
void part_finish(int m, float ast, LocusPart& lp, const std::vector<int>& size,
                 const std::vector<std::vector<int>>& counts, const std::vector<long>& pooled) {
  long total = 0;
  for (int i = 0; i < m; ++i) {
    const size_t s = static_cast<size_t>(i);
    total += size[s];
    if (size[s] == 0) {
      lp.hom[s] = lp.div[s] = lp.dt[s] = lp.evfin[s] = lp.evinf[s] = ast;
      continue;
    }
    lp.dt[s] = deltat_of(lp.dt[s], size[s], ast);
    lp.div[s] = div_of(lp.hom[s], ast);
    even_of(counts[s], size[s], ast, lp.evfin[s], lp.evinf[s]);
  }
  if (lp.missing) {
    std::fill(lp.dfin.begin(), lp.dfin.end(), ast);
    std::fill(lp.dinf.begin(), lp.dinf.end(), ast);
    lp.delfin = lp.delinf = ast;
  } else if (m < 2) {
    lp.dfin[0] = lp.dinf[0] = 0;
    lp.delfin = lp.delinf = 0;
  } else {
    const float rm = static_cast<float>(m);
    for (size_t i = 0; i < static_cast<size_t>(m); ++i) {
      lp.dfin[i] = 0.5f / (1.0f - lp.cj[i]) * lp.dfin[i];
      lp.dinf[i] = rm * 0.5f / static_cast<float>(m - 1) * lp.dinf[i];
      lp.delinf = lp.delinf + lp.dinf[i];
      lp.delfin = lp.delfin + lp.cj[i] * lp.dfin[i];
    }
    lp.delinf = lp.delinf / rm;
  }
  for (float& d : lp.ga) d = defined(d) ? d * 0.5f : ast;

  // The whole population: the genes of all shown demes together.
  lp.pophom = 0;
  for (long n : pooled) {
    const float f = static_cast<float>(n) / static_cast<float>(total);
    lp.pophom = lp.pophom + f * f;
  }
  if (total == 0) lp.pophom = ast;
  std::vector<int> pc(pooled.begin(), pooled.end());
  even_of(pc, total, ast, lp.popevfin, lp.popevinf);
}

// 4. Proportion of heterozygotes among the completely identified individuals of each deme.
void part_het(const LocusCounts& c, float ast, LocusPart& lp) {
  if (!c.has_het) return;
  lp.has_het = true;
  for (size_t i = 0; i < static_cast<size_t>(c.m); ++i)
    lp.het[i] =
        c.known[i] < 1 ? ast : static_cast<float>(c.het[i]) / static_cast<float>(c.known[i]);
}

}  // namespace

int pm_offset(Pm k, int m) {
  const int ki = static_cast<int>(k);
  if (ki < kPerDeme) return ki * m;
  const int pairs = m * (m + 1) / 2;
  if (k == Pm::ga) return kPerDeme * m;
  return kPerDeme * m + pairs + (ki - static_cast<int>(Pm::delfin));
}

int pm_count(int m) {
  return pm_offset(Pm::popevinf, m) + 1;
}

void LocusCounts::reset(int m_, int ntyp_, bool het_) {
  m = m_;
  ntyp = ntyp_;
  has_het = het_;
  c20.assign(static_cast<size_t>(m) * static_cast<size_t>(ntyp + 1) * 3, 0);
  het.assign(has_het ? static_cast<size_t>(m) : 0, 0);
  known.assign(has_het ? static_cast<size_t>(m) : 0, 0);
}

LocusCounts locus_counts(RunState& rs, const Work& w, int kc) {
  const Param& q = rs.param;
  LocusCounts c;
  c.reset(q.maxp, w.nptr1(kc),
          rs.names.aprog(prog::heterozygosity) == 'y' && rs.scratch.is_open(26));
  for (int i = 1; i <= q.maxp; ++i) {
    const long kp = w.nprb(i);
    for (int h = 0; h <= c.ntyp; ++h)
      for (int mm = 1; mm <= 3; ++mm)
        c.at(i - 1, h, mm) = sread(rs, ch::hapcnt, rec20(q, h, kc, kp, mm));
    if (!c.has_het) continue;
    const long base =
        static_cast<long>(q.mxnrlc + 3) * (static_cast<long>(q.np) * (kc - 1) + kp - 1);
    c.het[static_cast<size_t>(i - 1)] = sread(rs, ch::hetcnt, base + 2);
    c.known[static_cast<size_t>(i - 1)] = sread(rs, ch::hetcnt, base + q.mxnrlc + 2);
  }
  return c;
}

LocusPart part_of_counts(const LocusCounts& c, int mal, float ast) {
  const int m = c.m;
  const size_t sm = static_cast<size_t>(m);
  LocusPart lp;
  lp.m = m;
  for (auto* v : {&lp.hom, &lp.div, &lp.dt, &lp.cj, &lp.dfin, &lp.dinf, &lp.evfin, &lp.evinf})
    v->assign(sm, 0.0f);
  lp.het.assign(sm, ast);
  lp.ga.assign(static_cast<size_t>(m * (m + 1) / 2), 0.0f);
  std::vector<int> size(sm, 0);
  std::vector<std::vector<int>> counts(sm);
  std::vector<long> pooled;
  part_sizes(c, mal, ast, lp, size);
  part_types(c, mal, ast, lp, size, counts, pooled);
  part_finish(m, ast, lp, size, counts, pooled);
  part_het(c, ast, lp);
  set_flat(lp, ast);
  // Only the flat values are kept for the many loci of a run.
  for (auto* v : {&lp.hom, &lp.div, &lp.dt, &lp.cj, &lp.dfin, &lp.dinf, &lp.evfin, &lp.evinf,
                  &lp.het, &lp.ga})
    std::vector<float>().swap(*v);
  return lp;
}

LocusPart locus_part(RunState& rs, const Work& w, int kc, int mal) {
  return part_of_counts(locus_counts(rs, w, kc), mal, rs.param.astrix);
}

void set_flat(LocusPart& p, float ast) {
  const int m = p.m;
  const size_t sm = static_cast<size_t>(m);
  p.flat.assign(static_cast<size_t>(pm_count(m)), 0.0f);
  auto at = [&](Pm k, size_t i) -> float& {
    return p.flat[static_cast<size_t>(pm_offset(k, m)) + i];
  };
  auto whole = [&](float v) { return p.missing ? ast : v; };
  for (size_t i = 0; i < sm; ++i) {
    at(Pm::div, i) = p.hom[i];  // the homozygosity is summed
    at(Pm::vgam, i) = p.div[i];
    at(Pm::dt, i) = p.dt[i];
    at(Pm::cj, i) = whole(p.cj[i]);
    at(Pm::dfin, i) = whole(p.dfin[i]);
    at(Pm::dinf, i) = whole(p.dinf[i]);
    at(Pm::evfin, i) = p.evfin[i];
    at(Pm::evinf, i) = p.evinf[i];
    at(Pm::het, i) = p.has_het ? p.het[i] : ast;
  }
  for (size_t e = 0; e < p.ga.size(); ++e) at(Pm::ga, e) = p.ga[e];
  at(Pm::delfin, 0) = whole(p.delfin);
  at(Pm::delinf, 0) = whole(p.delinf);
  at(Pm::popdiv, 0) = p.pophom;
  at(Pm::popevfin, 0) = p.popevfin;
  at(Pm::popevinf, 0) = p.popevinf;
}

namespace {

// How the sum of a value over the loci becomes the gene-pool value.
enum class Rule { mean, harmonic, product };

std::vector<Rule> rules(int m) {
  std::vector<Rule> r(static_cast<size_t>(pm_count(m)), Rule::mean);
  for (int i = 0; i < m; ++i) {
    r[static_cast<size_t>(pm_offset(Pm::div, m) + i)] = Rule::harmonic;
    r[static_cast<size_t>(pm_offset(Pm::vgam, m) + i)] = Rule::product;
  }
  r[static_cast<size_t>(pm_offset(Pm::popdiv, m))] = Rule::harmonic;
  return r;
}

// The gene-pool value of a sum over n loci (not for the product, which follows its harmonic
// partner). Sums of the marker stay the marker.
template <class T>
T finish(Rule r, T s, T n, float ast) {
  if (r == Rule::harmonic) return s <= kFudge ? ast : n / s;
  return s <= kMarked || n <= 0 ? ast : s / n;
}

}  // namespace

std::vector<float> pool_of(const std::vector<LocusPart>& parts, const std::vector<int>& pick,
                           float ast) {
  const int m = parts.empty() ? 0 : parts.front().m;
  const std::vector<Rule> rule = rules(m);
  const size_t nv = rule.size();
  std::vector<float> v(nv, 0.0f);
  for (size_t j = 0; j < nv; ++j)
    if (rule[j] == Rule::product) v[j] = 1.0f;

  // Sums over the loci in the order given; a marked sum stays marked.
  for (int k : pick) {
    const std::vector<float>& c = parts[static_cast<size_t>(k)].flat;
    for (size_t j = 0; j < nv; ++j) {
      if (rule[j] == Rule::product)
        gpmul(v[j], c[j], ast);
      else
        gpadd(v[j], c[j], ast);
    }
  }

  // The sums become the measures: harmonic mean of v_2, means of the rest.
  const float n = static_cast<float>(pick.size());
  for (int i = 0; i < m; ++i) {
    const size_t d = static_cast<size_t>(pm_offset(Pm::div, m) + i);
    if (v[d] <= kFudge) v[static_cast<size_t>(pm_offset(Pm::vgam, m) + i)] = ast;
  }
  for (size_t j = 0; j < nv; ++j)
    if (rule[j] != Rule::product) v[j] = finish(rule[j], v[j], n, ast);
  return v;
}

std::vector<float> printed_pool(const RunState& rs, const Work& w,
                                const std::vector<LocusPart>& parts) {
  const Param& q = rs.param;
  const int m = q.maxp, mal = q.mal;
  const float ast = q.astrix, nc = static_cast<float>(parts.size());
  std::vector<int> all(parts.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
  std::vector<float> v = pool_of(parts, all, ast);
  auto at = [&](Pm k, int i) -> float& { return v[static_cast<size_t>(pm_offset(k, m) + i)]; };
  for (int l = 1; l <= m; ++l) {
    at(Pm::div, l - 1) = w.gpdiv(l, mal);
    at(Pm::vgam, l - 1) = w.hgdiv(l, mal);
    at(Pm::dt, l - 1) = w.deltat(l);
    const float c = w.gpcj(l, mal);
    at(Pm::cj, l - 1) = q.nogpdif(mal) != 0 || c <= kMarked ? ast : c / nc;
    at(Pm::dfin, l - 1) = w.djfin(l);
    at(Pm::dinf, l - 1) = w.djinf(l);
  }
  for (int e = 1; e <= m * (m + 1) / 2; ++e) at(Pm::ga, e - 1) = w.ga(e);
  at(Pm::delfin, 0) = w.gpdfin(mal);
  at(Pm::delinf, 0) = w.gpdinf(mal);
  return v;
}

// --- intervals ---

namespace {

// Leave-one-out values of a mean or harmonic mean from double sums: the sum without locus i is
// the total less its contribution, so all n sets take one pass over the loci.
void loo_by_difference(const std::vector<LocusPart>& parts, size_t nv, float ast,
                       std::vector<std::vector<float>>& loo) {
  const int m = parts.front().m;
  const std::vector<Rule> rule = rules(m);
  const size_t n = parts.size();
  std::vector<double> total(nv, 0.0);
  std::vector<long> marks(nv, 0);
  for (const LocusPart& p : parts)
    for (size_t j = 0; j < nv; ++j) {
      if (defined(p.flat[j]))
        total[j] += p.flat[j];
      else
        ++marks[j];
    }
  for (const LocusPart& p : parts) {
    std::vector<float> v(nv, ast);
    for (size_t j = 0; j < nv; ++j) {
      const bool here = !defined(p.flat[j]);
      if (rule[j] == Rule::product || marks[j] - (here ? 1 : 0) > 0) continue;
      const double s = here ? total[j] : total[j] - p.flat[j];
      v[j] = static_cast<float>(finish<double>(rule[j], s, static_cast<double>(n - 1), ast));
    }
    loo.push_back(std::move(v));
  }
}

}  // namespace

Intervals jackknife(const std::vector<LocusPart>& parts, const std::vector<float>& est, float ast) {
  const int n = static_cast<int>(parts.size());
  Intervals iv;
  iv.est = est;
  const size_t nv = iv.est.size();
  iv.se.assign(nv, NAN);
  iv.jlow.assign(nv, NAN);
  iv.jhigh.assign(nv, NAN);
  if (n < 2) return iv;
  // Each leave-one-out set through the gene-pool function itself while that stays cheap; for
  // many loci, from the totals.
  std::vector<std::vector<float>> loo;
  if (n <= kExactLoci) {
    for (int i = 0; i < n; ++i) {
      std::vector<int> pick;
      for (int k = 0; k < n; ++k)
        if (k != i) pick.push_back(k);
      loo.push_back(pool_of(parts, pick, ast));
    }
  } else {
    loo_by_difference(parts, nv, ast, loo);
  }
  const std::vector<Rule> rule = rules(parts.front().m);
  for (size_t j = 0; j < nv; ++j) {
    bool ok = defined(iv.est[j]) && rule[j] != Rule::product;
    double mean = 0;
    for (const auto& r : loo) {
      ok = ok && defined(r[j]);
      mean += r[j];
    }
    if (!ok) continue;
    mean /= n;
    double ss = 0;
    for (const auto& r : loo) ss += (r[j] - mean) * (r[j] - mean);
    const double se = std::sqrt(ss * (n - 1) / n);
    iv.se[j] = se;
    iv.jlow[j] = iv.est[j] - 1.96 * se;
    iv.jhigh[j] = iv.est[j] + 1.96 * se;
  }
  return iv;
}

uint64_t mix64(uint64_t z) {
  z += 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

uint64_t DrawStream::below(uint64_t n) {
  const uint64_t limit = UINT64_MAX - UINT64_MAX % n;  // draws at or above it are refused
  uint64_t r;
  do r = (*this)();
  while (r >= limit);
  return r % n;
}

std::vector<int> bootstrap_draw(uint64_t seed, int mal, long rep, int n) {
  // The stream of replicate `rep` of kind `mal` starts from the seed and these alone.
  DrawStream g{mix64(mix64(mix64(seed ^ 0x6c6f6369626f6f74ULL) + static_cast<uint64_t>(mal)) +
                     static_cast<uint64_t>(rep))};
  std::vector<int> pick(static_cast<size_t>(n));
  for (auto& k : pick) k = static_cast<int>(g.below(static_cast<uint64_t>(n)));
  return pick;
}

double quantile(const std::vector<double>& sorted, double q) {
  if (sorted.empty()) return NAN;
  const double h = (static_cast<double>(sorted.size()) - 1) * q;
  const size_t lo = static_cast<size_t>(std::floor(h));
  const size_t hi = std::min(lo + 1, sorted.size() - 1);
  return sorted[lo] + (h - static_cast<double>(lo)) * (sorted[hi] - sorted[lo]);
}

bool percentile_intervals(long b, int threads, const std::function<std::vector<float>(long)>& one,
                          bool corrected, Intervals& iv) {
  const size_t nv = iv.est.size();
  iv.replicates = b;
  iv.bias_corrected = corrected;
  iv.blow.clear();
  iv.bhigh.clear();
  if (b < 1) return true;
  // Every replicate value is kept until the percentiles are taken.
  if (static_cast<double>(b) * static_cast<double>(nv) > kMaxBootValues) return false;
  const size_t nb = static_cast<size_t>(b);
  std::vector<float> vals(nv * nb);  // value j of replicate r at [j * b + r]
  std::vector<char> ok(nv, 1);       // 0 once undefined in some replicate
  auto run = [&](long r0, long r1, std::vector<char>& bad) {
    for (long r = r0; r < r1; ++r) {
      const std::vector<float> v = one(r);
      for (size_t j = 0; j < nv; ++j) {
        if (!defined(v[j])) bad[j] = 1;
        vals[j * nb + static_cast<size_t>(r)] = v[j];
      }
    }
  };
  const long nt = std::max(1L, std::min<long>(threads, b));
  std::vector<std::vector<char>> bad(static_cast<size_t>(nt), std::vector<char>(nv, 0));
  if (nt == 1) {
    run(0, b, bad[0]);
  } else {
    std::vector<std::thread> pool;
    for (long t = 0; t < nt; ++t)
      pool.emplace_back(run, b * t / nt, b * (t + 1) / nt, std::ref(bad[static_cast<size_t>(t)]));
    for (std::thread& t : pool) t.join();
  }
  for (const auto& bt : bad)
    for (size_t j = 0; j < nv; ++j)
      if (bt[j]) ok[j] = 0;
  iv.blow.assign(nv, NAN);
  iv.bhigh.assign(nv, NAN);
  std::vector<double> sorted(nb);
  for (size_t j = 0; j < nv; ++j) {
    if (!ok[j] || !defined(iv.est[j])) continue;
    std::copy(vals.begin() + static_cast<long>(j * nb),
              vals.begin() + static_cast<long>((j + 1) * nb), sorted.begin());
    std::sort(sorted.begin(), sorted.end());
    // corrected: less the bootstrap bias, the mean of the replicates less the estimate
    double bias = 0;
    if (corrected) {
      for (double x : sorted) bias += x;
      bias = bias / static_cast<double>(nb) - static_cast<double>(iv.est[j]);
    }
    // (every gene-pool measure is at least 0, and so are its corrected limits)
    iv.blow[j] =
        corrected ? std::max(0.0, quantile(sorted, 0.025) - bias) : quantile(sorted, 0.025);
    iv.bhigh[j] =
        corrected ? std::max(0.0, quantile(sorted, 0.975) - bias) : quantile(sorted, 0.975);
  }
  return true;
}

bool bootstrap(const std::vector<LocusPart>& parts, long b, uint64_t seed, int mal, float ast,
               Intervals& iv) {
  const int n = static_cast<int>(parts.size());
  if (n < 1) {
    iv.replicates = b;
    iv.blow.clear();
    iv.bhigh.clear();
    return true;
  }
  return percentile_intervals(
      b, 1, [&](long r) { return pool_of(parts, bootstrap_draw(seed, mal, r, n), ast); }, false,
      iv);
}

// --- output ---

namespace {

// One value of the outputs: a measure of deme position `i` (0: the whole population) or of the
// pair (i, j); `ci` when it has an interval.
struct Item {
  Pm k;
  int i = 0, j = 0;
  bool ci = true;
};

const char* measure_name(Pm k) {
  switch (k) {
    case Pm::div:
    case Pm::popdiv:
      return "diversity_v2";
    case Pm::vgam:
      return "diversity_v_gam";
    case Pm::dt:
      return "differentiation_delta_T";
    case Pm::cj:
      return "relative_size_Cj";
    case Pm::dfin:
      return "differentiation_Dj";
    case Pm::dinf:
      return "differentiation_Dj_equal";
    case Pm::evfin:
    case Pm::popevfin:
      return "evenness_finite";
    case Pm::evinf:
    case Pm::popevinf:
      return "evenness_infinite";
    case Pm::het:
      return "heterozygosity_observed";
    case Pm::ga:
      return "distance_d0";
    case Pm::delfin:
      return "differentiation_delta";
    case Pm::delinf:
      return "differentiation_delta_equal";
  }
  return "";
}

// The values of the chosen analyses, in the order of the gene-pool report.
std::vector<Item> items(const RunState& rs, bool het) {
  const Param& q = rs.param;
  const Names& a = rs.names;
  const int m = q.maxp;
  std::vector<Item> v;
  auto demes = [&](Pm k, bool ci) {
    for (int i = 1; i <= m; ++i) v.push_back({k, i, 0, ci});
  };
  if (a.aprog(prog::diversity) == 'y') {
    demes(Pm::div, true);
    v.push_back({Pm::popdiv, 0, 0, true});
    demes(Pm::vgam, false);
  }
  if (a.aprog(prog::totaldiff) == 'y') demes(Pm::dt, true);
  if (a.aprog(prog::evenness) == 'y' && a.evefin == 'y') {
    demes(Pm::evfin, true);
    v.push_back({Pm::popevfin, 0, 0, true});
  }
  if (a.aprog(prog::evenness) == 'y' && a.eveinf == 'y') {
    demes(Pm::evinf, true);
    v.push_back({Pm::popevinf, 0, 0, true});
  }
  if (het && a.aprog(prog::heterozygosity) == 'y' && q.mal == kind::alleles) demes(Pm::het, true);
  if (m > 1 && a.aprog(prog::distance) == 'y')
    for (int i = 2; i <= m; ++i)
      for (int j = 1; j < i; ++j) v.push_back({Pm::ga, i, j, true});
  if (m > 1 && a.aprog(prog::subdiff) == 'y') {
    if (a.spdfin == 'y') {
      demes(Pm::cj, false);
      demes(Pm::dfin, true);
      v.push_back({Pm::delfin, 0, 0, true});
    }
    if (a.spdinf == 'y') {
      demes(Pm::dinf, true);
      v.push_back({Pm::delinf, 0, 0, true});
    }
  }
  return v;
}

size_t index_of(const Item& it, int m) {
  const int off = pm_offset(it.k, m);
  if (it.k == Pm::ga) return static_cast<size_t>(off + pair(it.i, it.j) - 1);
  if (it.i == 0) return static_cast<size_t>(off);
  return static_cast<size_t>(off + it.i - 1);
}

bool any_het(const std::vector<LocusPart>& parts) {
  return !parts.empty() && parts.front().has_het;
}

// A 32-bit value as the double of its shortest decimal form, so that the long table shows the
// digits the value holds ("0.3611", not the binary expansion of the float).
double as_written(float v) {
  if (!defined(v)) return NAN;
  return std::strtod(fmt::format("{}", v).c_str(), nullptr);
}

// A value of the results block: 4 decimals in 10 columns; undefined as the marker "-9.999".
std::string f10(double v) {
  return std::isnan(v) || v <= -1e-6 ? io::lpad("-9.999", 10) : ff(v, 10, 4);
}

}  // namespace

void interval_report(RunState& rs, const Work& w, const std::vector<LocusPart>& parts,
                     const std::vector<float>& pool, const Intervals* iv) {
  if (iv == nullptr) return;
  const Intervals& v = individual_intervals(rs, w, parts, *iv);
  io::Unit& o = rs.out();
  const int m = rs.param.maxp;
  const bool boot = !v.blow.empty();
  const std::string over = v.individuals ? "individuals_within_demes" : "loci";
  o.line("");
  o.line(rep('-', 36));
  o.line("Intervals_over_loci");
  o.line(rep('-', 36));
  o.line("Jackknife_over_" + std::to_string(parts.size()) +
         "_loci:_standard_error_SE,_95%_interval_=_estimate_+-_1.96_SE");
  if (!v.note.empty()) o.line(v.note);
  if (boot)
    o.line("Bootstrap_over_" + over + ":_" + std::to_string(v.replicates) +
           "_replicates,_percentile_95%_interval" +
           (v.bias_corrected ? "_less_the_bootstrap_bias" : "") + ",_seed_" +
           std::to_string(rs.opt.seed));
  if (v.replicates > 0 && !boot)
    o.line("** Bootstrap_over_" + over + "_not_done:_" + std::to_string(v.replicates) +
           "_replicates_of_" + std::to_string(v.est.size()) +
           "_values_would_exceed_the_memory_limit");
  o.line("");
  std::string head = fa("Measure", 28) + " Deme Other  Estimate        SE    JK_low   JK_high";
  if (boot) head += v.individuals ? "    BI_low   BI_high" : "    BS_low   BS_high";
  o.line(head);
  for (const Item& it : items(rs, any_het(parts))) {
    if (!it.ci) continue;
    const size_t j = index_of(it, m);
    std::string s = fa(measure_name(it.k), 28);
    s += it.i > 0 ? fi(w.nprb(it.i), 5) : std::string("  all");
    s += it.j > 0 ? fi(w.nprb(it.j), 6) : std::string(6, ' ');
    s += f10(pool[j]) + f10(v.se[j]) + f10(v.jlow[j]) + f10(v.jhigh[j]);
    if (boot) s += f10(v.blow[j]) + f10(v.bhigh[j]);
    o.line(s);
  }
}

void interval_table(RunState& rs, const Work& w, const std::vector<LocusPart>& parts,
                    const std::vector<float>& pool, const Intervals* iv) {
  io::Unit& t = rs.u(29);
  if (iv == nullptr || !t.is_open()) return;
  const Intervals& v = individual_intervals(rs, w, parts, *iv);
  const int m = rs.param.maxp;
  const bool boot = !v.blow.empty();
  static const char* const title[4] = {"", "MATERNAL_ALLELE_FREQUENCIES",
                                       "PATERNAL_ALLELE_FREQUENCIES", "ALLELE_FREQUENCIES"};
  auto cell = [&](double x) {
    return (std::isnan(x) || x <= rs.param.astrix1 ? std::string("       NA") : ff(x, 9, 4)) + "\t";
  };
  t.line("");
  t.line(std::string("GENE_POOL_INTERVALS - ") + title[rs.param.mal]);
  std::string head = "Measure\tDeme_No.\tOther_No.\tEstimate\tJackknSE\tJackLow\tJackHigh\t";
  if (boot) head += v.individuals ? "IndLow\tIndHigh\t" : "BootLow\tBootHigh\t";
  t.line(head);
  for (const Item& it : items(rs, any_het(parts))) {
    if (!it.ci) continue;
    const size_t j = index_of(it, m);
    std::string s = "\"" + std::string(measure_name(it.k)) + "\"\t";
    s += (it.i > 0 ? std::to_string(w.nprb(it.i)) : std::string()) + "\t";
    s += (it.j > 0 ? std::to_string(w.nprb(it.j)) : std::string()) + "\t";
    s += cell(pool[j]) + cell(v.se[j]) + cell(v.jlow[j]) + cell(v.jhigh[j]);
    if (boot) s += cell(v.blow[j]) + cell(v.bhigh[j]);
    t.line(s);
  }
}

void interval_rows(RunState& rs, const Work& w, const std::vector<LocusPart>& parts,
                   const std::vector<float>& pool, const Intervals* iv) {
  const Param& q = rs.param;
  const int m = q.maxp;
  if (iv != nullptr) iv = &individual_intervals(rs, w, parts, *iv);
  const bool boot = iv != nullptr && !iv->blow.empty();
  const char* boot_method =
      iv != nullptr && iv->individuals ? "bootstrap_individuals" : "bootstrap";
  for (const Item& it : items(rs, any_het(parts))) {
    const size_t j = index_of(it, m);
    LongRow r;
    r.measure = measure_name(it.k);
    r.deme = it.i > 0 ? w.nprb(it.i) : 0;
    r.other_deme = it.j > 0 ? w.nprb(it.j) : 0;
    r.value = as_written(pool[j]);
    if (it.k == Pm::het) r.kind = "genotypes";
    if (it.ci && iv != nullptr) {
      r.ci_low = boot ? iv->blow[j] : iv->jlow[j];
      r.ci_high = boot ? iv->bhigh[j] : iv->jhigh[j];
      if (!std::isnan(r.ci_low)) r.method = boot ? boot_method : "jackknife";
    }
    long_pool_row(rs, w, r);
    if (it.k == Pm::dinf && it.i == m) {
      // the equal shares beside the equally weighted D_j
      for (int i = 1; i <= m; ++i) {
        LongRow c;
        c.measure = "relative_size_Cj_equal";
        c.deme = w.nprb(i);
        c.value = q.nogpdif(q.mal) != 0 ? NAN : as_written(1.0f / static_cast<float>(m));
        long_pool_row(rs, w, c);
      }
    }
  }
}

}  // namespace tolm
