// The text layer: fixed-width writers, the free-format reader, units and the scratch store.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

#include "io/fixw.h"
#include "io/freefmt.h"
#include "io/scratch.h"
#include "io/units.h"

using namespace tolm::io;

TEST(FixedWidth, IntegersRightAlignedAndStarredOnOverflow) {
  EXPECT_EQ(fi(42, 5), "   42");
  EXPECT_EQ(fi(-7, 3), " -7");
  EXPECT_EQ(fi(-100, 3), "***");  // the sign needs a column too
  EXPECT_EQ(fi(12345, 4), "****");
  EXPECT_EQ(fi(0, 1), "0");
  // either side of the widths and values formatted in one piece
  EXPECT_EQ(fi(7, 16), std::string(15, ' ') + "7");
  EXPECT_EQ(fi(7, 17), std::string(16, ' ') + "7");
  EXPECT_EQ(fi(99999, 5), "99999");
  EXPECT_EQ(fi(100000, 7), " 100000");
  EXPECT_EQ(fi(5, 0), "");
}

TEST(FixedWidth, FixedPointRoundsToNearestWithHalvesAwayFromZero) {
  EXPECT_EQ(ff(0.5, 6, 3), " 0.500");
  EXPECT_EQ(ff(2.0 / 3.0, 6, 3), " 0.667");
  EXPECT_EQ(ff(0.03125, 7, 4), " 0.0313");  // exact tie in binary and decimal
  EXPECT_EQ(ff(-0.03125, 7, 4), "-0.0313");
  EXPECT_EQ(ff(0.0625, 6, 3), " 0.063");
  EXPECT_EQ(ff(static_cast<float>(0.1), 6, 3), " 0.100");  // promoted float
  EXPECT_EQ(ff(-9.999f, 8, 3), "  -9.999");
}

TEST(FixedWidth, FixedPointNegativeZeroAndOverflow) {
  EXPECT_EQ(ff(-0.0001, 6, 3), " 0.000");  // rounds to zero: no sign
  EXPECT_EQ(ff(-0.0, 6, 3), " 0.000");
  EXPECT_EQ(ff(0.5, 4, 3), ".500");  // the leading zero gives way first
  EXPECT_EQ(ff(-0.5, 5, 3), "-.500");
  EXPECT_EQ(ff(12.5, 4, 3), "****");
  EXPECT_EQ(ff(123456.0, 9, 4), "*********");
  EXPECT_EQ(ff(12345.0, 10, 4), "12345.0000");
}

TEST(FixedWidth, Exponential) {
  EXPECT_EQ(fe(1234.5, 9, 3), "0.123E+04");
  EXPECT_EQ(fe(0.000123, 10, 3), " 0.123E-03");
  EXPECT_EQ(fe(-1.0, 10, 3), "-0.100E+01");
  EXPECT_EQ(fe(0.0, 9, 3), "0.000E+00");
  EXPECT_EQ(fe(-1.0, 9, 3), "-.100E+01");
  EXPECT_EQ(fe(1.0, 6, 3), "******");
}

TEST(FixedWidth, TextCutOrPadded) {
  EXPECT_EQ(fa("abc", 5), "abc  ");
  EXPECT_EQ(fa("abcdef", 3), "abc");
  EXPECT_EQ(trim("ab  "), "ab");
  EXPECT_EQ(ltrim("  ab "), "ab ");
  EXPECT_EQ(lpad("7", 3), "  7");
}

namespace {
Rd parse(const std::string& first, const std::string& more_lines, std::vector<int>& v, int n,
         int* lines = nullptr) {
  Unit u;
  u.feed(more_lines);
  v.assign(static_cast<size_t>(n), -99);
  return parse_ints(first, &u, v.data(), n, lines);
}
}  // namespace

TEST(FreeFormat, SeparatorsAndContinuationLines) {
  std::vector<int> v;
  EXPECT_EQ(parse("1, 2\t3  -4", "", v, 4), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{1, 2, 3, -4}));
  int lines = -1;
  EXPECT_EQ(parse("1 2", "3,\n4 5 6", v, 4, &lines), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(lines, 2);
  // text after the wanted values is ignored
  EXPECT_EQ(parse("15 30 demes and loci", "", v, 2), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{15, 30}));
}

TEST(FreeFormat, NullValuesRepeatsAndSlash) {
  std::vector<int> v;
  EXPECT_EQ(parse("1,,3", "", v, 3), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{1, -99, 3}));
  EXPECT_EQ(parse("3*7", "", v, 3), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{7, 7, 7}));
  EXPECT_EQ(parse("5 /", "9 9", v, 3), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{5, -99, -99}));
}

TEST(FreeFormat, UnreadableIsToldApartFromEndOfInput) {
  std::vector<int> v;
  EXPECT_EQ(parse("1 x 3", "", v, 3), Rd::error);
  EXPECT_EQ(parse("1.5", "", v, 1), Rd::error);
  EXPECT_EQ(parse("99999999999", "", v, 1), Rd::error);
  EXPECT_EQ(parse("1 2", "", v, 3), Rd::eof);
  EXPECT_EQ(parse("", "", v, 1), Rd::eof);
  EXPECT_EQ(parse("-2147483648", "", v, 1), Rd::ok);
  EXPECT_EQ(v[0], -2147483647 - 1);
}

TEST(Units, ReadBackspaceRewindAndLineEnds) {
  char name[] = "/tmp/tolm_unit_XXXXXX";
  int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    std::ofstream f(name, std::ios::binary);
    f << "first\r\nsecond\nthird";
  }
  Unit u;
  ASSERT_EQ(u.open_in(name), 0);
  std::string s;
  ASSERT_EQ(u.read_line(s), Rd::ok);
  EXPECT_EQ(s, "first");
  ASSERT_EQ(u.read_line(s), Rd::ok);
  EXPECT_EQ(s, "second");
  EXPECT_TRUE(u.backspace());
  ASSERT_EQ(u.read_line(s), Rd::ok);
  EXPECT_EQ(s, "second");
  ASSERT_EQ(u.read_line(s), Rd::ok);
  EXPECT_EQ(s, "third");
  EXPECT_EQ(u.read_line(s), Rd::eof);
  EXPECT_TRUE(u.rewind());
  ASSERT_EQ(u.read_line(s), Rd::ok);
  EXPECT_EQ(s, "first");
  EXPECT_EQ(u.close(), 0);
  std::remove(name);
  EXPECT_NE(u.open_in("/nonexistent/dir/file"), 0);
}

TEST(Units, OutputModesOfFiles) {
  std::string name = std::string("/tmp/tolm_out_") + std::to_string(getpid());
  std::remove(name.c_str());
  Unit u;
  EXPECT_NE(u.open_out(name, OpenMode::old), 0);  // "old" needs the file
  ASSERT_EQ(u.open_out(name, OpenMode::fresh), 0);
  u.line("one");
  EXPECT_EQ(u.close(), 0);
  EXPECT_NE(u.open_out(name, OpenMode::fresh), 0);  // "new" refuses an existing file
  ASSERT_EQ(u.open_out(name, OpenMode::append), 0);
  u.line("two");
  u.close();
  std::ifstream f(name);
  std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "one\ntwo\n");
  std::remove(name.c_str());
}

TEST(Scratch, UnwrittenRecordsReadZeroAndPairsKeepBothValues) {
  Scratch s;
  ASSERT_EQ(s.open(20), 0);
  EXPECT_EQ(s.get(20, 5), 0);
  s.put(20, 5, 17);
  s.put(20, 100000, 3);
  EXPECT_EQ(s.get(20, 5), 17);
  EXPECT_EQ(s.get(20, 6), 0);
  EXPECT_EQ(s.get(20, 100000), 3);
  EXPECT_EQ(s.get(20, 0), 0);
  s.put2(7, 11, 12);
  int32_t a = 0, b = 0;
  s.get2(7, a, b);
  EXPECT_EQ(a, 11);
  EXPECT_EQ(b, 12);
  s.get2(8, a, b);
  EXPECT_EQ(a + b, 0);
  EXPECT_EQ(s.close(20), 0);
  EXPECT_EQ(s.get(20, 5), 0);  // a closed scratch file is gone
  EXPECT_EQ(s.close(26), 0);   // never opened: no failure
  EXPECT_NE(s.open(19), 0);
}

// Zeroing a range of records leaves the channel as writing 0 into each record of it does.
TEST(Scratch, ARangeZeroedReadsAsEachRecordCleared) {
  struct Case {
    long first, last;
  };
  const Case cases[] = {{1, 4096}, {0, 15},      {16, 16},    {17, 47},
                        {33, 31},  {40, 100000}, {5000, 6000}};
  for (const Case& c : cases) {
    Scratch zeroed, cleared;
    ASSERT_EQ(zeroed.open(27), 0);
    ASSERT_EQ(cleared.open(27), 0);
    for (long r = 1; r <= 3000; r += r % 7 + 1) {  // pages full, partly filled and never made
      zeroed.put(27, r, static_cast<int32_t>(r));
      cleared.put(27, r, static_cast<int32_t>(r));
    }
    zeroed.zero(27, c.first, c.last);
    for (long r = std::max(c.first, 1L); r <= std::min(c.last, 3100L); ++r) cleared.put(27, r, 0);
    for (long r = 0; r <= 3100; ++r)
      ASSERT_EQ(zeroed.get(27, r), cleared.get(27, r)) << c.first << ".." << c.last << " at " << r;
  }
}

// The walk over the filled records of a channel finds exactly what reading every record finds,
// highest first, with cleared records, page edges, record 0 and an upper limit mid-page.
TEST(Scratch, FilledRecordsWalkedDownAsEveryRecordReadsThem) {
  struct Case {
    const char* what;
    std::vector<std::pair<long, int32_t>> writes;  // in order; a 0 clears
    long last;
  };
  const Case cases[] = {
      {"nothing written", {}, 50},
      {"page edges", {{15, 1}, {16, 2}, {31, 3}, {32, 4}, {1, 5}}, 40},
      {"written and cleared", {{7, 9}, {7, 0}, {40, 2}, {41, -3}, {41, 0}}, 100},
      {"limit inside a page", {{3, 1}, {20, 2}, {22, 3}, {25, 4}}, 22},
      {"limit beyond the channel", {{2000, 8}, {1999, 7}}, 1 << 20},
      {"limit below 1", {{3, 1}}, 0},
  };
  for (const Case& c : cases) {
    Scratch s;
    ASSERT_EQ(s.open(27), 0);
    for (const auto& [rec, v] : c.writes) s.put(27, rec, v);
    std::vector<std::pair<long, int32_t>> walked, read;
    s.each_nonzero_down(27, c.last, [&](long r, int32_t v) { walked.push_back({r, v}); });
    for (long r = std::min(c.last, 4096L); r >= 1; --r)
      if (s.get(27, r) != 0) read.push_back({r, s.get(27, r)});
    EXPECT_EQ(walked, read) << c.what;
  }
}
