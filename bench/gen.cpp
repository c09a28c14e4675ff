// Generator of synthetic TOLM input files for the benchmark and the robustness tests.
//
//   tolm_gen [options] > file
//     --demes N        demes (default 50)
//     --loci N         loci (default 20)
//     --individuals N  individuals in all, spread evenly over the demes (default 10000)
//     --alleles N      alleles per locus (default 10)
//     --missing F      share of missing alleles, 0..1 (default 0.01)
//     --sex MODE       gametic sex: none, all, some (every second deme) (default none)
//     --format MODE    free or fixed (a format specification) (default free)
//     --seed N         random seed (default 1)
//
// Allele frequencies differ between demes (a deme-specific skew), so that the measures of
// differentiation have something to measure.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  long demes = 50, loci = 20, inds = 10000, alleles = 10, seed = 1;
  double missing = 0.01;
  std::string sex = "none", format = "free";
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string k = argv[i];
    const char* v = argv[i + 1];
    if (k == "--demes") demes = std::atol(v);
    else if (k == "--loci") loci = std::atol(v);
    else if (k == "--individuals") inds = std::atol(v);
    else if (k == "--alleles") alleles = std::atol(v);
    else if (k == "--missing") missing = std::atof(v);
    else if (k == "--sex") sex = v;
    else if (k == "--format") format = v;
    else if (k == "--seed") seed = std::atol(v);
    else {
      std::fprintf(stderr, "tolm_gen: unknown option %s\n", k.c_str());
      return 2;
    }
  }
  if (demes < 1 || loci < 1 || inds < 0 || alleles < 1 || missing < 0 || missing > 1) {
    std::fprintf(stderr, "tolm_gen: bad sizes\n");
    return 2;
  }
  std::mt19937_64 rng(static_cast<unsigned long long>(seed));
  std::uniform_real_distribution<double> u01(0.0, 1.0);
  static char buf[1 << 20];
  std::setvbuf(stdout, buf, _IOFBF, sizeof buf);
  std::printf("%ld %ld\n", demes, loci);
  for (long l = 1; l <= loci; ++l) std::printf("L%ld\n", l);
  for (long d = 1; d <= demes; ++d) std::printf("Deme%ld\n", d);
  const bool fixed = format == "fixed";
  if (fixed)
    std::printf("%ld (I4,I8,%ld(I5,I5))\n", loci, loci);
  else
    std::printf("UNFORMATTED\n");
  // per deme and locus: a cumulative distribution skewed towards one allele
  std::vector<double> cdf(static_cast<size_t>(alleles));
  long ind = 0;
  for (long d = 1; d <= demes; ++d) {
    bool gs = sex == "all" || (sex == "some" && d % 2 == 0);
    long n = inds / demes + (d <= inds % demes ? 1 : 0);
    // locus list
    if (fixed) {
      std::printf("%4ld%8d", d, 0);
      for (long l = 1; l <= loci; ++l) std::printf("%5ld%5d", l, gs ? 1 : 0);
    } else {
      std::printf("%ld 0", d);
      for (long l = 1; l <= loci; ++l) std::printf(" %ld %d", l, gs ? 1 : 0);
    }
    std::printf("\n");
    std::vector<std::vector<double>> cdfs(static_cast<size_t>(loci));
    for (long l = 0; l < loci; ++l) {
      long peak = (d * 7 + l * 3) % alleles;
      double s = 0;
      std::vector<double> c(static_cast<size_t>(alleles));
      for (long a = 0; a < alleles; ++a) {
        s += 1.0 / (1.0 + std::labs(a - peak));
        c[static_cast<size_t>(a)] = s;
      }
      for (auto& x : c) x /= s;
      cdfs[static_cast<size_t>(l)] = c;
    }
    for (long i = 0; i < n; ++i) {
      ++ind;
      if (fixed)
        std::printf("%4ld%8ld", d, ind % 10000000);
      else
        std::printf("%ld %ld", d, ind);
      for (long l = 0; l < loci; ++l) {
        const auto& c = cdfs[static_cast<size_t>(l)];
        int al[2];
        for (int k = 0; k < 2; ++k) {
          if (u01(rng) < missing) {
            al[k] = -1;
            continue;
          }
          double r = u01(rng);
          long a = 0;
          while (a + 1 < alleles && c[static_cast<size_t>(a)] < r) ++a;
          al[k] = static_cast<int>(100 + 2 * a);
        }
        if (fixed)
          std::printf("%5d%5d", al[0], al[1]);
        else
          std::printf(" %d %d", al[0], al[1]);
      }
      std::printf("\n");
    }
  }
  return 0;
}
