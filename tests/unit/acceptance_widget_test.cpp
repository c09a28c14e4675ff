// Acceptance in widget mode: whole runs answered through the scripted dialogs must give the
// same results file, tabular file and snail files as the console runs of the acceptance cases
// that make the same choices (tests/e2e/cases/acc-sexsome and acc-sexall).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/wdmenu.h"
#include "plotlayer/widget_model.h"
#include "plotlayer/widget_script.h"
#include "core/runstate.h"
#include "run/tolm.h"

using namespace tolm;
namespace fs = std::filesystem;

namespace {

const fs::path kCases = fs::path(TOLM_TEST_DATA) / ".." / "e2e" / "cases";

// The lines of a file, with what differs by run mode or date masked: the input file is named
// with its directory in widget mode, and the date stamp changes.
std::vector<std::string> masked_lines(const fs::path& f) {
  std::ifstream in(f);
  std::vector<std::string> v;
  std::string s;
  static const std::regex date(R"(Date \d\d-[A-Z][a-z]{2}-\d{4} \d\d:\d\d:\d\d)");
  while (std::getline(in, s)) {
    if (s.rfind("Input_file: ", 0) == 0) s = "Input_file: ...";
    if (s.rfind("TOLM_INPUT__FILE ", 0) == 0) s = "TOLM_INPUT__FILE ...";
    if (s.rfind("TOLM_OUTPUT_FILE ", 0) == 0) s = "TOLM_OUTPUT_FILE ...";
    v.push_back(std::regex_replace(s, date, "Date ..."));
  }
  return v;
}

// Compares line by line and reports the first few differing lines.
void expect_same_lines(const fs::path& got, const fs::path& want) {
  ASSERT_TRUE(fs::exists(got)) << got;
  ASSERT_TRUE(fs::exists(want)) << want;
  std::vector<std::string> g = masked_lines(got), w = masked_lines(want);
  int shown = 0;
  for (size_t i = 0; i < std::max(g.size(), w.size()) && shown < 5; ++i) {
    std::string a = i < g.size() ? g[i] : "<none>", b = i < w.size() ? w[i] : "<none>";
    if (a != b) {
      ADD_FAILURE() << got.filename() << " line " << i + 1 << "\n  widget:  " << a
                    << "\n  console: " << b;
      ++shown;
    }
  }
  EXPECT_EQ(g.size(), w.size()) << got.filename();
}

// The snail files named in a case's expected listing ("./x-Snails/x-Snail-....eps").
std::set<std::string> expected_snails(const std::string& kase) {
  std::ifstream in(kCases / kase / "expect" / "listing");
  std::set<std::string> s;
  std::string l;
  while (std::getline(in, l)) {
    auto slash = l.rfind('/');
    if (l.find("-Snails/") != std::string::npos) s.insert(l.substr(slash + 1));
  }
  return s;
}

std::set<std::string> snails_in(const fs::path& d) {
  std::set<std::string> s;
  if (fs::is_directory(d))
    for (const auto& e : fs::directory_iterator(d)) s.insert(e.path().filename().string());
  return s;
}

class AcceptanceWidget : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tolm-acc-widget-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
    wg::use_script();
    wg::take_reports();
  }
  void TearDown() override {
    wg::take_reports();
    wg::use_default();
    fs::remove_all(dir);
  }
  std::string copy_in(const std::string& kase, const std::string& name) {
    fs::copy_file(kCases / kase / name, dir / name);
    return (dir / name).string();
  }
  // Every kind of frequency distribution and every calculation ticked.
  static void tick_everything() {
    for (const char* t :
         {"Maternal allele/haplotype frequencies, if gametic sex is specified in data",
          "Paternal allele/haplotype frequencies, if gametic sex is specified in data",
          "Allele/haplotype frequencies", "Genotype frequencies",
          "Include frequency distributions and loss probabilities in output", "Diversity",
          "Total population differentiation deltaT", "Evenness", "Genetic distance d0",
          "Subpopulation differentiation Dj, delta", "Test of homogeneity", "Heterozygosity",
          "Test of Hardy-Weinberg structure + heterozygosity (single locus)",
          "Test of product structure (single locus)"})
      wg::script_tick(std::string(t));
  }
  // The single-choice list of the menu (single loci or multilocus), found by showing the menu
  // once with nothing queued.
  int menu_list_id(int nloc, int ndem) {
    RunState rs;
    wdmenu(rs, nloc, ndem, 0, 1);
    int id = 0;
    for (const wg::Widget& w : wg::dialog().widgets)
      if (w.kind == wg::Kind::list) id = w.id;
    wg::use_script();
    return id;
  }
  int run() {
    char prog[] = "tolm";
    char* argv[] = {prog, nullptr};
    RunState rs;
    return tolm_run(rs, 1, argv);
  }
  std::string last_message() const {
    std::string m;
    for (const wg::Shown& s : wg::script_log())
      if (s.kind == "message") m = s.text;
    return m;
  }
  fs::path dir;
};

// Gametic sex in some demes only, all single loci, every analysis, both snail formats and both
// weightings (the defaults of the snail dialog): the console case answers the same.
TEST_F(AcceptanceWidget, AllSingleLociWithEveryAnalysisAsOnTheConsole) {
  std::string data = copy_in("acc-sexsome", "sexsome.dat");
  wg::script_file(data);
  wg::script_ok();  // first dialog: prefix sexsome.dat
  tick_everything();
  wg::script_ok();  // menu: all single loci, all demes
  wg::script_ok();  // snail dialog as preset
  wg::script_confirm();
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(wg::script_pending(), 0u);
  const fs::path want = kCases / "acc-sexsome" / "expect";
  expect_same_lines(dir / "sexsome.dat-out.txt", want / "sexsome.dat-out.txt");
  expect_same_lines(dir / "sexsome.dat-tab.txt", want / "sexsome.dat-tab.txt");
  std::set<std::string> snails = snails_in(dir / "sexsome.dat-Snails");
  EXPECT_FALSE(snails.empty());
  EXPECT_EQ(snails, expected_snails("acc-sexsome"));
  std::vector<std::string> lines = wg::split_bar(last_message());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[4], "Snail diagrams  --> In directory " + (dir / "sexsome.dat-Snails").string());
}

// Gametic sex in all demes, one combination of all loci: the console case chose locus
// configuration 3 with every analysis.
TEST_F(AcceptanceWidget, MultilocusAllLociAsOnTheConsole) {
  const int list = menu_list_id(2, 2);
  std::string data = copy_in("acc-sexall", "sexall.dat");
  wg::script_file(data);
  wg::script_ok();
  tick_everything();
  wg::script_choose(list, 2);  // multilocus
  wg::script_ok();
  wg::script_ok();
  wg::script_confirm();
  ASSERT_EQ(run(), 0);
  const fs::path want = kCases / "acc-sexall" / "expect";
  expect_same_lines(dir / "sexall.dat-out.txt", want / "sexall.dat-out.txt");
  expect_same_lines(dir / "sexall.dat-tab.txt", want / "sexall.dat-tab.txt");
  EXPECT_EQ(snails_in(dir / "sexall.dat-Snails"), expected_snails("acc-sexall"));
}

// Only the EPS format, only equal weights: the snail files are the equal-weight EPS files of the
// full run and nothing else.
TEST_F(AcceptanceWidget, SnailDialogChoicesSelectTheFiles) {
  std::string data = copy_in("acc-sexsome", "sexsome.dat");
  wg::script_file(data);
  wg::script_ok();
  tick_everything();
  wg::script_ok();
  wg::script_untick(std::string("WMF (Windows Metafile)"));
  wg::script_untick(std::string("Proportional to sample size"));
  wg::script_ok();
  wg::script_confirm();
  ASSERT_EQ(run(), 0);
  std::set<std::string> want;
  for (const std::string& f : expected_snails("acc-sexsome"))
    if (f.find("-EquPopSiz-") != std::string::npos && f.size() > 4 &&
        f.compare(f.size() - 4, 4, ".eps") == 0)
      want.insert(f);
  EXPECT_FALSE(want.empty());
  EXPECT_EQ(snails_in(dir / "sexsome.dat-Snails"), want);
}

}  // namespace
