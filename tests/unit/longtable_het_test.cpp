// Heterozygosity rows of the long table, on count files filled by hand: the proportions and the
// conditional heterozygosity of a single locus, the distribution and mean of the degree of
// heterozygosity of two loci, and the sample sizes when no frequency report gave them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/hetgrd.h"
#include "builder.h"
#include "report/longtable.h"
#include "core/runstate.h"

namespace tolm {
namespace {

using Rows = std::map<std::tuple<std::string, int, std::string>, double>;

// The value of the row of `measure`, deme and type (NAN for an undefined value); fails the test
// when there is no such row.
double v(const Rows& m, const char* measure, int deme, const char* type) {
  auto it = m.find(std::make_tuple(std::string(measure), deme, std::string(type)));
  EXPECT_NE(it, m.end()) << "no row " << measure << " " << deme << " " << type;
  return it == m.end() ? -1 : it->second;
}

struct HetRows {
  RunState rs;
  Work w;
  explicit HetRows(int nrloc) {
    std::string loci = "loci " + std::to_string(nrloc);
    for (int l = 1; l <= nrloc; ++l) loci += " " + std::string(1, static_cast<char>('A' + l - 1));
    testing_build::build(rs, w,
                         "demes 2\nnames D1 D2\n" + loci + "\ncombinations 1\nmxnrlc " +
                             std::to_string(nrloc) + "\niwidth 6\n");
    rs.param.mal = 4;
    rs.param.idurch = 1;
    rs.longtab.keep = true;
    w.nrloc(1) = nrloc;
    for (int l = 1; l <= nrloc; ++l) w.loccmb(1, l) = l;
  }
  // channel 26 for deme kp: counts by degree k = 0..nr, then identified and unknown
  void counts(int kp, const std::vector<int>& by_degree, int unknown) {
    const long base = (rs.param.mxnrlc + 3L) * (kp - 1);
    int known = 0;
    for (size_t k = 0; k < by_degree.size(); ++k) {
      swrite(rs, 26, base + static_cast<long>(k) + 1, by_degree[k]);
      known += by_degree[k];
    }
    swrite(rs, 26, base + rs.param.mxnrlc + 2, known);
    swrite(rs, 26, base + rs.param.mxnrlc + 3, unknown);
  }
  void genotype(int g, int a1, int a2, int kp, int n) {
    swrite23(rs, g + 1, a1, a2);
    swrite(rs, 22, rs.param.np * static_cast<long>(g) + kp, n);
    w.nptr2(1) = std::max(w.nptr2(1), g);
    w.nptr1(1) = std::max({w.nptr1(1), a1, a2});
  }
  // measure, deme, type -> value (NAN for an undefined one); every row checked for its context
  Rows rows(const std::string& loci) {
    Rows m;
    for (const LongRow& r : rs.longtab.rows) {
      EXPECT_EQ(r.loci, loci);
      EXPECT_EQ(r.kind, "genotypes");
      EXPECT_EQ(r.deme_name, "D" + std::to_string(r.deme));
      const auto key = std::make_tuple(r.measure, r.deme, r.type);
      EXPECT_EQ(m.count(key), 0u) << r.measure;
      m[key] = r.value <= -9.0 ? NAN : r.value;
    }
    return m;
  }
};

TEST(LongRowsHet, SingleLocusProportionAndConditionalHeterozygosity) {
  // deme 1: 2/2 x7, 1/2 x2, 1/3 x1: 3 of 10 heterozygous, allele 2 at 0.8 -> 0.3 / 0.4 = 0.75;
  // deme 2: 2/2 x5: monomorphic, no conditional heterozygosity.
  HetRows r(1);
  r.rs.names.aprog(1) = 'y';  // the frequency report gives the sample sizes
  r.genotype(1, 2, 2, 1, 7), r.genotype(1, 2, 2, 2, 5);
  r.genotype(2, 1, 2, 1, 2);
  r.genotype(3, 1, 3, 1, 1);
  r.counts(1, {7, 3}, 1);
  r.counts(2, {5, 0}, 0);
  hetout(r.rs, r.w);
  auto m = r.rows("A");
  EXPECT_EQ(m.size(), 4u);
  EXPECT_NEAR(v(m, "heterozygosity_observed", 1, ""), 0.3, 1e-7);
  EXPECT_NEAR(v(m, "heterozygosity_conditional", 1, ""), 0.75, 1e-7);
  EXPECT_EQ(v(m, "heterozygosity_observed", 2, ""), 0.0);
  EXPECT_TRUE(std::isnan(v(m, "heterozygosity_conditional", 2, "")));
}

TEST(LongRowsHet, TwoLociDegreeDistributionAndMean) {
  // deme 1: 1, 2, 1 individuals heterozygous at 0, 1, 2 loci -> mean (2 * 1/2 + 1 * 1) / 4;
  // deme 2: 3 at both loci and one individual of unknown genotype -> mean 1.
  HetRows r(2);
  r.counts(1, {1, 2, 1}, 0);
  r.counts(2, {0, 0, 3}, 1);
  hetout(r.rs, r.w);
  auto m = r.rows("A+B");
  EXPECT_EQ(v(m, "sample_size", 2, ""), 4);
  EXPECT_EQ(v(m, "identified", 2, ""), 3);
  EXPECT_EQ(v(m, "unknown", 2, ""), 1);
  EXPECT_EQ(v(m, "heterozygosity_degree_count", 1, "1"), 2);
  EXPECT_DOUBLE_EQ(v(m, "heterozygosity_degree_proportion", 1, "1"), 0.5);
  EXPECT_EQ(v(m, "heterozygosity_degree_count", 2, "0"), 0);
  EXPECT_DOUBLE_EQ(v(m, "heterozygosity_degree_proportion", 2, "2"), 1.0);
  EXPECT_DOUBLE_EQ(v(m, "heterozygosity_mean_degree", 1, ""), 0.5);
  EXPECT_DOUBLE_EQ(v(m, "heterozygosity_mean_degree", 2, ""), 1.0);
  EXPECT_EQ(m.size(), 3u * 2 + 2u * 2 * 3 + 2u);
}

}  // namespace
}  // namespace tolm
