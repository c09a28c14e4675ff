// Tests of genotypic structure: Hardy-Weinberg, heterozygosity and product structure per deme.
#include <gtest/gtest.h>

#include <string>

#include "stattest/strtst.h"
#include "stattest_scratch.h"

namespace tolm {
namespace {

using testing_stat::Geno;
using testing_stat::lines_of;
using testing_stat::LocusData;

const std::string stars(72, '*'), equals(72, '=');

// Runs the chosen structure tests on one single locus; `sexdemes` lists the demes whose locus
// lists give the gametic sex.
std::string run(const LocusData& d, bool hw, bool prod, std::vector<int> sexdemes = {},
                int mxall = 250, int iwidth = 6) {
  RunState rs;
  rs.opt.exact = false;  // the chi-square blocks alone
  Work w;
  testing_stat::load(rs, w, d, mxall);
  rs.param.iwidth = iwidth;
  rs.names.aprog(9) = hw ? 'y' : 'n';
  rs.names.aprog(10) = prod ? 'y' : 'n';
  for (int kp : sexdemes) w.kmbord(1, kp) = 1;
  strtst(rs, w);
  return rs.u(8).take_captured();
}

// The text between two marker lines (from `from` up to, not including, `to`).
std::string section(const std::string& s, const std::string& from, const std::string& to = "") {
  size_t a = s.find(from);
  if (a == std::string::npos) return "";
  size_t b = to.empty() ? std::string::npos : s.find(to, a + from.size());
  return s.substr(a, b == std::string::npos ? std::string::npos : b - a);
}

// 25 AA, 50 AB, 25 BB: exactly in Hardy-Weinberg proportions.
LocusData hwp() {
  LocusData d;
  d.alleles = {100, 102};
  d.genos = {{1, 1, {25}}, {1, 2, {50}}, {2, 2, {25}}};
  return d;
}

TEST(Strtst, HardyWeinbergProportionsWholeReport) {
  EXPECT_EQ(run(hwp(), true, false),
            "\n" + stars +
                "\n"
                "Locus   1 - LocA\n"
                "Deme    1 - Deme1\n" +
                stars +
                "\n"
                "Deme_size                               100\n"
                "No._individuals_of_identified_genotype  100\n"
                "No._individuals_of_unknown_genotype       0\n"
                "\n" +
                equals +
                "\n"
                "Test_of_Hardy-Weinberg_Structure\n" +
                equals +
                "\n"
                "\n"
                "Allele    100       102     Freq.\n"
                "       --------------------------\n"
                "  100  O   25        50    |  100\n"
                "       E   25.00     50.00 |\n"
                "  102  O             25    |  100\n"
                "       E             25.00 |\n"
                "       --------------------------\n"
                "                             |  200\n"
                "\n"
                "\n"
                "                                 Level_of   C.V._of_CHI**2\n"
                "Test_statistics                significance   (DF=   1)\n"
                "----------------------------------------------------------\n"
                "G          =    0.000 n.s.      0.050(*  )       3.841\n"
                "X**2       =    0.000 n.s.      0.010(** )       6.635\n"
                // (0.5^2)(1/25 + 1/50 + 1/25)
                "X**2(c=.5) =    0.025 n.s.      0.001(***)      10.828\n"
                "\n" +
                equals +
                "\n"
                "Test_of_Hardy-Weinberg_Heterozygosity\n" +
                equals +
                "\n"
                "\n"
                "      Homozygotes Heterozygotes\n"
                "      -------------------------\n"
                "       O   50        50\n"
                "       E    50.00     50.00 \n"
                "      -------------------------\n"
                "\n"
                "                                 Level_of   C.V._of_CHI**2\n"
                "Test_statistics                significance   (DF=   1)\n"
                "----------------------------------------------------------\n"
                "G          =    0.000 n.s.      0.050(*  )       3.841\n"
                "X**2       =    0.000 n.s.      0.010(** )       6.635\n"
                "X**2(c=.5) =    0.010 n.s.      0.001(***)      10.828\n");
}

TEST(Strtst, NothingToTest) {
  // one allele only
  LocusData mono;
  mono.alleles = {100};
  mono.genos = {{1, 1, {10}}};
  std::string out = run(mono, true, false);
  EXPECT_EQ(lines_of(out).back(), "** Locus_monomorphic_-_nothing_to_test");
  EXPECT_EQ(out.find("Heterozygosity"), std::string::npos);

  // every individual of unknown genotype: the header and the three counts only
  LocusData none = hwp();
  for (auto& g : none.genos) g.n = {0};
  none.unknown = {5};
  auto v = lines_of(run(none, true, true, {1}));
  ASSERT_EQ(v.size(), 8u);
  EXPECT_EQ(v[5], "Deme_size                                 5");
  EXPECT_EQ(v[6], "No._individuals_of_identified_genotype    0");
  EXPECT_EQ(v[7], "No._individuals_of_unknown_genotype       5");

  // gametic sex known, but one maternal and one paternal allele make one genotype class
  LocusData one;
  one.alleles = {100, 102};
  one.genos = {{1, 2, {6}}};
  out = run(one, false, true, {1});
  EXPECT_EQ(lines_of(out).back(), "** Only_one_genotype_-_nothing_to_test");
}

TEST(Strtst, MultilocusCombination) {
  RunState rs;
  rs.opt.exact = false;  // the chi-square blocks alone
  Work w;
  testing_stat::load(rs, w, hwp());
  w.nrloc(1) = 2;
  rs.names.aprog(9) = rs.names.aprog(10) = 'y';
  strtst(rs, w);
  const std::string rule(55, '-');
  EXPECT_EQ(rs.u(8).take_captured(), "\n" + rule +
                                         "\n"
                                         "** Combination  1 is_not_a_single_locus:\n"
                                         "** Test_of_Hardy-Weinberg_structure_is_not_possible\n"
                                         "** Test_of_product_structure_is_not_possible\n" +
                                         rule + "\n");
}

// Two maternal alleles by three paternal alleles, five individuals each: (2-1)(3-1) = 2 df.
TEST(Strtst, ProductStructure) {
  LocusData d;
  d.alleles = {1, 2, 3};
  for (int m = 1; m <= 2; ++m)
    for (int p = 1; p <= 3; ++p) d.genos.push_back({m, p, {5}});
  std::string out = run(d, true, true, {1});
  EXPECT_NE(out.find("Test_of_Hardy-Weinberg_Structure_(Gametic_sex_disregarded)\n"),
            std::string::npos);
  EXPECT_EQ(section(out, "Test_of_Product_Structure\n"),
            "Test_of_Product_Structure\n" + equals +
                "\n"
                "\n"
                "        Paternal_allele\n"
                "Maternal    1         2         3     Freq.\n"
                " allele------------------------------------\n"
                "    1  O    5         5         5    |   15\n"
                "       E    5.00      5.00      5.00 |\n"
                "    2  O    5         5         5    |   15\n"
                "       E    5.00      5.00      5.00 |\n"
                "       ------------------------------------\n"
                "   Freq.   10        10        10      |   30\n"
                "\n"
                "\n"
                "                                 Level_of   C.V._of_CHI**2\n"
                "Test_statistics                significance   (DF=   2)\n"
                "----------------------------------------------------------\n"
                "G          =    0.000 n.s.      0.050(*  )       5.991\n"
                "X**2       =    0.000 n.s.      0.010(** )       9.210\n"
                "                                0.001(***)      13.816\n");
}

// 4 AA and 4 BB, no AB: E = 2, 4, 2; G = 16 ln 2 = 11.090, X2 = 8 -> significant with small
// expectations. The genotype test suggests pooling; the heterozygosity test does not.
TEST(Strtst, SmallExpectationsWarn) {
  LocusData d;
  d.alleles = {1, 2};
  d.genos = {{1, 1, {4}}, {2, 2, {4}}};
  std::string out = run(d, true, false);
  std::string geno = section(out, "Test_of_Hardy-Weinberg_Structure", "Heterozygosity");
  std::string het = section(out, "Test_of_Hardy-Weinberg_Heterozygosity");
  EXPECT_NE(geno.find("G          =   11.090 ***"), std::string::npos);
  EXPECT_NE(geno.find("X**2       =    8.000 **  "), std::string::npos);
  EXPECT_NE(geno.find("** Suggestion:_Pool_alleles"), std::string::npos);
  EXPECT_NE(het.find("       O    8         0\n"
                     "       E     4.00      4.00 \n"
                     "      -------------------------\n"
                     "      Homozygote_excess_over_Hardy-Weinberg_expectation\n"),
            std::string::npos);
  EXPECT_NE(het.find("G          =   11.090 ***"), std::string::npos);
  EXPECT_NE(het.find("<_WARNING_>"), std::string::npos);
  EXPECT_EQ(het.find("Suggestion"), std::string::npos);
  EXPECT_EQ(het.find("Heterozygote_excess"), std::string::npos);
}

// Three alleles in blocks of two columns: the first block ends where no cell is left above the
// diagonal, the last one carries the frequencies.
TEST(Strtst, HardyWeinbergTableInBlocks) {
  LocusData d;
  d.alleles = {1, 2, 3};
  d.genos = {{1, 1, {10}}, {1, 2, {10}}, {1, 3, {10}}, {2, 2, {10}}, {2, 3, {10}}, {3, 3, {10}}};
  std::string out = run(d, true, false, {}, 250, 2);
  // p = 1/3 each of 120 genes: E = 60/9 = 6.67 (homozygotes), 13.33 (heterozygotes)
  EXPECT_EQ(section(out, "Allele ", "\n\n"),
            "Allele      1         2     \n"
            "       ---------------------\n"
            "    1  O   10        10    |\n"
            "       E    6.67     13.33 |\n"
            "    2  O             10    |\n"
            "       E              6.67 |\n"
            "       ---------------------\n"
            " \n"
            "Allele      3     Freq.\n"
            "       ----------------\n"
            "    1  O   10    |   40\n"
            "       E   13.33 |\n"
            "    2  O   10    |   40\n"
            "       E   13.33 |\n"
            "    3  O   10    |   40\n"
            "       E    6.67 |\n"
            "       ----------------\n"
            "                   |  120");  // 8 + 10 + 1 blanks
  EXPECT_NE(out.find("(DF=   3)"), std::string::npos);
}

// Gametic sex is known in deme 1 only. Whatever flag the last locus list left for the locus,
// deme 1 gets the product test and the suffix, deme 2 neither.
TEST(Strtst, GameticSexDecidedPerDeme) {
  LocusData d;
  d.np = 2;
  d.alleles = {1, 2};
  // deme 2 holds only canonical genotypes, as counted without gametic sex
  d.genos = {{1, 1, {10, 10}}, {1, 2, {10, 20}}, {2, 1, {10, 0}}, {2, 2, {10, 10}}};
  for (int flag : {0, 1}) {
    RunState rs;
    rs.opt.exact = false;  // the chi-square blocks alone
    Work w;
    testing_stat::load(rs, w, d);
    rs.names.aprog(9) = rs.names.aprog(10) = 'y';
    w.kmbord(1, 1) = 1;
    w.locord(1) = flag;
    strtst(rs, w);
    std::string out = rs.u(8).take_captured();
    std::string d1 = section(out, "Deme    1 - Deme1", "Deme    2 - Deme2");
    std::string d2 = section(out, "Deme    2 - Deme2");
    EXPECT_NE(d1.find("Structure_(Gametic_sex_disregarded)"), std::string::npos) << flag;
    EXPECT_NE(d1.find("        Paternal_allele\n"), std::string::npos) << flag;
    EXPECT_EQ(d1.find("not_calculable"), std::string::npos) << flag;
    EXPECT_EQ(d2.find("disregarded"), std::string::npos) << flag;
    EXPECT_NE(d2.find("Test_of_Product_Structure\n" + equals +
                      "\n** Product_structure_not_calculable_-_Gametic_sex_not_specified\n"),
              std::string::npos)
        << flag;
  }
}

// Alleles first seen as 102, 100 and 98 (98 only beside a missing allele): 102 has index 1 but
// position 3. The deme's loops must reach position 3, or 102 drops out of the test.
TEST(Strtst, PositionsBoundTheTables) {
  LocusData d;
  d.alleles = {102, 100, 98};
  d.genos = {{1, 1, {25}}, {2, 1, {50}}, {2, 2, {25}}};
  d.half = {{1, 3}};
  std::string out = run(d, true, false);
  EXPECT_NE(out.find("Deme_size                               101\n"), std::string::npos);
  EXPECT_NE(out.find("Allele    100       102     Freq.\n"), std::string::npos);
  EXPECT_NE(out.find("  100  O   25        50    |  100\n"), std::string::npos);
  EXPECT_NE(out.find("  102  O             25    |  100\n"), std::string::npos);
  EXPECT_NE(out.find("(DF=   1)"), std::string::npos);
  EXPECT_NE(out.find("       O   50        50\n"), std::string::npos);
  EXPECT_EQ(out.find("Only_one_genotype"), std::string::npos);
}

// A locus with more alleles than the type limit is not tested (its tables would not hold it).
TEST(Strtst, MoreAllelesThanTypeLimit) {
  LocusData d;
  d.alleles = {1, 2, 3};
  d.genos = {{1, 2, {4}}, {2, 3, {4}}, {1, 3, {4}}};
  EXPECT_EQ(run(d, true, true, {1}, 2),
            "\n** Locus_has_more_than 2 alleles_-_structure_not_testable_(raise_the_limit_with_"
            "-maxall=)\n");
}

}  // namespace
}  // namespace tolm
