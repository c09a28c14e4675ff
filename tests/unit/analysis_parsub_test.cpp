// Measures of variation within and between demes: each measure on tiny data worked out by hand,
// the marker for demes without data, the gene-pool sums over two loci, and the report layout.
//
// The counts are put on the scratch channels with the record numbers the counting step uses, so
// these tests also hold the reading side to that layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/parsub.h"
#include "analysis/parsub_measures.h"
#include "builder.h"

using namespace tolm;

namespace {

constexpr float kAst = -9.999f;

class Parsub : public ::testing::Test {
 protected:
  RunState rs;
  Work w;

  // A run of `np` data demes and `nc` locus combinations, all demes shown in the order `nprb`,
  // gene-pool sums cleared as at the start of a run.
  void demes(int np, int nc, const std::vector<int>& nprb) {
    std::string shown = "shown";
    for (int d : nprb) shown += " " + std::to_string(d);
    testing_build::build(
        rs, w,
        "demes " + std::to_string(np) + "\nloci " + std::to_string(nc) + "\n" + shown + "\n");
    w.hgdiv.fill(1.0f);
  }

  // Counts of combination kc and kind mal: counts[p-1][k] is the count of type k in data deme
  // p, type 0 the unidentified genes (genotypes). Sets the deme sizes as the driver would.
  void counts(int kc, int mal, const std::vector<std::vector<int>>& c) {
    Param& q = rs.param;
    q.kc = kc;
    q.mal = mal;
    long ntyp = 0;
    for (size_t p = 1; p <= c.size(); ++p) {
      int sum = 0;
      for (size_t k = 0; k < c[p - 1].size(); ++k) {
        const long base = static_cast<long>(k) * q.nc + kc - 1;
        const int v = c[p - 1][k];
        if (mal == 4)
          swrite(rs, 22, static_cast<long>(p) + base * q.np, v);
        else
          swrite(rs, 20, (base * q.np + static_cast<long>(p) - 1) * 3 + mal, v);
        sum += v;
        ntyp = std::max(ntyp, static_cast<long>(k));
      }
      const int nsam = mal == 3 ? sum / 2 : sum;
      for (int i = 1; i <= q.maxp; ++i)
        if (w.nprb(i) == static_cast<int>(p)) w.nsam(i) = nsam;
    }
    (mal == 4 ? w.nptr2(kc) : w.nptr1(kc)) = static_cast<int>(ntyp);
  }

  std::string report() { return rs.u(8).take_captured(); }

  // Three data demes of 4, 2 and 2 genes of two alleles: A (3, 1) with one individual of unknown
  // genotype, B (0, 2), C (1, 1); shown in the order A, B, C as data demes 2, 3, 1.
  void three_demes() {
    demes(3, 1, {2, 3, 1});
    counts(1, 3, {{0, 1, 1}, {2, 3, 1}, {0, 0, 2}});
  }
};

TEST_F(Parsub, WithinDemeMeasuresOfTwoDemesOfFourGenes) {
  // Genotype counts (2, 2) and (3, 1).
  demes(2, 1, {1, 2});
  counts(1, 4, {{0, 2, 2}, {0, 3, 1}});
  parsub(rs, w);
  EXPECT_EQ(w.nsum(1), 4);
  EXPECT_FLOAT_EQ(w.div(1), 2.0f);             // 1 / (1/4 + 1/4)
  EXPECT_FLOAT_EQ(w.div(2), 1.6f);             // 1 / (9/16 + 1/16)
  EXPECT_NEAR(w.deltat(1), 8.0 / 12.0, 1e-6);  // (2*2 + 2*2) / (4*3)
  EXPECT_FLOAT_EQ(w.deltat(2), 0.5f);          // (3*1 + 1*3) / (4*3)
  EXPECT_EQ(w.nposty(2), 2);
  EXPECT_EQ(w.mxityp(2), 3);
  // Evenness of (2, 2): the plateau of 2 types fits exactly.
  EXPECT_FLOAT_EQ(w.aevfin(1), 1.0f);
  EXPECT_FLOAT_EQ(w.revfin(1), 1.0f);
  EXPECT_EQ(w.mnfin1(1), 2);
  EXPECT_EQ(w.mninf2(1), 2);
  // Evenness of (3, 1): plateaus 1 and 2 are both 2 away; the first one is kept.
  EXPECT_FLOAT_EQ(w.aevfin(2), 0.75f);
  EXPECT_FLOAT_EQ(w.revfin(2), 0.5f);
  EXPECT_EQ(w.mnfin1(2), 1);
  EXPECT_EQ(w.mnfin2(2), 1);
  EXPECT_FLOAT_EQ(w.aevinf(2), 0.75f);
  // d_0 = (|.5 - .75| + |.5 - .25|) / 2; with two demes D_j is that distance for both.
  EXPECT_FLOAT_EQ(w.ga(2), 0.25f);
  EXPECT_FLOAT_EQ(w.ga(1), 0.0f);
  EXPECT_FLOAT_EQ(w.ga(3), 0.0f);
  EXPECT_FLOAT_EQ(w.cj(1), 0.5f);
  EXPECT_FLOAT_EQ(w.djfin(1), 0.25f);
  EXPECT_FLOAT_EQ(w.djinf(2), 0.25f);
  EXPECT_FLOAT_EQ(w.delfin, 0.25f);
  EXPECT_FLOAT_EQ(w.delinf, 0.25f);
  // Genotypes do not enter the gene pool.
  EXPECT_FLOAT_EQ(w.gpdiv(1, 1), 0.0f);
  EXPECT_FLOAT_EQ(w.gpga(2, 1), 0.0f);
  // The count table: deme 1 has two types seen twice, deme 2 one seen 3 times and one once.
  EXPECT_EQ(sread(rs, 27, 1 + 1 * 2), 2);
  EXPECT_EQ(sread(rs, 27, 2 + 0 * 2), 1);
  EXPECT_EQ(sread(rs, 27, 2 + 2 * 2), 1);
  EXPECT_EQ(sread(rs, 27, 2 + 1 * 2), 0);
}

TEST_F(Parsub, BetweenDemeMeasuresForBothWeightings) {
  three_demes();
  parsub(rs, w);
  EXPECT_EQ(w.nsum(1), 4);  // 2 * 3 individuals - 2 genes of the unknown genotype
  EXPECT_FLOAT_EQ(w.cj(1), 0.5f);
  EXPECT_FLOAT_EQ(w.cj(3), 0.25f);
  EXPECT_FLOAT_EQ(w.div(2), 1.0f);
  EXPECT_FLOAT_EQ(w.deltat(2), 0.0f);
  EXPECT_FLOAT_EQ(w.deltat(3), 1.0f);
  // Distances: A-B 0.75, A-C 0.25, B-C 0.5.
  EXPECT_FLOAT_EQ(w.ga(2), 0.75f);
  EXPECT_FLOAT_EQ(w.ga(4), 0.25f);
  EXPECT_FLOAT_EQ(w.ga(5), 0.5f);
  EXPECT_FLOAT_EQ(w.ga(6), 0.0f);
  // D_j is the distance from the pooled genes of the other demes: A vs (1, 3)/4, B vs (4, 2)/6,
  // C vs (3, 3)/6.
  EXPECT_FLOAT_EQ(w.djfin(1), 0.5f);
  EXPECT_NEAR(w.djfin(2), 2.0 / 3.0, 1e-6);
  EXPECT_NEAR(w.djfin(3), 0.0, 1e-6);
  EXPECT_NEAR(w.delfin, 0.5 * 0.5 + 0.25 * 2.0 / 3.0, 1e-6);
  // ... and with equal weights from the mean of the others' frequencies: A vs (.25, .75),
  // B vs (.625, .375), C vs (.375, .625).
  EXPECT_NEAR(w.djinf(1), 0.5, 1e-6);
  EXPECT_NEAR(w.djinf(2), 0.625, 1e-6);
  EXPECT_NEAR(w.djinf(3), 0.125, 1e-6);
  EXPECT_NEAR(w.delinf, 1.25 / 3.0, 1e-6);
  // The allele kinds feed the gene-pool sums.
  EXPECT_FLOAT_EQ(w.gpcj(1, 3), 0.5f);
  EXPECT_FLOAT_EQ(w.gpdiv(1, 3), 0.625f);  // homozygosity, not v_2
  EXPECT_FLOAT_EQ(w.hgdiv(1, 3), 1.6f);
  EXPECT_FLOAT_EQ(w.gpdet(3, 3), 1.0f);
  EXPECT_FLOAT_EQ(w.gpfin(1, 3), 0.5f);
  EXPECT_NEAR(w.gpinf(2, 3), 0.625, 1e-6);
  EXPECT_FLOAT_EQ(w.gpga(2, 3), 0.75f);
  EXPECT_NEAR(w.gpdfin(3), w.delfin, 1e-7);
  EXPECT_EQ(rs.param.ispdif, 0);
}

TEST_F(Parsub, DemesSharingNoTypeAndIdenticalDemes) {
  demes(3, 1, {1, 2, 3});
  counts(1, 1, {{0, 3, 0}, {0, 0, 3}, {0, 0, 3}});
  parsub(rs, w);
  EXPECT_FLOAT_EQ(w.ga(2), 1.0f);  // 1 and 2 share nothing
  EXPECT_FLOAT_EQ(w.ga(5), 0.0f);  // 2 and 3 are identical

  demes(2, 1, {1, 2});
  counts(1, 1, {{0, 2, 0}, {0, 0, 2}});
  parsub(rs, w);
  EXPECT_FLOAT_EQ(w.cj(1), 0.5f);
  EXPECT_FLOAT_EQ(w.djfin(1), 1.0f);
  EXPECT_FLOAT_EQ(w.djinf(2), 1.0f);
  EXPECT_FLOAT_EQ(w.delfin, 1.0f);
  EXPECT_FLOAT_EQ(w.delinf, 1.0f);
}

TEST_F(Parsub, DemeWithoutDataIsMarkedAndStaysMarkedInTheGenePool) {
  // Maternal contributions at two loci; data deme 2 has none identified at the first locus.
  demes(3, 2, {1, 2, 3});
  counts(1, 1, {{0, 2, 2}, {3, 0, 0}, {1, 0, 1}});
  parsub(rs, w);
  EXPECT_EQ(rs.param.ispdif, 1);
  EXPECT_EQ(rs.param.igpdif(1), 1);
  EXPECT_FLOAT_EQ(w.div(2), kAst);
  EXPECT_FLOAT_EQ(w.deltat(2), kAst);
  EXPECT_FLOAT_EQ(w.aevfin(2), kAst);
  EXPECT_FLOAT_EQ(w.revinf(2), kAst);
  EXPECT_EQ(w.mnfin1(2), 0);
  EXPECT_EQ(w.mninf2(2), 0);
  for (long e : {2L, 3L, 5L}) EXPECT_FLOAT_EQ(w.ga(e), kAst) << e;  // row, diagonal, column
  EXPECT_FLOAT_EQ(w.ga(4), 0.5f);  // demes 1 and 3: (.5, .5) against (0, 1)
  EXPECT_FLOAT_EQ(w.div(3), 1.0f);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_FLOAT_EQ(w.cj(i), kAst);
    EXPECT_FLOAT_EQ(w.djfin(i), kAst);
    EXPECT_FLOAT_EQ(w.djinf(i), kAst);
    EXPECT_FLOAT_EQ(w.gpfin(i, 1), kAst);
    EXPECT_FLOAT_EQ(w.gpcj(i, 1), kAst);
  }
  EXPECT_FLOAT_EQ(w.delfin, kAst);
  EXPECT_FLOAT_EQ(w.gpdinf(1), kAst);
  EXPECT_FLOAT_EQ(w.gpdiv(2, 1), kAst);
  EXPECT_FLOAT_EQ(w.hgdiv(2, 1), kAst);
  EXPECT_FLOAT_EQ(w.gpdiv(1, 1), 0.5f);

  // The second locus has data everywhere: marked sums stay marked, the others add up.
  counts(2, 1, {{0, 4, 0}, {0, 1, 1}, {0, 2, 0}});
  parsub(rs, w);
  EXPECT_EQ(rs.param.ispdif, 0);
  EXPECT_EQ(rs.param.igpdif(1), 0);
  EXPECT_FLOAT_EQ(w.div(2), 2.0f);
  EXPECT_FLOAT_EQ(w.gpdiv(2, 1), kAst);
  EXPECT_FLOAT_EQ(w.hgdiv(2, 1), kAst);
  EXPECT_FLOAT_EQ(w.gpga(2, 1), kAst);
  EXPECT_FLOAT_EQ(w.gpdiv(1, 1), 1.5f);  // 0.5 + 1
  EXPECT_FLOAT_EQ(w.hgdiv(1, 1), 2.0f);  // 2 * 1
  EXPECT_FLOAT_EQ(w.gpga(4, 1), 0.5f);   // 0.5 + 0
  EXPECT_FLOAT_EQ(w.gpfin(1, 1), kAst);
  EXPECT_FLOAT_EQ(w.gpdfin(1), kAst);
  EXPECT_GT(w.djfin(2), 0.0f);  // computed for the locus itself
}

TEST_F(Parsub, DemeOfOneGene) {
  demes(2, 1, {1, 2});
  counts(1, 1, {{0, 1}, {0, 1, 1}});
  parsub(rs, w);
  EXPECT_FLOAT_EQ(w.deltat(1), kAst);
  EXPECT_FLOAT_EQ(w.div(1), 1.0f);
  EXPECT_FLOAT_EQ(w.aevfin(1), 1.0f);
  EXPECT_FLOAT_EQ(w.revinf(1), 1.0f);
  EXPECT_EQ(w.mnfin1(1), 1);
  EXPECT_FLOAT_EQ(w.gpdet(1, 1), kAst);  // its marker marks the gene-pool sum
  EXPECT_FLOAT_EQ(w.gpdet(2, 1), 1.0f);
}

TEST_F(Parsub, SingleDeme) {
  demes(1, 1, {1});
  counts(1, 4, {{1, 2, 1}});
  parsub(rs, w);
  EXPECT_FLOAT_EQ(w.cj(1), 1.0f);
  EXPECT_FLOAT_EQ(w.djfin(1), 0.0f);
  EXPECT_FLOAT_EQ(w.djinf(1), 0.0f);
  EXPECT_FLOAT_EQ(w.delfin, 0.0f);
  EXPECT_FLOAT_EQ(w.ga(1), 0.0f);
  EXPECT_EQ(w.nsum(1), 3);

  rs.param.ibetwn = 1;
  rs.names.aprog(5) = rs.names.aprog(6) = 'y';
  rs.names.spdfin = 'y';
  report();
  parout(rs, w);
  EXPECT_EQ(report(),
            "\n-----------------------------------\nMeasures_of_variation_between_demes\n"
            "-----------------------------------\n** Not_calculable_for_a_single_deme\n");
}

TEST_F(Parsub, MoreThan500TypesInADemeLeaveItsEvennessUndefined) {
  std::vector<int> many(502, 1);
  many[0] = 0;  // 501 types seen once
  demes(2, 1, {1, 2});
  counts(1, 4, {{0, 3, 1}, many});
  rs.names.aprog(4) = rs.names.evefin = 'y';
  parsub(rs, w);
  const std::string out = report();
  EXPECT_EQ(out.substr(0, out.find("EVENNESS")),
            "   ** Tried to calculate plateau with more than\n"
            "**  500       types for deme   2\n");
  EXPECT_NE(out.find("absolute_e     0.750    -9.999\n"), std::string::npos) << out;
  EXPECT_NE(out.find("for_No.types       1        -9\n"), std::string::npos) << out;
  EXPECT_FLOAT_EQ(w.revinf(2), kAst);
  EXPECT_EQ(w.mninf2(2), -9);
  EXPECT_NEAR(w.div(2), 501.0, 0.05);  // the other measures stand
}

TEST_F(Parsub, CountTableOfAnEarlierCallIsNotTakenOver) {
  // A first combination leaves cells behind; a second with other counts must not see them.
  demes(2, 2, {1, 2});
  counts(1, 4, {{0, 3, 3, 3}, {0, 1, 1, 1}});
  parsub(rs, w);
  counts(2, 4, {{0, 4}, {0, 5, 1}});
  parsub(rs, w);
  EXPECT_EQ(w.mnfin1(1), 1);  // (4) alone, not (4, 3, 3, 3)
  EXPECT_FLOAT_EQ(w.aevfin(1), 1.0f);
  // (5, 1): plateau 1 is |6 - 5| + 1 = 2 away, plateau 2 (3, 3) is 4 away.
  EXPECT_EQ(w.mnfin1(2), 1);
  EXPECT_NEAR(w.aevfin(2), 1.0 - 2.0 / 12.0, 1e-6);
}

TEST(Evenness, FiniteAndInfinitePlateausDiffer) {
  // (2, 1): whole genes fit the plateau (2, 1) exactly; exact shares 1.5 are 1 away.
  const int n21[] = {2, 1};
  const Evenness e = evenness(n21, 2, 3);
  EXPECT_FLOAT_EQ(e.aevfin, 1.0f);
  EXPECT_EQ(e.mnfin1, 2);
  EXPECT_NEAR(e.aevinf, 1.0 - 1.0 / 6.0, 1e-6);
  EXPECT_NEAR(e.revinf, 1.0 - 1.0 / 3.0, 1e-6);
  EXPECT_EQ(e.mninf1, 2);
  EXPECT_EQ(e.mninf2, 2);
  // (6, 1, 1): one dominant type, plateau 1 is best (distance 4) for both.
  const int n611[] = {6, 1, 1};
  const Evenness f = evenness(n611, 3, 8);
  EXPECT_FLOAT_EQ(f.aevfin, 0.75f);
  EXPECT_EQ(f.mnfin1, 1);
  EXPECT_FLOAT_EQ(f.revinf, 0.5f);
  EXPECT_EQ(f.mninf1, 1);
}

TEST(GenePoolRule, MarkedEntriesStayMarkedAndMarkersMark) {
  float a = 1.0f;
  gpadd(a, 0.5f, kAst);
  EXPECT_FLOAT_EQ(a, 1.5f);
  gpadd(a, kAst, kAst);
  EXPECT_FLOAT_EQ(a, kAst);
  gpadd(a, 20.0f, kAst);  // no later sum may lift it above the threshold again
  EXPECT_FLOAT_EQ(a, kAst);
  float h = 2.0f;
  gpmul(h, 3.0f, kAst);
  EXPECT_FLOAT_EQ(h, 6.0f);
  gpmul(h, kAst, kAst);
  gpmul(h, -1.0f, kAst);
  EXPECT_FLOAT_EQ(h, kAst);
}

TEST(DeltaT, LargeDemesKeepTheirPairCount) {
  // 60000 genes split 30000/30000: n(n - 1) exceeds 32 bits.
  const float sum = 2.0f * 30000.0f * 30000.0f;
  EXPECT_NEAR(deltat_of(sum, 60000, kAst), 0.500008, 1e-5);
  EXPECT_FLOAT_EQ(deltat_of(0.0f, 1, kAst), kAst);
}

TEST_F(Parsub, ReportInBlocksOfTwoDemes) {
  three_demes();
  rs.param.iwidth = 2;
  rs.param.iwithn = rs.param.ibetwn = 1;
  for (int k = 2; k <= 6; ++k) rs.names.aprog(k) = 'y';
  rs.names.evefin = rs.names.eveinf = rs.names.spdfin = rs.names.spdinf = 'y';
  parsub(rs, w);
  const std::string expected = R"(
-----------------------------------
Measures_of_variation_within_demes
-----------------------------------

DIVERSITY_v_2
Deme               2         3
               1.600     1.000

Deme               1
               2.000

TOTAL_POPULATION_DIFFERENTIATION_delta_T
Deme               2         3
               0.500     0.000

Deme               1
               1.000
EVENNESS_e_FOR_FINITE_POPULATION_SIZE
Deme               2         3
absolute_e     0.750     1.000
relative_e     0.500     1.000
for_No.types       1         1
  
Deme               1
absolute_e     1.000
relative_e     1.000
for_No.types       2
EVENNESS_e_FOR_INFINITE_POPULATION_SIZE
Deme               2         3
absolute_e     0.750     1.000
relative_e     0.500     1.000
for_No.types       1         1
  
Deme               1
absolute_e     1.000
relative_e     1.000
for_No.types       2

-----------------------------------
Measures_of_variation_between_demes
-----------------------------------

GENETIC_DISTANCE_d_0
Deme               2         3
           --------------------
         2 |   0.000
         3 |   0.750     0.000
         1 |   0.250     0.500

Deme               1
           ----------
         1 |   0.000

SUBPOPULATION_DIFFERENTIATION_D_j,_delta
- RELATIVE_SUBPOPULATION_SIZE_PROPORTIONAL_TO_DEME_SIZE
Deme               2         3
        Cj=    0.500     0.250
        Dj=    0.500     0.667
  
Deme               1
        Cj=    0.250
        Dj=    0.000
  
        delta=    0.417

SUBPOPULATION_DIFFERENTIATION_D_j,_delta
- RELATIVE_SUBPOPULATION_SIZES_ALL_EQUAL_TO_(1/NO._SUBPOPS)
Deme               2         3
        Cj=    0.333     0.333
        Dj=    0.500     0.625
  
Deme               1
        Cj=    0.333
        Dj=    0.125
  
        delta=    0.417
)";
  EXPECT_EQ(report(), expected);
}

TEST_F(Parsub, ReportOfDemeWithoutData) {
  demes(2, 1, {1, 2});
  counts(1, 4, {{0, 1, 1}, {2}});
  rs.param.iwidth = 6;
  rs.param.ibetwn = 1;
  rs.names.aprog(5) = rs.names.aprog(6) = 'y';
  rs.names.spdfin = 'y';
  parsub(rs, w);
  EXPECT_EQ(report(), R"(
-----------------------------------
Measures_of_variation_between_demes
-----------------------------------

GENETIC_DISTANCE_d_0
Deme               1         2
           --------------------
         1 |   0.000
         2 |  -9.999    -9.999

SUBPOPULATION_DIFFERENTIATION_D_j,_delta
**   1 of_the_demes_unknown - No_calculations_possible
)");
}

}  // namespace
