// Whole runs in widget mode (no arguments) with the dialogs answered by the scripted backend:
// the file dialog, the first dialog, the menu, the snail dialog and the closing boxes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "plotlayer/widget_script.h"
#include "core/runstate.h"
#include "run/tolm.h"

using namespace tolm;
namespace fs = std::filesystem;

namespace {

// Three demes, three loci, unformatted records.
const char* const kData =
    "3 3\nAdh\nPgm\nGot\nNorth\nMiddle valley\nSouth\nUNFORMATTED\n"
    "1 0 1 0 2 0 3 0\n1 1 100 102 5 6 1 1\n1 2 100 100 5 5 1 2\n1 3 102 102 6 6 1 1\n"
    "2 0 1 0 2 0 3 0\n2 4 102 102 6 6 2 2\n2 5 100 102 5 6 1 2\n"
    "3 0 1 0 2 0 3 0\n3 6 100 100 5 5 2 2\n3 7 100 102 5 5 1 1\n";

class WidgetMode : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tolm-widget-mode-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    data = (dir / "three.dat").string();
    std::ofstream(data) << kData;
    // The closing press-return wait reads standard input: give it none.
    ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
    wg::use_script();
    wg::take_reports();
  }
  void TearDown() override {
    EXPECT_TRUE(wg::take_reports().empty());
    wg::use_default();
    fs::remove_all(dir);
  }
  int run() {
    char prog[] = "tolm";
    char* argv[] = {prog, nullptr};
    RunState rs;
    return tolm_run(rs, 1, argv);
  }
  // The message boxes shown, in order.
  static std::vector<wg::Shown> messages() {
    std::vector<wg::Shown> m;
    for (const wg::Shown& s : wg::script_log())
      if (s.kind == "message") m.push_back(s);
    return m;
  }
  fs::path dir;
  std::string data;
};

TEST_F(WidgetMode, NoCalculationsChosenEndsTheRunWithAMessageBox) {
  wg::script_file(data);
  wg::script_ok();  // first dialog
  wg::script_ok();  // menu with nothing ticked
  wg::script_confirm();
  EXPECT_EQ(run(), 1);
  auto m = messages();
  ASSERT_FALSE(m.empty());
  EXPECT_EQ(m.back().text, " No calculations chosen |  Execution terminated  ");
  EXPECT_FALSE(fs::exists(dir / "three.dat-out.txt"));
}

TEST_F(WidgetMode, ChoicesOfTheDialogsReachTheRunAndNoSnailWithoutAFormat) {
  wg::script_file(data);
  wg::script_ok();  // first dialog: the default prefix three.dat
  wg::script_tick("Allele/haplotype frequencies");
  wg::script_tick("Diversity");
  wg::script_tick("Subpopulation differentiation Dj, delta");
  wg::script_ok();
  wg::script_untick("WMF (Windows Metafile)");
  wg::script_untick("EPS (Enhanced Postscript)");
  wg::script_ok();
  wg::script_confirm();
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(wg::script_pending(), 0u);
  EXPECT_TRUE(fs::exists(dir / "three.dat-out.txt"));
  EXPECT_TRUE(fs::exists(dir / "three.dat-tab.txt"));
  EXPECT_FALSE(fs::exists(dir / "three.dat-Snails"));  // neither format chosen
  auto m = messages();
  ASSERT_FALSE(m.empty());
  EXPECT_EQ(m.back().title, "TOLM - Output files");
  std::vector<std::string> lines = wg::split_bar(m.back().text);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Complete output --> " + (dir / "three.dat-out.txt").string());
  EXPECT_EQ(lines[2], "Tabular output  --> " + (dir / "three.dat-tab.txt").string());
}

TEST_F(WidgetMode, ExistingOutputAsksForANewPrefix) {
  std::ofstream(dir / "three.dat-out.txt") << "old results\n";
  wg::script_file(data);
  wg::script_ok();  // first dialog: three.dat, whose results exist
  // Existing output: the list follows the window, two rows and their three labels.
  wg::script_choose(7, 2);  // enter a new prefix
  wg::script_ok();
  wg::script_type(7, "second");  // first dialog again: the field after the one file-name row
  wg::script_ok();
  wg::script_tick("Allele/haplotype frequencies");
  wg::script_tick("Diversity");
  wg::script_ok();
  wg::script_confirm();
  EXPECT_EQ(run(), 0);
  std::vector<std::string> titles;
  for (const wg::Shown& s : wg::script_log()) titles.push_back(s.title);
  ASSERT_GE(titles.size(), 4u);
  EXPECT_EQ(titles[1], "TOLM - Input prefix for output files");
  EXPECT_EQ(titles[2], "TOLM - Check existence of output files using prefix");
  EXPECT_EQ(titles[3], "TOLM - Input prefix for output files");
  EXPECT_TRUE(fs::exists(dir / "second-out.txt"));
  std::ifstream old(dir / "three.dat-out.txt");
  std::string first;
  std::getline(old, first);
  EXPECT_EQ(first, "old results");  // kept
}

}  // namespace
