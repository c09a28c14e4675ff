// Test helper: the counts of one single locus written by hand into the scratch channels with the
// record formulas of the counting step (20 to 25), and a run state and work arrays to match.
#pragma once

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "builder.h"
#include "core/runstate.h"

namespace tolm::testing_stat {

struct Geno {
  int h1, h2;          // haplotype (allele) indexes, first (maternal) and second contribution
  std::vector<int> n;  // individuals per deme
};

struct LocusData {
  int np = 1;
  std::vector<int> alleles;  // allele number of haplotype index 1, 2, ... (first appearance)
  std::vector<Geno> genos;   // genotype index 1, 2, ...
  std::vector<int> unknown;  // individuals of unknown genotype per deme (empty: none)
  // Contributions seen only in individuals of unknown genotype: (deme, haplotype index) pairs
  // adding one known second contribution each (the first one missing).
  std::vector<std::pair<int, int>> half;
};

// Fills rs and w for combination 1 of 1 (locus 1), all demes chosen for output in data order.
inline void load(RunState& rs, Work& w, const LocusData& d, int mxall = 250) {
  const int np = d.np, nc = 1, kc = 1;
  std::string names = "names";
  for (int kp = 1; kp <= np; ++kp) names += " Deme" + std::to_string(kp);
  testing_build::build(rs, w,
                       "demes " + std::to_string(np) + "\n" + names + "\nloci 1 LocA\nmxall " +
                           std::to_string(mxall) + "\n");
  const int T = static_cast<int>(d.alleles.size());
  const int G = static_cast<int>(d.genos.size());
  w.nptr1(1) = T;
  w.nptr2(1) = G;
  auto r20 = [&](int h, int kp, int m) { return 3L * (np * (nc * h + kc - 1) + kp - 1) + m; };
  auto add20 = [&](int h, int kp, int m, int v) {
    swrite(rs, 20, r20(h, kp, m), sread(rs, 20, r20(h, kp, m)) + v);
  };
  for (int h = 1; h <= T; ++h) swrite(rs, 21, 1L * (nc * h + kc - 1) + 1, d.alleles[h - 1]);
  std::vector<int> hord(static_cast<size_t>(T));
  std::iota(hord.begin(), hord.end(), 1);
  std::sort(hord.begin(), hord.end(),
            [&](int a, int b) { return d.alleles[a - 1] < d.alleles[b - 1]; });
  for (int i = 1; i <= T; ++i) swrite(rs, 24, nc * i + kc, hord[i - 1]);
  std::vector<int> gord(static_cast<size_t>(G));
  std::iota(gord.begin(), gord.end(), 1);
  auto key = [&](int g) {
    const Geno& x = d.genos[g - 1];
    return std::make_pair(d.alleles[x.h1 - 1], d.alleles[x.h2 - 1]);
  };
  std::sort(gord.begin(), gord.end(), [&](int a, int b) { return key(a) < key(b); });
  for (int i = 1; i <= G; ++i) swrite(rs, 25, nc * i + kc, gord[i - 1]);
  for (int kp = 1; kp <= np; ++kp) swrite(rs, 22, np * (kc - 1) + kp, 0);
  for (int g = 1; g <= G; ++g) {
    const Geno& x = d.genos[g - 1];
    swrite23(rs, nc * g + kc, x.h1, x.h2);
    for (int kp = 1; kp <= np; ++kp) {
      const int n = x.n[kp - 1];
      swrite(rs, 22, 1L * np * (nc * g + kc - 1) + kp, n);
      add20(x.h1, kp, 1, n);
      add20(x.h2, kp, 2, n);
      add20(x.h1, kp, 3, n);
      add20(x.h2, kp, 3, n);
      w.nsam(kp) += n;
    }
  }
  for (int kp = 1; kp <= np && kp <= static_cast<int>(d.unknown.size()); ++kp) {
    const int u = d.unknown[kp - 1];
    swrite(rs, 22, np * (kc - 1) + kp, u);
    add20(0, kp, 1, u);
    add20(0, kp, 2, u);
    add20(0, kp, 3, 2 * u);
    w.nsam(kp) += u;
  }
  for (auto [kp, h] : d.half) {
    swrite(rs, 22, np * (kc - 1) + kp, sread(rs, 22, np * (kc - 1) + kp) + 1);
    add20(0, kp, 1, 1);
    add20(h, kp, 2, 1);
    add20(0, kp, 3, 2);
    w.nsam(kp) += 1;
  }
}

using testing_build::lines_of;

}  // namespace tolm::testing_stat
