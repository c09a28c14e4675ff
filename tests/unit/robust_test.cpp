// Sizes of a run taken from a damaged input file: tables beyond the machine's memory are
// refused at once (the run then ends with its "Not enough memory" message) instead of being
// filled with zeros for minutes; ordinary sizes are created as before.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "input/count.h"
#include "core/runstate.h"

namespace tolm {
namespace {

TEST(WorkTables, SizesBeyondMemoryAreRefusedAtOnce) {
  Work w;
  EXPECT_THROW(w.create(2000000000, 2000000000, 2000000001, 250), std::bad_alloc);
  EXPECT_THROW(w.create(1, 2147483646, 2147483647, 250), std::bad_alloc);
  EXPECT_THROW(w.create(2, 3, 4, 2147483647), std::bad_alloc);
}

TEST(WorkTables, OrdinarySizesAreCreated) {
  Work w;
  w.create(15, 30, 31, 250);
  EXPECT_EQ(w.loccmb(31, 30), 0);
  EXPECT_EQ(w.ng(250, 15), 0);
  EXPECT_EQ(w.sexspc(31, 15), "");
}

// Counts mode: one locus, two demes, one combination (the locus); heterozygosity counted too.
struct Counts {
  RunState rs;
  Work w;
  int ierr = -1;
  std::string console;
  explicit Counts(const std::string& data) {
    w.create(2, 1, 2, 20);
    Param& p = rs.param;
    p.np = 2;
    p.nl = 1;
    p.nc = 1;
    p.mxnrlc = 1;
    w.nrloc(1) = 1;
    w.loccmb(1, 1) = 1;
    p.idurch = p.icount = 1;
    p.iunit = 8;
    rs.names.aprog(8) = 'y';
    for (int ch = 20; ch <= 27; ++ch) rs.scratch.open(ch);
    rs.con().capture();
    rs.u(8).capture();
    rs.u(10).feed("2 1\nLoc\nNorth\nSouth\nUNFORMATTED\n" + data);
    xcount(rs, w, ierr, "*", 1);
    console = rs.con().take_captured();
  }
  // genes of allele h in deme kp among complete genotypes
  int genes(int h, int kp) { return sread(rs, 20, 3L * (2 * (h + 0) + kp - 1) + 3); }
};

// A billion individuals of one genotype are counted exactly (their 2e9 genes still fit), while
// counts that take the file above a billion individuals are refused with a message naming the
// record, instead of wrapping round to negative numbers.
TEST(CountsMode, TotalsThatWouldOverflowAreRefusedWithAMessage) {
  Counts ok("1 0 -1 0\n1 1000000000 100 100\n");
  EXPECT_EQ(ok.ierr, 0);
  EXPECT_EQ(ok.genes(1, 1), 2000000000);

  Counts big("1 0 -1 0\n1 600000000 100 100\n2 0 -1 0\n2 600000000 100 102\n");
  EXPECT_EQ(big.ierr, 1);
  EXPECT_NE(big.console.find(" ** Number of individuals of   600000000 in record    9 takes the "
                             "file above 1000000000 individuals\n"),
            std::string::npos)
      << big.console;
  EXPECT_EQ(big.rs.u(8).take_captured(),
            " ** Number of individuals of   600000000 in record    9 takes the file above "
            "1000000000 individuals\n");

  Counts many("1 0 -1 0\n1 2147483647 100 100\n1 2147483647 100 100\n");
  EXPECT_EQ(many.ierr, 2);
}

}  // namespace
}  // namespace tolm
