// Frequency distributions and the analysis driver on count files filled by hand.
//
// The small data set of most tests: one locus, two demes, gametic sex not specified, alleles
// numbered by first appearance (1 = 98, 2 = 100, 3 = 102):
//   deme 1: 98/100, 100/100, 100/102, unknown
//   deme 2: 100/100, 98/98
// Genotypes by first appearance: 1 = (98,100), 2 = (100,100), 3 = (100,102), 4 = (98,98).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/frqout.h"
#include "analysis/frqpar.h"
#include "builder.h"
#include "core/runstate.h"

namespace tolm {
namespace {

// A run of np demes, nc combinations, with the results captured on unit 8.
struct FreqRun {
  RunState rs;
  Work w;
  FreqRun(int np, int nl, int nc, int mxnrlc, int mxall = 250) {
    testing_build::build(rs, w,
                         "demes " + std::to_string(np) + "\nloci " + std::to_string(nl) +
                             "\ncombinations " + std::to_string(nc) + "\nmxnrlc " +
                             std::to_string(mxnrlc) + "\nmxall " + std::to_string(mxall) +
                             "\niwidth 6\nsexspc no\n");
  }
  // channel 20: haplotype h, deme kp, position m
  void hap(int h, int kp, int m, int n, int kc = 1) {
    const Param& p = rs.param;
    swrite(rs, 20, 3L * (p.np * (p.nc * h + kc - 1) + kp - 1) + m, n);
  }
  void alleles(int h, const std::vector<int>& a, int kc = 1) {
    const Param& p = rs.param;
    for (size_t j = 0; j < a.size(); ++j)
      swrite(rs, 21, p.mxnrlc * (p.nc * h + kc - 1) + static_cast<long>(j) + 1, a[j]);
  }
  void geno(int g, int kp, int n, int kc = 1) {
    const Param& p = rs.param;
    swrite(rs, 22, p.np * (p.nc * g + kc - 1) + kp, n);
  }
  void gdef(int g, int h1, int h2, int kc = 1) { swrite23(rs, rs.param.nc * g + kc, h1, h2); }
  void order(int ch, const std::vector<int>& types, int kc = 1) {
    for (size_t i = 0; i < types.size(); ++i)
      swrite(rs, ch, rs.param.nc * static_cast<long>(i + 1) + kc, types[i]);
  }
  std::string out() { return rs.u(8).take_captured(); }
};

// The small data set above, counted as the reader counts it.
void small_data(FreqRun& r) {
  // first contributions, second contributions, genes of complete genotypes
  r.hap(1, 1, 1, 1), r.hap(2, 1, 1, 2), r.hap(0, 1, 1, 1);
  r.hap(2, 1, 2, 2), r.hap(3, 1, 2, 1), r.hap(0, 1, 2, 1);
  r.hap(1, 1, 3, 1), r.hap(2, 1, 3, 4), r.hap(3, 1, 3, 1), r.hap(0, 1, 3, 2);
  r.hap(2, 2, 1, 1), r.hap(1, 2, 1, 1);
  r.hap(2, 2, 2, 1), r.hap(1, 2, 2, 1);
  r.hap(2, 2, 3, 2), r.hap(1, 2, 3, 2);
  r.alleles(1, {98}), r.alleles(2, {100}), r.alleles(3, {102});
  r.gdef(1, 1, 2), r.gdef(2, 2, 2), r.gdef(3, 2, 3), r.gdef(4, 1, 1);
  r.geno(0, 1, 1), r.geno(1, 1, 1), r.geno(2, 1, 1), r.geno(3, 1, 1);
  r.geno(2, 2, 1), r.geno(4, 2, 1);
  r.w.nptr1(1) = 3, r.w.nptr2(1) = 4, r.w.nrloc(1) = 1, r.w.loccmb(1, 1) = 1;
  r.order(24, {1, 2, 3});
  r.order(25, {4, 1, 2, 3});
  r.w.nsam(1) = 4, r.w.nsam(2) = 2;
}

const std::string dashes35(35, '-');

TEST(Alpha, WorkedValues) {
  EXPECT_FLOAT_EQ(alpha(0), -9.999f);
  EXPECT_FLOAT_EQ(alpha(5), 1.000f);
  EXPECT_FLOAT_EQ(alpha(6), 0.402f);
  EXPECT_FLOAT_EQ(alpha(116), 0.051f);
  EXPECT_FLOAT_EQ(alpha(117), 0.050f);
  EXPECT_FLOAT_EQ(alpha(118), 0.049f);
  EXPECT_FLOAT_EQ(alpha(971), 0.009f);
  EXPECT_FLOAT_EQ(alpha(972), 0.008f);
  EXPECT_FLOAT_EQ(alpha(5000), 0.008f);
  // table boundaries: 850 is the smallest sample with 0.009, 849 still has 0.010
  EXPECT_FLOAT_EQ(alpha(850), 0.009f);
  EXPECT_FLOAT_EQ(alpha(849), 0.010f);
  EXPECT_EQ(aless(971), ' ');
  EXPECT_EQ(aless(972), '<');
  EXPECT_EQ(aless(5000), '<');
  // alpha never rises with the sample
  for (int n = 2; n <= 1200; ++n) EXPECT_LE(alpha(n), alpha(n - 1)) << n;
}

// All genes of identified individuals: descriptors with alpha-HWP, both tables, sums.
TEST(Frqout, AllelesOfIdentifiedIndividuals) {
  FreqRun r(2, 1, 1, 1);
  small_data(r);
  r.rs.param.mal = 3;
  frqout(r.rs, r.w);
  const std::string want =
      std::string("Deme               1         2     \n") +
      "Gam.sex.spec.?    no        no     \n" + "Deme_size          4         2     \n" +
      "No._identified     3         2     \n" + "alpha          1.000     1.000   \n" +
      "alpha-HWP      0.402     1.000   \n" + "No._unknown        1         0     \n" + "\n" +
      dashes35 + "\nAbsolute_frequency_distribution\n" + dashes35 + "\n" +
      "Deme               1         2     \n" + "Allele\n" +
      "  98               1         2     \n" + " 100               4         2     \n" +
      " 102               1         0     \n" + "              -------   -------\n" +
      "                   6         4     \n" + "\n" + dashes35 +
      "\nRelative_frequency_distribution\n" + dashes35 + "\n" +
      "Deme               1         2     \n" + "Allele\n" + "  98           0.167     0.500   \n" +
      " 100           0.667     0.500   \n" + " 102           0.167     0.000   \n";
  EXPECT_EQ(r.out(), want);
  EXPECT_EQ(r.w.n0(1), 1);
  EXPECT_EQ(r.w.n0(2), 0);
  EXPECT_EQ(r.rs.param.nogpdif(3), 0);
}

// Maternal contributions: only first contributions count; 102 is never maternal.
TEST(Frqout, MaternalContributionsSkipAbsentTypes) {
  FreqRun r(2, 1, 1, 1);
  small_data(r);
  r.rs.param.mal = 1;
  frqout(r.rs, r.w);
  const std::string s = r.out();
  EXPECT_NE(s.find("No._identified     3         2     \n"), std::string::npos);
  EXPECT_EQ(s.find("alpha-HWP"), std::string::npos);
  EXPECT_NE(s.find("Allele\n  98               1         1     \n"
                   " 100               2         1     \n"
                   "              -------"),
            std::string::npos)
      << s;
  EXPECT_EQ(s.find(" 102 "), std::string::npos);
  // 1/3 and 2/3 of the identified maternal contributions of deme 1, half each in deme 2
  EXPECT_NE(s.find("  98           0.333     0.500   \n"
                   " 100           0.667     0.500   \n"),
            std::string::npos)
      << s;
}

TEST(Frqout, SingleLocusGenotypes) {
  FreqRun r(2, 1, 1, 1);
  small_data(r);
  r.rs.param.mal = 4;
  frqout(r.rs, r.w);
  const std::string s = r.out();
  EXPECT_NE(s.find("No._unknown        1         0     \n"), std::string::npos);
  const std::string abs =
      std::string("Genotype\n") + "  98 x  98         0         1     \n" +
      "  98 x 100         1         0     \n" + " 100 x 100         1         1     \n" +
      " 100 x 102         1         0     \n" + "              -------   -------\n" +
      "                   3         2     \n";
  EXPECT_NE(s.find(abs), std::string::npos) << s;
  const std::string rel = std::string("Genotype\n") + "  98 x  98     0.000     0.500   \n" +
                          "  98 x 100     0.333     0.000   \n" +
                          " 100 x 100     0.333     0.500   \n" +
                          " 100 x 102     0.333     0.000   \n";
  EXPECT_NE(s.find(rel), std::string::npos) << s;
}

// A deme without identified individuals keeps its column, gets the marker as alpha and
// frequencies 0.000; a block of such demes only is left out of both tables.
TEST(Frqout, DemesWithoutData) {
  FreqRun r(3, 1, 1, 1);
  small_data(r);
  r.hap(0, 3, 1, 2), r.hap(0, 3, 2, 2), r.hap(0, 3, 3, 4), r.geno(0, 3, 2);
  r.w.nsam(3) = 2;
  r.rs.param.mal = 3;
  r.rs.param.iwidth = 2;
  frqout(r.rs, r.w);
  const std::string s = r.out();
  EXPECT_NE(s.find("No._identified     0     \nalpha         -9.999   \nalpha-HWP     -9.999   \n"),
            std::string::npos)
      << s;
  EXPECT_EQ(r.rs.param.nogpdif(3), 1);
  EXPECT_EQ(r.rs.param.nogpdif(1), 0);
  // deme 3 never appears in a table
  EXPECT_EQ(s.find("Deme               3     ", s.find("Absolute")), std::string::npos) << s;

  // the same deme beside one with data: its column is all zeros
  FreqRun q(2, 1, 1, 1);
  small_data(q);
  for (int m = 1; m <= 3; ++m)
    for (int h = 1; h <= 3; ++h) q.hap(h, 2, m, 0);
  q.hap(0, 2, 1, 2), q.hap(0, 2, 2, 2), q.hap(0, 2, 3, 4);
  q.rs.param.mal = 3;
  frqout(q.rs, q.w);
  const std::string t = q.out();
  EXPECT_NE(t.find(" 100           0.667     0.000   \n"), std::string::npos) << t;
  EXPECT_NE(t.find("                   6         0     \n"), std::string::npos) << t;
}

// Twelve demes at 10 columns: every row group in a block of 10 and one of 2.
TEST(Frqout, TwelveDemesWrapIntoTwoBlocks) {
  FreqRun r(12, 1, 1, 1);
  r.alleles(1, {7});
  r.w.nptr1(1) = 1, r.w.nrloc(1) = 1;
  r.order(24, {1});
  for (int kp = 1; kp <= 12; ++kp) {
    r.hap(1, kp, 1, kp), r.hap(1, kp, 2, kp), r.hap(1, kp, 3, 2 * kp);
    r.w.nsam(kp) = kp;
  }
  r.rs.param.mal = 3;
  r.rs.param.iwidth = 10;
  frqout(r.rs, r.w);
  const std::string s = r.out();
  std::string first = "Deme           ", second = "Deme           ";
  for (int kp = 1; kp <= 10; ++kp)
    first += (kp < 10 ? "    " : "   ") + std::to_string(kp) + "     ";
  second += "   11        12     \n";
  size_t n_first = 0, n_second = 0;
  for (size_t at = 0; (at = s.find(first + "\n", at)) != std::string::npos; ++at) ++n_first;
  for (size_t at = 0; (at = s.find(second, at)) != std::string::npos; ++at) ++n_second;
  EXPECT_EQ(n_first, 3u) << s;  // descriptors, absolute, relative
  EXPECT_EQ(n_second, 3u) << s;
  // the blocks are separated by a blank line, the second block has two columns
  EXPECT_NE(s.find("No._unknown        0         0         0         0         0         0    "
                   "     0         0         0         0     \n\nDeme              11        12"),
            std::string::npos)
      << s;
  EXPECT_NE(s.find("   7              22        24     \n"), std::string::npos) << s;
  EXPECT_NE(s.find("   7           1.000     1.000   \n"), std::string::npos) << s;
}

// Multilocus haplotypes and genotypes, with types too long for one line.
TEST(Frqout, LongMultilocusTypesGoOverSeveralLines) {
  const int nl = 40;
  FreqRun r(1, nl, 1, nl);
  std::vector<int> a1(nl), a2(nl);
  for (int l = 0; l < nl; ++l) a1[l] = 100 + l % 3, a2[l] = 98;
  r.alleles(1, a1), r.alleles(2, a2);
  r.hap(1, 1, 1, 3), r.hap(2, 1, 2, 3), r.hap(1, 1, 3, 3), r.hap(2, 1, 3, 3);
  r.gdef(1, 1, 2), r.geno(1, 1, 3);
  r.w.nptr1(1) = 2, r.w.nptr2(1) = 1, r.w.nrloc(1) = nl;
  r.order(24, {2, 1}), r.order(25, {1});
  r.w.nsam(1) = 3;
  r.rs.param.mal = 3;
  r.rs.param.iwidth = 6;
  frqout(r.rs, r.w);
  std::string s = r.out();
  // 36 alleles of 3 columns on the first line (the width counts as at least 10 demes), then 4
  std::string line1 = "   2. {", line2 = "      ";
  for (int l = 0; l < 36; ++l) line1 += std::to_string(100 + l % 3);
  for (int l = 36; l < nl; ++l) line2 += std::to_string(100 + l % 3);
  EXPECT_NE(s.find("Haplotype\n   1. { 98 98"), std::string::npos) << s;
  EXPECT_NE(s.find(line1 + "\n" + line2 + " }\n                   3   \n"), std::string::npos) << s;
  EXPECT_NE(s.find(line2 + " }\n               0.500   \n"), std::string::npos) << s;

  // genotypes at 6 columns: (60 + 9) div 5 = 13 pairs a line
  r.rs.param.mal = 4;
  frqout(r.rs, r.w);
  s = r.out();
  std::string g1 = "   1. {";
  for (int l = 0; l < 13; ++l) g1 += std::to_string(100 + l % 3) + "  98  ";
  EXPECT_NE(s.find("Genotype\n" + g1 + "\n      " + std::to_string(100 + 13 % 3) + "  98  "),
            std::string::npos)
      << s;
  EXPECT_NE(s.find("  98   }\n                   3     \n"), std::string::npos) << s;
  EXPECT_NE(s.find("  98   }\n               1.000   \n"), std::string::npos) << s;
}

// ---------------------------------------------------------------------------------------------
// The analysis driver: heading, kinds, gametic-sex messages. No analysis is chosen, so only
// the driver's own lines are written.

struct Driver : FreqRun {
  Driver(int np, int nrloc, int loctyp) : FreqRun(np, 3, 1, nrloc) {
    Param& p = rs.param;
    p.loctyp = loctyp;
    w.nrloc(1) = nrloc;
    const char* names[] = {"", "Amylase", "Esterase-2", "Pgm"};
    for (int l = 1; l <= 3; ++l) w.locnam(l) = names[l];
    for (int i = 1; i <= nrloc; ++i) w.loccmb(1, i) = i;
    for (int k = 1; k <= 4; ++k) rs.names.frqstr(k) = 'y';
    for (int k = 1; k <= 10; ++k) rs.names.aprog(k) = 'n';
  }
  void sexed(int kp) {
    w.kmbord(1, kp) = 1;
    w.sexspc(1, kp) = "yes";
  }
};

const std::string stars72(72, '*');
const std::string equal72(72, '=');
std::string section(const std::string& title) {
  return "\n" + equal72 + "\n" + title + "\n" + equal72 + "\n";
}

TEST(Frqpar, SingleLocusWithoutGameticSex) {
  Driver d(2, 1, 0);
  frqpar(d.rs, d.w);
  EXPECT_EQ(d.out(), "\n" + stars72 + "\nLocus   1 - Amylase     \n" + stars72 + "\n" +
                         "** Allele_frequencies_among_maternal_contributions_not_specifiable\n" +
                         "** Allele_frequencies_among_paternal_contributions_not_specifiable\n" +
                         section("Allele_frequencies_among_individuals_of_identified_genotype") +
                         section("Genotype_frequencies"));
}

TEST(Frqpar, SingleLocusAllSexed) {
  Driver d(2, 1, 1);
  d.sexed(1), d.sexed(2);
  frqpar(d.rs, d.w);
  EXPECT_EQ(d.out(), "\n" + stars72 + "\nLocus   1 - Amylase     \n" + stars72 + "\n" +
                         section("Allele_frequencies_among_maternal_contributions") +
                         section("Allele_frequencies_among_paternal_contributions") +
                         section("Allele_frequencies_among_individuals_of_identified_genotype") +
                         section("Ordered_genotype_frequencies_(maternal_x_paternal)"));
  EXPECT_EQ(d.rs.param.mal, 4);
  EXPECT_EQ(d.rs.param.nsumn, 2);
}

TEST(Frqpar, DemesDifferInGameticSex) {
  Driver d(2, 1, 0);
  d.sexed(2);
  frqpar(d.rs, d.w);
  EXPECT_EQ(d.out(), "\n" + stars72 + "\nLocus   1 - Amylase     \n" + stars72 + "\n" +
                         "** Demes_differ_in_gametic_sex_specification\n" +
                         "** Only_allelic_frequencies_can_be_compared\n" +
                         section("Allele_frequencies_among_individuals_of_identified_genotype"));
  EXPECT_EQ(d.rs.param.nyw + d.rs.param.nym + d.rs.param.nyg, 0);

  // several loci: nothing at all is computed, not even the tests of structure
  Driver m(2, 2, 2);
  m.sexed(1);
  m.rs.names.aprog(9) = 'y';
  m.rs.names.aprog(10) = 'y';
  frqpar(m.rs, m.w);
  EXPECT_EQ(m.out(), "\n" + stars72 + "\nCombination_No.  1 :      Locus   1 - Amylase     \n" +
                         std::string(26, ' ') + "Locus   2 - Esterase-2  \n" + stars72 + "\n" +
                         "** Demes_differ_in_gametic_sex_specification\n" +
                         "** No_calculations_are_possible\n");
}

TEST(Frqpar, MultilocusWithoutGameticSex) {
  Driver d(2, 3, 3);
  frqpar(d.rs, d.w);
  const std::string s = d.out();
  EXPECT_NE(s.find(stars72 + "\n" +
                   "** Haplotype_frequencies_among_maternal_contributions_not_specifiable\n" +
                   "** Haplotype_frequencies_among_paternal_contributions_not_specifiable\n" +
                   "** Haplotype_frequencies_not_specifiable\n" + section("Genotype_frequencies")),
            std::string::npos)
      << s;
  EXPECT_NE(s.find(std::string(26, ' ') + "Locus   3 - Pgm         \n"), std::string::npos);
  EXPECT_EQ(s.find("Haplotype_frequencies_among_individuals_of"), std::string::npos);
}

// Heterozygosity alone: deme sizes are computed, but it is reported only within the genotype
// section, so nothing but the heading is written.
TEST(Frqpar, HeterozygosityWithoutKindsComputesDemeSizes) {
  Driver d(2, 1, 0);
  for (int k = 1; k <= 4; ++k) d.rs.names.frqstr(k) = 'n';
  d.rs.names.aprog(8) = 'y';
  d.w.nptr1(1) = 2;
  d.hap(0, 1, 1, 1), d.hap(1, 1, 1, 4), d.hap(2, 1, 1, 2);
  d.hap(1, 1, 2, 7);  // second contributions never enter the deme size
  d.hap(2, 2, 1, 5);
  d.hap(3, 2, 1, 9);  // beyond the haplotypes of the combination
  frqpar(d.rs, d.w);
  EXPECT_EQ(d.out(), "\n" + stars72 + "\nLocus   1 - Amylase     \n" + stars72 + "\n");
  EXPECT_EQ(d.w.nsam(1), 7);
  EXPECT_EQ(d.w.nsam(2), 5);
}

}  // namespace
}  // namespace tolm

namespace tolm {
namespace {

// The test builder counts genotypes written as text exactly as the small data set above is
// written record by record by hand: every record of the channels 20 to 25, and the deme sizes.
TEST(Builder, CountsTheSmallDataSetAsWrittenByHand) {
  FreqRun hand(2, 1, 1, 1);
  small_data(hand);
  RunState rs;
  Work w;
  testing_build::build(rs, w,
                       "demes 2\n"
                       "loci 1\n"
                       "deme 1: 98/100 100/100 100/102 ?/?  # types by first appearance\n"
                       "deme 2: 100/100 98/98\n");
  for (int ch = 20; ch <= 25; ++ch) {
    const long last = std::max(hand.rs.param.mind(ch), rs.param.mind(ch));
    ASSERT_GT(last, 0) << ch;
    for (long r = 1; r <= last; ++r) {
      if (ch == 23) {
        int32_t a1 = 0, a2 = 0, b1 = 0, b2 = 0;
        sread23(hand.rs, r, a1, a2);
        sread23(rs, r, b1, b2);
        EXPECT_EQ(std::make_pair(a1, a2), std::make_pair(b1, b2)) << "channel 23 record " << r;
      } else {
        EXPECT_EQ(sread(hand.rs, ch, r), sread(rs, ch, r)) << "channel " << ch << " record " << r;
      }
    }
  }
  EXPECT_EQ(w.nsam(1), 4);
  EXPECT_EQ(w.nsam(2), 2);
  EXPECT_EQ(w.nptr1(1), 3);
  EXPECT_EQ(w.nptr2(1), 4);
  // and the frequency report of the genotypes reads them as the hand-made counts
  hand.rs.param.mal = rs.param.mal = 4;
  frqout(hand.rs, hand.w);
  rs.param.iwidth = 6;
  frqout(rs, w);
  EXPECT_EQ(hand.out(), rs.u(8).take_captured());
}

// Shown demes in another order carry their own sizes; names and loci as given.
TEST(Builder, ShownDemesNamesAndLoci) {
  RunState rs;
  Work w;
  testing_build::build(rs, w,
                       "demes 3\nshown 3 1\nnames North Middle South\nloci 2 Adh Pgm\n"
                       "choose 260\niwidth 4\n"
                       "deme 1: 1/1 1/2\ndeme 3: 2/2 ?/? 1/2\n");
  EXPECT_EQ(rs.param.maxp, 2);
  EXPECT_EQ(w.nprb(1), 3);
  EXPECT_EQ(w.nprb(2), 1);
  EXPECT_EQ(w.nsam(1), 3);  // deme 3, the unknown one included
  EXPECT_EQ(w.nsam(2), 2);
  EXPECT_EQ(w.prbnam(2), "Middle");
  EXPECT_EQ(w.locnam(2), "Pgm");
  EXPECT_EQ(rs.param.nc, 2);
  EXPECT_EQ(w.loccmb(2, 1), 2);
  EXPECT_EQ(rs.param.iwidth, 4);
  EXPECT_EQ(rs.names.aprog(2), 'y');
  EXPECT_EQ(rs.names.aprog(6), 'y');
  EXPECT_EQ(rs.names.aprog(10), 'y');
  EXPECT_NE(rs.names.aprog(5), 'y');
}

}  // namespace
}  // namespace tolm
