// The gene pool as a function of a set of loci and its intervals: the pool of hand-made loci,
// the jackknife of a mean against the textbook standard error, the bootstrap draws, the
// percentile rule, and the per-locus parts read back from the counts reproducing the gene-pool
// sums of the per-locus analysis to the last bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "analysis/gnpool.h"
#include "analysis/intervals.h"
#include "analysis/parsub.h"

using namespace tolm;

namespace {

constexpr float NA = -9.999f;

float at(const std::vector<float>& v, Pm k, int i, int m) {
  return v[static_cast<size_t>(pm_offset(k, m) + i)];
}

// A locus of two demes whose every per-deme measure is `a` in deme 1 and `b` in deme 2, with
// homozygosity 1/v.
LocusPart two_demes(float v1, float v2, float a, float b, float d0) {
  LocusPart p;
  p.m = 2;
  p.hom = {1 / v1, 1 / v2};
  p.div = {v1, v2};
  for (auto* x : {&p.dt, &p.cj, &p.dfin, &p.dinf, &p.evfin, &p.evinf, &p.het}) *x = {a, b};
  p.has_het = true;
  p.ga = {0, d0, 0};
  p.delfin = p.delinf = (a + b) / 2;
  p.pophom = 1 / (v1 + v2);
  p.popevfin = p.popevinf = a;
  set_flat(p, NA);
  return p;
}

std::vector<int> upto(int n) {
  std::vector<int> v(static_cast<size_t>(n));
  std::iota(v.begin(), v.end(), 0);
  return v;
}

}  // namespace

// Diversities 2 and 4 at two loci: gene-pool diversity 2 / (0.5 + 0.25) = 2.667, gametic
// diversity 8; the rest are means. A third locus where deme 2 has no identified gene leaves
// deme 2's within-deme values, every distance to it and all of the differentiation undefined.
TEST(IntervalsPool, PoolOfLociByHand) {
  std::vector<LocusPart> parts = {two_demes(2, 2, 0.2f, 0.4f, 0.25f),
                                  two_demes(4, 4, 0.6f, 0.8f, 0.5f)};
  const std::vector<float> v = pool_of(parts, {0, 1}, NA);
  EXPECT_NEAR(at(v, Pm::div, 0, 2), 2.6667f, 1e-4);
  EXPECT_FLOAT_EQ(at(v, Pm::vgam, 0, 2), 8.0f);
  EXPECT_FLOAT_EQ(at(v, Pm::dt, 1, 2), 0.6f);
  EXPECT_FLOAT_EQ(at(v, Pm::ga, 1, 2), 0.375f);  // the pair (2, 1)
  EXPECT_FLOAT_EQ(at(v, Pm::ga, 0, 2), 0.0f);    // the diagonal
  EXPECT_FLOAT_EQ(at(v, Pm::delfin, 0, 2), 0.5f);
  EXPECT_FLOAT_EQ(at(v, Pm::het, 0, 2), 0.4f);
  EXPECT_NEAR(at(v, Pm::popdiv, 0, 2), 2 / (0.25f + 0.125f), 1e-5);  // harmonic mean of 4 and 8

  LocusPart gap = two_demes(2, 2, 0.5f, 0.5f, 0.5f);
  gap.missing = true;
  gap.hom[1] = gap.div[1] = gap.dt[1] = gap.evfin[1] = gap.het[1] = NA;
  gap.ga[1] = gap.ga[2] = NA;
  gap.cj = gap.dfin = gap.dinf = {NA, NA};
  gap.delfin = gap.delinf = NA;
  set_flat(gap, NA);
  parts.push_back(gap);
  const std::vector<float> g = pool_of(parts, {0, 1, 2}, NA);
  EXPECT_NEAR(at(g, Pm::div, 0, 2), 3 / (0.5f + 0.25f + 0.5f), 1e-5);
  EXPECT_NEAR(at(g, Pm::dt, 0, 2), (0.2f + 0.6f + 0.5f) / 3, 1e-6);
  for (Pm k : {Pm::div, Pm::vgam, Pm::dt, Pm::evfin, Pm::het, Pm::cj, Pm::dfin})
    EXPECT_EQ(at(g, k, 1, 2), NA) << static_cast<int>(k);
  EXPECT_EQ(at(g, Pm::cj, 0, 2), NA);  // a share needs every deme at every locus
  EXPECT_EQ(at(g, Pm::ga, 1, 2), NA);
  EXPECT_EQ(at(g, Pm::delinf, 0, 2), NA);
  // the marks stay whatever the order: the locus first, then the others
  EXPECT_EQ(pool_of(parts, {2, 0, 1}, NA), g);
}

// The jackknife of a mean over loci is the textbook standard error sd / sqrt(n); that of the
// gene-pool diversity comes from the harmonic means of the leave-one-out sets, worked out here
// directly; both for a few loci and for many (where the sets come from the totals).
TEST(IntervalsPool, JackknifeAgainstDirectFormulas) {
  // five loci pooled afresh per set; 450 loci from the totals less each locus
  for (int n : {5, 450}) {
    std::vector<float> ev, v2;
    for (int k = 0; k < n; ++k) {
      ev.push_back(0.2f + 0.7f * static_cast<float>((k * 37) % 11) / 10.0f);
      v2.push_back(2.0f + static_cast<float>((k * 13) % 7));
    }
    std::vector<LocusPart> parts;
    for (int k = 0; k < n; ++k)
      parts.push_back(
          two_demes(v2[static_cast<size_t>(k)], 1, ev[static_cast<size_t>(k)], 0.5f, 0.1f));
    const std::vector<float> est = pool_of(parts, upto(n), NA);
    const Intervals iv = jackknife(parts, est, NA);

    double mean = 0, ss = 0;
    for (float x : ev) mean += x;
    mean /= n;
    for (float x : ev) ss += (x - mean) * (x - mean);
    const double se_mean = std::sqrt(ss / (n - 1) / n);
    const size_t e = static_cast<size_t>(pm_offset(Pm::evfin, 2));
    EXPECT_NEAR(iv.se[e], se_mean, 1e-6) << n;
    EXPECT_NEAR(iv.jlow[e], est[e] - 1.96 * se_mean, 1e-6) << n;
    EXPECT_NEAR(iv.jhigh[e], est[e] + 1.96 * se_mean, 1e-6) << n;

    double hom = 0;
    for (float v : v2) hom += 1.0 / v;
    std::vector<double> loo;
    for (float v : v2) loo.push_back((n - 1) / (hom - 1.0 / v));
    const double lm = std::accumulate(loo.begin(), loo.end(), 0.0) / n;
    double lss = 0;
    for (double x : loo) lss += (x - lm) * (x - lm);
    const size_t d = static_cast<size_t>(pm_offset(Pm::div, 2));
    EXPECT_NEAR(iv.se[d], std::sqrt(lss * (n - 1) / n), 1e-5 * iv.se[d]) << n;
    EXPECT_NEAR(iv.se[e + 1], 0.0, 1e-7) << n;  // the same value at every locus: no spread
    EXPECT_TRUE(std::isnan(iv.se[static_cast<size_t>(pm_offset(Pm::vgam, 2))])) << n;
  }
  // a locus with a deme without data leaves the differentiation without interval either way
  for (int n : {5, 450}) {
    std::vector<LocusPart> parts;
    for (int k = 0; k < n; ++k) parts.push_back(two_demes(2, 3, 0.1f * (k % 3), 0.5f, 0.2f));
    parts[1].missing = true;
    set_flat(parts[1], NA);
    const Intervals iv = jackknife(parts, pool_of(parts, upto(n), NA), NA);
    EXPECT_TRUE(std::isnan(iv.se[static_cast<size_t>(pm_offset(Pm::dfin, 2))])) << n;
    EXPECT_FALSE(std::isnan(iv.se[static_cast<size_t>(pm_offset(Pm::dt, 2))])) << n;
  }
}

// Draws depend on the seed, the kind and the replicate alone, cover the loci evenly, and a
// replicate drawing every locus once gives the estimate back.
TEST(IntervalsPool, BootstrapDraws) {
  EXPECT_EQ(bootstrap_draw(7, 3, 12, 30), bootstrap_draw(7, 3, 12, 30));
  EXPECT_NE(bootstrap_draw(7, 3, 12, 30), bootstrap_draw(7, 3, 13, 30));
  EXPECT_NE(bootstrap_draw(7, 3, 12, 30), bootstrap_draw(7, 1, 12, 30));
  EXPECT_NE(bootstrap_draw(7, 3, 12, 30), bootstrap_draw(8, 3, 12, 30));
  std::vector<int> hits(30, 0);
  for (long r = 0; r < 1000; ++r)
    for (int k : bootstrap_draw(20150101, 3, r, 30)) {
      ASSERT_GE(k, 0);
      ASSERT_LT(k, 30);
      ++hits[static_cast<size_t>(k)];
    }
  // 1000 draws expected per locus, binomial sd about 31
  for (int h : hits) EXPECT_NEAR(h, 1000, 160);

  std::vector<LocusPart> parts;
  for (int k = 0; k < 6; ++k)
    parts.push_back(two_demes(1.5f + k, 2.0f + 0.3f * k, 0.1f * k, 0.7f, 0.05f * k + 0.01f));
  const std::vector<float> est = pool_of(parts, upto(6), NA);
  EXPECT_EQ(pool_of(parts, upto(6), NA), est);
  const std::vector<float> rev = pool_of(parts, {5, 4, 3, 2, 1, 0}, NA);
  for (size_t j = 0; j < est.size(); ++j) EXPECT_NEAR(rev[j], est[j], 1e-6 * std::fabs(est[j]));

  Intervals a = jackknife(parts, est, NA), b = a;
  EXPECT_TRUE(bootstrap(parts, 200, 99, 3, NA, a));
  EXPECT_TRUE(bootstrap(parts, 200, 99, 3, NA, b));
  EXPECT_EQ(a.blow, b.blow);
  // more replicate values than memory holds: refused at once, without limits
  Intervals big = jackknife(parts, est, NA);
  EXPECT_FALSE(bootstrap(parts, 100000000, 99, 3, NA, big));
  EXPECT_TRUE(big.blow.empty());
  for (size_t j = 0; j < est.size(); ++j) {
    if (!std::isnan(a.blow[j])) {
      EXPECT_LE(a.blow[j], a.bhigh[j]);
    }
  }
}

// Percentiles between order statistics: h = (n - 1) q, as R's default quantile.
TEST(IntervalsPool, Quantile) {
  const std::vector<double> s = {1, 2, 3, 4};
  EXPECT_DOUBLE_EQ(quantile(s, 0.025), 1.075);
  EXPECT_DOUBLE_EQ(quantile(s, 0.975), 3.925);
  EXPECT_DOUBLE_EQ(quantile({5}, 0.5), 5);
  EXPECT_TRUE(std::isnan(quantile({}, 0.5)));
}

// Three loci of three demes, counted as the counting step stores them; the per-locus analysis
// fills the gene-pool sums and the gene-pool report converts them. The parts read back from the
// counts give the same numbers through `pool_of`, bit for bit, also with a deme that has no
// identified gene at one locus.
TEST(IntervalsPool, PartsReproduceTheGenePoolSums) {
  // alleles per locus and deme (type 0: genes of individuals not identified)
  const std::vector<std::vector<std::vector<int>>> data = {
      {{0, 6, 2, 2}, {2, 1, 5, 0, 2}, {0, 3, 3, 4, 2}},
      {{0, 4, 6}, {0, 7, 1}, {2, 2, 2, 2}},
      {{2, 3, 5, 0, 2}, {0, 4, 4}, {0, 1, 1, 1, 1, 4}},
  };
  for (bool gap : {false, true}) {
    RunState rs;
    Work w;
    for (int ch = 20; ch <= 27; ++ch) rs.scratch.open(ch);
    const int np = 3, nc = 3;
    w.create(np, nc, nc + 1, 250);
    Param& q = rs.param;
    q.np = np;
    q.nc = nc;
    q.mxnrlc = 1;
    q.maxp = np;
    q.iunit = 8;
    q.nys = 1;
    rs.u(8).capture();
    rs.u(29).capture();
    rs.opt.ci = false;
    for (int c : {2, 3, 5, 6}) rs.names.aprog(c) = 'y';
    rs.names.spdfin = rs.names.spdinf = 'y';
    q.iwithn = q.ibetwn = 1;
    for (int d = 1; d <= np; ++d) w.nprb(d) = 4 - d;  // shown in reverse order
    for (int k = 1; k <= nc; ++k) {
      w.nrloc(k) = 1;
      w.loccmb(k, 1) = k;
    }
    inpool(rs, w);
    for (int kc = 1; kc <= nc; ++kc) {
      q.kc = kc;
      q.mal = 3;
      int ntyp = 0;
      for (int p = 1; p <= np; ++p) {
        std::vector<int> c = data[static_cast<size_t>(kc - 1)][static_cast<size_t>(p - 1)];
        if (gap && kc == 2 && p == 3) c = {6};  // no identified gene
        int sum = 0;
        for (size_t k = 0; k < c.size(); ++k) {
          const long rec = (static_cast<long>(k * nc + kc - 1) * np + p - 1) * 3;
          swrite(rs, 20, rec + 3, c[k]);
          sum += c[k];
          ntyp = std::max(ntyp, static_cast<int>(k));
        }
        // every individual has one first contribution
        swrite(rs, 20, (static_cast<long>(nc + kc - 1) * np + p - 1) * 3 + 1, sum / 2);
        for (int i = 1; i <= np; ++i)
          if (w.nprb(i) == p) w.nsam(i) = sum / 2;
      }
      w.nptr1(kc) = std::max(w.nptr1(kc), ntyp);
      parsub(rs, w);
    }
    pargpl(rs, w);

    std::vector<LocusPart> parts;
    q.mal = 3;
    for (int kc = 1; kc <= nc; ++kc) parts.push_back(locus_part(rs, w, kc, 3));
    const std::vector<float> v = pool_of(parts, upto(nc), NA);
    for (int l = 1; l <= np; ++l) {
      const int i = l - 1;
      EXPECT_EQ(at(v, Pm::div, i, np), w.gpdiv(l, 3)) << gap << l;
      EXPECT_EQ(at(v, Pm::vgam, i, np), w.hgdiv(l, 3)) << gap << l;
      EXPECT_EQ(at(v, Pm::dt, i, np), w.deltat(l)) << gap << l;
      EXPECT_EQ(at(v, Pm::cj, i, np), w.gpcj(l, 3)) << gap << l;  // scaled by the report
      EXPECT_EQ(at(v, Pm::dfin, i, np), w.djfin(l)) << gap << l;
      EXPECT_EQ(at(v, Pm::dinf, i, np), w.djinf(l)) << gap << l;
    }
    for (int e = 1; e <= np * (np + 1) / 2; ++e) EXPECT_EQ(at(v, Pm::ga, e - 1, np), w.ga(e));
    EXPECT_EQ(at(v, Pm::delfin, 0, np), w.gpdfin(3));
    EXPECT_EQ(at(v, Pm::delinf, 0, np), w.gpdinf(3));
    EXPECT_EQ(gap, at(v, Pm::delfin, 0, np) == NA);
    EXPECT_EQ(gap, at(v, Pm::div, 0, np) == NA);  // data deme 3 is shown first
    EXPECT_GT(at(v, Pm::div, 1, np), 1.0f);
  }
}
