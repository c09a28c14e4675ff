// The loci of the locus combinations, stored as far as written: every cell against a dense
// table, the bounds, and the count tables of a run of several combinations against a brute
// force counting written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "counts/countrun.h"
#include "input/count.h"
#include "core/runstate.h"

namespace tolm {
namespace {

struct Put {
  long k, i;
  int v;
};

TEST(LociSet, ReadsAsADenseTableAndHoldsOnlyWhatWasWritten) {
  struct Case {
    const char* what;
    long rows, cols;
    std::vector<Put> puts;
    size_t beyond_first;  // cells held past position 1: by hand, the longest write of each row
  };
  const std::vector<Case> cases = {
      {"nothing written", 4, 3, {}, 0},
      {"single loci", 5, 4, {{1, 1, 3}, {2, 1, 1}, {3, 1, 4}, {4, 1, 2}}, 0},
      {"one combination of all loci", 3, 4, {{1, 1, 1}, {1, 2, 2}, {1, 3, 3}, {1, 4, 4}}, 3},
      {"position 3 alone: 2 is held as 0", 3, 5, {{2, 3, 7}}, 2},
      {"overwritten, rows out of order", 4, 3, {{3, 2, 1}, {1, 1, 2}, {3, 2, 5}, {3, 1, 9}}, 1},
      {"last row and column", 6, 6, {{6, 6, 11}, {6, 1, 12}}, 5},
      {"many single loci", 200001, 200000, {{1, 1, 1}, {100000, 1, 100000}, {200000, 1, 5}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LociSet s;
    s.resize(1, c.rows, 1, c.cols, 0);
    std::map<std::pair<long, long>, int> dense;  // the cells written; all others 0
    for (const Put& p : c.puts) {
      s(p.k, p.i) = p.v;
      dense[{p.k, p.i}] = p.v;
    }
    const LociSet& r = s;
    const bool small = c.rows * c.cols <= 100;
    for (const auto& [at, v] : dense) EXPECT_EQ(r(at.first, at.second), v);
    if (small)
      for (long k = 1; k <= c.rows; ++k)
        for (long i = 1; i <= c.cols; ++i) {
          const auto it = dense.find({k, i});
          EXPECT_EQ(r(k, i), it == dense.end() ? 0 : it->second) << k << "," << i;
        }
    EXPECT_EQ(r.stored_beyond_first(), c.beyond_first);
    // reading a table that cannot change stores nothing
    const auto last = dense.find({c.rows, c.cols});
    EXPECT_EQ(r(c.rows, c.cols), last == dense.end() ? 0 : last->second);
    EXPECT_EQ(r.stored_beyond_first(), c.beyond_first);
  }
  // a fresh size forgets every cell
  LociSet s;
  s.resize(1, 3, 1, 3);
  s(2, 3) = 4;
  s.resize(1, 3, 1, 3);
  EXPECT_EQ(static_cast<const LociSet&>(s)(2, 3), 0);
  EXPECT_EQ(s.stored_beyond_first(), 0u);
}

TEST(LociSet, IndexOutsideTheBoundsStopsInCheckedBuilds) {
#ifndef TOLM_BOUNDS_CHECK
  GTEST_SKIP() << "indexes are checked in debug and sanitizer builds only";
#else
  LociSet s;
  s.resize(1, 4, 1, 3);
  const struct {
    long k, i;
    const char* msg;
  } bad[] = {{0, 1, "first\\) index 0 outside 1..4"},
             {5, 1, "first\\) index 5 outside 1..4"},
             {1, 0, "second\\) index 0 outside 1..3"},
             {4, 4, "second\\) index 4 outside 1..3"}};
  for (const auto& b : bad) {
    EXPECT_DEATH(s(b.k, b.i) = 1, b.msg);
    EXPECT_DEATH((void)static_cast<const LociSet&>(s)(b.k, b.i), b.msg);
  }
#endif
}

// Three demes, four loci, no gametic sex; genotypes a/b per locus, -1 missing.
struct Rec {
  int deme;
  std::vector<std::pair<int, int>> g;
};
const std::vector<Rec> kRecs = {
    {1, {{1, 2}, {3, 3}, {2, 1}, {5, 6}}},  {2, {{2, 1}, {3, 4}, {1, 1}, {6, 6}}},
    {1, {{1, 1}, {4, 3}, {2, 2}, {-1, 5}}}, {3, {{2, 2}, {3, 3}, {1, 2}, {5, 5}}},
    {2, {{1, 2}, {3, 4}, {2, 1}, {5, 6}}},  {3, {{1, -1}, {4, 4}, {2, 2}, {6, 5}}},
    {1, {{2, 1}, {4, 3}, {1, 2}, {6, 6}}},  {2, {{1, 1}, {3, 3}, {1, 1}, {5, 5}}},
};

// The haplotypes of one combination the plain way: alleles of each locus in ascending order
// (a missing allele first), haplotypes numbered by first appearance, first contribution first;
// counts (h, deme, m) as in the count file, h = 0 unknown.
counts::Combination brute(const std::vector<int>& loci, int np) {
  counts::Combination c;
  c.loci = loci;
  std::map<std::vector<int>, int> num;
  std::map<std::vector<int>, int64_t> cnt;  // {h, deme, m}
  for (const Rec& r : kRecs) {
    int h[2] = {0, 0};
    for (int s = 0; s < 2; ++s) {
      std::vector<int> a;
      bool known = true;
      for (int l : loci) {
        const auto& g = r.g[static_cast<size_t>(l - 1)];
        const int v = s == 0 ? std::min(g.first, g.second) : std::max(g.first, g.second);
        known = known && v >= 0;
        a.push_back(v);
      }
      if (known) {
        auto it = num.emplace(a, static_cast<int>(num.size()) + 1).first;
        if (it->second > c.nptr1) c.haps.insert(c.haps.end(), a.begin(), a.end());
        c.nptr1 = std::max(c.nptr1, it->second);
        h[s] = it->second;
      }
      ++cnt[{h[s], r.deme, s + 1}];
    }
    if (h[0] == 0 || h[1] == 0) {
      cnt[{0, r.deme, 3}] += 2;
    } else {
      ++cnt[{h[0], r.deme, 3}];
      ++cnt[{h[1], r.deme, 3}];
    }
  }
  for (int h = 0; h <= c.nptr1; ++h)
    for (int d = 1; d <= np; ++d)
      for (int m = 1; m <= 3; ++m) c.c20.push_back(cnt[{h, d, m}]);
  return c;
}

TEST(LociSet, CountTablesOfSeveralCombinationsAsAPlainCounting) {
  const int np = 3, nl = 4;
  const std::vector<std::vector<int>> combos = {{4}, {2, 3}, {3, 1, 4}, {1}, {1, 2, 3, 4}};
  RunState rs;
  Work w;
  w.create(np, nl, nl + 1, 250);
  Param& p = rs.param;
  p.np = np;
  p.nl = nl;
  p.nc = static_cast<int>(combos.size());
  for (int kc = 1; kc <= p.nc; ++kc) {
    const auto& c = combos[static_cast<size_t>(kc - 1)];
    w.nrloc(kc) = static_cast<int>(c.size());
    for (size_t i = 0; i < c.size(); ++i) w.loccmb(kc, static_cast<long>(i) + 1) = c[i];
    p.mxnrlc = std::max(p.mxnrlc, w.nrloc(kc));
  }
  p.idurch = p.icount = 1;
  p.iunit = 8;
  rs.names.aprog(8) = 'n';
  for (int ch = 20; ch <= 27; ++ch) rs.scratch.open(ch);
  rs.con().capture();
  rs.u(8).capture();
  std::string text = "3 4\nL1\nL2\nL3\nL4\nD1\nD2\nD3\nUNFORMATTED\n";
  for (int d = 1; d <= np; ++d) text += std::to_string(d) + " 0 1 0 2 0 3 0 4 0\n";
  int label = 0;
  for (const Rec& r : kRecs) {
    text += std::to_string(r.deme) + " " + std::to_string(++label);
    for (const auto& g : r.g)
      text += " " + std::to_string(g.first) + " " + std::to_string(g.second);
    text += "\n";
  }
  rs.u(10).feed(text);
  int ierr = -1;
  xcount(rs, w, ierr, "*", nl);
  ASSERT_EQ(ierr, 0);
  const counts::CountTables t = counts::tables_of_run(rs, w, "", 0);
  ASSERT_EQ(t.combs.size(), combos.size());
  for (size_t k = 0; k < combos.size(); ++k) {
    SCOPED_TRACE("combination " + std::to_string(k + 1));
    const counts::Combination want = brute(combos[k], np);
    const counts::Combination& got = t.combs[k];
    EXPECT_EQ(got.loci, want.loci);
    EXPECT_EQ(got.nptr1, want.nptr1);
    EXPECT_EQ(got.haps, want.haps);
    EXPECT_EQ(got.c20, want.c20);
  }
}

}  // namespace
}  // namespace tolm
