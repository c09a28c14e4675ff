// Count files: the merge of shards of individuals against the tables of the records counted in
// one go (a brute force counting written here), round trip through a file, damage and mismatch.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "counts/countfile.h"

namespace tolm::counts {
namespace {

struct Ind {
  int deme;
  int a1, a2;  // alleles of one locus, -1 missing
};

// Counts individuals of one locus without gametic sex the plain way: alleles in canonical
// order, types numbered by first appearance (first contribution before second).
CountTables brute(const std::vector<Ind>& inds, int np) {
  CountTables t;
  for (int k = 1; k <= np; ++k) t.demes.push_back("D" + std::to_string(k));
  t.loci = {"L1"};
  Combination c;
  c.loci = {1};
  c.sex.assign(static_cast<size_t>(np), 0);
  std::map<int, int> hn;
  std::map<std::pair<int, int>, int> gn;
  struct Cell {
    std::map<int, std::array<int64_t, 3>> h;
    std::map<int, int64_t> g;
    std::array<int64_t, 4> het{};
  };
  std::vector<Cell> cell(static_cast<size_t>(np));
  for (const Ind& i : inds) {
    int a = std::min(i.a1, i.a2), b = std::max(i.a1, i.a2);
    Cell& x = cell[static_cast<size_t>(i.deme - 1)];
    int h[2] = {0, 0};
    for (int s = 0; s < 2; ++s) {
      int al = s == 0 ? a : b;
      if (al < 0) continue;
      if (!hn.count(al)) hn[al] = static_cast<int>(hn.size()) + 1, c.haps.push_back(al);
      h[s] = hn[al];
    }
    x.h[h[0]][0]++;
    x.h[h[1]][1]++;
    if (h[0] == 0 || h[1] == 0) {
      x.h[0][2] += 2;
      x.g[0]++;
      x.het[3]++;
      continue;
    }
    x.h[h[0]][2]++;
    x.h[h[1]][2]++;
    auto key = std::make_pair(h[0], h[1]);
    if (!gn.count(key)) {
      gn[key] = static_cast<int>(gn.size()) + 1;
      c.gens.push_back(h[0]);
      c.gens.push_back(h[1]);
    }
    x.g[gn[key]]++;
    x.het[a != b ? 1 : 0]++;
    x.het[2]++;
  }
  c.nptr1 = static_cast<int>(hn.size());
  c.nptr2 = static_cast<int>(gn.size());
  for (int h = 0; h <= c.nptr1; ++h)
    for (int k = 0; k < np; ++k)
      for (int m = 0; m < 3; ++m) c.c20.push_back(cell[static_cast<size_t>(k)].h[h][m]);
  for (int g = 0; g <= c.nptr2; ++g)
    for (int k = 0; k < np; ++k) c.c22.push_back(cell[static_cast<size_t>(k)].g[g]);
  for (int k = 0; k < np; ++k)
    for (int r = 0; r < 4; ++r) c.c26.push_back(cell[static_cast<size_t>(k)].het[r]);
  t.combs.push_back(c);
  return t;
}

void expect_same(const CountTables& a, const CountTables& b) {
  ASSERT_EQ(a.combs.size(), b.combs.size());
  for (size_t k = 0; k < a.combs.size(); ++k) {
    const Combination &x = a.combs[k], &y = b.combs[k];
    EXPECT_EQ(x.loci, y.loci);
    EXPECT_EQ(x.nptr1, y.nptr1);
    EXPECT_EQ(x.nptr2, y.nptr2);
    EXPECT_EQ(x.haps, y.haps);
    EXPECT_EQ(x.gens, y.gens);
    EXPECT_EQ(x.c20, y.c20);
    EXPECT_EQ(x.c22, y.c22);
    EXPECT_EQ(x.c26, y.c26);
  }
  EXPECT_EQ(a.loci, b.loci);
  EXPECT_EQ(a.demes, b.demes);
}

TEST(CountsMerge, ShardsOfIndividualsNumberTypesAsOneRun) {
  // types 98, 102 new in the later shards, 100 shared; unknown alleles in between
  const std::vector<Ind> all = {{1, 100, 104}, {2, 104, 104}, {1, -1, 100}, {2, 102, 98},
                                {1, 98, 100},  {2, 100, 104}, {1, 106, -1}, {2, 106, 102}};
  for (size_t cut1 = 1; cut1 < all.size(); ++cut1)
    for (size_t cut2 = cut1; cut2 < all.size(); ++cut2) {
      CountTables m = brute({all.begin(), all.begin() + static_cast<long>(cut1)}, 2);
      std::string err;
      ASSERT_TRUE(merge_tables(
          m, "a",
          brute({all.begin() + static_cast<long>(cut1), all.begin() + static_cast<long>(cut2)}, 2),
          "b", err))
          << err;
      ASSERT_TRUE(merge_tables(m, "b", brute({all.begin() + static_cast<long>(cut2), all.end()}, 2),
                               "c", err))
          << err;
      SCOPED_TRACE("cuts " + std::to_string(cut1) + " " + std::to_string(cut2));
      expect_same(m, brute(all, 2));
    }
}

TEST(CountsMerge, ShardsOfLociStandSideBySide) {
  CountTables a = brute({{1, 1, 2}, {2, 2, 2}}, 2), b = brute({{1, 5, 5}, {2, 5, 6}}, 2);
  b.loci = {"L2"};
  std::string err;
  ASSERT_TRUE(merge_tables(a, "a", b, "b", err)) << err;
  ASSERT_EQ(a.loci, (std::vector<std::string>{"L1", "L2"}));
  ASSERT_EQ(a.combs.size(), 2u);
  EXPECT_EQ(a.combs[1].loci, std::vector<int>{2});
  EXPECT_EQ(a.combs[1].haps, (std::vector<int32_t>{5, 6}));
}

TEST(CountsMerge, MismatchesNameBothFilesAndWhatDiffers) {
  const CountTables base = brute({{1, 1, 2}, {2, 2, 2}}, 2);
  struct Case {
    const char* what;
    void (*change)(CountTables&);
    const char* text;
  } cases[] = {
      {"deme name", [](CountTables& t) { t.demes[1] = "X"; },
       "\"a.counts\" and \"b.counts\" have different demes: deme 2 is \"D2\" in the one, \"X\""},
      {"deme count", [](CountTables& t) { t.demes.push_back("D3"); }, "2 demes against 3"},
      {"gametic sex", [](CountTables& t) { t.notord = 1; }, "differ in the gametic sex"},
      {"multilocus beside",
       [](CountTables& t) {
         t.loci = {"L7", "L8"}, t.combs[0].loci = {1, 2};
       },
       "hold different loci and multilocus combinations: multilocus combinations shard by "
       "individuals only"},
      {"unreadable", [](CountTables& t) { t.unreadable = 3; },
       "\"b.counts\": 3 records of its input file were unreadable"},
      {"combinations", [](CountTables& t) { t.combs.push_back(t.combs[0]); },
       "have different locus combinations (1 against 2)"},
  };
  for (const Case& c : cases) {
    CountTables a = base, b = base;
    c.change(b);
    std::string err;
    EXPECT_FALSE(merge_tables(a, "a.counts", b, "b.counts", err)) << c.what;
    EXPECT_NE(err.find(c.text), std::string::npos) << c.what << ": " << err;
  }
}

TEST(CountsFile, RoundTripAndDamage) {
  CountTables t = brute({{1, 1, 2}, {2, 2, 2}, {1, -1, 3}}, 2);
  t.input = "x.vcf.gz";
  const std::string path = testing::TempDir() + "counts_merge_test.counts";
  std::string err;
  ASSERT_TRUE(write_counts(t, path, err)) << err;
  CountTables r;
  ASSERT_TRUE(read_counts(path, r, err)) << err;
  expect_same(t, r);
  EXPECT_EQ(r.input, "x.vcf.gz");
  // a file cut short cannot be read, whatever its length
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::string bytes;
  for (int ch; (ch = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<char>(ch));
  std::fclose(f);
  for (size_t n : {size_t{0}, size_t{10}, bytes.size() / 2, bytes.size() - 1}) {
    f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, n, f);
    std::fclose(f);
    CountTables x;
    EXPECT_FALSE(read_counts(path, x, err)) << n;
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tolm::counts
