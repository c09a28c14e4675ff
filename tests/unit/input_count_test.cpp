// Reading and counting the data records: record kinds, echo, counts on the scratch channels
// (checked against counts worked out by hand), heterozygosity counts, messages, sorting.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "analysis/hetgrd.h"
#include "input/bsort.h"
#include "input/count.h"
#include "io/fixw.h"
#include "core/runstate.h"

namespace tolm {
namespace {

// The illustrative file: two demes, three loci; record 11 misses the paternal allele at locus 2,
// record 13 stands for 7 individuals of deme 2 (counts mode, no gametic sex).
const char* kSample =
    "2 3\n"
    "L1\nL2\nL3\n"
    "Deme one\nDeme two\n"
    "UNFORMATTED\n"
    "# a comment\n"
    "1 0 1 1 2 1 3 0\n"
    "1 101 100 98 110 100 102 102\n"
    "1 102 100 100 100 -1 98 102\n"
    "2 0 -1 0 2 0 3 0\n"
    "2 7 100 100 110 100 102 98\n";

// A run with np demes and nl loci whose combinations are given as lists of loci; the console
// and the results file (unit 8) are captured.
struct CountRun {
  RunState rs;
  Work w;
  int ierr = -1;
  CountRun(int np, int nl, const std::vector<std::vector<int>>& combos, bool het = false) {
    w.create(np, nl, nl + 1, 250);
    Param& p = rs.param;
    p.np = np;
    p.nl = nl;
    p.nc = static_cast<int>(combos.size());
    p.mxnrlc = 0;
    for (int kc = 1; kc <= p.nc; ++kc) {
      const auto& c = combos[static_cast<size_t>(kc - 1)];
      w.nrloc(kc) = static_cast<int>(c.size());
      for (size_t i = 0; i < c.size(); ++i) w.loccmb(kc, static_cast<long>(i) + 1) = c[i];
      if (w.nrloc(kc) > p.mxnrlc) p.mxnrlc = w.nrloc(kc);
    }
    p.idurch = 1;
    p.icount = 1;
    p.iunit = 8;
    rs.names.aprog(8) = het ? 'y' : 'n';
    for (int ch = 20; ch <= 27; ++ch) rs.scratch.open(ch);
    rs.con().capture();
    rs.u(8).capture();
  }
  void count(const std::string& text, const std::string& fcard = "*", int nlread = -1) {
    rs.u(10).feed(text);
    xcount(rs, w, ierr, fcard, nlread < 0 ? rs.param.nl : nlread);
  }
  const Param& p() const { return rs.param; }
  int hap(int h, int kc, int kp, int m) {
    return sread(rs, 20, 3L * (p().np * (p().nc * h + kc - 1) + kp - 1) + m);
  }
  // (first, second, genes of complete genotypes) of haplotype h
  std::vector<int> hap3(int h, int kc, int kp) {
    return {hap(h, kc, kp, 1), hap(h, kc, kp, 2), hap(h, kc, kp, 3)};
  }
  std::vector<int> alleles(int h, int kc) {
    std::vector<int> a;
    for (int j = 1; j <= w.nrloc(kc); ++j)
      a.push_back(sread(rs, 21, p().mxnrlc * (p().nc * h + kc - 1) + j));
    return a;
  }
  int geno(int g, int kc, int kp) { return sread(rs, 22, p().np * (p().nc * g + kc - 1) + kp); }
  std::pair<int, int> gdef(int g, int kc) {
    int32_t a = 0, b = 0;
    sread23(rs, p().nc * g + kc, a, b);
    return {a, b};
  }
  std::vector<int> het(int kc, int kp) {
    std::vector<int> v;
    const long base = (p().mxnrlc + 3L) * (p().np * (kc - 1L) + kp - 1);
    for (int r = 1; r <= p().mxnrlc + 3; ++r) v.push_back(sread(rs, 26, base + r));
    return v;
  }
  std::vector<int> order(int ch, int kc, int n) {
    std::vector<int> v;
    for (int i = 1; i <= n; ++i) v.push_back(sread(rs, ch, p().nc * static_cast<long>(i) + kc));
    return v;
  }
};

using V = std::vector<int>;
using P = std::pair<int, int>;

TEST(Counting, IllustrativeFileSingleLoci) {
  CountRun r(2, 3, {{1}, {2}, {3}});
  r.count(kSample);
  ASSERT_EQ(r.ierr, 0);
  EXPECT_EQ(r.p().icount, 2);
  // locus 1: alleles 100 (h1), 98 (h2); deme 1 has 100/98 (ordered) and 100/100
  EXPECT_EQ(r.w.nptr1(1), 2);
  EXPECT_EQ(r.alleles(1, 1), V{100});
  EXPECT_EQ(r.alleles(2, 1), V{98});
  EXPECT_EQ(r.hap3(1, 1, 1), (V{2, 1, 3}));
  EXPECT_EQ(r.hap3(2, 1, 1), (V{0, 1, 1}));
  EXPECT_EQ(r.hap3(0, 1, 1), (V{0, 0, 0}));
  EXPECT_EQ(r.hap3(1, 1, 2), (V{7, 7, 14}));  // counts mode: 7 homozygotes 100/100
  EXPECT_EQ(r.w.nptr2(1), 2);
  EXPECT_EQ(r.gdef(1, 1), P(1, 2));
  EXPECT_EQ(r.gdef(2, 1), P(1, 1));
  EXPECT_EQ((V{r.geno(0, 1, 1), r.geno(1, 1, 1), r.geno(2, 1, 1)}), (V{0, 1, 1}));
  EXPECT_EQ((V{r.geno(0, 1, 2), r.geno(1, 1, 2), r.geno(2, 1, 2)}), (V{0, 0, 7}));
  // locus 2: record 11 is unknown (paternal allele missing); in deme 2 no gametic sex, so
  // 110 100 is made 100/110
  EXPECT_EQ(r.alleles(1, 2), V{110});
  EXPECT_EQ(r.alleles(2, 2), V{100});
  EXPECT_EQ(r.hap3(1, 2, 1), (V{1, 0, 1}));
  EXPECT_EQ(r.hap3(2, 2, 1), (V{1, 1, 1}));
  EXPECT_EQ(r.hap3(0, 2, 1), (V{0, 1, 2}));
  EXPECT_EQ(r.hap3(1, 2, 2), (V{0, 7, 7}));
  EXPECT_EQ(r.hap3(2, 2, 2), (V{7, 0, 7}));
  EXPECT_EQ(r.gdef(1, 2), P(1, 2));
  EXPECT_EQ(r.gdef(2, 2), P(2, 1));
  EXPECT_EQ((V{r.geno(0, 2, 1), r.geno(1, 2, 1), r.geno(2, 2, 1)}), (V{1, 1, 0}));
  EXPECT_EQ(r.geno(2, 2, 2), 7);
  // locus 3: no gametic sex anywhere: 98 102 and 102 98 are one genotype
  EXPECT_EQ(r.alleles(1, 3), V{102});
  EXPECT_EQ(r.alleles(2, 3), V{98});
  EXPECT_EQ(r.hap3(1, 3, 1), (V{1, 2, 3}));
  EXPECT_EQ(r.hap3(2, 3, 1), (V{1, 0, 1}));
  EXPECT_EQ(r.gdef(1, 3), P(1, 1));
  EXPECT_EQ(r.gdef(2, 3), P(2, 1));
  EXPECT_EQ(r.w.nptr2(3), 2);
  EXPECT_EQ((V{r.geno(1, 3, 1), r.geno(2, 3, 1), r.geno(2, 3, 2)}), (V{1, 1, 7}));
  // gametic sex per deme: deme 1 named loci 1 and 2 with it, deme 2 none
  EXPECT_EQ((V{r.w.kmbord(1, 1), r.w.kmbord(2, 1), r.w.kmbord(3, 1)}), (V{1, 1, 0}));
  EXPECT_EQ((V{r.w.kmbord(1, 2), r.w.kmbord(2, 2), r.w.kmbord(3, 2)}), (V{0, 0, 0}));
  EXPECT_EQ(r.w.sexspc(2, 1), "yes");
  EXPECT_EQ(r.w.sexspc(3, 1), " no");
  // extents: channel 20 grown for h = 2, order files prepared for two types of each kind
  EXPECT_EQ(r.p().mind20, 3 * 2 * 3 * 3 + 1);
  EXPECT_EQ(r.p().mind21, 1 * 3 * 3);
  EXPECT_EQ(r.p().mind22, 2 * 3 * 3);
  EXPECT_EQ(r.p().mind23, 3 * 3);
  EXPECT_EQ(r.p().mind24, 3 * 3);
  EXPECT_EQ(r.p().mind25, 3 * 3);
}

TEST(Counting, IllustrativeFileMultilocusAndHeterozygosity) {
  CountRun r(2, 3, {{1, 2, 3}}, true);
  r.count(kSample);
  ASSERT_EQ(r.ierr, 0);
  // locus 3 is without gametic sex in deme 1, so each record's genotype is made canonical:
  // record 10: (98,100,102) / (100,110,102); record 11: first contribution unknown (the -1
  // moves to the first place), second (100,100,102); record 13: (100,100,98) / (100,110,102)
  EXPECT_EQ(r.w.nptr1(1), 4);
  EXPECT_EQ(r.alleles(1, 1), (V{98, 100, 102}));
  EXPECT_EQ(r.alleles(2, 1), (V{100, 110, 102}));
  EXPECT_EQ(r.alleles(3, 1), (V{100, 100, 102}));
  EXPECT_EQ(r.alleles(4, 1), (V{100, 100, 98}));
  EXPECT_EQ(r.hap3(0, 1, 1), (V{1, 0, 2}));
  EXPECT_EQ(r.hap3(1, 1, 1), (V{1, 0, 1}));
  EXPECT_EQ(r.hap3(2, 1, 1), (V{0, 1, 1}));
  EXPECT_EQ(r.hap3(3, 1, 1), (V{0, 1, 0}));
  EXPECT_EQ(r.hap3(4, 1, 2), (V{7, 0, 7}));
  EXPECT_EQ(r.hap3(2, 1, 2), (V{0, 7, 7}));
  EXPECT_EQ(r.w.nptr2(1), 2);
  EXPECT_EQ(r.gdef(1, 1), P(1, 2));
  EXPECT_EQ(r.gdef(2, 1), P(4, 2));
  EXPECT_EQ((V{r.geno(0, 1, 1), r.geno(1, 1, 1), r.geno(0, 1, 2), r.geno(2, 1, 2)}),
            (V{1, 1, 0, 7}));
  // the alleles stay as read
  EXPECT_EQ(r.w.la(2, 1), 110);
  EXPECT_EQ(r.w.la(3, 1), 102);
  // heterozygosity: blocks of 6 (heterozygous at 0..3 loci, identified, unknown)
  EXPECT_EQ(r.het(1, 1), (V{0, 0, 1, 0, 1, 1}));
  EXPECT_EQ(r.het(1, 2), (V{0, 0, 7, 0, 7, 0}));
  EXPECT_EQ(r.p().mind26, 2 * 6 * 1);
}

TEST(Counting, HeterozygosityOfSingleLoci) {
  CountRun r(2, 3, {{1}, {2}, {3}}, true);
  r.count(kSample);
  ASSERT_EQ(r.ierr, 0);
  EXPECT_EQ(r.het(1, 1), (V{1, 1, 2, 0}));
  EXPECT_EQ(r.het(1, 2), (V{7, 0, 7, 0}));
  EXPECT_EQ(r.het(2, 1), (V{0, 1, 1, 1}));
  EXPECT_EQ(r.het(2, 2), (V{0, 7, 7, 0}));
  EXPECT_EQ(r.het(3, 1), (V{1, 1, 2, 0}));
  EXPECT_EQ(r.het(3, 2), (V{0, 7, 7, 0}));
}

TEST(Counting, OnlyHeterozygosityLeavesMultilocusTypesUncounted) {
  CountRun r(2, 3, {{1, 2, 3}}, true);
  r.rs.param.nurhet = 1;
  r.count(kSample);
  ASSERT_EQ(r.ierr, 0);
  EXPECT_EQ(r.w.nptr1(1), 0);
  EXPECT_EQ(r.hap3(0, 1, 1), (V{0, 0, 0}));
  EXPECT_EQ(r.het(1, 2), (V{0, 0, 7, 0, 7, 0}));
}

TEST(Counting, EchoOfTheFileOnTheConsole) {
  const std::string path = ::testing::TempDir() + "tolm_echo_sample.dat";
  {
    std::ofstream f(path);
    f << kSample;
  }
  CountRun r(2, 3, {{1}, {2}, {3}});
  ASSERT_EQ(r.rs.u(10).open_in(path), 0);
  std::string first;
  r.rs.u(10).read_line(first);  // the position the start-up leaves does not matter
  xcount(r.rs, r.w, r.ierr, "*", 3);
  EXPECT_EQ(r.ierr, 0);
  EXPECT_EQ(r.rs.con().take_captured(), " Reading input file " + path +
                                            "\n"
                                            "    1: 2 3\n"
                                            "    2: L1\n"
                                            "    3: L2\n"
                                            "    4: L3\n"
                                            "    5: Deme one\n"
                                            "    6: Deme two\n"
                                            "    7: UNFORMATTED\n"
                                            "    8: # a comment\n"
                                            "    9:    1   0    1   1    2   1    3   0\n"
                                            "   10:    1 101  100  98  110 100  102 102\n"
                                            "   11:    1 102  100 100  100  -1   98 102\n"
                                            "   12:    2   0   -1   0    2   0    3   0\n"
                                            "   13:    2   7  100 100  110 100  102  98\n"
                                            " End of input file\n"
                                            "\n");
  EXPECT_EQ(r.rs.u(8).take_captured(), "");
  std::remove(path.c_str());
}

TEST(Counting, RecordKindsCommentsIgnoredZeroRecordsAndContinuations) {
  CountRun r(1, 2, {{1}, {2}});
  r.count(
      "1 2\nA\nB\nD\nUNFORMATTED\n"
      "\ttab comment\n"
      "\n"
      "9999 this line is not read\n"
      "1 5 7 7 7 7\n"  // a genotype before any locus list counts nothing
      "1 0 1 0 2 0\n"
      "0 0 0 0 0 0\n"
      "\n"
      "          12 12\n"  // blank in its first 10 columns: taken along with the zero record
      "1 5 100 102\n"
      "98 98\n"  // the record goes on in this line, which is not counted
      "# end\n");
  ASSERT_EQ(r.ierr, 0);
  const std::string con = r.rs.con().take_captured();
  const std::string data = con.substr(con.find("    5: UNFORMATTED\n") + 19);
  EXPECT_EQ(data,
            "    6: \ttab comment\n"
            "    7: \n"
            "    8: 9999\n"
            "    9:    1   5    7   7    7   7\n"
            "   10:    1   0    1   0    2   0\n"
            "   11:\n"
            "   12:\n"
            "   13:\n"
            "   14:    1   5  100 102   98  98\n"
            " ** Record 14 continues on the next line: 6 values expected, 4 found on line 14 **\n"
            "   15: # end\n"
            " End of input file\n"
            " ** 1 record continued on the next line **\n\n");
  EXPECT_EQ(r.w.nptr1(1), 2);
  EXPECT_EQ(r.gdef(1, 1), P(1, 2));
  EXPECT_EQ(r.geno(1, 1, 1), 1);
  EXPECT_EQ(r.gdef(1, 2), P(1, 1));
  EXPECT_EQ(r.alleles(1, 2), V{98});
  EXPECT_EQ(r.hap3(1, 2, 1), (V{1, 1, 2}));
}

// The same data written with a format specification counts exactly like the free version.
TEST(Counting, FixedFormatCountsLikeFreeFormat) {
  CountRun free(2, 3, {{1}, {2}, {3}, {1, 2, 3}}, true);
  free.count(kSample);
  ASSERT_EQ(free.ierr, 0);
  const std::string fixed =
      "2 3\nL1\nL2\nL3\nDeme one\nDeme two\n"
      "3 (i2,i4,/,3(i4,i4))\n"
      "# a comment\n"
      " 1   0\n   1   1   2   1   3   0\n"
      " 1 101\n 100  98 110 100 102 102\n"
      " 1 102\n 100 100 100  -1  98 102\n"
      " 2   0\n  -1   0   2   0   3   0\n"
      " 2   7\n 100 100 110 100 102  98\n";
  CountRun fix(2, 3, {{1}, {2}, {3}, {1, 2, 3}}, true);
  fix.count(fixed, "(i2,i4,/,3(i4,i4))", 3);
  ASSERT_EQ(fix.ierr, 0);
  for (int ch : {20, 21, 22, 24, 25, 26}) {
    ASSERT_EQ(fix.rs.param.mind(ch), free.rs.param.mind(ch)) << ch;
    for (long rec = 1; rec <= free.rs.param.mind(ch); ++rec)
      ASSERT_EQ(sread(fix.rs, ch, rec), sread(free.rs, ch, rec)) << ch << " " << rec;
  }
  for (long rec = 1; rec <= free.p().mind23; ++rec) EXPECT_EQ(fix.gdef(0, rec), free.gdef(0, rec));
  // a record of a fixed format that leaves its first 10 columns blank is taken as a comment
  CountRun blank(1, 1, {{1}});
  blank.count("1 1\nA\nD\nx\n1 0   1   0\n          1 5 100 100\n 1 5 100 100\n", "(i2,i2,2i4)", 1);
  EXPECT_EQ(blank.ierr, 0);
  EXPECT_EQ(blank.w.nptr2(1), 1);
  EXPECT_EQ(blank.geno(1, 1, 1), 1);
  EXPECT_EQ(blank.alleles(1, 1), V{100});
}

// Gametic sex in a combination is the deme's flag for all its loci; without it every
// combination makes its own canonical copy (a later combination sharing a locus still sees the
// alleles as read).
TEST(Counting, GameticSexPerCombinationAndCanonicalCopies) {
  // combinations (1,2) and (1); locus 1 with gametic sex, locus 2 without
  CountRun r(1, 2, {{1, 2}, {1}});
  r.count("1 2\nA\nB\nD\nUNFORMATTED\n1 0 1 1 2 0\n1 1 102 98 110 100\n");
  ASSERT_EQ(r.ierr, 0);
  EXPECT_EQ(r.w.kmbord(1, 1), 0);
  EXPECT_EQ(r.w.kmbord(2, 1), 1);
  EXPECT_EQ(r.alleles(1, 1), (V{98, 100}));  // canonical at both loci
  EXPECT_EQ(r.alleles(2, 1), (V{102, 110}));
  EXPECT_EQ(r.alleles(1, 2), V{102});  // maternal 102, as read
  EXPECT_EQ(r.alleles(2, 2), V{98});
  EXPECT_EQ(r.hap3(1, 2, 1), (V{1, 0, 1}));
  EXPECT_EQ(r.hap3(2, 2, 1), (V{0, 1, 1}));
  EXPECT_EQ(r.w.la(1, 1), 102);

  // one locus: 102 98 and 98 102 are one genotype without gametic sex, two with it
  const std::string two = "1 1\nA\nD\nUNFORMATTED\n1 0 1 S\n1 1 102 98\n1 2 98 102\n";
  auto with = [&](const char* flag) {
    std::string t = two;
    t.replace(t.find('S'), 1, flag);
    return t;
  };
  CountRun no(1, 1, {{1}});
  no.count(with("0"));
  EXPECT_EQ(no.w.nptr2(1), 1);
  EXPECT_EQ(no.gdef(1, 1), P(1, 2));  // 98 first seen as the first contribution
  EXPECT_EQ(no.alleles(1, 1), V{98});
  EXPECT_EQ(no.geno(1, 1, 1), 2);
  CountRun yes(1, 1, {{1}});
  yes.count(with("1"));
  EXPECT_EQ(yes.w.nptr2(1), 2);
  EXPECT_EQ(yes.alleles(1, 1), V{102});
  EXPECT_EQ(yes.hap3(1, 1, 1), (V{1, 1, 2}));
  EXPECT_EQ(yes.w.sexspc(1, 1), "yes");
  // ignoring gametic sex makes every flag 0
  CountRun ign(1, 1, {{1}});
  ign.rs.param.notord = 1;
  ign.count(with("1"));
  EXPECT_EQ(ign.w.nptr2(1), 1);
  EXPECT_EQ(ign.w.kmbord(1, 1), 0);
}

TEST(Counting, MissingAllelesAndCountsMode) {
  // without gametic sex 100 -1 becomes -1 100: unknown first, known second contribution
  CountRun r(1, 2, {{1}, {2}, {1, 2}});
  r.count("1 2\nA\nB\nD\nUNFORMATTED\n1 0 -1 0 2 0\n1 3 100 -1 96 98\n");
  ASSERT_EQ(r.ierr, 0);
  EXPECT_EQ(r.hap3(0, 1, 1), (V{3, 0, 6}));
  EXPECT_EQ(r.hap3(1, 1, 1), (V{0, 3, 0}));
  EXPECT_EQ(r.alleles(1, 1), V{100});
  EXPECT_EQ(r.geno(0, 1, 1), 3);
  EXPECT_EQ(r.w.nptr2(1), 0);
  // locus 2 alone is complete; the pair (1,2) is unknown
  EXPECT_EQ(r.gdef(1, 2), P(1, 2));
  EXPECT_EQ(r.geno(1, 2, 1), 3);
  EXPECT_EQ(r.geno(0, 3, 1), 3);
  EXPECT_EQ(r.hap3(1, 3, 1), (V{0, 3, 0}));  // (100, 98)
  EXPECT_EQ(r.alleles(1, 3), (V{100, 98}));
}

TEST(Counting, ALocusListWithoutALocusOfTheCombination) {
  // the list names loci 1 and 3 only: the pair (1,2) counts nothing, locus 1 alone counts
  CountRun r(1, 3, {{1, 2}, {1}});
  r.count("1 3\nA\nB\nC\nD\nUNFORMATTED\n1 0 1 0 3 0 0 0\n1 1 100 98 5 5 7 7\n");
  ASSERT_EQ(r.ierr, 0);
  EXPECT_EQ(r.p().nl1, 2);
  EXPECT_EQ(r.w.nptr1(1), 0);
  EXPECT_EQ(r.w.nptr1(2), 2);
  EXPECT_EQ(r.gdef(1, 2), P(1, 2));
  EXPECT_EQ(r.alleles(1, 2), V{98});
  EXPECT_EQ(r.w.la(3, 1), 5);  // pair 2 of the record is locus 3
}

TEST(Counting, UnreadableRecordsAreReportedOnBothUnitsAndReadingGoesOn) {
  CountRun r(2, 3, {{1}, {2}, {3}});
  std::string bad = kSample;
  bad.replace(bad.find("1 101"), 5, "1 1o1");
  r.count(bad);
  EXPECT_EQ(r.ierr, 1);
  EXPECT_EQ(r.p().icount, 1);
  const std::string msg = " ** Error reading record    10, cause= 5010 **\n"
                          "    field 2: \"1o1\" is not an integer\n";
  const std::string con = r.rs.con().take_captured();
  EXPECT_NE(con.find(msg + "   11:    1 102"), std::string::npos);
  EXPECT_NE(con.find(" End of input file\n\n ** Execution terminated:      1 records of deme "
                     "input unreadable\n"),
            std::string::npos);
  EXPECT_EQ(r.rs.u(8).take_captured(), msg);
  EXPECT_EQ(r.p().mind24, 0);  // nothing prepared for sorting

  // a free-format record that the end of the file cuts short
  CountRun e(2, 3, {{1}});
  e.count(std::string(kSample) + "1 5 100\n");
  EXPECT_EQ(e.ierr, 1);
  EXPECT_NE(e.rs.con().take_captured().find(" ** Error reading record    14, cause=   -1 **"),
            std::string::npos);
}

TEST(Counting, ErroneousDemeNumberStopsTheReading) {
  CountRun r(2, 3, {{1}});
  std::string bad = kSample;
  bad.replace(bad.find("1 102"), 1, "3");
  r.count(bad);
  EXPECT_EQ(r.ierr, 1);
  const std::string con = r.rs.con().take_captured();
  EXPECT_NE(con.find("   11:    3 102  100 100  100  -1   98 102\n"
                     " ** Erroneous deme number of    3 in record   11\n"
                     " ** Execution terminated:      1 records of deme input unreadable\n"),
            std::string::npos);
  EXPECT_EQ(con.find("   12:"), std::string::npos);  // nothing read after it
  EXPECT_EQ(r.rs.u(8).take_captured(), " ** Erroneous deme number of    3 in record   11\n");

  // deme 0 with a non-zero second number in a genotype record
  CountRun z(2, 3, {{1}});
  std::string zero = kSample;
  zero.replace(zero.find("2 7 "), 1, "0");
  z.count(zero);
  EXPECT_EQ(z.ierr, 1);
  EXPECT_NE(z.rs.con().take_captured().find(" ** Erroneous deme number of    0 in record   13"),
            std::string::npos);
}

TEST(Counting, BadLocusListsAndCountsAreRejectedAndCountNothing) {
  // locus 4 of three, and then deme 5 of two, in locus lists; a negative count
  CountRun r(2, 3, {{1}, {2}, {3}});
  r.count(
      "2 3\nL1\nL2\nL3\nD1\nD2\nUNFORMATTED\n"
      "1 0 1 0 4 0 3 0\n"
      "1 1 100 98 110 100 102 102\n"
      "5 0 1 0 2 0 3 0\n"
      "2 0 -1 0 2 0 3 0\n"
      "2 -4 100 100 110 100 102 98\n"
      "2 3 100 100 110 100 102 98\n");
  EXPECT_EQ(r.ierr, 3);
  const std::string con = r.rs.con().take_captured();
  EXPECT_NE(con.find(" ** Erroneous locus number of    4 in record    8\n"), std::string::npos);
  EXPECT_NE(con.find(" ** Erroneous deme number of    5 in record   10\n"), std::string::npos);
  EXPECT_NE(con.find(" ** Erroneous number of individuals of     -4 in record   12\n"),
            std::string::npos);
  // only the last record, under the valid list of record 11, was counted
  EXPECT_EQ(r.hap3(1, 1, 1), (V{0, 0, 0}));
  EXPECT_EQ(r.hap3(1, 1, 2), (V{3, 3, 6}));
  EXPECT_EQ(r.w.nptr2(1), 1);
}

TEST(Sorting, HaplotypesAndGenotypesInAscendingOrder) {
  // locus 1 without gametic sex: alleles first seen 102, 98, 100; genotypes 100/102, 98/100,
  // 100/100, 100/102. Locus 2 with gametic sex: 102/100, 100/102, 100/100, 96/110.
  CountRun r(1, 2, {{1}, {2}, {1, 2}});
  r.count(
      "1 2\nA\nB\nD\nUNFORMATTED\n1 0 1 0 2 1\n"
      "1 1 102 102 102 100\n"
      "1 2 100 98 100 102\n"
      "1 3 100 100 100 100\n"
      "1 4 102 100 96 110\n");
  ASSERT_EQ(r.ierr, 0);
  bsort1(r.rs, r.w, 4);
  bsort2(r.rs, r.w, 4);
  // locus 1: h1 = 102, h2 = 98, h3 = 100
  EXPECT_EQ(r.order(24, 1, 3), (V{2, 3, 1}));
  // genotypes g1 = 102/102, g2 = 98/100, g3 = 100/100, g4 = 100/102
  EXPECT_EQ(r.order(25, 1, 4), (V{2, 3, 4, 1}));
  // locus 2 (maternal first): h1 = 102, h2 = 100, h3 = 96, h4 = 110;
  // g1 = 102/100, g2 = 100/102, g3 = 100/100, g4 = 96/110
  EXPECT_EQ(r.order(24, 2, 4), (V{3, 2, 1, 4}));
  EXPECT_EQ(r.order(25, 2, 4), (V{4, 3, 2, 1}));
  // pair: locus 1 has no gametic sex, so both loci are made canonical:
  // h1 (102,100) h2 (102,102) h3 (98,100) h4 (100,102) h5 (100,100) h6 (100,96) h7 (102,110)
  EXPECT_EQ(r.w.nptr1(3), 7);
  EXPECT_EQ(r.order(24, 3, 7), (V{3, 6, 5, 4, 1, 2, 7}));
  // g1 (h1,h2), g2 (h3,h4), g3 (h5,h5), g4 (h6,h7): keys 102 102 100 102 / 98 100 100 102 /
  // 100 100 100 100 / 100 102 96 110
  EXPECT_EQ(r.order(25, 3, 4), (V{2, 3, 4, 1}));
  // the records beyond the types keep their zeros
  EXPECT_EQ(sread(r.rs, 24, 3L * 5 + 1), 0);
}

TEST(Counting, ExampleDataReadsCompletely) {
  CountRun r(15, 30, {}, true);
  Param& p = r.rs.param;
  p.nc = 31;
  p.mxnrlc = 30;
  for (int k = 1; k <= 30; ++k) {
    r.w.nrloc(k) = 1;
    r.w.loccmb(k, 1) = k;
    r.w.loccmb(31, k) = k;
  }
  r.w.nrloc(31) = 30;
  ASSERT_EQ(r.rs.u(10).open_in(std::string(TOLM_EXAMPLES) + "/microbov.dat"), 0);
  xcount(r.rs, r.w, r.ierr, "*", 30);
  ASSERT_EQ(r.ierr, 0);
  // every one of the 704 animals is counted once per combination, known or unknown
  for (int kc : {1, 17, 30, 31}) {
    long total = 0;
    for (int kp = 1; kp <= 15; ++kp)
      for (int g = 0; g <= r.w.nptr2(kc); ++g) total += r.geno(g, kc, kp);
    EXPECT_EQ(total, 704) << kc;
    long identified = 0, unknown = 0;
    for (int kp = 1; kp <= 15; ++kp) {
      identified += r.het(kc, kp)[31];
      unknown += r.het(kc, kp)[32];
    }
    EXPECT_EQ(identified + unknown, 704) << kc;
  }
}

}  // namespace
}  // namespace tolm

namespace tolm {
namespace {

// Copies of the example data with one fault each: the message names the record, and the count
// of unreadable records tells the driver not to use the counts.
TEST(Counting, FaultyCopiesOfTheExampleData) {
  std::ifstream f(std::string(TOLM_EXAMPLES) + "/microbov.dat");
  std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  ASSERT_GT(text.size(), 1000u);
  const size_t list = text.find("\n1 0 1 0 2 0") + 1;  // record 49: the first locus list
  const size_t geno = text.find('\n', list) + 1;       // record 50: its first genotype
  auto run = [](const std::string& t) {
    auto r = std::make_unique<CountRun>(15, 30, std::vector<std::vector<int>>{{1}, {2}});
    r->count(t);
    return r;
  };
  std::string deme = text;
  deme.replace(geno, 1, "16");
  auto a = run(deme);
  EXPECT_EQ(a->ierr, 1);
  EXPECT_NE(a->rs.con().take_captured().find(" ** Erroneous deme number of   16 in record   50\n"),
            std::string::npos);
  std::string letter = text;
  letter.replace(letter.find(' ', geno + 2) + 1, 1, "x");
  auto b = run(letter);
  EXPECT_EQ(b->ierr, 1);
  EXPECT_NE(b->rs.con().take_captured().find(" ** Error reading record    50, cause= 5010 **"),
            std::string::npos);
  std::string locus = text;
  locus.replace(list, 5, "1 0 31");
  auto c = run(locus);
  EXPECT_EQ(c->ierr, 1);
  EXPECT_NE(c->rs.con().take_captured().find(" ** Erroneous locus number of   31 in record   49\n"),
            std::string::npos);
  // the Borgou records counted nothing; the later breeds have their own lists
  auto individuals = [&](int kp) {
    int n = 0;
    for (int g = 0; g <= c->w.nptr2(1); ++g) n += c->geno(g, 1, kp);
    return n;
  };
  EXPECT_EQ(individuals(1), 0);
  EXPECT_GT(individuals(2), 0);
}

}  // namespace
}  // namespace tolm
