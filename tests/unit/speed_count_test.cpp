// The fast paths of the counting: direct-index look-ups of small allele and type numbers beside
// the hashed ones, and the flat single-locus count blocks, checked against a brute force.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "input/count.h"
#include "core/runstate.h"
#include "countsetup.h"

namespace tolm {
namespace {

TEST(SpeedCount, DirectAndHashedLookUpsAgreeAroundTheSwitchOver) {
  TypeIndex ix;
  ix.reset(2, 1);
  const std::vector<int> alleles = {7, 0, 255, 256, 4095, 4096, 4097, 100000, 1, 3000};
  for (size_t i = 0; i < alleles.size(); ++i)
    ix.add_hap(1, &alleles[i], 1, static_cast<int>(i) + 1);
  for (size_t i = 0; i < alleles.size(); ++i)
    EXPECT_EQ(ix.find_hap(1, &alleles[i], 1), static_cast<int>(i) + 1) << alleles[i];
  for (int a : {2, 257, 4094, 4098, 99999}) EXPECT_EQ(ix.find_hap(1, &a, 1), 0) << a;
  const int a7 = 7;
  EXPECT_EQ(ix.find_hap(2, &a7, 1), 0);  // another combination knows nothing of it

  // genotypes of haplotype numbers up to 70, added in a scrambled order: the square grows
  // past its first sides and past the direct limit
  std::map<std::pair<int, int>, int> want;
  int g = 0;
  for (int k = 0; k < 71 * 71; ++k) {
    const int h1 = (k * 37) % 71, h2 = (k * 53 + 11) % 71;
    if (want.count({h1, h2}) || (k % 3) == 0) continue;
    want[{h1, h2}] = ++g;
    ix.add_gen(1, h1, h2, g);
  }
  for (int h1 = 0; h1 < 71; ++h1)
    for (int h2 = 0; h2 < 71; ++h2) {
      auto it = want.find({h1, h2});
      EXPECT_EQ(ix.find_gen(1, h1, h2), it == want.end() ? 0 : it->second) << h1 << "/" << h2;
    }
}

// One locus, three demes, 90 distinct alleles (some beyond the direct limit, some missing):
// the counts of channels 20 to 23 against counts made here by first appearance.
TEST(SpeedCount, SingleLocusCountsMatchABruteForce) {
  RunState rs;
  Work w;
  const int np = 3;
  single_loci_run(rs, w, np, 1);

  std::string text = "3 1\nL1\nD1\nD2\nD3\nUNFORMATTED\n1 0 1 0\n";
  std::map<int, int> hnum;                  // allele -> haplotype number
  std::map<std::pair<int, int>, int> gnum;  // (h1, h2) -> genotype number
  std::map<std::vector<int>, int> c20, c22;
  unsigned x = 12345;
  auto next = [&]() { return x = x * 1103515245u + 12345u, (x >> 8) % 90; };
  for (int i = 0; i < 3000; ++i) {
    const int kp = 1 + i % np;
    auto allele = [&](unsigned r) {
      return r == 0 ? -1 : r < 80 ? 100 + 3 * static_cast<int>(r) : 4000 + 50 * static_cast<int>(r);
    };
    int a1 = allele(next()), a2 = allele(next());
    text += std::to_string(kp) + " 1 " + std::to_string(a1) + " " + std::to_string(a2) + "\n";
    if (a2 < a1) std::swap(a1, a2);  // no gametic sex: smaller allele first
    int hs[2] = {0, 0};
    const int as[2] = {a1, a2};
    for (int s = 0; s < 2; ++s) {
      if (as[s] < 0) continue;
      auto it = hnum.find(as[s]);
      hs[s] = it != hnum.end() ? it->second : (hnum[as[s]] = static_cast<int>(hnum.size()) + 1);
    }
    for (int s = 0; s < 2; ++s) ++c20[{hs[s], kp, s + 1}];
    if (hs[0] == 0 || hs[1] == 0) {
      c20[{0, kp, 3}] += 2;
      ++c22[{0, kp}];
      continue;
    }
    ++c20[{hs[0], kp, 3}];
    ++c20[{hs[1], kp, 3}];
    auto it = gnum.find({hs[0], hs[1]});
    const int g =
        it != gnum.end() ? it->second : (gnum[{hs[0], hs[1]}] = static_cast<int>(gnum.size()) + 1);
    ++c22[{g, kp}];
  }
  rs.u(10).feed(text);
  int ierr = -1;
  xcount(rs, w, ierr, "*", 1);
  ASSERT_EQ(ierr, 0);
  ASSERT_EQ(w.nptr1(1), static_cast<int>(hnum.size()));
  ASSERT_EQ(w.nptr2(1), static_cast<int>(gnum.size()));
  ASSERT_GT(hnum.size(), 70u);  // beyond the direct limit of genotype look-ups
  for (const auto& [a, h] : hnum) EXPECT_EQ(sread(rs, 21, h + 1), a);
  for (const auto& [hh, g] : gnum) {
    int32_t f = 0, s = 0;
    rs.scratch.get2(g + 1, f, s);
    EXPECT_EQ(f, hh.first);
    EXPECT_EQ(s, hh.second);
  }
  for (int h = 0; h <= static_cast<int>(hnum.size()); ++h)
    for (int kp = 1; kp <= np; ++kp)
      for (int m = 1; m <= 3; ++m) {
        auto it = c20.find({h, kp, m});
        EXPECT_EQ(sread(rs, 20, 3L * (np * h + kp - 1) + m), it == c20.end() ? 0 : it->second)
            << "h " << h << " deme " << kp << " m " << m;
      }
  for (int g = 0; g <= static_cast<int>(gnum.size()); ++g)
    for (int kp = 1; kp <= np; ++kp) {
      auto it = c22.find({g, kp});
      EXPECT_EQ(sread(rs, 22, static_cast<long>(np) * g + kp), it == c22.end() ? 0 : it->second)
          << "g " << g << " deme " << kp;
    }
}

}  // namespace
}  // namespace tolm
