// Console dialogue: the yes test, the re-asking rules of the questions, the locus combinations,
// the output choices and the configuration file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "dialog/choose.h"
#include "dialog/config.h"
#include "dialog/intrfc.h"
#include "io/fixw.h"
#include "core/runstate.h"

using namespace tolm;

namespace {

// A run state whose answers come from `answers` and whose console is captured.
struct Dlg {
  RunState rs;
  Work w;
  explicit Dlg(const std::string& answers, int nnp = 4, int nnl = 3) {
    rs.u(5).feed(answers);
    rs.con().capture();
    w.create(nnp, nnl, nnl + 1, 20);
    rs.param.np = nnp;
    rs.param.nl = nnl;
    rs.param.idurch = 1;
  }
  std::string con() { return rs.con().take_captured(); }
  bool input_left() {
    std::string l;
    return rs.u(5).read_line(l) == io::Rd::ok;
  }
};

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

size_t count_of(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

// A scratch directory for the files of one test.
struct TempDir {
  std::string path;
  TempDir() {
    char t[] = "/tmp/tolm-dialog-XXXXXX";
    path = mkdtemp(t);
    path += "/";
  }
  ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
};

std::string slurp(const std::string& name) {
  std::ifstream f(name);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace

TEST(DialogYes, FirstCharacterDecides) {
  for (const char* a : {"Yes", "y", "J", "ja", "1"}) EXPECT_TRUE(yes(std::string(a))) << a;
  for (const char* a : {"N", "n", "0", "x", " ", "", " y"}) EXPECT_FALSE(yes(std::string(a))) << a;
}

TEST(DialogFrqdst, NormalisesYesAnswersAndCountsThem) {
  Dlg d("");
  d.rs.names.frqstr(1) = 'Y';
  d.rs.names.frqstr(2) = 'n';
  d.rs.names.frqstr(3) = 'j';
  d.rs.names.frqstr(4) = ' ';
  int nfrqst = -1;
  frqdst(d.rs, nfrqst);
  EXPECT_EQ(nfrqst, 2);
  EXPECT_EQ(d.rs.names.frqstr(1), 'y');
  EXPECT_EQ(d.rs.names.frqstr(2), 'n');
  EXPECT_EQ(d.rs.names.frqstr(3), 'y');
  EXPECT_EQ(d.rs.names.frqstr(4), ' ');
}

TEST(DialogChoose, RefinementsAskedOnlyForTheirAnalysis) {
  // Evenness answered J: asked for both population sizes, "1" stored as "y", "n" as typed.
  // Subpopulation differentiation answered no: the weightings keep their earlier values.
  Dlg d("y\nn\nn\nJ\n1\nn\nn\nn\ny\n");
  d.rs.names.spdfin = 'q';
  d.rs.names.spdinf = 'r';
  choose(d.rs);
  const Names& n = d.rs.names;
  EXPECT_EQ(n.aprog(1), 'y');
  EXPECT_EQ(n.aprog(4), 'J');  // normalised by the driver, not here
  EXPECT_EQ(n.evefin, 'y');
  EXPECT_EQ(n.eveinf, 'n');
  EXPECT_EQ(n.aprog(6), 'n');
  EXPECT_EQ(n.spdfin, 'q');
  EXPECT_EQ(n.spdinf, 'r');
  EXPECT_EQ(n.aprog(7), 'y');
  EXPECT_FALSE(d.input_left());
  const std::string c = d.con();
  EXPECT_EQ(count_of(c, "finite population size ? : "), 2u);
  EXPECT_EQ(count_of(c, "weighted"), 0u);
  auto l = lines_of(c);
  ASSERT_GE(l.size(), 5u);
  EXPECT_EQ(l[0], R"( Choice of calculations (Answer "Y" (yes) or "N" (no)))");
  EXPECT_EQ(l[1], "");
  EXPECT_EQ(l[2], "   Frequency distributions ? : ");
  EXPECT_EQ(l[3], "   Measures of variation within demes");
  EXPECT_EQ(l[4], "   " + std::string(34, '-'));
}

TEST(DialogChoose, WeightingQuestionsFollowDifferentiation) {
  Dlg d("n\nn\nn\nn\nn\nj\ny\nx\nn\n");
  choose(d.rs);
  EXPECT_EQ(d.rs.names.spdfin, 'y');
  EXPECT_EQ(d.rs.names.spdinf, 'x');  // not yes: stored as typed
  EXPECT_EQ(d.rs.names.aprog(7), 'n');
  EXPECT_NE(d.con().find("     -  subpopulations weighted proportional to deme size ? : "
                         "     -  subpopulations equally weighted ? : "),
            std::string::npos);
}

TEST(DialogGamsex, YesIgnoresTheGameticSex) {
  Dlg d("J\n");
  d.rs.param.notord = 0;
  gamsex(d.rs);
  EXPECT_EQ(d.rs.param.notord, 1);
  EXPECT_EQ(d.con(), std::string(66, '.') + "\n Ignore gametic sex, if specified in data ?\n");
  Dlg e("n\n");
  e.rs.param.notord = 1;
  gamsex(e.rs);
  EXPECT_EQ(e.rs.param.notord, 0);
}

TEST(DialogEndOfInput, StopsInsteadOfAskingAgain) {
  Dlg d("y\n");
  try {
    choose(d.rs);
    FAIL() << "the dialogue went on without answers";
  } catch (const ProgramStop& s) {
    EXPECT_EQ(s.status, 1);
  }
  EXPECT_NE(d.con().find("End of input"), std::string::npos);
}

TEST(DialogAppar, SomeSingleLociReaskedUntilValid) {
  // not a number, 0, too many (3 loci), then a list naming locus 4: the choice restarts from
  // the number question; finally loci 3 and 1.
  Dlg d("abc\n0\n5\n2\n1,4\n2\n3\n1\n");
  d.rs.param.loctyp = 1;
  appar(d.rs, d.w);
  EXPECT_EQ(d.rs.param.nc, 2);
  EXPECT_EQ(d.rs.param.mxnrlc, 1);
  EXPECT_EQ(d.w.loccmb(1, 1), 3);
  EXPECT_EQ(d.w.loccmb(2, 1), 1);
  EXPECT_EQ(d.w.nrloc(1), 1);
  EXPECT_EQ(d.w.nrloc(2), 1);
  EXPECT_FALSE(d.input_left());
  const std::string c = d.con();
  EXPECT_EQ(count_of(c, " Number of different single loci (max.  3) ? : "), 5u);
  EXPECT_EQ(count_of(c, " ** Answer not recognizable. Try again ... **"), 1u);
  EXPECT_EQ(count_of(c, " ** Too many loci. Try again ... **"), 1u);
  EXPECT_EQ(count_of(c, " ** Locus 4 does not exist. Try again ... **"), 1u);
}

TEST(DialogAppar, MultilocusListWithZeroAsksAllCombinationsAgain) {
  // Two combinations; the second names locus 0, so both are asked again.
  Dlg d("2\n2\n1 2\n2\n3,0\n2\n1\n2\n9\n3\n3\n1\n2\n");
  d.rs.param.loctyp = 2;
  appar(d.rs, d.w);
  EXPECT_EQ(d.rs.param.nc, 2);
  EXPECT_EQ(d.w.nrloc(1), 2);
  EXPECT_EQ(d.w.loccmb(1, 1), 1);
  EXPECT_EQ(d.w.loccmb(1, 2), 2);
  EXPECT_EQ(d.w.nrloc(2), 3);
  EXPECT_EQ(d.w.loccmb(2, 1), 3);  // a list may go on over further lines
  EXPECT_EQ(d.w.loccmb(2, 3), 2);
  EXPECT_EQ(d.rs.param.mxnrlc, 3);
  EXPECT_FALSE(d.input_left());
  const std::string c = d.con();
  EXPECT_EQ(count_of(c, " ** Locus 0 does not exist. Try again ... **"), 1u);
  EXPECT_EQ(count_of(c, " Combination  1 :  How many gene loci (max.  3) ? : "), 2u);
  EXPECT_EQ(count_of(c, " ** Too many gene loci. Try again **"), 1u);
  EXPECT_EQ(count_of(c, "Number of different multilocus combinations (max.  4) ? : "), 1u);
}

TEST(DialogAppar, AllLociAndAllSingleLoci) {
  Dlg d("");
  d.rs.param.loctyp = 3;
  appar(d.rs, d.w);
  EXPECT_EQ(d.rs.param.nc, 1);
  EXPECT_EQ(d.w.nrloc(1), 3);
  EXPECT_EQ(d.rs.param.mxnrlc, 3);
  EXPECT_EQ(d.w.loccmb(1, 2), 2);
  d.rs.param.loctyp = 0;
  appar(d.rs, d.w);
  EXPECT_EQ(d.rs.param.nc, 3);
  EXPECT_EQ(d.rs.param.mxnrlc, 1);
  EXPECT_EQ(d.w.loccmb(3, 1), 3);
}

TEST(DialogAppar, WidgetListsGiveConfigurationAndDemes) {
  Dlg d("");
  d.rs.param.idowidget = 1;
  d.rs.wd.aloclist = "3, 1";
  d.rs.wd.ademlist = "All";
  d.rs.wd.locsimu = 1;
  appar(d.rs, d.w);
  EXPECT_EQ(d.rs.param.loctyp, 1);
  EXPECT_EQ(d.rs.param.nc, 2);
  EXPECT_EQ(d.w.loccmb(1, 1), 3);
  EXPECT_EQ(d.rs.param.maxp, 4);
  EXPECT_EQ(d.w.nprb(4), 4);

  d.rs.wd.aloclist = "2 3 0 1";  // the list ends at the first 0
  d.rs.wd.ademlist = "4 2";
  d.rs.wd.locsimu = 0;
  appar(d.rs, d.w);
  EXPECT_EQ(d.rs.param.loctyp, 2);
  EXPECT_EQ(d.rs.param.nc, 1);
  EXPECT_EQ(d.w.nrloc(1), 2);
  EXPECT_EQ(d.rs.param.mxnrlc, 2);
  EXPECT_EQ(d.rs.param.maxp, 2);
  EXPECT_EQ(d.w.nprb(1), 4);
  EXPECT_EQ(d.w.nprb(2), 2);
}

TEST(DialogAppar, WidgetListsOutsideTheirRangesEndTheRun) {
  for (auto [loci, demes] : std::vector<std::pair<std::string, std::string>>{
           {"1 4", "All"}, {"All", "1 5"}, {"All", "0"}, {"x", "All"}, {"-2", "All"}}) {
    Dlg d("");
    d.rs.param.idowidget = 1;
    d.rs.wd.aloclist = loci;
    d.rs.wd.ademlist = demes;
    d.rs.wd.locsimu = 1;
    EXPECT_THROW(appar(d.rs, d.w), ProgramStop) << loci << " / " << demes;
  }
}

TEST(DialogOutput, WidthExampleShowsTheDemesOfTheOutput) {
  for (auto [maxp, chars] : std::vector<std::pair<int, std::string>>{{3, " 75"}, {12, "135"}}) {
    TempDir t;
    Dlg d("f\n-1\nxyz\n0\n");
    d.rs.names.filpath = t.path;
    d.rs.names.filnam = "w";
    d.rs.param.maxp = maxp;
    std::string prefix = "w";
    output(d.rs, 10, 10, prefix);
    EXPECT_EQ(d.rs.param.iwidth, maxp);  // 0 means all demes of the output
    EXPECT_EQ(d.rs.param.iunit, 8);
    EXPECT_EQ(d.rs.names.outfil, t.path + "w-out.txt");
    EXPECT_EQ(d.rs.names.outtab, t.path + "w-tab.txt");
    EXPECT_EQ(d.rs.names.snaildir, t.path + "w-Snails");
    const std::string c = d.con();
    const std::string ex =
        R"(      "0"  for ALL )" + io::fi(maxp, 3) + " demes (" + chars + " chars/line)\n";
    EXPECT_EQ(count_of(c, ex), 3u) << c;  // negative and unreadable answers ask again
    EXPECT_EQ(count_of(c, "** Answer not recognizable. Try again ... **"), 1u);
    d.rs.u(8).close();
  }
}

TEST(DialogOutput, ScreenOutputUsesTheStandardWidth) {
  Dlg d("x\nS\n");
  std::string prefix = "p";
  output(d.rs, 3, 10, prefix);
  EXPECT_EQ(d.rs.names.outunit, 's');
  EXPECT_EQ(d.rs.param.iunit, 6);
  EXPECT_EQ(d.rs.param.iwidth, 10);
  EXPECT_EQ(d.rs.names.outtab, "tolmout.txt");
  EXPECT_EQ(count_of(d.con(), "** Answer not recognizable. Try again ... **"), 1u);
}

TEST(DialogOutput, NoToContinueOnScreenGoesStraightToTheOutputUnit) {
  Dlg d("n\ns\n");
  d.rs.param.idurch = 2;
  d.rs.names.outunit = 's';
  std::string prefix = "p";
  output(d.rs, 10, 10, prefix);
  EXPECT_EQ(d.rs.names.outunit, 's');
  EXPECT_FALSE(d.input_left());
  const std::string c = d.con();
  EXPECT_NE(
      c.find(" Continue outputting on screen ? : " + std::string(80, '.') + "\n Output unit ?"),
      std::string::npos)
      << c;
}

TEST(DialogOutput, ExistingFileNewPrefixAskedAgainWhileItExistsToo) {
  TempDir t;
  for (const char* f : {"a-out.txt", "b-out.txt"}) std::ofstream(t.path + f) << "old\n";
  Dlg d("f\nP\nb\nq\np\n\nc\n6\n");
  d.rs.names.filpath = t.path;
  d.rs.names.filnam = "a";
  std::string prefix = "a";
  output(d.rs, 10, 10, prefix);
  EXPECT_EQ(prefix, "c");
  EXPECT_EQ(d.rs.names.filnam, "c");
  EXPECT_EQ(d.rs.names.outfil, t.path + "c-out.txt");
  EXPECT_EQ(d.rs.param.iwidth, 6);
  EXPECT_FALSE(d.input_left());
  d.rs.u(8).close();
  EXPECT_EQ(slurp(t.path + "a-out.txt"), "old\n");  // neither old file is touched
  EXPECT_EQ(slurp(t.path + "b-out.txt"), "old\n");
  const std::string c = d.con();
  EXPECT_EQ(count_of(c, R"( Output file already exists: "O" : overwrite old output, "P" : )"
                        R"(enter new prefix : )"),
            3u);
  EXPECT_EQ(count_of(c, "** Answer not recognizable. Try again ... **"), 1u);
}

TEST(DialogOutput, OverwriteReplacesAndALaterPassAppends) {
  TempDir t;
  std::ofstream(t.path + "a-out.txt") << "old content\n";
  Dlg d("f\no\n0\n");
  d.rs.names.filpath = t.path;
  d.rs.names.filnam = "a";
  std::string prefix = "a";
  output(d.rs, 10, 10, prefix);
  d.rs.out().line("first");
  d.rs.param.idurch = 2;
  d.rs.u(5).feed("y\n4\n");  // continued, and the width asked again
  output(d.rs, 10, 10, prefix);
  EXPECT_EQ(d.rs.param.iwidth, 4);
  d.rs.out().line("second");
  d.rs.u(8).close();
  EXPECT_EQ(slurp(t.path + "a-out.txt"),
            "first\n\n\n\n " + std::string(75, '_') + "\n\n\n\nsecond\n");
}

TEST(DialogOutput, ResultsFileThatCannotBeOpenedIsReported) {
  Dlg d("f\n");
  d.rs.names.filpath = "/nonexistent-dir-of-tolm/";
  d.rs.names.filnam = "a";
  std::string prefix = "a";
  output(d.rs, 10, 10, prefix);
  EXPECT_FALSE(d.rs.u(8).is_open());
  const std::string c = d.con();
  EXPECT_NE(c.find(" ** Error opening /nonexistent-dir-of-tolm/a-out.txt"), std::string::npos);
  EXPECT_NE(c.find("   cause=2"), std::string::npos);  // ENOENT
}

namespace {

void answers(Names& n, const char* aprog, char ef, char ei, char sf, char si, const char* frq) {
  for (int i = 1; i <= 10; ++i) n.aprog(i) = aprog[i - 1];
  n.evefin = ef;
  n.eveinf = ei;
  n.spdfin = sf;
  n.spdinf = si;
  for (int i = 1; i <= 4; ++i) n.frqstr(i) = frq[i - 1];
}

}  // namespace

TEST(DialogConfig, HeterozygosityAloneLeavesLinesThreeToSixBlank) {
  TempDir t;
  Dlg d("");
  d.rs.names.config = t.path + "pop.dat.cfg";
  d.rs.param.loctyp = 2;
  d.rs.param.notord = 1;
  answers(d.rs.names, "nnnnnnnyny", 'y', 'y', 'y', 'y', "yyyy");
  makcfg(d.rs);
  EXPECT_EQ(slurp(d.rs.names.config), " 2\nnnnnnnn\n  \n  \n    \n \nyny\n");
  EXPECT_EQ(d.con(), "\nOptions saved in file " + t.path + "pop.dat.cfg\n");
}

TEST(DialogConfig, WrittenAndReadBack) {
  TempDir t;
  Dlg d("");
  d.rs.names.config = t.path + "x.cfg";
  d.rs.param.loctyp = 3;
  d.rs.param.notord = 1;
  answers(d.rs.names, "yynynyynnn", 'y', 'y', 'n', 'y', "nnyy");
  makcfg(d.rs);
  EXPECT_EQ(slurp(d.rs.names.config), " 3\nyynynyy\nyy\nny\nnnyy\n1\nnnn\n");

  Dlg r("N\n");
  r.rs.names.config = d.rs.names.config;
  redcfg(r.rs);
  const Names& n = r.rs.names;
  EXPECT_EQ(r.rs.param.loctyp, 3);
  EXPECT_EQ(r.rs.param.notord, 1);
  EXPECT_EQ(n.aprog(4), 'y');
  EXPECT_EQ(n.aprog(8), 'n');
  EXPECT_EQ(n.spdfin, 'n');
  EXPECT_EQ(n.frqstr(3), 'y');
  EXPECT_EQ(n.vorein, 'N');
  // The options box: every line 78 columns, the refinements shown for evenness and
  // differentiation.
  auto l = lines_of(r.con());
  ASSERT_EQ(l.size(), 22u);
  EXPECT_EQ(l[0], "");
  EXPECT_EQ(l[1], io::rpad(" Option file exists : " + t.path + "x.cfg", 278));
  for (size_t i = 2; i <= 20; ++i) EXPECT_EQ(l[i].size(), 78u) << l[i];
  EXPECT_EQ(l[3], "| Frequency distributions                  y | Maternal frequencies         n|");
  EXPECT_EQ(l[8], "|  - finite population size                y                                 |");
  EXPECT_EQ(l[13],
            "|  - weights proportional to sample size   n                                 |");
  EXPECT_EQ(l[17],
            "| Heterozygosity                                                    n        |");
  // The answer follows on the question's line; a no ends that line.
  EXPECT_EQ(l[21], R"( Do you want to use these options ? Answer "Y" (yes) or "N" (no): )");
}

TEST(DialogConfig, BlankGameticSexLineReadsAsZeroAndShortFilesKeepTheRest) {
  TempDir t;
  Dlg d("1\n");
  d.rs.names.config = t.path + "s.cfg";
  std::ofstream(d.rs.names.config) << " 1\nyn\n\n\nyy\n\n";
  d.rs.param.notord = 1;
  d.rs.names.aprog(9) = 'k';
  redcfg(d.rs);
  EXPECT_EQ(d.rs.param.loctyp, 1);
  EXPECT_EQ(d.rs.param.notord, 0);
  EXPECT_EQ(d.rs.names.aprog(1), 'y');
  EXPECT_EQ(d.rs.names.aprog(3), ' ');  // a short line reads as blanks
  EXPECT_EQ(d.rs.names.frqstr(2), 'y');
  EXPECT_EQ(d.rs.names.aprog(9), 'k');  // line 7 is missing: kept
  EXPECT_EQ(d.rs.names.vorein, '1');
}

TEST(DialogConfig, DamagedFileIsReportedAndIgnored) {
  for (const char* text : {" 1\nyyyyyyy\nyy\nyy\nyyyy\n7\nyyy\n", "abc\nyyyyyyy\n", " 9\n"}) {
    TempDir t;
    Dlg d("");
    d.rs.names.config = t.path + "d.cfg";
    std::ofstream(d.rs.names.config) << text;
    d.rs.param.loctyp = 0;
    d.rs.names.aprog(1) = 'n';
    redcfg(d.rs);
    EXPECT_EQ(d.rs.param.loctyp, 0) << text;  // nothing taken over
    EXPECT_EQ(d.rs.names.aprog(1), 'n') << text;
    EXPECT_EQ(d.rs.names.vorein, ' ');
    const std::string c = d.con();
    EXPECT_NE(c.find(" ** Error reading .cfg file, cause=5010\n"), std::string::npos) << c;
    EXPECT_NE(c.find(" ** Input desired measures and tests by hand\n\n"), std::string::npos);
  }
}

TEST(DialogConfig, UnwritableFileIsReportedAndTheRunGoesOn) {
  Dlg d("");
  d.rs.names.config = "/nonexistent-dir-of-tolm/x.cfg";
  makcfg(d.rs);
  EXPECT_EQ(d.con(),
            "\nError saving options in /nonexistent-dir-of-tolm/x.cfg\n"
            "   cause=2 (No such file or directory)\n");
  EXPECT_EQ(d.rs.output_failures, 1);
}

TEST(DialogClsfil, ClosesEveryScratchChannelAndEndsTheRun) {
  Dlg d("\n");
  for (int ch = 20; ch <= 27; ++ch)
    if (ch != 26) d.rs.scratch.open(ch);
  swrite(d.rs, 20, 5, 7);
  try {
    clsfil(d.rs, 1);
    FAIL();
  } catch (const ProgramStop& s) {
    EXPECT_EQ(s.status, 1);
  }
  for (int ch = 20; ch <= 27; ++ch) EXPECT_FALSE(d.rs.scratch.is_open(ch));
  EXPECT_EQ(d.rs.param.mind20, 0);
  EXPECT_EQ(d.con(), " ** Press \"Return\" or \"Enter\" to terminate program **\n");
}
