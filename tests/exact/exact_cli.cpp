// Reads tables from standard input and writes the p-values of TOLM's exact tests, one line per
// table, for comparison with independent programs.
//
//   hw K  c_00 c_01 .. c_0K-1  c_11 ..  (upper triangle, row by row)  -> p p_deficit p_excess se
//   rc R C  n_00 .. n_R-1C-1             (row-major)                    -> p se method
// The chain's settings come from the arguments: D B I SEED (defaults 10000 100 5000 1).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "stattest/exact.h"

int main(int argc, char** argv) {
  tolm::ChainSettings cs;
  uint64_t seed = 1;
  if (argc > 4) {
    cs.dememorisation = std::atol(argv[1]);
    cs.batches = std::atol(argv[2]);
    cs.iterations = std::atol(argv[3]);
    seed = std::strtoull(argv[4], nullptr, 10);
  }
  std::string kind;
  long line = 0;
  while (std::cin >> kind) {
    ++line;
    const uint64_t key = tolm::test_key(seed, {line});
    if (kind == "hw") {
      int k = 0;
      std::cin >> k;
      std::vector<int> g(static_cast<size_t>(k) * static_cast<size_t>(k), 0);
      for (int i = 0; i < k; ++i)
        for (int j = i; j < k; ++j) std::cin >> g[static_cast<size_t>(i * k + j)];
      const tolm::ExactResult r = tolm::hw_exact(g, k, cs, key);
      std::printf("%.12g %.12g %.12g %.12g %s\n", r.p, r.p_deficit, r.p_excess, r.se,
                  tolm::method_long_name(r.method));
    } else if (kind == "rc") {
      int r = 0, c = 0;
      std::cin >> r >> c;
      std::vector<int> t(static_cast<size_t>(r) * static_cast<size_t>(c), 0);
      for (int& x : t) std::cin >> x;
      const tolm::ExactResult e = tolm::table_exact(t, r, c, cs, key);
      std::printf("%.12g %.12g %s\n", e.p, e.se, tolm::method_long_name(e.method));
    } else {
      std::fprintf(stderr, "line %ld: unknown table kind \"%s\"\n", line, kind.c_str());
      return 2;
    }
  }
  return 0;
}
