// The bootstrap over individuals within demes: the genotypes kept while counting give back, when
// every individual is drawn once, the counts the counting stored and so the gene pool bit for bit;
// the draws of the records of a deme, one by one and as multinomial counts.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "analysis/indivboot.h"
#include "analysis/intervals.h"
#include "input/count.h"
#include "core/records.h"

using namespace tolm;

namespace {

// Three demes, three loci: gametic sex specified in deme 1, a record of deme 2 standing for 7
// individuals, missing alleles, and two records of deme 3 read with a locus list without locus 2.
const char* kSmall =
    "3 3\nL1\nL2\nL3\nNorth\nSouth\nEast\nUNFORMATTED\n"
    "1 0 1 1 2 1 3 1\n"
    "1 1 101 100 98 110 100 102\n"
    "1 2 102 100 100 100 -1 98\n"
    "1 3 100 101 98 98 102 102\n"
    "2 0 -1 0 2 0 3 0\n"
    "2 7 100 100 110 100 102 98\n"
    "2 2 101 100 110 98 -1 -1\n"
    "3 0 1 0 3 0 0 0\n"
    "3 1 100 101 98 96 0 0\n"
    "3 2 101 101 100 100 0 0\n"
    "3 0 1 0 2 0 3 0\n"
    "3 3 100 100 98 98 96 102\n";

// A run counting `np` demes of `nl` single loci with heterozygosity, demes shown in reverse order.
struct Counted {
  RunState rs;
  Work w;
  int ierr = -1;
  Counted(int np, int nl, bool keep) {
    w.create(np, nl, nl + 1, 250);
    Param& p = rs.param;
    p.np = p.maxp = np;
    p.nl = p.nc = nl;
    p.mxnrlc = 1;
    p.idurch = p.icount = 1;
    p.iunit = 8;
    for (int k = 1; k <= nl; ++k) {
      w.nrloc(k) = 1;
      w.loccmb(k, 1) = k;
    }
    for (int i = 1; i <= np; ++i) w.nprb(i) = np + 1 - i;
    rs.names.aprog(8) = 'y';
    rs.opt.bootstrap_individuals = keep;
    for (int ch = 20; ch <= 27; ++ch) rs.scratch.open(ch);
    rs.con().capture();
    rs.u(8).capture();
  }
  void count() { xcount(rs, w, ierr, "*", rs.param.nl); }
};

// The records of each shown deme, and each drawn as often as the individuals it stands for.
void every_individual_once(const IndividualTable& t, const Work& w, int m,
                           std::vector<std::vector<long>>& recs,
                           std::vector<std::vector<int64_t>>& mult) {
  recs.assign(static_cast<size_t>(m), {});
  mult.assign(static_cast<size_t>(m), {});
  for (int i = 0; i < m; ++i)
    for (long r = 0; r < t.records(); ++r)
      if (t.deme[static_cast<size_t>(r)] == w.nprb(i + 1)) {
        recs[static_cast<size_t>(i)].push_back(r);
        mult[static_cast<size_t>(i)].push_back(t.weight[static_cast<size_t>(r)]);
      }
}

}  // namespace

// Every individual drawn once gives the counts of the count channels, locus by locus (first and
// second contributions, genes of identified individuals, heterozygosity), and so the gene pool
// of every kind bit for bit; on the small file and on the cattle data. A second counting of the
// file starts the table afresh; without the option nothing is kept.
TEST(IntervalsIndividuals, EveryIndividualOnceGivesTheCountsAndThePool) {
  struct Case {
    const char* what;
    int np, nl;
    long records;
  };
  for (const Case& c : {Case{"small", 3, 3, 8}, Case{"cattle", 15, 30, 704}}) {
    Counted r(c.np, c.nl, true);
    const std::string cattle = std::string(TOLM_EXAMPLES) + "/microbov.dat";
    for (int pass = 1; pass <= 2; ++pass) {
      if (c.np == 3)
        r.rs.u(10).feed(kSmall);
      else
        ASSERT_EQ(r.rs.u(10).open_in(cattle), 0);
      r.count();
      ASSERT_EQ(r.ierr, 0) << c.what;
    }
    ASSERT_TRUE(r.rs.individuals) << c.what;
    const IndividualTable& t = *r.rs.individuals;
    ASSERT_EQ(t.state, IndividualTable::State::kept) << c.what;
    EXPECT_EQ(t.records(), c.records) << c.what;

    std::vector<std::vector<long>> recs;
    std::vector<std::vector<int64_t>> mult;
    every_individual_once(t, r.w, c.np, recs, mult);
    std::vector<LocusCounts> rebuilt(static_cast<size_t>(c.nl));
    for (int kc = 1; kc <= c.nl; ++kc)
      rebuilt[static_cast<size_t>(kc - 1)].reset(c.np, r.w.nptr1(kc), true);
    counts_of_draw(t, recs, mult, rebuilt);

    std::vector<int> all(static_cast<size_t>(c.nl));
    std::iota(all.begin(), all.end(), 0);
    for (int mal = 1; mal <= 3; ++mal) {
      std::vector<LocusPart> stored, drawn;
      for (int kc = 1; kc <= c.nl; ++kc) {
        const LocusCounts s = locus_counts(r.rs, r.w, kc);
        const LocusCounts& d = rebuilt[static_cast<size_t>(kc - 1)];
        if (mal == 1) {
          EXPECT_EQ(d.c20, s.c20) << c.what << " locus " << kc;
          EXPECT_EQ(d.het, s.het) << c.what << " locus " << kc;
          EXPECT_EQ(d.known, s.known) << c.what << " locus " << kc;
        }
        stored.push_back(part_of_counts(s, mal, r.rs.param.astrix));
        drawn.push_back(part_of_counts(d, mal, r.rs.param.astrix));
      }
      const std::vector<float> a = pool_of(stored, all, r.rs.param.astrix);
      const std::vector<float> b = pool_of(drawn, all, r.rs.param.astrix);
      EXPECT_EQ(a, b) << c.what << " kind " << mal;
    }
  }
  // the haplotypes of the small file by hand: deme 1 keeps 102 before 100 (gametic sex), deme 2
  // sorts 110 98 to 98 110, and locus 2 of the first two records of deme 3 was not read
  Counted s(3, 3, true);
  s.rs.u(10).feed(kSmall);
  s.count();
  const IndividualTable& t = *s.rs.individuals;
  auto allele = [&](int kc, int h) {
    return h == 0 ? -1 : sread(s.rs, 21, rec21(s.rs.param, h, kc, 1));
  };
  auto pair = [&](long rec, int kc) {
    const size_t at = (static_cast<size_t>(rec) * 3 + static_cast<size_t>(kc - 1)) * 2;
    const int h1 = t.hap[at], h2 = t.hap[at + 1];
    if (h1 == IndividualTable::kNotRead) return std::vector<int>{};
    return std::vector<int>{allele(kc, h1), allele(kc, h2)};
  };
  EXPECT_EQ(pair(1, 1), (std::vector<int>{102, 100}));
  EXPECT_EQ(pair(1, 3), (std::vector<int>{-1, 98}));
  EXPECT_EQ(pair(4, 2), (std::vector<int>{98, 110}));
  EXPECT_EQ(pair(4, 3), (std::vector<int>{-1, -1}));
  EXPECT_EQ(pair(5, 2), std::vector<int>{});
  EXPECT_EQ(pair(7, 2), (std::vector<int>{98, 98}));
  EXPECT_EQ(t.weight[3], 7);
  EXPECT_EQ(t.deme[5], 3);

  Counted off(3, 3, false);
  off.rs.u(10).feed(kSmall);
  off.count();
  EXPECT_FALSE(off.rs.individuals);
}

// The draws of a deme's records: as many individuals as the records stand for, each record drawn
// in proportion to its individuals (the mean over many replicates against the weights, within
// five standard errors of the binomial), the same draws for the same seed, deme and replicate.
TEST(IntervalsIndividuals, DrawsOfTheRecordsOfADeme) {
  // one individual per record; a few records of several; few records of many (drawn as
  // multinomial counts)
  for (const std::vector<int32_t>& weights :
       {std::vector<int32_t>{1, 1, 1, 1, 1, 1, 1, 1}, std::vector<int32_t>{3, 1, 5, 1},
        std::vector<int32_t>{400000, 100000, 500000}}) {
    IndividualTable t;
    t.weight = weights;
    t.deme.assign(weights.size(), 2);
    std::vector<long> recs(weights.size());
    std::iota(recs.begin(), recs.end(), 0L);
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    const int reps = 400;
    std::vector<double> mean(weights.size(), 0.0);
    for (long rep = 0; rep < reps; ++rep) {
      const std::vector<int64_t> m = draw_records(t, recs, 77, 2, rep);
      ASSERT_EQ(m.size(), weights.size());
      EXPECT_EQ(std::accumulate(m.begin(), m.end(), int64_t{0}), static_cast<int64_t>(total));
      for (size_t k = 0; k < m.size(); ++k) mean[k] += static_cast<double>(m[k]) / reps;
    }
    for (size_t k = 0; k < weights.size(); ++k) {
      const double p = weights[k] / total;
      const double se = std::sqrt(total * p * (1 - p) / reps);
      EXPECT_NEAR(mean[k], weights[k], 5 * se + 1e-9) << total << " record " << k;
    }
    EXPECT_EQ(draw_records(t, recs, 77, 2, 5), draw_records(t, recs, 77, 2, 5));
    EXPECT_NE(draw_records(t, recs, 77, 2, 5), draw_records(t, recs, 77, 2, 6));
    EXPECT_NE(draw_records(t, recs, 77, 2, 5), draw_records(t, recs, 78, 2, 5));
  }
}

// The limits of the replicates less their bias, by hand: replicate values 1..5 have the
// percentiles 1.1 and 4.9 and the mean 3; an estimate of 2 moves both down by 1, one of 0.5 by
// 2.5 (the lower limit stops at 0); without the correction the percentiles themselves. A value
// undefined in one replicate has no limits; any number of threads gives the same.
TEST(IntervalsIndividuals, PercentilesLessTheBias) {
  struct Case {
    float est;
    bool corrected;
    double low, high;
  };
  for (const Case& c :
       {Case{2.0f, true, 0.1, 3.9}, Case{0.5f, true, 0.0, 2.4}, Case{2.0f, false, 1.1, 4.9}}) {
    for (int threads : {1, 3}) {
      Intervals iv;
      iv.est = {c.est, c.est};
      auto one = [](long r) {
        return std::vector<float>{static_cast<float>(r + 1), r == 2 ? -9.999f : 1.0f};
      };
      ASSERT_TRUE(percentile_intervals(5, threads, one, c.corrected, iv));
      EXPECT_NEAR(iv.blow[0], c.low, 1e-12) << c.est << " " << threads;
      EXPECT_NEAR(iv.bhigh[0], c.high, 1e-12) << c.est << " " << threads;
      EXPECT_TRUE(std::isnan(iv.blow[1]) && std::isnan(iv.bhigh[1]));
    }
  }
}
