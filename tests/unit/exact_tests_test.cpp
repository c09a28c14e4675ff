// Exact tests against brute force: every arrangement of the gene copies (Hardy-Weinberg) or of
// the units over the columns (contingency tables) is equally likely under the null hypothesis,
// so walking through all distinct arrangements gives the null distribution independently of
// the recurrence, the enumeration of tables and the chains.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "stattest/exact.h"
#include "stattest/pvalues.h"

namespace tolm {
namespace {

struct Brute {
  double p = 0, deficit = 0, excess = 0;
};

// Hardy-Weinberg: the genotype tables of all arrangements of the copies into individuals.
Brute brute_hw(const std::vector<int>& g, int k) {
  std::vector<int> copies;
  std::vector<int> cnt(static_cast<size_t>(k), 0);
  for (int i = 0; i < k; ++i)
    for (int j = i; j < k; ++j)
      for (int n = 0; n < g[static_cast<size_t>(i * k + j)]; ++n) {
        copies.push_back(i);
        copies.push_back(j);
        ++cnt[static_cast<size_t>(i)];
        ++cnt[static_cast<size_t>(j)];
      }
  auto table = [&](const std::vector<int>& c) {
    std::vector<int> t(static_cast<size_t>(k * k), 0);
    for (size_t q = 0; q < c.size(); q += 2)
      ++t[static_cast<size_t>(std::min(c[q], c[q + 1]) * k + std::max(c[q], c[q + 1]))];
    return t;
  };
  auto score = [&](const std::vector<int>& t) {
    double u = 0;
    for (int i = 0; i < k; ++i)
      if (cnt[static_cast<size_t>(i)] > 0)
        u += static_cast<double>(t[static_cast<size_t>(i * k + i)]) / cnt[static_cast<size_t>(i)];
    return u;
  };
  std::map<std::vector<int>, double> freq;
  std::sort(copies.begin(), copies.end());
  double total = 0;
  do {
    freq[table(copies)] += 1;
    total += 1;
  } while (std::next_permutation(copies.begin(), copies.end()));
  const double pobs = freq[g] / total, uobs = score(g);
  Brute b;
  for (const auto& [t, f] : freq) {
    const double q = f / total;
    if (q <= pobs * (1 + 1e-7)) b.p += q;
    if (score(t) >= uobs - 1e-9) b.deficit += q;
    if (score(t) <= uobs + 1e-9) b.excess += q;
  }
  return b;
}

// Contingency table: all arrangements of the column labels over the units of the rows.
double brute_rc(const std::vector<int>& t, int r, int c) {
  std::vector<int> rowof, col;
  for (int i = 0; i < r; ++i)
    for (int j = 0; j < c; ++j)
      for (int n = 0; n < t[static_cast<size_t>(i * c + j)]; ++n) {
        rowof.push_back(i);
        col.push_back(j);
      }
  std::sort(col.begin(), col.end());
  std::map<std::vector<int>, double> freq;
  double total = 0;
  do {
    std::vector<int> x(static_cast<size_t>(r * c), 0);
    for (size_t u = 0; u < col.size(); ++u) ++x[static_cast<size_t>(rowof[u] * c + col[u])];
    freq[x] += 1;
    total += 1;
  } while (std::next_permutation(col.begin(), col.end()));
  const double pobs = freq[t] / total;
  double p = 0;
  for (const auto& [x, f] : freq)
    if (f / total <= pobs * (1 + 1e-7)) p += f / total;
  return p;
}

TEST(ExactHw, EnumerationAndRecurrenceEqualBruteForceChainWithin3SE) {
  // upper triangles of small samples: 2, 3 and 4 alleles, deficits, excesses, proportions
  const std::vector<std::pair<int, std::vector<int>>> cases = {
      {2, {3, 1, 0, 2}},
      {2, {0, 6, 0, 0}},
      {3, {2, 0, 1, 0, 1, 0, 0, 0, 2}},
      {3, {0, 2, 1, 0, 0, 2, 0, 0, 0}},
      {3, {1, 1, 1, 0, 1, 0, 0, 0, 1}},
      {4, {1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1}},
      {4, {0, 1, 1, 1, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0}},
  };
  const ChainSettings cs{2000, 40, 2000};
  for (const auto& [k, g] : cases) {
    const Brute b = brute_hw(g, k);
    const ExactResult e = hw_exact(g, k, cs, 7);
    ASSERT_EQ(e.method, ExactMethod::enumeration);
    EXPECT_NEAR(e.p, b.p, 1e-12) << "k=" << k;
    EXPECT_NEAR(e.p_deficit, b.deficit, 1e-12);
    EXPECT_NEAR(e.p_excess, b.excess, 1e-12);
    if (k < 3) continue;
    const ExactResult m = hw_exact(g, k, cs, 7, 0);  // no enumeration allowed: the chain
    ASSERT_EQ(m.method, ExactMethod::chain);
    EXPECT_LE(std::fabs(m.p - b.p), 3 * m.se + 1e-9) << m.p << " vs " << b.p;
    EXPECT_LE(std::fabs(m.p_deficit - b.deficit), 3 * m.se_deficit + 1e-9);
    EXPECT_LE(std::fabs(m.p_excess - b.excess), 3 * m.se_excess + 1e-9);
  }
}

TEST(ExactHw, NothingToTestAndSameKeySameResult) {
  EXPECT_EQ(hw_exact({5, 0, 0, 0}, 2, ChainSettings{}, 1).method, ExactMethod::none);
  const std::vector<int> g = {3, 2, 1, 0, 0, 4, 2, 0, 0, 0, 3, 1, 0, 0, 0, 2};
  const ChainSettings cs{100, 10, 200};
  const ExactResult a = hw_exact(g, 4, cs, 42, 0), b = hw_exact(g, 4, cs, 42, 0);
  EXPECT_EQ(a.p, b.p);
  EXPECT_EQ(a.se, b.se);
  EXPECT_NE(test_key(1, {1, 2, 3}), test_key(1, {1, 3, 2}));
}

TEST(ExactTable, EnumerationEqualsBruteForceChainWithin3SE) {
  const std::vector<std::tuple<int, int, std::vector<int>>> cases = {
      {2, 2, {3, 0, 1, 4}},
      {2, 3, {2, 0, 3, 0, 3, 1}},
      {3, 2, {2, 0, 1, 2, 0, 3}},
      {3, 3, {2, 0, 0, 0, 2, 1, 1, 0, 2}},
      {2, 4, {1, 2, 0, 3, 2, 0, 2, 0}},
  };
  const ChainSettings cs{2000, 40, 2000};
  for (const auto& [r, c, t] : cases) {
    const double b = brute_rc(t, r, c);
    const ExactResult e = table_exact(t, r, c, cs, 3);
    ASSERT_EQ(e.method, ExactMethod::enumeration);
    EXPECT_NEAR(e.p, b, 1e-12) << r << "x" << c;
    const ExactResult m = table_exact(t, r, c, cs, 3, 0);
    ASSERT_EQ(m.method, ExactMethod::chain);
    EXPECT_LE(std::fabs(m.p - b), 3 * m.se + 1e-9) << m.p << " vs " << b;
  }
  EXPECT_EQ(table_exact({4, 0, 5, 0}, 2, 2, cs, 1).method, ExactMethod::none);
}

// Share of the chain's proposals that can move a table, counted over every proposal: for
// genotypes the ordered pairs of distinct alleles (i,j), (a,b) with {i,a} and {j,b} present;
// for r x c tables two distinct rows and columns with (i,j2) and (i2,j) occupied.
double live_share_hw(const std::vector<int>& g, int k) {
  auto at = [&](int x, int y) {
    return g[static_cast<size_t>(std::min(x, y) * k + std::max(x, y))];
  };
  double live = 0, all = 0;
  for (int i = 0; i < k; ++i)
    for (int j = 0; j < k; ++j)
      for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) {
          if (i == j || a == b) continue;
          all += 1;
          live += at(i, a) > 0 && at(j, b) > 0;
        }
  return live / all;
}
double live_share_rc(const std::vector<int>& t, int r, int c) {
  double live = 0, all = 0;
  for (int i = 0; i < r; ++i)
    for (int i2 = 0; i2 < r; ++i2)
      for (int j = 0; j < c; ++j)
        for (int j2 = 0; j2 < c; ++j2) {
          if (i == i2 || j == j2) continue;
          all += 1;
          live += t[static_cast<size_t>(i * c + j2)] > 0 && t[static_cast<size_t>(i2 * c + j)] > 0;
        }
  return live / all;
}

TEST(ExactChain, SparseAndDenseTablesWithin3SEOfEnumeration) {
  // Sparse tables (few proposals can move: the idle steps are counted in runs) and dense ones
  // (proposals drawn one by one); the enumeration is checked against brute force above.
  struct Hw {
    int k;
    std::vector<int> g;
    bool sparse;
  };
  const std::vector<Hw> hw = {
      {6,
       {1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 0, 0},
       true},
      {5, {0, 3, 0, 0, 1, 0, 0, 2, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}, true},
      {3, {2, 2, 1, 0, 3, 2, 0, 0, 1}, false},
  };
  const ChainSettings cs{5000, 100, 5000};
  for (const Hw& c : hw) {
    EXPECT_EQ(live_share_hw(c.g, c.k) < 0.4, c.sparse);
    const ExactResult e = hw_exact(c.g, c.k, cs, 11);
    ASSERT_EQ(e.method, ExactMethod::enumeration);
    const ExactResult m = hw_exact(c.g, c.k, cs, 11, 0);
    ASSERT_EQ(m.method, ExactMethod::chain);
    EXPECT_LE(std::fabs(m.p - e.p), 3 * m.se + 1e-9) << m.p << " vs " << e.p << " k=" << c.k;
    EXPECT_LE(std::fabs(m.p_deficit - e.p_deficit), 3 * m.se_deficit + 1e-9);
    EXPECT_LE(std::fabs(m.p_excess - e.p_excess), 3 * m.se_excess + 1e-9);
  }
  struct Rc {
    int r, c;
    std::vector<int> t;
    bool sparse;
  };
  const std::vector<Rc> rc = {
      {4, 5, {3, 0, 0, 0, 1, 0, 2, 0, 0, 0, 0, 0, 4, 1, 0, 0, 0, 0, 0, 3}, true},
      {3, 3, {3, 1, 2, 1, 4, 1, 2, 2, 3}, false},
  };
  for (const Rc& c : rc) {
    EXPECT_EQ(live_share_rc(c.t, c.r, c.c) < 0.15, c.sparse);
    const ExactResult e = table_exact(c.t, c.r, c.c, cs, 5);
    ASSERT_EQ(e.method, ExactMethod::enumeration);
    const ExactResult m = table_exact(c.t, c.r, c.c, cs, 5, 0);
    ASSERT_EQ(m.method, ExactMethod::chain);
    EXPECT_LE(std::fabs(m.p - e.p), 3 * m.se + 1e-9) << m.p << " vs " << e.p;
  }
}

TEST(PValues, ChiSquareTailAndFisherCombination) {
  // upper points of the chi-square distribution at 5 % and 0.1 %
  EXPECT_NEAR(chisq_p(3.841459, 1), 0.05, 1e-6);
  EXPECT_NEAR(chisq_p(124.342113, 100), 0.05, 1e-6);
  EXPECT_NEAR(chisq_p(20.515006, 5), 0.001, 1e-7);
  EXPECT_NEAR(chisq_p(2.0, 2), std::exp(-1.0), 1e-12);  // df 2: exp(-x/2)
  EXPECT_TRUE(std::isnan(chisq_p(1.0, 0)));
  // two p-values of 0.1: X = -2 ln 0.01, df 4: P = 0.01 (1 - ln 0.01)
  const Combined c = fisher_combine({0.1, 0.1, NAN});
  EXPECT_EQ(c.df, 4);
  EXPECT_NEAR(c.p, 0.01 * (1 - std::log(0.01)), 1e-12);
  EXPECT_EQ(fisher_combine({0.5, 0.0}).p, 0.0);
}

}  // namespace
}  // namespace tolm

namespace tolm {
namespace {

// Fillings counted by walking every vector 0 <= x_i <= caps[i] (an odometer).
uint64_t brute_fillings(const std::vector<int>& caps, int total) {
  std::vector<int> x(caps.size(), 0);
  uint64_t n = 0;
  for (;;) {
    int s = 0;
    for (int v : x) s += v;
    n += s == total;
    size_t i = 0;
    while (i < x.size() && x[i] == caps[i]) x[i++] = 0;
    if (i == x.size()) return n;
    ++x[i];
  }
}

// The floor on the enumeration's steps is the number of fillings of the first column (or of
// the first allele's genotypes: its homozygote d and heterozygotes x_j <= c_j, 2d + sum x_j =
// c_0), checked by brute force on small random margins; large counts pass every node bound.
TEST(ExactFloor, FillingsEqualBruteForceAndLargeCountsPassTheBound) {
  uint64_t st = 12345;
  auto draw = [&](int n) {
    st = st * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((st >> 33) % static_cast<uint64_t>(n));
  };
  for (int rep = 0; rep < 200; ++rep) {
    std::vector<int> caps(static_cast<size_t>(2 + draw(4)));
    int sum = 0;
    for (int& c : caps) sum += (c = 1 + draw(6));
    const int total = draw(sum + 3);
    EXPECT_EQ(fillings(caps, total), brute_fillings(caps, total));
    uint64_t hw = 0;
    const std::vector<int> later(caps.begin() + 1, caps.end());
    for (int d = 0; 2 * d <= caps[0]; ++d) hw += brute_fillings(later, caps[0] - 2 * d);
    EXPECT_EQ(hw_fillings(caps), caps.size() >= 3 ? hw : 0);
  }
  EXPECT_EQ(fillings({1, 1}, 3), 0u);
  // 10 types by 50 demes of 2000 copies: C(2009, 9) fillings of one deme's column.
  EXPECT_GT(fillings(std::vector<int>(10, 20000), 2000), static_cast<uint64_t>(kEnumNodes));
  EXPECT_EQ(fillings(std::vector<int>(10, 20000), 2000), kFloorCap);
  EXPECT_GT(hw_fillings(std::vector<int>(10, 400)), static_cast<uint64_t>(kEnumNodesHw));
}

}  // namespace
}  // namespace tolm
