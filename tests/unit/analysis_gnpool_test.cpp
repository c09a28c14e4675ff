// Gene pools: the accumulators turned into averages over the loci, by hand; the gametic-sex
// lines; the report layout; a marked share stays marked; the tabular section that follows.
#include <gtest/gtest.h>

#include "analysis/gnpool.h"
#include "builder.h"

using namespace tolm;

namespace {

constexpr float NA = -9.999f;

struct Pool {
  RunState rs;
  Work w;
  Pool(int np, int nloc) {
    std::string names = "names", loci = "loci " + std::to_string(nloc);
    for (int d = 1; d <= np; ++d) names += " P" + std::to_string(d);
    for (int k = 1; k <= nloc; ++k) loci += " L" + std::to_string(k);
    testing_build::build(
        rs, w,
        "demes " + std::to_string(np) + "\n" + names + "\n" + loci + "\nmxall 20\niwidth 6\n");
    rs.opt.ci = false;  // the gene-pool report alone; its intervals have their own tests
    inpool(rs, w);
  }
  void choose(const std::string& analyses) {
    for (char c : analyses) rs.names.aprog(c - '0') = 'y';
    rs.param.iwithn = analyses.find_first_of("234") != std::string::npos;
    rs.param.ibetwn = analyses.find_first_of("567") != std::string::npos;
  }
};

bool has(const std::string& s, const std::string& part) {
  return s.find(part) != std::string::npos;
}

}  // namespace

TEST(GenePool, InpoolClearsEveryAccumulator) {
  Pool g(2, 2);
  g.w.gpdiv(2, 3) = 5;
  g.w.hgdiv(1, 1) = 7;
  g.w.gpga(3, 2) = NA;
  g.w.gpdfin(1) = 2;
  g.rs.param.igpdif(4) = 3;
  inpool(g.rs, g.w);
  EXPECT_EQ(g.w.gpdiv(2, 3), 0.0f);
  EXPECT_EQ(g.w.hgdiv(1, 1), 1.0f);  // a product starts at 1
  EXPECT_EQ(g.w.gpga(3, 2), 0.0f);
  EXPECT_EQ(g.w.gpdfin(1), 0.0f);
  EXPECT_EQ(g.rs.param.igpdif(4), 0);
}

// Diversities 2 and 4 at two loci: homozygosities 0.5 and 0.25, gene-pool diversity
// 2 / 0.75 = 2.667 (their harmonic mean) and hypothetical gametic diversity 2 * 4 = 8. The
// other measures are plain means over the loci, by hand.
TEST(GenePool, AveragesOverTheLoci) {
  Pool g(2, 2);
  g.choose("2356");
  g.rs.names.spdfin = g.rs.names.spdinf = 'y';
  g.rs.param.nys = 1;
  for (int d = 1; d <= 2; ++d) {
    g.w.kmbord(1, d) = g.w.kmbord(2, d) = 0;
    g.w.gpdiv(d, 3) = 0.5f + 0.25f;
    g.w.hgdiv(d, 3) = 2.0f * 4.0f;
  }
  g.w.gpdiv(2, 3) = NA;  // deme 2 lacked data at a locus
  g.w.hgdiv(2, 3) = NA;
  g.w.gpdet(1, 3) = 0.5f + 0.7f;
  g.w.gpdet(2, 3) = NA;
  g.w.gpga(2, 3) = 0.25f + 0.5f;  // demes 2 and 1
  g.w.gpcj(1, 3) = 0.5f + 0.25f;
  g.w.gpcj(2, 3) = 0.5f + 0.75f;
  g.w.gpfin(1, 3) = 0.2f + 0.4f;
  g.w.gpfin(2, 3) = 0.1f + 0.3f;
  g.w.gpinf(1, 3) = 0.3f;
  g.w.gpinf(2, 3) = 0.5f;
  g.w.gpdfin(3) = 0.8f;
  g.w.gpdinf(3) = NA;
  pargpl(g.rs, g.w);
  EXPECT_NEAR(g.w.gpdiv(1, 3), 2.6667f, 1e-4);
  EXPECT_EQ(g.w.hgdiv(1, 3), 8.0f);
  EXPECT_EQ(g.w.gpdiv(2, 3), NA);
  EXPECT_NEAR(g.w.deltat(1), 0.6f, 1e-6);
  EXPECT_EQ(g.w.deltat(2), NA);
  EXPECT_NEAR(g.w.ga(2), 0.375f, 1e-6);
  EXPECT_NEAR(g.w.djfin(1), 0.3f, 1e-6);
  EXPECT_NEAR(g.w.djinf(2), 0.25f, 1e-6);
  EXPECT_NEAR(g.w.gpdfin(3), 0.4f, 1e-6);
  EXPECT_EQ(g.w.gpdinf(3), NA);
  EXPECT_NEAR(g.w.gpcj(2, 3), 0.625f, 1e-6);

  const std::string out = g.rs.u(8).take_captured();
  const std::string want =
      "\n" + std::string(72, '*') + "\nGene_Pool\n" + std::string(72, '*') +
      "\n"
      "Deme   1: No_specification_of_gametic_sex_at_all_loci\n"
      "Deme   2: No_specification_of_gametic_sex_at_all_loci\n"
      "\n" +
      std::string(72, '=') + "\nGene_pool_of_identified_single-locus_genotypes\n" +
      std::string(72, '=') +
      "\n"
      "\n" +
      std::string(35, '-') + "\nMeasures_of_variation_within_demes\n" + std::string(35, '-') +
      "\n"
      "\n"
      "GENE_POOL_DIVERSITY_v_2\n"
      "Deme               1         2\n"
      "               2.667    -9.999\n"
      "\n"
      "HYPOTHETICAL_GAMETIC_DIVERSITY_v_gam\n"
      "Deme               1         2\n"
      "               8.000    -9.999\n"
      "           0.800E+01    -9.999\n"
      "\n"
      "TOTAL_POPULATION_DIFFERENTIATION_delta_T_OF_THE_GENE_POOL\n"
      "Deme               1         2\n"
      "               0.600    -9.999\n"
      "\n" +
      std::string(36, '-') + "\nMeasures_of_variation_between_demes\n" + std::string(36, '-') +
      "\n"
      "\n"
      "GENE_POOL_DISTANCE_d_0\n"
      "Deme               1         2\n"
      "           --------------------\n"
      "         1 |   0.000\n"
      "         2 |   0.375     0.000\n"
      "\n"
      "SUBPOPULATION_DIFFERENTIATION_D_j,_delta_OF_THE_GENE_POOL\n"
      "- Cj's_PROPORTIONAL_TO_DEME_SIZE\n"
      "Deme               1         2\n"
      "       Cj =    0.375     0.625\n"
      "       Dj =    0.300     0.200\n"
      "\n"
      "          delta =    0.400\n"
      "\n"
      "SUBPOPULATION_DIFFERENTIATION_D_j,_delta_OF_THE_GENE_POOL\n"
      "- Cj's_EQUAL\n"
      "Deme               1         2\n"
      "       Cj =    0.500     0.500\n"
      "       Dj =    0.150     0.250\n"
      "\n"
      "          delta =   -9.999\n";
  EXPECT_EQ(out, want);

  // Its section of the tabular file follows, with the averages as tabulated cells.
  const std::string tab = g.rs.u(29).take_captured();
  EXPECT_TRUE(has(tab, "GENE_POOL - ALLELE_FREQUENCIES            \n"));
  EXPECT_TRUE(has(tab,
                  "\t   2.6667\t   0.6000\t   0.3750\t   0.3000\t   0.4000\t       NA\t"
                  "   0.1500\t       NA\t\n"));
}

// Gametic sex at both loci in deme 1 but at one only in deme 2: the maternal and paternal
// pools cannot be formed, the pool of all alleles still is; blocks of iwidth demes.
TEST(GenePool, GameticSexPerDemeAndBlocks) {
  Pool g(3, 2);
  g.choose("2");
  g.rs.param.iwidth = 2;
  g.rs.param.nyw = g.rs.param.nym = g.rs.param.nys = 1;
  g.w.kmbord(1, 1) = g.w.kmbord(2, 1) = 1;
  g.w.kmbord(1, 2) = 1;
  g.w.kmbord(1, 3) = g.w.kmbord(2, 3) = 1;
  for (int d = 1; d <= 3; ++d) g.w.gpdiv(d, 3) = 1.0f;
  pargpl(g.rs, g.w);
  const std::string out = g.rs.u(8).take_captured();
  EXPECT_TRUE(has(out,
                  "Deme   1:    Specification_of_gametic_sex_at_all_loci\n"
                  "Deme   2:    Specification_of_gametic_sex_at_some_but_not_all_loci\n"
                  "Deme   3:    Specification_of_gametic_sex_at_all_loci\n"
                  "\n** Maternal_gene_pool_not_determinable\n"
                  "\n** Paternal_gene_pool_not_determinable\n"
                  "\n========"));
  EXPECT_TRUE(has(out,
                  "Deme               1         2\n"
                  "               2.000     2.000\n"
                  "\n"
                  "Deme               3\n"
                  "               2.000\n"));
  EXPECT_EQ(g.rs.param.mal, 4);  // the loop over the three kinds ran to its end
  // One section of the tabular file: only the pool of all alleles was formed.
  const std::string tab = g.rs.u(29).take_captured();
  EXPECT_TRUE(has(tab, "GENE_POOL - ALLELE_FREQUENCIES"));
  EXPECT_FALSE(has(tab, "MATERNAL"));
}

// A share C_j marked missing at some locus stays missing, even when the frequency report did
// not run (and so did not flag the kind): divided by nine loci it would read -1.111.
TEST(GenePool, MarkedShareStaysMarked) {
  Pool g(2, 9);
  g.choose("6");
  g.rs.names.spdfin = 'y';
  g.rs.param.nys = 1;
  g.w.gpcj(1, 3) = NA;
  g.w.gpcj(2, 3) = 4.5f;
  g.w.gpdfin(3) = 0.9f;
  pargpl(g.rs, g.w);
  const std::string out = g.rs.u(8).take_captured();
  EXPECT_TRUE(has(out, "       Cj =   -9.999     0.500\n"));
  EXPECT_FALSE(has(out, "-1.111"));
  const std::string tab = g.rs.u(29).take_captured();
  EXPECT_TRUE(has(tab, "1        \t\"P1                  \"\t       NA\t"));
  EXPECT_TRUE(has(tab, "2        \t\"P2                  \"\t   0.5000\t"));
}

// Demes without data at the last locus: no differentiation of the pool; a single deme: the
// between-demes part is one line.
TEST(GenePool, UndeterminableDifferentiationAndSingleDeme) {
  Pool g(2, 2);
  g.choose("6");
  g.rs.names.spdfin = 'y';
  g.rs.param.nys = 1;
  g.rs.param.igpdif(3) = 1;
  g.w.gpfin(1, 3) = 0.4f;
  pargpl(g.rs, g.w);
  EXPECT_EQ(g.w.djfin(1), NA);
  const std::string out = g.rs.u(8).take_captured();
  EXPECT_TRUE(has(out,
                  "\nSUBPOPULATION_DIFFERENTIATION_D_j,_delta_OF_THE_GENE_POOL\n"
                  "**   1 of_the_demes_unknown - No_calculations_possible\n"));
  EXPECT_FALSE(has(out, "Cj ="));

  Pool one(1, 2);
  one.choose("56");
  one.rs.param.nys = 1;
  pargpl(one.rs, one.w);
  const std::string o1 = one.rs.u(8).take_captured();
  const std::string tail = "Measures_of_variation_between_demes\n" + std::string(36, '-') +
                           "\n ** Not_calculable_for_a_single_deme\n";
  EXPECT_EQ(o1.substr(o1.size() - tail.size()), tail);
}
