// The header after record 1: locus and deme names, their list on the console, and the
// read-format record with its failures.
#include <gtest/gtest.h>

#include <string>

#include "input/namein.h"
#include "io/fixw.h"
#include "core/runstate.h"

namespace tolm {
namespace {

struct Header {
  RunState rs;
  Work w;
  std::string fcard;
  int nlread = -1;
  int status = -1;  // exit status when the run stopped
  std::string con;
  Header(int np, int nl, const std::string& text) {
    w.create(np, nl, nl + 1, 250);
    rs.param.np = np;
    rs.param.nl = nl;
    rs.con().capture();
    rs.u(10).feed(text);
    rs.u(5).feed("\n");
    try {
      namein(rs, w, fcard, nlread);
    } catch (const ProgramStop& s) {
      status = s.status;
    }
    con = rs.con().take_captured();
  }
};

std::string dots() {
  return std::string(80, '.') + "\n";
}

TEST(Namein, NamesAreCutLeftAdjustedAndListedBesideEachOther) {
  // two loci and five demes: the loci stand on rows 4 and 5, beside demes 4 and 5
  Header h(5, 2,
           "5 2\n"
           "  Locus\tOne trailing\n"
           "ABCDEFGHIJKLMNOP\n"
           "D1\n\tD2\n   D3\nD4\n" +
               std::string(45, 'x') + "\nUNFORMATTED\n");
  ASSERT_EQ(h.status, -1) << h.con;
  EXPECT_EQ(h.w.locnam(1), "Locus One");  // 12 characters, TAB made blank, left-adjusted
  EXPECT_EQ(h.w.locnam(2), "ABCDEFGHIJKL");
  EXPECT_EQ(h.w.prbnam(2), "D2");
  EXPECT_EQ(h.w.prbnam(3), "D3");
  EXPECT_EQ(h.w.prbnam(5), std::string(40, 'x'));
  const std::string blank22(22, ' ');
  EXPECT_EQ(h.con, dots() + blank22 + "     Deme  1: " + io::fa("D1", 40) + "\n" + blank22 +
                       "     Deme  2: " + io::fa("D2", 40) + "\n" + blank22 +
                       "     Deme  3: " + io::fa("D3", 40) + "\n" +
                       "Locus  1: Locus One        Deme  4: " + io::fa("D4", 40) + "\n" +
                       "Locus  2: ABCDEFGHIJKL     Deme  5: " + std::string(40, 'x') + "\n");
  // "UNFORMATTED": every locus in each record, free format, no format line
  EXPECT_EQ(h.fcard, "*");
  EXPECT_EQ(h.nlread, 2);
}

TEST(Namein, MoreLociThanDemesAndTheFormatLine) {
  Header h(1, 3, "1 3\nA\nB\nC\nPop\n   unformatted and more text\n");
  ASSERT_EQ(h.status, -1) << h.con;
  EXPECT_EQ(h.con, dots() + "Locus  1: A           \nLocus  2: B           \n" +
                       "Locus  3: C                Deme  1: " + io::fa("Pop", 40) + "\n");
  EXPECT_EQ(h.fcard, "*");
  EXPECT_EQ(h.nlread, 3);

  // a count and a format: the format is what stands behind the first occurrence of the count
  Header f(1, 3, "1 3\nA\nB\nC\nPop\n  2  (i2,i4,2(I4,i4))   \n");
  ASSERT_EQ(f.status, -1) << f.con;
  EXPECT_EQ(f.nlread, 2);
  EXPECT_EQ(f.fcard, "(i2,i4,2(I4,i4))");
  // the name list ends with the 40 columns of the deme name, then an empty line
  EXPECT_EQ(f.con.substr(f.con.size() - 48), "\n\n No. loci=   2,  READ_format=(i2,i4,2(I4,i4))\n");
  // a comma between count and format, and a TAB before the count
  Header c(1, 3, "1 3\nA\nB\nC\nPop\n\t3,(2i3,3(i4,i4))\n");
  ASSERT_EQ(c.status, -1) << c.con;
  EXPECT_EQ(c.nlread, 3);
  EXPECT_EQ(c.fcard, "(2i3,3(i4,i4))");
}

TEST(Namein, TwelveLociTakeTheFormatBehindTheFirstTwelve) {
  std::string text = "1 12\n";
  for (int k = 1; k <= 12; ++k) text += "L" + std::to_string(k) + "\n";
  text += "Pop\n12 (2i4,12(i5,i4))\n";
  Header h(1, 12, text);
  ASSERT_EQ(h.status, -1) << h.con;
  EXPECT_EQ(h.nlread, 12);
  EXPECT_EQ(h.fcard, "(2i4,12(i5,i4))");
  EXPECT_NE(h.con.find("\n\n No. loci=  12,  READ_format=(2i4,12(i5,i4))\n"), std::string::npos);
}

TEST(Namein, HeadersThatEndEarlyOrCannotBeUsedStopTheRun) {
  const std::string press = " ** Press \"Return\" or \"Enter\" to terminate program **\n";
  Header a(2, 3, "2 3\nL1\n");
  EXPECT_EQ(a.status, 1);
  EXPECT_EQ(a.con,
            " ** Input file \"\" ends inside its header: record 3 (name of locus 2) is missing. "
            "Execution terminated **\n" +
                press);
  Header b(1, 1, "1 1\nL1\nD1\n");
  EXPECT_EQ(b.status, 1);
  EXPECT_NE(b.con.find("record 4 (the read format of the data records) is missing"),
            std::string::npos);

  auto fails = [](const std::string& fmt) {
    Header h(1, 3, "1 3\nA\nB\nC\nPop\n" + fmt + "\n");
    EXPECT_EQ(h.status, 1) << fmt;
    EXPECT_NE(h.con.find(" ** Input file \"\", record 6 (read format): "), std::string::npos);
    return h.con;
  };
  EXPECT_NE(fails("FORMATTED (2i4)").find("it must be \"UNFORMATTED\" or the number of allele"),
            std::string::npos);
  EXPECT_NE(fails("0 (2i4)").find("per data record, 0, must lie between 1 and 3."),
            std::string::npos);
  EXPECT_NE(fails("4 (2i4,4(i4,i4))").find("per data record, 4, must lie between 1 and 3."),
            std::string::npos);
  EXPECT_NE(fails("3").find("the format \"\" cannot be used: the format specification is empty"),
            std::string::npos);
  EXPECT_NE(fails("3 (i2,q4)").find("\"Q\" at column 5 is not a field descriptor"),
            std::string::npos);
  EXPECT_NE(fails("3 (i2,i4,(1x))").find("holds no integer field"), std::string::npos);
}

}  // namespace
}  // namespace tolm
