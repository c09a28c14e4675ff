// The heterozygosity report on count files filled by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/hetgrd.h"
#include "builder.h"
#include "core/runstate.h"

namespace tolm {
namespace {

struct HetRun {
  RunState rs;
  Work w;
  HetRun(int np, int nrloc, int mxall = 250) {
    testing_build::build(rs, w,
                         "demes " + std::to_string(np) + "\nloci " + std::to_string(nrloc) +
                             "\ncombinations 1\nmxnrlc " + std::to_string(nrloc) + "\nmxall " +
                             std::to_string(mxall) + "\niwidth 6\n");
    w.nrloc(1) = nrloc;
  }
  // channel 26 for deme kp: counts by degree k = 0..nr, then identified and unknown
  void counts(int kp, const std::vector<int>& by_degree, int unknown) {
    const Param& p = rs.param;
    const long base = (p.mxnrlc + 3L) * (kp - 1);
    int known = 0;
    for (size_t k = 0; k < by_degree.size(); ++k) {
      swrite(rs, 26, base + static_cast<long>(k) + 1, by_degree[k]);
      known += by_degree[k];
    }
    swrite(rs, 26, base + p.mxnrlc + 2, known);
    swrite(rs, 26, base + p.mxnrlc + 3, unknown);
  }
  // a single-locus genotype (alleles a1, a2 by number) and its count in deme kp
  void genotype(int g, int a1, int a2, int kp, int n) {
    swrite23(rs, g + 1, a1, a2);
    swrite(rs, 22, rs.param.np * static_cast<long>(g) + kp, n);
    if (g > w.nptr2(1)) w.nptr2(1) = g;
    w.nptr1(1) = std::max({w.nptr1(1), a1, a2});
  }
  std::string out() { return rs.u(8).take_captured(); }
};

const std::string equal72(72, '=');

// Four demes of one locus with alleles 1, 2, 3 (2 is the common one):
//   deme 1: 2/2 x7, 1/2 x2, 1/3 x1   -> 3 of 10 heterozygous, allele 2 at 16/20 = 0.8,
//           conditional heterozygosity 0.3 / (2 (1 - 0.8)) = 0.750
//   deme 2: 1/2 x2, 3/3 x2           -> 0.5, no allele above one half: 0.500 again
//   deme 3: 2/2 x5                   -> monomorphic: 0.000 and the marker
//   deme 4: two individuals of unknown genotype only -> the marker twice
void four_demes(HetRun& r) {
  r.genotype(1, 2, 2, 1, 7), r.genotype(1, 2, 2, 3, 5);
  r.genotype(2, 1, 2, 1, 2), r.genotype(2, 1, 2, 2, 2);
  r.genotype(3, 1, 3, 1, 1);
  r.genotype(4, 3, 3, 2, 2);
  r.counts(1, {7, 3}, 1);
  r.counts(2, {2, 2}, 0);
  r.counts(3, {5, 0}, 0);
  r.counts(4, {0, 0}, 2);
}

TEST(Hetout, SingleLocus) {
  HetRun r(4, 1);
  four_demes(r);
  hetout(r.rs, r.w);
  const std::string want =
      "\n" + equal72 + "\nHeterozygosity\n" + equal72 + "\n" +
      "Deme               1         2         3         4\n" +
      "Deme size         11         4         5         2\n" +
      "No. identified    10         4         5         0\n" +
      "No. unknown        1         0         0         2\n" + "\nPROPORTION OF HETEROZYGOSITY\n" +
      "Deme               1         2         3         4\n" +
      "               0.300     0.500     0.000    -9.999\n" + "\nCONDITIONAL HETEROZYGOSITY\n" +
      "Deme               1         2         3         4\n" +
      "               0.750     0.500    -9.999    -9.999\n";
  EXPECT_EQ(r.out(), want);
  EXPECT_FLOAT_EQ(r.w.het(1), 0.3f);
  EXPECT_FLOAT_EQ(r.w.chet(1), 0.75f);
  EXPECT_FLOAT_EQ(r.w.chet(4), r.rs.param.astrix);
}

// Display order follows `nprb`, and blocks of `iwidth` demes are separated by blank lines.
TEST(Hetout, BlocksInDisplayOrder) {
  HetRun r(4, 1);
  four_demes(r);
  r.rs.param.maxp = 3;
  r.w.nprb(1) = 4, r.w.nprb(2) = 1, r.w.nprb(3) = 2;
  r.rs.param.iwidth = 2;
  hetout(r.rs, r.w);
  const std::string s = r.out();
  EXPECT_NE(s.find("Deme               4         1\n"
                   "Deme size          2        11\n"
                   "No. identified     0        10\n"
                   "No. unknown        2         1\n"
                   "\n"
                   "Deme               2\n"
                   "Deme size          4\n"),
            std::string::npos)
      << s;
  EXPECT_NE(s.find("CONDITIONAL HETEROZYGOSITY\n"
                   "Deme               4         1\n"
                   "              -9.999     0.750\n"
                   "\n"
                   "Deme               2\n"
                   "               0.500\n"),
            std::string::npos)
      << s;
  EXPECT_FLOAT_EQ(r.w.chet(2), 0.75f);  // by display position
}

// A locus with more alleles than the tables hold: the conditional heterozygosity says so and
// is skipped; the proportion of heterozygotes still stands.
TEST(Hetout, MoreAllelesThanTheLimit) {
  HetRun r(1, 1, 2);
  r.genotype(1, 1, 3, 1, 4);
  r.counts(1, {0, 4}, 0);
  hetout(r.rs, r.w);
  const std::string s = r.out();
  EXPECT_NE(s.find("               1.000\n\nCONDITIONAL HETEROZYGOSITY\n"
                   "** Locus_has_more_than 2 alleles_-_not_calculable_(raise_the_limit_with_-"
                   "maxall=)\n"),
            std::string::npos)
      << s;
  EXPECT_FLOAT_EQ(r.w.chet(1), r.rs.param.astrix);
  EXPECT_FLOAT_EQ(r.w.het(1), 1.0f);
}

// Two loci: deme 1 has 2 individuals homozygous at both loci, 1 heterozygous at one and 1 at
// both: average (0 * 2 + 0.5 * 1 + 1 * 1) / 4 = 0.375. Deme 2 has no completely identified
// individual. Deme 3 has three identified, none heterozygous at exactly one locus.
TEST(Hetout, TwoLociDistributionAndAverage) {
  HetRun r(3, 2);
  r.counts(1, {2, 1, 1}, 1);
  r.counts(2, {0, 0, 0}, 3);
  r.counts(3, {1, 0, 2}, 0);
  hetout(r.rs, r.w);
  const std::string want =
      "\n" + equal72 + "\nHeterozygosity\n" + equal72 + "\n" +
      "Deme               1         2         3\n" + "Deme size          5         3         3\n" +
      "No. identified     4         0         3\n" + "No. unknown        1         3         0\n" +
      "\nDISTRIBUTION OF DEGREE OF HETEROZYGOSITY\n" +
      "OF PROBES WITH COMPLETELY IDENTIFIED  2-LOCUS GENOTYPES\n" +
      "Deme               1         2         3\n" + "hloc=   0          2         0         1\n" +
      "           (   0.500)(  -9.999)(   0.333)\n" + "hloc=   1          1         0         0\n" +
      "           (   0.250)(  -9.999)(   0.000)\n" + "hloc=   2          1         0         2\n" +
      "           (   0.250)(  -9.999)(   0.667)\n" +
      "             --------  --------  --------  \n" +
      "                   4         0         3\n" + "\nAVERAGE DEGREE OF HETEROZYGOSITY\n" +
      "OF PROBES WITH COMPLETELY IDENTIFIED  2-LOCUS GENOTYPES\n" +
      "Deme               1         2         3\n" + "               0.375    -9.999     0.667\n";
  EXPECT_EQ(r.out(), want);
  EXPECT_FLOAT_EQ(r.w.chet(1), r.rs.param.astrix);
  EXPECT_FLOAT_EQ(r.w.phet(1), 0.375f);
}

// A deme without completely identified individuals has no average even when no deme of its
// block has data (its block then prints no degree row at all).
TEST(Hetout, DemeWithoutDataAloneInItsBlock) {
  HetRun r(3, 2);
  r.counts(1, {2, 1, 1}, 1);
  r.counts(2, {0, 0, 0}, 3);
  r.counts(3, {1, 0, 2}, 0);
  r.rs.param.iwidth = 1;
  hetout(r.rs, r.w);
  const std::string s = r.out();
  EXPECT_NE(s.find("\n\nDeme               2\n"
                   "             --------  \n"
                   "                   0\n"
                   "\nDeme               3\nhloc=   0"),
            std::string::npos)
      << s;
  EXPECT_NE(s.find("AVERAGE DEGREE OF HETEROZYGOSITY\n"
                   "OF PROBES WITH COMPLETELY IDENTIFIED  2-LOCUS GENOTYPES\n"
                   "Deme               1\n               0.375\n\n"
                   "Deme               2\n              -9.999\n\n"
                   "Deme               3\n               0.667\n"),
            std::string::npos)
      << s;
  EXPECT_FLOAT_EQ(r.w.phet(2), r.rs.param.astrix);
}

}  // namespace
}  // namespace tolm
