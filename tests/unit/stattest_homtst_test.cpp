// Homogeneity test among demes and the chi-square judge.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "stattest/homtst.h"
#include "stattest_scratch.h"

namespace tolm {
namespace {

using testing_stat::Geno;
using testing_stat::lines_of;
using testing_stat::LocusData;

// Upper tail of chi-square by the power series of the lower incomplete gamma function, summed
// in long double (all terms positive, so no cancellation).
double upper_tail(int df, double x2) {
  const long double a = df / 2.0L, x = x2 / 2.0L;
  long double term = 1.0L / a, sum = term;
  for (int n = 1; n < 100000 && term > sum * 1e-19L; ++n) {
    term *= x / (a + n);
    sum += term;
  }
  const long double p = sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
  return static_cast<double>(1.0L - p);
}

TEST(ChisqTable, PublishedValues) {
  EXPECT_FLOAT_EQ(chisq_critical(1, 1), 3.841f);
  EXPECT_FLOAT_EQ(chisq_critical(2, 1), 6.635f);
  EXPECT_FLOAT_EQ(chisq_critical(3, 1), 10.828f);
  EXPECT_FLOAT_EQ(chisq_critical(1, 5), 11.070f);
  EXPECT_FLOAT_EQ(chisq_critical(2, 5), 15.086f);
  EXPECT_FLOAT_EQ(chisq_critical(3, 5), 20.515f);
  EXPECT_FLOAT_EQ(chisq_critical(1, 100), 124.342f);
  EXPECT_FLOAT_EQ(chisq_critical(2, 100), 135.807f);
  EXPECT_FLOAT_EQ(chisq_critical(3, 100), 149.449f);
}

// Every tabulated point, taken as the 3-decimal number it stands for, lies within half a unit of
// the last decimal of the true quantile: the tail just below exceeds the level, just above not.
TEST(ChisqTable, AgreesWithSeriesAtEveryDf) {
  const double level[4] = {0, 0.05, 0.01, 0.001};
  for (int l = 1; l <= 3; ++l)
    for (int df = 1; df <= kChisqMaxDf; ++df) {
      const double c = std::round(chisq_critical(l, df) * 1000.0) / 1000.0;
      EXPECT_GT(upper_tail(df, c - 0.0005), level[l]) << "df " << df << " level " << l;
      EXPECT_LT(upper_tail(df, c + 0.0005), level[l]) << "df " << df << " level " << l;
      if (df > 1) {
        EXPECT_GT(chisq_critical(l, df), chisq_critical(l, df - 1));
      }
    }
}

class Judge : public ::testing::Test {
 protected:
  void SetUp() override {
    rs.param.iunit = 8;
    rs.u(8).capture();
    rs.names.modus = "HOMOGEN";
  }
  std::string run(float g, float x, float y, int ndf, int ismall, int izero, int& isignf) {
    test(rs, g, x, y, ndf, ismall, izero, isignf);
    return rs.u(8).take_captured();
  }
  RunState rs;
};

TEST_F(Judge, ResultBlockAtOneDegreeOfFreedom) {
  int sig = -1;
  // the lowest critical value itself is significant (S >= c)
  std::string out = run(3.841f, 7.0f, 11.0f, 1, 0, 0, sig);
  EXPECT_EQ(out,
            "\n"
            "                                 Level_of   C.V._of_CHI**2\n"
            "Test_statistics                significance   (DF=   1)\n"
            "----------------------------------------------------------\n"
            "G          =    3.841 *         0.050(*  )       3.841\n"
            "X**2       =    7.000 **        0.010(** )       6.635\n"
            "X**2(c=.5) =   11.000 ***       0.001(***)      10.828\n");
  EXPECT_EQ(sig, 1);
}

TEST_F(Judge, ThirdRowWithoutCorrectionAboveOneDf) {
  int sig = -1;
  // a large corrected X2 counts for nothing above one degree of freedom
  std::string out = run(1.0f, 2.0f, 500.0f, 3, 1, 0, sig);
  auto v = lines_of(out);
  ASSERT_EQ(v.size(), 7u);
  EXPECT_EQ(v[2], "Test_statistics                significance   (DF=   3)");
  EXPECT_EQ(v[4], "G          =    1.000 n.s.      0.050(*  )       7.815");
  EXPECT_EQ(v[6], "                                0.001(***)      16.266");
  EXPECT_EQ(sig, 0);  // not significant, so no warning although ismall = 1
}

TEST_F(Judge, MessagesForUntestableDegreesOfFreedom) {
  int sig = 7;
  EXPECT_EQ(run(1, 1, 1, 0, 0, 0, sig), "** Zero_degrees_of_freedom_-_not_testable\n");
  EXPECT_EQ(sig, 7);  // left as it was
  EXPECT_EQ(run(1, 1, 1, 101, 0, 0, sig),
            "** Not_tested_-_Limit_of 100 degrees_of_freedom_exceeded\n");
  EXPECT_EQ(sig, 7);
  rs.param.mxdgfr = 10;
  EXPECT_EQ(run(1, 1, 1, 11, 0, 0, sig),
            "** Not_tested_-_Limit_of  10 degrees_of_freedom_exceeded\n");
}

TEST_F(Judge, ZeroCellsAndWarningBlock) {
  int sig = 0;
  auto v = lines_of(run(30.0f, 30.0f, 0.0f, 2, 1, 1, sig));
  ASSERT_EQ(v.size(), 14u);
  EXPECT_EQ(v[0], "** Cells_with_expected_frequency_equal_to_zero");
  EXPECT_EQ(v[1], "** are_not_included_in_test_statistics");
  EXPECT_EQ(v[2], "");
  const std::string bar = "*****<_WARNING_>*****<_WARNING_>*****<_WARNING_>*****<_WARNING_>*****";
  EXPECT_EQ(v[9], bar);
  EXPECT_EQ(v[10], "** Test_statistics_are_inflated_due_to_expected_frequencies_less   **");
  EXPECT_EQ(v[11], "** than  5 and_may_falsely_recommend_rejection_of_hypothesis.      **");
  EXPECT_EQ(v[12], "** Suggestion:_Pool_alleles_in_input_data_and_recalculate.         **");
  EXPECT_EQ(v[13], bar);
  for (int i = 9; i <= 13; ++i) EXPECT_EQ(v[static_cast<size_t>(i)].size(), 69u);

  // the heterozygosity test has no alleles to pool
  rs.names.modus = "HWHETER";
  v = lines_of(run(30.0f, 30.0f, 0.0f, 2, 1, 0, sig));
  ASSERT_EQ(v.size(), 11u);
  EXPECT_EQ(v[9], "** than  5 and_may_falsely_recommend_rejection_of_hypothesis.      **");
  EXPECT_EQ(v[10], bar);
}

// Two demes of 20 individuals: alleles 100 and 102 counted 30/10 and 20/20 among the genes.
LocusData two_by_two() {
  LocusData d;
  d.np = 2;
  d.alleles = {102, 100};  // 102 seen first: the table still lists 100 first
  d.genos = {{2, 2, {10, 5}}, {2, 1, {10, 10}}, {1, 1, {0, 5}}};
  return d;
}

TEST(Homtst, AllelesOfTwoDemesByHand) {
  RunState rs;
  rs.opt.exact = false;  // the chi-square blocks alone
  Work w;
  testing_stat::load(rs, w, two_by_two());
  rs.param.mal = 3;
  homtst(rs, w);
  EXPECT_EQ(rs.names.modus, "HOMOGEN");
  // E = 25, 25, 15, 15; X2 = 16/3; G = 2 sum O ln(O/E) = 5.4115; corrected: 4.5^2 (2/25 + 2/15)
  EXPECT_EQ(rs.u(8).take_captured(),
            "\n"
            "TEST_OF_HOMOGENEITY\n"
            "Deme               1         2     \n"
            "Allele/   Sum --------------------\n"
            "   100     50 O   30        20     \n"
            "              E   25.00     25.00\n"
            "   102     30 O   10        20     \n"
            "              E   15.00     15.00\n"
            "        --------------------------\n"
            "           80 |   40        40     \n"
            "\n"
            "                                 Level_of   C.V._of_CHI**2\n"
            "Test_statistics                significance   (DF=   1)\n"
            "----------------------------------------------------------\n"
            "G          =    5.412 *         0.050(*  )       3.841\n"
            "X**2       =    5.333 *         0.010(** )       6.635\n"
            "X**2(c=.5) =    4.320 *         0.001(***)      10.828\n");
}

TEST(Homtst, GenotypesWithSmallExpectation) {
  RunState rs;
  rs.opt.exact = false;  // the chi-square blocks alone
  Work w;
  testing_stat::load(rs, w, two_by_two());
  rs.param.mal = 4;
  homtst(rs, w);
  auto v = lines_of(rs.u(8).take_captured());
  ASSERT_EQ(v.size(), 24u);
  EXPECT_EQ(v[3], "Genotype/ Sum --------------------");
  EXPECT_EQ(v[4], "100 x100   15 O   10         5     ");
  EXPECT_EQ(v[5], "              E    7.50      7.50");
  EXPECT_EQ(v[8], "102 x102    5 O    0         5     ");
  EXPECT_EQ(v[9], "              E    2.50      2.50");
  // G = 8.6305, X2 = 20/3 at 2 df; E = 2.5 < 5 and significant: the warning follows
  EXPECT_EQ(v[14], "Test_statistics                significance   (DF=   2)");
  EXPECT_EQ(v[16], "G          =    8.630 *         0.050(*  )       5.991");
  EXPECT_EQ(v[17], "X**2       =    6.667 *         0.010(** )       9.210");
  EXPECT_EQ(v[22], "** Suggestion:_Pool_alleles_in_input_data_and_recalculate.         **");
}

TEST(Homtst, DemesInBlocksAndADemeWithoutData) {
  RunState rs;
  rs.opt.exact = false;  // the chi-square blocks alone
  Work w;
  LocusData d = two_by_two();
  d.np = 3;
  for (auto& g : d.genos) g.n.push_back(0);
  d.unknown = {0, 0, 4};  // deme 3: four individuals, none typed
  testing_stat::load(rs, w, d);
  rs.param.mal = 1;
  rs.param.iwidth = 1;
  homtst(rs, w);
  auto v = lines_of(rs.u(8).take_captured());
  ASSERT_EQ(v.size(), 34u);  // with the warning: E = 2.5 and significant
  // maternal contributions: 100: 20/15, 102: 0/5
  EXPECT_EQ(v[4], "   100     35 O   20     ");
  EXPECT_EQ(v[5], "              E   17.50");
  EXPECT_EQ(v[8], "        ----------------");
  EXPECT_EQ(v[9], "           40 |   20     ");
  EXPECT_EQ(v[10], "  ");
  EXPECT_EQ(v[11], "Deme               2     ");
  EXPECT_EQ(v[12], "Allele        ----------");
  EXPECT_EQ(v[15], "   102        O    5     ");
  EXPECT_EQ(v[16], "              E    2.50");
  EXPECT_EQ(v[17], "              ----------");
  EXPECT_EQ(v[18], "                  20     ");
  EXPECT_EQ(v[19], "  ");
  // the untyped deme keeps its column heading but adds nothing, not even a degree of freedom
  EXPECT_EQ(v[20], "Deme               3     ");
  EXPECT_EQ(v[21], "Allele        ----------");
  EXPECT_EQ(v[22], "");
  EXPECT_EQ(v[24], "Test_statistics                significance   (DF=   1)");
  // E = 17.5, 17.5, 2.5, 2.5: X2 = 2 (2.5^2/17.5 + 2.5^2/2.5) = 5.714
  EXPECT_EQ(v[27], "X**2       =    5.714 *         0.010(** )       6.635");
}

TEST(Homtst, NothingToTest) {
  struct Case {
    std::vector<int> unknown;
    int maxp;
    const char* line;
  } cases[] = {
      {{}, 1, " ** Only_one_deme - nothing_to_test"},
      {{0, 20}, 2, " ** Only_one_deme - nothing_to_test"},
      {{20, 20}, 2, " ** No_deme_has_data - nothing_to_test"},
  };
  for (const Case& c : cases) {
    RunState rs;
    rs.opt.exact = false;  // the chi-square blocks alone
    Work w;
    LocusData d = two_by_two();
    if (!c.unknown.empty()) {
      // demes whose individuals are all untyped
      for (auto& g : d.genos)
        for (size_t kp = 0; kp < 2; ++kp)
          if (c.unknown[kp] > 0) g.n[kp] = 0;
      d.unknown = c.unknown;
    }
    testing_stat::load(rs, w, d);
    rs.param.maxp = c.maxp;
    rs.param.mal = 3;
    homtst(rs, w);
    EXPECT_EQ(rs.u(8).take_captured(), std::string("\nTEST_OF_HOMOGENEITY\n") + c.line + "\n");
  }
}

TEST(Homtst, OneAlleleHasNoDegreeOfFreedom) {
  RunState rs;
  rs.opt.exact = false;  // the chi-square blocks alone
  Work w;
  LocusData d;
  d.np = 2;
  d.alleles = {7};
  d.genos = {{1, 1, {3, 4}}};
  testing_stat::load(rs, w, d);
  rs.param.mal = 2;
  homtst(rs, w);
  auto v = lines_of(rs.u(8).take_captured());
  ASSERT_EQ(v.size(), 9u);
  EXPECT_EQ(v[4], "     7      7 O    3         4     ");
  EXPECT_EQ(v[8], "** Zero_degrees_of_freedom_-_not_testable");
}

TEST(Homtst, SizeLimit) {
  LocusData d;
  d.np = 3;
  d.alleles = {1, 2, 3, 4};
  d.genos = {{1, 2, {1, 1, 1}}, {3, 4, {1, 1, 1}}};
  {
    // four types against a type limit of three
    RunState rs;
    rs.opt.exact = false;  // the chi-square blocks alone
    Work w;
    testing_stat::load(rs, w, d, 3);
    rs.param.mal = 3;
    homtst(rs, w);
    EXPECT_EQ(rs.u(8).take_captured(),
              "\nTEST_OF_HOMOGENEITY\n ** Cannot_be_performed\n"
              " ** subroutine_HOMTST_dimensioned_for_max._of   3 types\n");
  }
  {
    // three demes with data and at most 4 degrees of freedom: 4 div 2 + 1 = 3 types
    RunState rs;
    rs.opt.exact = false;  // the chi-square blocks alone
    Work w;
    testing_stat::load(rs, w, d);
    rs.param.mal = 3;
    rs.param.mxdgfr = 4;
    homtst(rs, w);
    EXPECT_EQ(lines_of(rs.u(8).take_captured()).back(),
              " ** subroutine_HOMTST_dimensioned_for_max._of   3 types");
  }
}

// More demes than the type limit: the column totals and expectations have one place per deme
// (bounds are checked in the test build, so a table sized by the type limit would abort here).
TEST(Homtst, MoreDemesThanTypeLimit) {
  RunState rs;
  rs.opt.exact = false;  // the chi-square blocks alone
  Work w;
  LocusData d;
  d.np = 5;
  d.alleles = {1, 2};
  d.genos = {{1, 1, {1, 2, 3, 4, 5}}, {2, 2, {1, 2, 3, 4, 5}}};
  testing_stat::load(rs, w, d, 2);
  rs.param.mal = 3;
  homtst(rs, w);
  auto v = lines_of(rs.u(8).take_captured());
  ASSERT_GE(v.size(), 15u);
  EXPECT_EQ(v[12], "Test_statistics                significance   (DF=   4)");
  EXPECT_EQ(v[14], "G          =    0.000 n.s.      0.050(*  )       9.488");
}

}  // namespace
}  // namespace tolm
