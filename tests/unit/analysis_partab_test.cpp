// Parameter tables: the cells of the measures table, the layout of each section of the tabular
// file on tiny hand-made counts and measures, the kind titles, alpha per deme and the snail
// directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "analysis/partab.h"
#include "builder.h"

using namespace tolm;

namespace {

constexpr float NA = -9.999f;

// A run of np demes and nl loci with every unit the section writes captured.
struct Tab {
  RunState rs;
  Work w;
  Tab(int np, int nl) {
    std::string loci = "loci " + std::to_string(nl);
    for (int l = 1; l <= nl; ++l) loci += " Loc" + std::string(1, static_cast<char>('A' + l - 1));
    testing_build::build(rs, w, "demes " + std::to_string(np) + "\n" + loci + "\nmxall 50\n");
    for (int d = 1; d <= np; ++d) w.prbnam(d) = "Deme " + std::to_string(d);
  }
  void choose(const std::string& analyses) {
    for (char c : analyses) rs.names.aprog(c == '0' ? 10 : c - '0') = 'y';
  }
  // Count files of combination kc: haplotype h with its alleles, its count at position m of
  // deme kp; genotypes by their haplotype pair; positions of the sorted orders.
  void haplo(int kc, int h, std::vector<int> alleles) {
    for (size_t j = 0; j < alleles.size(); ++j)
      swrite(rs, 21, rs.param.mxnrlc * (rs.param.nc * h + kc - 1) + static_cast<long>(j) + 1,
             alleles[j]);
    w.nptr1(kc) = std::max(w.nptr1(kc), h);
  }
  void hcount(int kc, int h, int kp, int m, int n) {
    long np = rs.param.np, nc = rs.param.nc;
    swrite(rs, 20, 3 * (np * (nc * h + kc - 1) + kp - 1) + m, n);
  }
  void geno(int kc, int g, int h1, int h2) {
    swrite23(rs, rs.param.nc * g + kc, h1, h2);
    w.nptr2(kc) = std::max(w.nptr2(kc), g);
  }
  void gcount(int kc, int g, int kp, int n) {
    long np = rs.param.np, nc = rs.param.nc;
    swrite(rs, 22, np * (nc * g + kc - 1) + kp, n);
  }
  void order(int ch, int kc, int pos, int type) { swrite(rs, ch, rs.param.nc * pos + kc, type); }
  std::string run(int ipool = 0) {
    partab(rs, w, ipool);
    return rs.u(29).take_captured();
  }
};

// The measures head row and the lines of one section, split at line ends.
std::vector<std::string> lines(const std::string& s) {
  std::vector<std::string> v;
  size_t a = 0;
  for (size_t b; (b = s.find('\n', a)) != std::string::npos; a = b + 1)
    v.push_back(s.substr(a, b - a));
  return v;
}

std::string head_row(const std::string& section) {
  for (const auto& l : lines(section))
    if (l.rfind("Deme_No. \t DemeName", 0) == 0) return l;
  return "";
}

std::string row_of(const std::string& section, const std::string& start) {
  for (const auto& l : lines(section))
    if (l.rfind(start, 0) == 0) return l;
  return "";
}

}  // namespace

TEST(PartabCells, MissingFourDecimalsAndOverflow) {
  EXPECT_EQ(acell(NA), "       NA");
  EXPECT_EQ(acell(-9.0f), "       NA");  // the threshold itself is missing
  EXPECT_EQ(acell(-8.5f), "  -8.5000");
  EXPECT_EQ(acell(0.0f), "   0.0000");
  EXPECT_EQ(acell(2.0f / 3.0f), "   0.6667");
  EXPECT_EQ(acell(1000.25f), "1000.2500");  // nine characters exactly
  EXPECT_EQ(acell(12345.0f), "*********");  // does not fit
  EXPECT_EQ(acell(-0.25f), "  -0.2500");
  Arr2<std::string> aresu(1, 2, 1, 21);
  aresult(aresu, 0.125f, 2, 7);
  EXPECT_EQ(aresu(2, 7), "   0.1250");
  // The snails read the cells back: the value as tabulated, rounded to 4 decimals.
  EXPECT_FLOAT_EQ(cellval(acell(1.0f / 3.0f)), 0.3333f);
  EXPECT_FLOAT_EQ(cellval("       NA"), 0.0f);
}

// One allele section of a single locus: two of three demes shown (1 and 3). Allele 105 occurs
// only in deme 2, which is not shown, so it has no row; deme 3 has no identified allele, so its
// relative frequencies and their sum are "NA" instead of a division by zero.
TEST(PartabLayout, SingleLocusAlleleSection) {
  Tab t(3, 1);
  auto& p = t.rs.param;
  p.nc = 1;
  p.mxnrlc = 1;
  p.kc = 1;
  p.mal = 3;
  p.maxp = 2;
  t.w.nprb(1) = 1;
  t.w.nprb(2) = 3;
  t.w.nrloc(1) = 1;
  t.w.loccmb(1, 1) = 1;
  t.w.prbnam(1) = "Alpha deme";
  t.w.prbnam(3) = "A deme name longer than twenty";
  t.choose("125");
  t.haplo(1, 1, {100});
  t.haplo(1, 2, {98});
  t.haplo(1, 3, {105});
  t.order(24, 1, 1, 2);  // sorted: 98, 100, 105
  t.order(24, 1, 2, 1);
  t.order(24, 1, 3, 3);
  t.hcount(1, 1, 1, 3, 3);
  t.hcount(1, 2, 1, 3, 1);
  t.hcount(1, 3, 2, 3, 2);
  t.w.nsum(1) = 4;  // genes: two identified individuals
  t.w.nsum(2) = 0;
  t.w.div(1) = 1.6f;
  t.w.div(2) = NA;
  t.w.ga(1) = 0.0f;
  t.w.ga(2) = NA;
  t.w.ga(3) = 0.0f;
  const std::string want =
      "\n"
      "LOCUS_NO. 1  \t\"LocA\"\n"
      "ALLELE_FREQUENCIES            \n"
      "\n"
      "Absolute_frequencies:\n"
      "Deme_No. \t        1\t        3\t\n"
      "Type_1   \t        1\t        0\t    \"{  98 }\"\n"
      "Type_2   \t        3\t        0\t    \"{ 100 }\"\n"
      "Sum       \t        4\t        0\t\n"
      "\n"
      "Relative_frequencies:\n"
      "Deme_No. \t        1\t        3\t\n"
      "Type_1   \t    0.250\t       NA\t    \"{  98 }\"\n"
      "Type_2   \t    0.750\t       NA\t    \"{ 100 }\"\n"
      "Sum       \t    1.000\t       NA\t\n"
      "\n"
      "Measures_of_genetic_variation:\n"
      "Deme_No. \t DemeName             \t DemeSize\t    Alpha\tAlpha-HWP\tv2-Divers\t\n"
      "1        \t\"Alpha deme          \"\t        4\t   1.0000\t   1.0000\t   1.6000\t\n"
      "3        \t\"A deme name longer t\"\t        0\t       NA\t       NA\t       NA\t\n"
      "\n"
      "Genetic_distance_d_0\n"
      "Deme_No. \t        1\t        3\t\n"
      "1         \t   0.0000\t\n"
      "3         \t       NA\t   0.0000\t\n";
  EXPECT_EQ(t.run(), want);
}

// A genotype of alleles 1 and 2 ends its row with four blanks, a quote, "{", a blank, "  1",
// a blank, "  2", two blanks, "}" and a quote; the heterozygosity of a single locus gives two
// columns.
TEST(PartabLayout, SingleLocusGenotypeRowAndHeterozygosity) {
  Tab t(2, 1);
  auto& p = t.rs.param;
  p.nc = p.mxnrlc = p.kc = 1;
  p.mal = 4;
  p.maxp = 2;
  t.w.nprb(1) = 1;
  t.w.nprb(2) = 2;
  t.w.nrloc(1) = 1;
  t.w.loccmb(1, 1) = 1;
  t.choose("18");
  t.haplo(1, 1, {1});
  t.haplo(1, 2, {2});
  t.geno(1, 1, 1, 2);
  t.order(25, 1, 1, 1);
  t.gcount(1, 1, 1, 5);
  t.w.nsum(1) = 5;
  t.w.nsum(2) = 0;
  t.w.het(1) = 1.0f;
  t.w.het(2) = NA;
  t.w.chet(1) = NA;  // monomorphic deme
  t.w.chet(2) = NA;
  const std::string s = t.run();
  EXPECT_EQ(row_of(s, "Type_1"), "Type_1   \t        5\t        0\t    \"{   1   2  }\"");
  EXPECT_NE(s.find("\nGENOTYPE_FREQUENCIES          \n\nAbsolute_frequency_distribution:\n"),
            std::string::npos);
  EXPECT_NE(s.find("\nRelative_frequency_distribution:\n"), std::string::npos);
  EXPECT_EQ(head_row(s),
            "Deme_No. \t DemeName             \t DemeSize\t    Alpha\tAlpha-HWP\tPropHeter\t"
            "CondHeter\t");
  // Genotypes: alpha of 5 identified individuals and alpha-HWP of their 10 genes.
  EXPECT_EQ(row_of(s, "1        \t"),
            "1        \t\"Deme 1              \"\t        5\t   1.0000\t   0.3340\t   1.0000\t"
            "       NA\t");
}

// Every column head of a combination's measures table, in the order of the plan; with a
// single deme shown the differentiation columns are left out even when chosen.
TEST(PartabLayout, ColumnPlanAndMissingCells) {
  Tab t(2, 1);
  auto& p = t.rs.param;
  p.nc = p.mxnrlc = p.kc = 1;
  p.mal = 4;
  p.maxp = 2;
  t.w.nprb(1) = 1;
  t.w.nprb(2) = 2;
  t.w.nrloc(1) = 1;
  t.w.loccmb(1, 1) = 1;
  t.choose("12345678");
  t.rs.names.evefin = t.rs.names.eveinf = 'y';
  t.rs.names.spdfin = t.rs.names.spdinf = 'y';
  t.w.nsum(1) = 117;
  t.w.nsum(2) = 972;
  t.w.aevfin(1) = 0.75f;
  t.w.revfin(1) = 0.5f;
  t.w.mnfin1(1) = 1;
  t.w.aevfin(2) = NA;  // evenness missing: its number of types is missing too
  t.w.revfin(2) = NA;
  t.w.mnfin1(2) = 0;
  t.w.aevinf(1) = t.w.aevinf(2) = 1.0f;
  t.w.mninf1(1) = 2;
  t.w.mninf1(2) = 3;
  t.w.cj(1) = 0.25f;
  t.w.cj(2) = 0.75f;
  t.w.djfin(1) = 0.75f;
  t.w.djfin(2) = 0.25f;
  t.w.delfin = 0.375f;
  t.w.delinf = NA;  // equal weights undefined: their Cj is missing as well
  const std::string s = t.run();
  EXPECT_EQ(head_row(s),
            "Deme_No. \t DemeName             \t DemeSize\t    Alpha\tAlpha-HWP\tv2-Divers\t"
            "   deltaT\tEvnFinAbs\tEvnFinRel\tEvnFinNum\tEvnInfAbs\tEvnInfRel\tEvnInfNum\t"
            " CjDemSiz\t DjDemSiz\t deltaDmS\t CjEquSiz\t DjEquSiz\t deltaEqS\tPropHeter\t"
            "CondHeter\t");
  EXPECT_EQ(row_of(s, "2        \t"),
            "2        \t\"Deme 2              \"\t      972\t   0.0080\t   0.0080\t   0.0000\t"
            "   0.0000\t       NA\t       NA\t       NA\t   1.0000\t   0.0000\t   3.0000\t"
            "   0.7500\t   0.2500\t   0.3750\t       NA\t   0.0000\t       NA\t   0.0000\t"
            "   0.0000\t");
  // alpha of 117 and (for the genes) of 234
  EXPECT_EQ(row_of(s, "1        \t").substr(0, 63),
            "1        \t\"Deme 1              \"\t      117\t   0.0500\t   0.0280\t");

  Tab one(2, 1);
  auto& q = one.rs.param;
  q.nc = q.mxnrlc = q.kc = 1;
  q.mal = 3;
  q.maxp = 1;
  one.w.nprb(1) = 2;
  one.w.nrloc(1) = 1;
  one.w.loccmb(1, 1) = 1;
  one.choose("26");
  one.rs.names.spdfin = one.rs.names.spdinf = 'y';
  one.rs.param.idoeps = 1;
  EXPECT_EQ(head_row(one.run()), "Deme_No. \t DemeName             \t DemeSize\tv2-Divers\t");
}

// For the alleles of identified individuals `nsum` counts genes. The table's alpha must be
// that of the individuals and alpha-HWP that of their genes, as in the results file; taking
// nsum as it stands would give alpha(12) = 0.266 and alpha(24) = 0.167 for six individuals.
TEST(PartabAlpha, OneAlphaPerDemeForEveryKind) {
  for (int mal : {1, 3, 4}) {
    Tab t(1, 1);
    auto& p = t.rs.param;
    p.nc = p.mxnrlc = p.kc = 1;
    p.mal = mal;
    p.maxp = 1;
    t.w.nprb(1) = 1;
    t.w.nrloc(1) = 1;
    t.w.loccmb(1, 1) = 1;
    t.choose("1");
    t.w.nsum(1) = mal == 3 ? 12 : 6;  // six identified individuals (or contributions)
    const std::string row = row_of(t.run(), "1        \t");
    EXPECT_EQ(row.substr(row.size() - 30),
              std::string(mal == 3 ? "       12" : "        6") + "\t   0.4020\t   0.2660\t")
        << "kind " << mal;
  }
}

// Kind titles follow each section's own combination: a single locus analysed after a
// combination of two loci keeps the allele titles.
TEST(PartabHeading, KindTitlesPerCombination) {
  Tab t(2, 2);
  auto& p = t.rs.param;
  p.nc = 2;
  p.mxnrlc = 2;
  p.maxp = 1;
  p.mal = 1;
  t.w.nprb(1) = 1;
  t.w.nrloc(1) = 2;
  t.w.loccmb(1, 1) = 1;
  t.w.loccmb(1, 2) = 2;
  t.w.nrloc(2) = 1;
  t.w.loccmb(2, 1) = 2;
  t.choose("2");
  p.kc = 1;
  EXPECT_EQ(t.run(),
            "\nLOCUS_COMBINATION_N0._1  \nLOCUS_NO. 1  \t\"LocA\"\nLOCUS_NO. 2  \t\"LocB\"\n"
            "MATERNAL_HAPLOTYPE_FREQUENCIES\n\nMeasures_of_genetic_variation:\n"
            "Deme_No. \t DemeName             \t DemeSize\tv2-Divers\t\n"
            "1        \t\"Deme 1              \"\t        0\t   0.0000\t\n");
  p.kc = 2;
  const std::string s = t.run();
  EXPECT_EQ(s.rfind("\nLOCUS_NO. 2  \t\"LocB\"\nMATERNAL_ALLELE_FREQUENCIES   \n\n", 0), 0u);
  EXPECT_EQ(s.find("HAPLOTYPE"), std::string::npos);

  // One combination only: the multilocus heading; genotypes get the mean heterozygosity.
  p.nc = 1;
  p.kc = 1;
  p.mal = 4;
  t.choose("8");
  t.w.phet(1) = NA;
  const std::string g = t.run();
  EXPECT_EQ(g.substr(0, 33), "\nMULTILOCUS_COMBINATION_OF_LOCI:\n");
  EXPECT_NE(g.find("\nGENOTYPE_FREQUENCIES          \n"), std::string::npos);
  EXPECT_EQ(head_row(g), "Deme_No. \t DemeName             \t DemeSize\tv2-Divers\tMeanHeter\t");
  EXPECT_EQ(row_of(g, "1        \t").substr(43), "   0.0000\t       NA\t");
}

// The gene-pool section: its own heading and locus list, no deme size, alpha, evenness or
// heterozygosity, no frequencies; the values of the kind's accumulators.
TEST(PartabGenePool, SectionLayout) {
  Tab t(2, 3);
  auto& p = t.rs.param;
  p.nc = 2;
  p.mxnrlc = 1;
  p.maxp = 2;
  p.mal = 3;
  for (int k = 1; k <= 2; ++k) {
    t.w.nrloc(k) = 1;
    t.w.loccmb(k, 1) = k + 1;  // loci 2 and 3
  }
  t.w.nprb(1) = 2;
  t.w.nprb(2) = 1;
  t.choose("123456");
  t.rs.names.evefin = 'y';
  t.rs.names.spdfin = 'y';
  t.w.gpdiv(1, 3) = 2.5f;
  t.w.gpdiv(2, 3) = NA;
  t.w.gpcj(1, 3) = 0.4f;
  t.w.gpcj(2, 3) = 0.6f;
  t.w.gpdfin(3) = 0.125f;
  t.w.delfin = 0.9f;  // the last locus's delta must not appear
  t.w.ga(2) = 0.5f;
  EXPECT_EQ(t.run(1),
            "\nGENE_POOL - ALLELE_FREQUENCIES            \n"
            "LOCUS_NO. 2  \t\"LocB\"\nLOCUS_NO. 3  \t\"LocC\"\n"
            "\nMeasures_of_genetic_variation:\n"
            "Deme_No. \t DemeName             \tv2-Divers\t   deltaT\t CjDemSiz\t DjDemSiz\t"
            " deltaDmS\t\n"
            "2        \t\"Deme 2              \"\t   2.5000\t   0.0000\t   0.4000\t   0.0000\t"
            "   0.1250\t\n"
            "1        \t\"Deme 1              \"\t       NA\t   0.0000\t   0.6000\t   0.0000\t"
            "   0.1250\t\n"
            "\nGene-pool_distance_d_0\n"
            "Deme_No. \t        2\t        1\t\n"
            "2         \t   0.0000\t\n"
            "1         \t   0.5000\t   0.0000\t\n");
}

// The snail directory is made by the program itself: a prefix with quotes, '$' and backquotes
// names a directory and runs nothing. When it cannot be made the console says so and the
// section is still written.
TEST(PartabSnails, DirectoryMadeWithoutShell) {
  namespace fs = std::filesystem;
  const fs::path base = fs::temp_directory_path() / ("tolm-partab-" + std::to_string(::getpid()));
  fs::remove_all(base);
  fs::create_directories(base);
  auto section = [&](const std::string& dir) {
    Tab t(2, 1);
    auto& p = t.rs.param;
    p.nc = p.mxnrlc = p.kc = 1;
    p.mal = 3;
    p.maxp = 2;
    p.idoeps = 1;
    p.isystem = 1;
    t.w.nprb(1) = 1;
    t.w.nprb(2) = 2;
    t.w.nrloc(1) = 1;
    t.w.loccmb(1, 1) = 1;
    t.choose("6");
    t.rs.names.spdinf = 'y';
    t.rs.names.snaildir = dir;
    t.rs.names.filnam = "x";
    t.w.delinf = NA;
    std::string tab = t.run();
    return std::make_pair(tab, t.rs.u(6).take_captured());
  };
  const std::string odd = (base / "a\"b $(touch pwned) `touch pwned2`-Snails").string();
  auto [tab, con] = section(odd);
  EXPECT_TRUE(fs::is_directory(odd));
  EXPECT_FALSE(fs::exists(base / "pwned"));
  EXPECT_FALSE(fs::exists("pwned"));
  EXPECT_FALSE(fs::exists("pwned2"));
  EXPECT_EQ(con, "");
  EXPECT_NE(tab.find(" deltaEqS"), std::string::npos);

  std::ofstream(base / "plain") << "a file\n";
  auto [tab2, con2] = section((base / "plain" / "sub").string());
  EXPECT_NE(con2.find(" ** Error creating directory for snail diagrams"), std::string::npos);
  EXPECT_NE(con2.find("   cause ="), std::string::npos);
  EXPECT_NE(tab2.find("Measures_of_genetic_variation:"), std::string::npos);
  fs::remove_all(base);
}
