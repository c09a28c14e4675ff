// Reading bad input as a new user writes it: records cut short that take the next record's
// values, unreadable fields, a locus named twice, records indented into comments; and the quiet
// counting. Expected counts are worked out by hand from the few records of each file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/count.h"
#include "core/runstate.h"
#include "countsetup.h"

namespace tolm {
namespace {

// np demes, nl loci, every single locus a combination; console and results file captured.
struct ReadRun {
  RunState rs;
  Work w;
  int ierr = -1;
  std::string con, out;
  ReadRun(int np, int nl, bool quiet = false) {
    single_loci_run(rs, w, np, nl);
    rs.opt.quiet = quiet;
  }
  void count(const std::string& text, const std::string& fcard = "*", int nlread = -1) {
    rs.u(10).feed(text);
    xcount(rs, w, ierr, fcard, nlread < 0 ? rs.param.nl : nlread);
    con = rs.con().take_captured();
    out = rs.u(8).take_captured();
  }
  bool con_has(const std::string& s) const { return con.find(s) != std::string::npos; }
  // individuals of deme kp counted for locus kc (both contributions, unknown included)
  int individuals(int kc, int kp) {
    int n = 0;
    for (long h = 0; h <= w.nptr1(kc); ++h)
      n += sread(rs, 20, 3L * (rs.param.np * (rs.param.nc * h + kc - 1) + kp - 1) + 1);
    return n;
  }
};

// 3 demes, 2 loci, unformatted; records 9, 11 and 13 are the genotypes.
const std::string kHead = "3 2\nL1\nL2\nD1\nD2\nD3\nUNFORMATTED\n";
const std::string kOneLine =
    "1 0 1 0 2 0\n"
    "1 1 100 100 5 5\n"
    "2 0 1 0 2 0\n"
    "2 2 100 102 5 6\n"
    "3 0 1 0 2 0\n"
    "3 3 102 102 6 6\n";

TEST(MendsRead, ShortLineThatContinuesIsReported) {
  // A file with every record on one line reads exactly as before: no added line.
  ReadRun whole(3, 2);
  whole.count(kHead + kOneLine);
  ASSERT_EQ(whole.ierr, 0);
  EXPECT_FALSE(whole.con_has("continue"));
  EXPECT_EQ(whole.out, "");
  EXPECT_NE(whole.con.find(" End of input file\n\n"), std::string::npos);

  // Record 10 lost its last allele: it takes "2" from line 11 (the next record) and goes on.
  std::string cut = kHead + kOneLine;
  cut.replace(cut.find("1 1 100 100 5 5"), 15, "1 1 100 100 5");
  ReadRun r(3, 2);
  r.count(cut);
  const std::string msg =
      " ** Record 9 continues on the next line: 6 values expected, 5 found on line 9 **\n";
  EXPECT_NE(r.con.find("    9:    1   1  100 100    5   2\n" + msg), std::string::npos) << r.con;
  EXPECT_EQ(r.out, msg);
  EXPECT_NE(r.con.find(" End of input file\n ** 1 record continued on the next line **\n\n"),
            std::string::npos)
      << r.con;
}

TEST(MendsRead, UnreadableFieldIsNamed) {
  struct Case {
    std::string record, fcard;
    int nlread;
    std::string detail;
  };
  // fields count from 1: deme, second number, then the alleles in order
  const std::vector<Case> cases = {
      {"1 1 100 1x3 5 5", "*", 2, "    field 4: \"1x3\" is not an integer"},
      {"1 1x 100 100 5 5", "*", 2, "    field 2: \"1x\" is not an integer"},
      {"1 1 100 100 5 4294967296", "*", 2, "    field 6: \"4294967296\" does not fit in 32 bits"},
      {"x1 1 100 100 5 5", "*", 2, "    field 1: \"x1\" is not an integer"},
      // fixed columns (i2,i4,4i4): the fifth field is columns 15-18
      {" 1   1 100 10012o5   5", "(i2,i4,4i4)", 2, "    field 5: \"12o5\" is not an integer"},
  };
  for (const Case& c : cases) {
    ReadRun r(3, 2);
    r.count(kHead + "1 0 1 0 2 0\n" + c.record + "\n", c.fcard, c.nlread);
    EXPECT_EQ(r.ierr, 1) << c.record;
    const std::string msg = " ** Error reading record     9, cause= 5010 **\n" + c.detail + "\n";
    EXPECT_EQ(r.out, msg) << c.record;
    EXPECT_TRUE(r.con_has(msg)) << r.con;
  }
  // the file ends inside a record
  ReadRun e(3, 2);
  e.count(kHead + "1 0 1 0 2 0\n1 1 100\n");
  EXPECT_EQ(e.out,
            " ** Error reading record     9, cause=   -1 **\n"
            "    the file ends inside the record: 6 values expected\n");
}

TEST(MendsRead, LocusNamedTwiceIsRefused) {
  ReadRun r(3, 2);
  std::string data = kHead + kOneLine;
  data.replace(0 + data.find("1 0 1 0 2 0"), 11, "1 0 1 0 1 0");
  r.count(data);
  EXPECT_EQ(r.ierr, 1);
  EXPECT_EQ(r.out, " ** Locus    1 is named twice in the locus list of record    8\n");
  // Nothing of deme 1 is counted under either locus; the other demes still are (the reading
  // goes on so that every fault is shown), and the counts are then not used.
  EXPECT_EQ(r.individuals(1, 1), 0);
  EXPECT_EQ(r.individuals(2, 1), 0);
  EXPECT_EQ(r.individuals(1, 2), 1);
  EXPECT_TRUE(r.con_has(" ** Execution terminated:      1 records of deme input unreadable"));
}

TEST(MendsRead, RecordsIndentedIntoCommentsAreWarnedAbout) {
  const std::string pad(10, ' ');
  const std::string warn1 =
      " ** Warning: no genotype record was counted; 3 lines that hold numbers were read as "
      "comments, as their first 10 columns are blank **\n";
  // every record indented: nothing counted, one warning after the end line
  ReadRun all(3, 2);
  all.count(kHead + pad + "1 0 1 0 2 0\n" + pad + "1 1 100 100 5 5\n" + pad + "# note\n" + "\n" +
            pad + "2 2 100 102 5 6\n");
  ASSERT_EQ(all.ierr, 0);
  EXPECT_NE(all.con.find(" End of input file\n" + warn1 + "\n"), std::string::npos) << all.con;
  // one genotype record counted: indented lines stay plain comments, no warning
  ReadRun some(3, 2);
  some.count(kHead + kOneLine + pad + "1 1 100 100 5 5\n");
  EXPECT_FALSE(some.con_has("Warning"));
  EXPECT_EQ(some.individuals(1, 1), 1);
}

TEST(MendsRead, QuietCountingHasNoEchoButKeepsMessages) {
  std::string cut = kHead + kOneLine + "3 4 1x2 102 6 6\n";
  ReadRun q(3, 2, true);
  q.count(cut);
  ReadRun loud(3, 2);
  loud.count(cut);
  // same counts and messages, without the lines that echo the records
  EXPECT_EQ(q.out, loud.out);
  EXPECT_TRUE(q.con_has(" Reading input file"));
  EXPECT_TRUE(q.con_has(" ** Error reading record    14, cause= 5010 **\n    field 3:"));
  EXPECT_TRUE(q.con_has(" End of input file\n"));
  EXPECT_TRUE(loud.con_has("    9:    1   1  100 100    5   5\n"));
  for (const char* echo : {"    1: 3 2", "    9:", "   13:"}) EXPECT_FALSE(q.con_has(echo)) << echo;
}

TEST(MendsRead, ProgressLineOnlyForLongQuietRunsOnATerminal) {
  EXPECT_TRUE(progress_wanted(true, true, 5L << 20));
  EXPECT_FALSE(progress_wanted(false, true, 5L << 20));  // the echo shows the progress
  EXPECT_FALSE(progress_wanted(true, false, 5L << 20));  // a file or pipe gets no redrawn line
  EXPECT_FALSE(progress_wanted(true, true, 1L << 20));   // a small file is read at once
  // 1/4 of 8 MB in 2 s at 100000 records
  EXPECT_EQ(progress_line(2L << 20, 8L << 20, 100000, 2.0),
            " Counting: 25% of the input file read, 50000 records/s");
}

}  // namespace
}  // namespace tolm
