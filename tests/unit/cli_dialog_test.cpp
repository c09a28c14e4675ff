// The console dialogue where a run without questions stands beside it: an unreadable number of
// demes returns to the check of the choices; a run given -input= makes every choice from its
// options and reads nothing from the standard input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "core/runstate.h"
#include "run/tolm.h"

using namespace tolm;

namespace {

size_t count_of(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

struct CliRun {
  std::string dir, console;
  int status = -1;
  RunState rs;
  CliRun() {
    char t[] = "/tmp/tolm-cli-XXXXXX";
    dir = mkdtemp(t);
    dir += "/";
  }
  ~CliRun() { std::system(("rm -rf '" + dir + "'").c_str()); }
  void go(const std::string& data, const std::string& answers) {
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

}  // namespace

TEST(CliDialog, UnreadableNumberOfDemesReturnsToTheCheckOfTheChoices) {
  CliRun r;
  // prefix, all single loci, no frequency distribution, gametic sex, heterozygosity alone;
  // "some demes", the number "x", then (after the check and the deme list again) 2 demes
  const std::string a =
      "\n0\nn\nn\nn\nn\nn\nn\nn\nn\nn\nn\nn\nn\ny\nn\nn\n"
      "1\nx\n1\n2\n3,1\ns\n\nn\n\n";
  r.go(kThree, a);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count_of(r.console, "Options saved in file"), 2u);  // the check runs again
  EXPECT_EQ(count_of(r.console, "Demes for output ?"), 2u);
  EXPECT_EQ(count_of(r.console, "How many demes"), 2u);
  EXPECT_EQ(r.rs.param.maxp, 2);
  EXPECT_EQ(r.rs.param.iunit, 6);
}

TEST(CliDialog, OptionsRunTakesEveryChoiceFromItsOptions) {
  CliRun r;
  for (const char* a :
       {"-input=pop.dat", "-combinations=Pgm+1,2", "-demes=South,1", "-kinds=alleles",
        "-analyses=frequencies,heterozygosity", "-width=0", "-gametic-sex=ignore"}) {
    std::string err;
    ASSERT_TRUE(apply_run_option(r.rs.opt, a, err)) << err;
  }
  r.go(kThree, "");  // nothing to read: a question would end the run with status 1
  EXPECT_EQ(r.status, 0) << r.console;
  const Param& p = r.rs.param;
  const Names& n = r.rs.names;
  EXPECT_EQ(p.loctyp, 2);
  EXPECT_EQ(p.nc, 2);
  EXPECT_EQ(p.mxnrlc, 2);
  EXPECT_EQ(p.isp, 1);
  EXPECT_EQ(p.maxp, 2);
  EXPECT_EQ(p.iwidth, 2);  // 0: all demes of the output on one line
  EXPECT_EQ(p.notord, 1);
  EXPECT_EQ(n.outunit, 'f');
  EXPECT_EQ(std::string(n.frqstr.a, 4), "nnyn");
  EXPECT_EQ(std::string(n.aprog.a, 10), "ynnnnnnynn");
  // the combinations in the order given, loci by name or number
  std::ifstream f(r.dir + "pop.dat-out.txt");
  std::stringstream out;
  out << f.rdbuf();
  EXPECT_NE(out.str().find("Combination_No.   1 : Locus   2 - Pgm         \n"
                           "                      Locus   1 - Adh         \n\n"
                           "Combination_No.   2 : Locus   2 - Pgm"),
            std::string::npos)
      << out.str().substr(0, 3000);
  // the configuration file of the choices, as after a console run
  std::ifstream c(r.dir + "pop.dat.cfg");
  std::stringstream cfg;
  cfg << c.rdbuf();
  EXPECT_EQ(cfg.str(), " 2\nynnnnnn\n  \n  \nnnyn\n1\nynn\n");
  EXPECT_EQ(count_of(r.console, "? : "), 0u);
}
