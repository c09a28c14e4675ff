// The tabular file of a whole run on examples/microbov.dat (all single loci, every analysis),
// read back the way R's read.delim reads it: tab-separated fields, a header row, quotes
// removed, blanks around a field stripped, "NA" missing. When Rscript is installed, R itself
// imports every section too and must see the same numbers. The measures tables must agree
// with the values of the results file, and the gene pool with the single loci: its distance d_0
// is the mean of the loci's d_0, its diversity the harmonic mean of their v_2.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr double kMissing = -9.999;

std::vector<std::string> read_lines(const fs::path& p) {
  std::ifstream f(p);
  std::vector<std::string> v;
  for (std::string l; std::getline(f, l);) v.push_back(l);
  return v;
}

std::vector<std::string> split_tabs(const std::string& l) {
  std::vector<std::string> v;
  size_t a = 0;
  for (size_t b; (b = l.find('\t', a)) != std::string::npos; a = b + 1)
    v.push_back(l.substr(a, b - a));
  v.push_back(l.substr(a));
  return v;
}

// One field as read.delim(strip.white = TRUE) gives it: quotes removed, outer blanks cut.
std::string field(std::string s) {
  std::string r;
  for (char c : s)
    if (c != '"') r += c;
  size_t a = r.find_first_not_of(' '), b = r.find_last_not_of(' ');
  return a == std::string::npos ? "" : r.substr(a, b - a + 1);
}

// A number cell: "NA" is missing (as the results file's -9.999); anything else must be a number.
double number(const std::string& s) {
  if (s == "NA") return kMissing;
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  EXPECT_TRUE(!s.empty() && *end == '\0') << "not a number: '" << s << "'";
  return v;
}

struct Table {
  std::string title;
  size_t line = 0;  // 1-based line of the header row
  std::vector<std::string> head;
  std::vector<std::vector<std::string>> rows;
};

// The sections of the tabular file: a title line, a header row, rows up to an empty line.
std::vector<Table> tables(const std::vector<std::string>& lines) {
  static const std::vector<std::string> titles = {"Absolute_frequencies:",
                                                  "Relative_frequencies:",
                                                  "Absolute_frequency_distribution:",
                                                  "Relative_frequency_distribution:",
                                                  "Measures_of_genetic_variation:",
                                                  "Genetic_distance_d_0",
                                                  "Gene-pool_distance_d_0"};
  std::vector<Table> v;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (std::find(titles.begin(), titles.end(), lines[i]) == titles.end()) continue;
    Table t;
    t.title = lines[i];
    t.line = i + 2;
    for (auto& f : split_tabs(lines[i + 1])) t.head.push_back(field(f));
    for (size_t j = i + 2; j < lines.size() && !lines[j].empty(); ++j) {
      std::vector<std::string> r;
      for (auto& f : split_tabs(lines[j])) r.push_back(field(f));
      t.rows.push_back(r);
    }
    v.push_back(t);
  }
  return v;
}

// Values of the results file per kind section: (title, row label) -> values in deme order.
using Section = std::map<std::pair<std::string, std::string>, std::vector<double>>;

std::vector<double> numbers_of(const std::string& s) {
  std::vector<double> v;
  std::istringstream in(s);
  for (std::string tok; in >> tok;) {
    if (tok == "<") continue;
    if (tok[0] == '<') tok = tok.substr(1);
    v.push_back(std::strtod(tok.c_str(), nullptr));
  }
  return v;
}

std::vector<Section> results(const std::vector<std::string>& lines) {
  std::vector<Section> v;
  std::string title;
  std::vector<int> block;  // deme numbers of the current block of a distance triangle
  bool collect = false;
  static const std::set<std::string> kinds = {
      "Allele_frequencies_among_individuals_of_identified_genotype", "Genotype_frequencies",
      "Gene_pool_of_identified_single-locus_genotypes"};
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l == std::string(72, '=') && i + 2 < lines.size() && lines[i + 2] == l) {
      // a kind of distribution starts a section; the tests of structure end it
      const std::string& t = lines[i + 1];
      collect = t != "Heterozygosity" ? kinds.count(t) > 0 : collect;
      if (kinds.count(t)) v.emplace_back();
      title.clear();
      i += 2;
      continue;
    }
    if (v.empty() || l.empty() || !collect) continue;
    if (l.rfind("Deme ", 0) == 0) {
      block.clear();
      for (double d : numbers_of(l.substr(4))) block.push_back(static_cast<int>(d));
      continue;
    }
    if (std::isupper(static_cast<unsigned char>(l[0])) || l.rfind("- ", 0) == 0) {
      title = l;
      continue;
    }
    size_t bar = l.find(" |");
    if (bar != std::string::npos) {  // distance row: deme | values of the block's columns
      auto vals = numbers_of(l.substr(bar + 2));
      int row = std::atoi(l.substr(0, bar).c_str());
      for (size_t k = 0; k < vals.size(); ++k)
        v.back()[{title, std::to_string(row) + "," + std::to_string(block[k])}] = {vals[k]};
      continue;
    }
    static const char* const labels[] = {"alpha-HWP",    "alpha", "absolute_e", "relative_e",
                                         "for_No.types", "Cj =",  "Dj =",       "delta =",
                                         "Cj=",          "Dj=",   "delta="};
    std::string label;
    std::string rest = l;
    size_t first = l.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    for (const char* lab : labels)
      if (l.compare(first, std::strlen(lab), lab) == 0) {
        label = lab;
        rest = l.substr(first + label.size());
        break;
      }
    if (label.empty() && l.size() > 12 && l.compare(0, 11, std::string(11, ' ')) == 0)
      label = "value";
    if (label.empty()) continue;
    if (label.back() == '=') label = label.substr(0, label.find_first_of(" ="));
    // the sample descriptors come under their own labels, before any title of the section
    auto& dst = v.back()[{label.rfind("alpha", 0) == 0 ? "" : title, label}];
    for (double x : numbers_of(rest)) dst.push_back(x);
  }
  return v;
}

bool have_rscript() {
  return std::system("command -v Rscript >/dev/null 2>&1") == 0;
}

}  // namespace

TEST(TabularImport, MicrobovEverySectionReadsBackAndAgreesWithResults) {
  const char* bin = std::getenv("TOLM_BIN");
  if (!bin) GTEST_SKIP() << "TOLM_BIN not set (run through ctest)";
  const fs::path dir = fs::temp_directory_path() / ("tolm-tabimport-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(fs::path(TOLM_EXAMPLES) / "microbov.dat", dir / "microbov.dat");
  {
    // input file, prefix, all single loci, the four kinds, gametic sex kept, every analysis,
    // all demes, results to a file 10 demes wide, no further calculations
    std::ofstream b(dir / "batch.txt");
    b << "microbov.dat\n\n0\ny\ny\ny\ny\nn\n";
    for (int i = 0; i < 14; ++i) b << "y\n";
    b << "0\nf\n10\nn\n";
  }
  const std::string cmd =
      "cd '" + dir.string() + "' && '" + bin + "' batch.txt </dev/null >console.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << "see " << dir / "console.txt";

  const auto tab_lines = read_lines(dir / "microbov.dat-tab.txt");
  const auto all = tables(tab_lines);
  std::vector<const Table*> measures, dist;
  for (const auto& t : all) {
    // Every row has the header's number of fields (the tab after the last cell gives both
    // an empty last field); the distance triangle is shorter, read.delim fills it.
    if (t.title.find("distance") == std::string::npos) {
      for (const auto& r : t.rows)
        ASSERT_EQ(r.size(), t.head.size()) << "line " << t.line << " ff.";
    } else {
      dist.push_back(&t);
    }
    if (t.title == "Measures_of_genetic_variation:") measures.push_back(&t);
  }
  // 30 loci with two kinds each (alleles of individuals, genotypes), and the gene pool.
  ASSERT_EQ(measures.size(), 61u);
  ASSERT_EQ(dist.size(), 61u);

  // R reads every section and sees the same numbers in the measures tables.
  if (have_rscript()) {
    std::ofstream r(dir / "import.R");
    r << "f <- 'microbov.dat-tab.txt'\n"
         "l <- readLines(f)\n"
         "titles <- c('Absolute_frequencies:', 'Relative_frequencies:',\n"
         "  'Absolute_frequency_distribution:', 'Relative_frequency_distribution:',\n"
         "  'Measures_of_genetic_variation:', 'Genetic_distance_d_0', 'Gene-pool_distance_d_0')\n"
         "out <- file('measures-R.txt', 'w')\n"
         "for (i in which(l %in% titles)) {\n"
         "  n <- 0; while (i + 1 + n + 1 <= length(l) && l[i + 1 + n + 1] != '') n <- n + 1\n"
         "  d <- read.delim(f, skip = i, nrows = n, strip.white = TRUE, check.names = FALSE)\n"
         "  stopifnot(nrow(d) == n)\n"
         "  if (l[i] == 'Measures_of_genetic_variation:') {\n"
         "    for (j in 3:(ncol(d) - 1)) {\n"
         "      stopifnot(is.numeric(d[[j]]) || all(is.na(d[[j]])))\n"
         "      x <- ifelse(is.na(d[[j]]), -9.999, d[[j]])\n"
         "      writeLines(sprintf('%d\\t%d\\t%s\\t%.4f', i + 1, d[[1]], trimws(names(d)[j]), x), "
         "out)\n"
         "    }\n"
         "  }\n"
         "}\n"
         "close(out)\n";
    r.close();
    const std::string rc = "cd '" + dir.string() + "' && Rscript import.R >R.log 2>&1";
    ASSERT_EQ(std::system(rc.c_str()), 0) << "see " << dir / "R.log";
    std::map<std::string, double> fromR;
    for (const auto& l : read_lines(dir / "measures-R.txt")) {
      auto f = split_tabs(l);
      fromR[f[0] + "/" + f[1] + "/" + f[2]] = std::strtod(f[3].c_str(), nullptr);
    }
    size_t n = 0;
    for (const Table* t : measures)
      for (const auto& row : t->rows)
        for (size_t j = 2; j + 1 < t->head.size(); ++j, ++n) {
          auto it = fromR.find(std::to_string(t->line) + "/" + row[0] + "/" + t->head[j]);
          ASSERT_NE(it, fromR.end()) << t->line << " " << row[0] << " " << t->head[j];
          EXPECT_NEAR(it->second, number(row[j]), 1e-9);
        }
    EXPECT_EQ(n, fromR.size());
  } else {
    std::cout << "[ note ] Rscript not installed: the sections were read by the rules of "
                 "read.delim only\n";
  }

  // The measures against the results file: the same values, to its 3 decimals.
  const auto res = results(read_lines(dir / "microbov.dat-out.txt"));
  ASSERT_EQ(res.size(), 61u);
  const std::map<std::string, std::pair<std::string, std::string>> where = {
      {"Alpha", {"", "alpha"}},
      {"v2-Divers", {"DIVERSITY_v_2", "value"}},
      {"deltaT", {"TOTAL_POPULATION_DIFFERENTIATION_delta_T", "value"}},
      {"EvnFinAbs", {"EVENNESS_e_FOR_FINITE_POPULATION_SIZE", "absolute_e"}},
      {"EvnFinRel", {"EVENNESS_e_FOR_FINITE_POPULATION_SIZE", "relative_e"}},
      {"EvnFinNum", {"EVENNESS_e_FOR_FINITE_POPULATION_SIZE", "for_No.types"}},
      {"EvnInfAbs", {"EVENNESS_e_FOR_INFINITE_POPULATION_SIZE", "absolute_e"}},
      {"EvnInfRel", {"EVENNESS_e_FOR_INFINITE_POPULATION_SIZE", "relative_e"}},
      {"EvnInfNum", {"EVENNESS_e_FOR_INFINITE_POPULATION_SIZE", "for_No.types"}},
      {"CjDemSiz", {"- RELATIVE_SUBPOPULATION_SIZE_PROPORTIONAL_TO_DEME_SIZE", "Cj"}},
      {"DjDemSiz", {"- RELATIVE_SUBPOPULATION_SIZE_PROPORTIONAL_TO_DEME_SIZE", "Dj"}},
      {"CjEquSiz", {"- RELATIVE_SUBPOPULATION_SIZES_ALL_EQUAL_TO_(1/NO._SUBPOPS)", "Cj"}},
      {"DjEquSiz", {"- RELATIVE_SUBPOPULATION_SIZES_ALL_EQUAL_TO_(1/NO._SUBPOPS)", "Dj"}},
      {"PropHeter", {"PROPORTION OF HETEROZYGOSITY", "value"}},
      {"CondHeter", {"CONDITIONAL HETEROZYGOSITY", "value"}},
  };
  const std::map<std::string, std::pair<std::string, std::string>> pool = {
      {"v2-Divers", {"GENE_POOL_DIVERSITY_v_2", "value"}},
      {"deltaT", {"TOTAL_POPULATION_DIFFERENTIATION_delta_T_OF_THE_GENE_POOL", "value"}},
      {"CjDemSiz", {"- Cj's_PROPORTIONAL_TO_DEME_SIZE", "Cj"}},
      {"DjDemSiz", {"- Cj's_PROPORTIONAL_TO_DEME_SIZE", "Dj"}},
      {"CjEquSiz", {"- Cj's_EQUAL", "Cj"}},
      {"DjEquSiz", {"- Cj's_EQUAL", "Dj"}},
  };
  size_t compared = 0;
  for (size_t s = 0; s < measures.size(); ++s) {
    const Table& t = *measures[s];
    const Section& r = res[s];
    const bool gp = s == 60;
    for (size_t j = 2; j + 1 < t.head.size(); ++j) {
      const std::string& h = t.head[j];
      std::pair<std::string, std::string> key;
      if (h == "Alpha-HWP") {
        if (r.count({"", "alpha-HWP"}) == 0) continue;  // written for the alleles only
        key = {"", "alpha-HWP"};
      } else if (h == "deltaDmS" || h == "deltaEqS" || h == "DemeSize") {
        continue;  // below, and the deme sizes are not a measure
      } else {
        const auto& m = gp ? pool : where;
        ASSERT_TRUE(m.count(h)) << "column " << h;
        key = m.at(h);
      }
      // The alpha rows come before any title of the section.
      auto it = r.find(key);
      ASSERT_NE(it, r.end()) << "section " << s << " column " << h;
      ASSERT_EQ(it->second.size(), t.rows.size()) << "section " << s << " column " << h;
      for (size_t d = 0; d < t.rows.size(); ++d, ++compared)
        EXPECT_NEAR(number(t.rows[d][j]), it->second[d], 0.0005 + 1e-6)
            << "section " << s << " deme " << t.rows[d][0] << " column " << h;
    }
    // delta, once per table, the same in every row
    for (const char* h : {"deltaDmS", "deltaEqS"}) {
      auto c = std::find(t.head.begin(), t.head.end(), h) - t.head.begin();
      ASSERT_LT(static_cast<size_t>(c), t.head.size());
      std::string sub = std::string(h) == "deltaDmS"
                            ? (gp ? "- Cj's_PROPORTIONAL_TO_DEME_SIZE"
                                  : "- RELATIVE_SUBPOPULATION_SIZE_PROPORTIONAL_TO_DEME_SIZE")
                            : (gp ? "- Cj's_EQUAL"
                                  : "- RELATIVE_SUBPOPULATION_SIZES_ALL_EQUAL_TO_(1/NO._SUBPOPS)");
      auto it = r.find({sub, "delta"});
      ASSERT_NE(it, r.end());
      for (const auto& row : t.rows) EXPECT_NEAR(number(row[c]), it->second.at(0), 0.0005 + 1e-6);
    }
    // the distance triangle against the results' triangle
    const Table& dt = *dist[s];
    const std::string dtitle = gp ? "GENE_POOL_DISTANCE_d_0" : "GENETIC_DISTANCE_d_0";
    for (const auto& row : dt.rows)
      for (size_t k = 1; k + 1 < row.size(); ++k, ++compared) {
        auto it = r.find({dtitle, row[0] + "," + dt.head[k]});
        ASSERT_NE(it, r.end()) << dtitle << " " << row[0] << "," << dt.head[k];
        EXPECT_NEAR(number(row[k]), it->second[0], 0.0005 + 1e-6);
      }
  }
  EXPECT_GT(compared, 10000u);

  // The gene pool of the alleles against the 30 single loci, by their tabulated values.
  const Table& gpm = *measures[60];
  const auto col = [](const Table& t, const char* h) {
    return static_cast<size_t>(std::find(t.head.begin(), t.head.end(), h) - t.head.begin());
  };
  for (size_t d = 0; d < gpm.rows.size(); ++d) {
    double inv = 0;
    for (size_t s = 0; s < 60; s += 2)
      inv += 1.0 / number(measures[s]->rows[d][col(*measures[s], "v2-Divers")]);
    EXPECT_NEAR(number(gpm.rows[d][col(gpm, "v2-Divers")]), 30.0 / inv, 2e-4) << "deme " << d + 1;
  }
  const Table& gpd = *dist[60];
  for (size_t l = 0; l < gpd.rows.size(); ++l)
    for (size_t k = 1; k + 1 < gpd.rows[l].size(); ++k) {
      double sum = 0;
      for (size_t s = 0; s < 60; s += 2) sum += number(dist[s]->rows[l][k]);
      EXPECT_NEAR(number(gpd.rows[l][k]), sum / 30.0, 1e-4) << "demes " << l + 1 << "," << k;
    }
  fs::remove_all(dir);
}
