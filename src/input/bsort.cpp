// Output order of the counted types: haplotypes (channel 24) and genotypes (channel 25) of each
// combination, ascending by their allele numbers. Record nc*i + kc holds the type number at
// position i; records beyond the number of types keep the zeros written by the counting.
//
// Haplotype key: the alleles at loci 1..r of the combination. Genotype key: for each locus the
// allele of the first, then of the second haplotype. Distinct types have distinct keys, so the
// order is total and a plain sort gives the one order there is.
#include "input/bsort.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "core/records.h"

namespace tolm {

namespace {

// Sorts the n types of combination kc by keys of `len` integers each (key(t) at (t-1)*len) and
// writes the order to channel `chan`.
void write_order(RunState& rs, int chan, int kc, int n, int len, const std::vector<int>& keys) {
  std::vector<int> lex(static_cast<size_t>(n));
  std::iota(lex.begin(), lex.end(), 1);
  auto at = [&](int t) { return keys.begin() + static_cast<long>(t - 1) * len; };
  std::sort(lex.begin(), lex.end(), [&](int a, int b) {
    return std::lexicographical_compare(at(a), at(a) + len, at(b), at(b) + len);
  });
  for (int i = 1; i <= n; ++i)
    swrite(rs, chan, rec24(rs.param, i, kc), lex[static_cast<size_t>(i - 1)]);
}

}  // namespace

void bsort1(RunState& rs, Work& w, int) {
  const Param& p = rs.param;
  std::vector<int> keys;
  for (int kc = 1; kc <= p.nc; ++kc) {
    const int n = w.nptr1(kc), r = w.nrloc(kc);
    if (n <= 0) continue;
    keys.assign(static_cast<size_t>(n) * r, 0);
    for (int h = 1; h <= n; ++h)
      for (int j = 1; j <= r; ++j)
        keys[static_cast<size_t>(h - 1) * r + j - 1] = sread(rs, ch::hapall, rec21(p, h, kc, j));
    write_order(rs, ch::hapord, kc, n, r, keys);
  }
}

void bsort2(RunState& rs, Work& w, int) {
  const Param& p = rs.param;
  std::vector<int> keys;
  for (int kc = 1; kc <= p.nc; ++kc) {
    const int n = w.nptr2(kc), r = w.nrloc(kc);
    if (n <= 0) continue;
    keys.assign(static_cast<size_t>(n) * 2 * r, 0);
    for (int g = 1; g <= n; ++g) {
      int32_t h1 = 0, h2 = 0;
      sread23(rs, rec23(p, g, kc), h1, h2);
      for (int j = 1; j <= r; ++j) {
        const size_t k = static_cast<size_t>(g - 1) * 2 * r + 2 * (j - 1);
        keys[k] = sread(rs, ch::hapall, rec21(p, h1, kc, j));
        keys[k + 1] = sread(rs, ch::hapall, rec21(p, h2, kc, j));
      }
    }
    write_order(rs, ch::genord, kc, n, 2 * r, keys);
  }
}

}  // namespace tolm
