// Main driver: whole runs over a small input file with the answers fed in, checking the order of
// the dialogue, the demes for output, the ends of a run and the later passes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "graphics/wdmenu.h"
#include "plotlayer/widget_script.h"
#include "core/runstate.h"
#include "run/tolm.h"

using namespace tolm;

namespace {

size_t count_of(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

struct DriverRun {
  std::string dir;
  std::string console;
  int status = -1;
  Work* w = nullptr;
  RunState rs;

  DriverRun() {
    char t[] = "/tmp/tolm-driver-XXXXXX";
    dir = mkdtemp(t);
    dir += "/";
  }
  ~DriverRun() { std::system(("rm -rf '" + dir + "'").c_str()); }

  // Runs the main driver on `data` with `answers` (the prefix question first); in widget mode
  // the answers of the dialogs are queued in the scripted widget layer beforehand.
  void go(const std::string& data, const std::string& answers, int idowd = 0) {
    const std::string file = dir + "pop.dat";
    std::ofstream(file) << data;
    StartInfo si;
    si.file = file;
    si.isys = 1;
    si.adate = "Date 01-Jan-2020 00:00:00     ";
    rs.u(10).open_in(file);
    std::string rec1;
    rs.u(10).read_line(rec1);
    std::istringstream(rec1) >> si.nnp >> si.nnl;
    si.nnc = si.nnl + 1;
    si.idowd = idowd;
    if (idowd == 1) {
      split_name(file, si.path, rs.wd.prefix);
      si.cfgprefix = rs.wd.prefix;
    }
    rs.u(5).feed(answers);
    rs.con().capture();
    try {
      tolmmain(rs, si);
    } catch (const ProgramStop& s) {
      status = s.status;
    }
    console = rs.con().take_captured();
  }
};

const char* kThree =
    "3 2\nAdh\nPgm\nNorth\nMiddle\nSouth\nUNFORMATTED\n"
    "1 0 1 0 2 0\n1 1 100 102 5 6\n1 2 100 100 5 5\n2 3 102 102 6 6\n3 4 100 102 5 6\n";

const char* kOne = "1 2\nAdh\nPgm\nAlone\nUNFORMATTED\n1 0 1 0 2 0\n1 1 100 102 5 6\n";

// Answers from the locus configuration to the end of the analysis questions.
std::string choices(const std::string& loctyp, const std::string& frq, const std::string& an) {
  std::string s = "\n" + loctyp + "\n";  // default prefix
  for (char c : frq) s += std::string(1, c) + "\n";
  s += "n\n";  // gametic sex
  for (char c : an) s += std::string(1, c) + "\n";
  return s;
}

}  // namespace

TEST(DriverDemes, OneDemeIsTheOutputWhateverTheAnswer) {
  DriverRun r;
  // heterozygosity alone; "some demes" with a single deme asks no further question
  r.go(kOne, choices("0", "nnnn", "nnnnnnnynn") + "1\ns\n\nn\n\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.rs.param.maxp, 1);
  EXPECT_EQ(count_of(r.console, "How many demes"), 0u);
  EXPECT_EQ(count_of(r.console, "-- Sorting"), 0u);  // heterozygosity alone sorts nothing
  EXPECT_EQ(r.rs.param.nurhet, 1);
}

TEST(DriverDemes, ListNamingAMissingDemeIsAskedAgain) {
  DriverRun r;
  r.go(kThree, choices("0", "nnnn", "nnnnnnnynn") + "1\n2\n3 4\n3,1\ns\n\nn\n\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count_of(r.console, " ** Deme 4 does not exist. Try again ... **"), 1u);
  EXPECT_EQ(r.rs.param.maxp, 2);
}

TEST(DriverEnd, ResultsFileThatCannotBeOpenedEndsTheRun) {
  DriverRun r;
  std::string a = choices("0", "nnnn", "nnnnnnnynn") + "0\nf\n\n";
  a[0] = '\n';
  a = "no-such-dir/x" + a;  // the prefix
  r.go(kThree, a);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.console.find(" ** Error opening " + r.dir + "no-such-dir/x-out.txt"),
            std::string::npos);
  EXPECT_EQ(count_of(r.console, "Reading input file"), 0u);  // nothing counted for nowhere
  EXPECT_EQ(count_of(r.console, "Press \"Return\""), 1u);
}

TEST(DriverEnd, FailedCountClosesWithoutAFurtherPass) {
  DriverRun r;
  std::string bad = std::string(kThree) + "2 9 1x0 100 5 6\n";
  r.go(bad, choices("0", "nnnn", "nnnnnnnynn") + "0\nf\n0\n\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(count_of(r.console, "Additional calculations"), 0u);
  EXPECT_EQ(count_of(r.console, "-- Calculating"), 0u);
  EXPECT_NE(r.console.find(" Complete output --> " + r.dir + "pop.dat-out.txt"), std::string::npos);
  for (int ch = 20; ch <= 27; ++ch) EXPECT_FALSE(r.rs.scratch.is_open(ch)) << ch;
}

TEST(DriverPasses, NoToSameFrequencyDistributionsAsksThemAgain) {
  DriverRun r;
  // pass 1: heterozygosity alone on the screen; pass 2: new frequency distributions, same
  // calculations, still on the screen
  r.go(kThree, choices("0", "nnnn", "nnnnnnnynn") + "0\ns\n\ny\nn\nn\nn\ny\nn\nn\ny\ny\n\nn\n\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count_of(r.console, "   Allele/haplotype frequencies ? : "), 2u);
  EXPECT_EQ(count_of(r.console, "Ignore gametic sex"), 2u);
  EXPECT_EQ(r.rs.names.frqstr(3), 'y');
  EXPECT_EQ(r.rs.names.frqstr(4), 'n');
  EXPECT_EQ(r.rs.param.idurch, 2);
  EXPECT_EQ(count_of(r.console, "Reading input file"), 1u);  // counted once
  EXPECT_EQ(count_of(r.console, "Abbreviations"), 1u);       // one head of the results
}

TEST(DriverPasses, LaterPassNeedingUncountedHeterozygosityCountsAgain) {
  DriverRun r;
  // pass 1: frequency distributions only; pass 2 adds heterozygosity
  std::string a = choices("0", "nnyn", "ynnnnnnnnn") + "0\ns\n\ny\ny\nn\n" +
                  "y\nn\nn\nn\nn\nn\nn\ny\nn\nn\ny\n\nn\n\n";
  r.go(kThree, a);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count_of(r.console, "counting again"), 1u);
  EXPECT_EQ(count_of(r.console, "Reading input file"), 2u);
}

namespace {

// Identifier of the check box of the menu showing `text`.
int menu_box(const std::string& text) {
  for (const wg::Widget& w : wg::dialog().widgets)
    if (w.kind == wg::Kind::check && w.text == text) return w.id;
  return 0;
}

// Builds the menu once for a file of 2 loci and 3 demes, so that its widgets can be named.
void menu_of_three() {
  RunState probe;
  wdmenu(probe, 2, 3, 0, 1);
}

}  // namespace

TEST(DriverWidget, OnePassEndsWithTheMessageOfTheOutputFiles) {
  wg::use_script();
  menu_of_three();
  wg::script_tick(menu_box("Heterozygosity"));
  wg::script_ok();
  DriverRun r;
  r.go(kThree, "", 1);
  const auto log = wg::script_log();
  wg::use_default();
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.rs.param.loctyp == 0 || r.rs.param.loctyp == 3);  // "All" loci
  EXPECT_EQ(r.rs.param.maxp, 3);
  EXPECT_EQ(r.rs.param.iwidth, 10);                               // the width option
  EXPECT_EQ(count_of(r.console, "Additional calculations"), 0u);  // a single pass
  EXPECT_EQ(count_of(r.console, "Demes for output"), 0u);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().kind, "message");
  EXPECT_EQ(log.back().title, "TOLM - Output files");
  EXPECT_EQ(log.back().text, "Complete output --> " + r.dir + "pop.dat-out.txt| |" +
                                 "Tabular output  --> " + r.dir + "pop.dat-tab.txt");
}

TEST(DriverWidget, NothingTickedEndsWithAMessageBox) {
  wg::use_script();
  menu_of_three();
  wg::script_ok();
  DriverRun r;
  r.go(kThree, "", 1);
  const auto log = wg::script_log();
  wg::use_default();
  EXPECT_EQ(r.status, 1);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().kind, "message");
  EXPECT_EQ(log.back().text, " No calculations chosen |  Execution terminated  ");
  EXPECT_EQ(count_of(r.console, "No calculations chosen"), 0u);
}
