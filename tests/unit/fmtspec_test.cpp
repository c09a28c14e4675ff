// Record formats: compiling format specifications and reading integer records with them.
#include "io/fmtspec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tolm::io;

namespace {

RecordFormat compiled(const std::string& spec) {
  RecordFormat f;
  std::string why;
  EXPECT_TRUE(f.compile(spec, why)) << spec << ": " << why;
  return f;
}

// Reads n values from `first` (further lines from `rest`); returns the status.
Rd read_rec(const RecordFormat& f, const std::string& first, const std::string& rest, int n,
            std::vector<int>& v, int* lines = nullptr) {
  Unit u;
  u.feed(rest);
  v.assign(static_cast<size_t>(n), -99);
  return f.read(first, &u, v.data(), n, lines);
}

std::string why_not(const std::string& spec, long need = 0) {
  RecordFormat f;
  std::string why;
  EXPECT_FALSE(f.compile(spec, why, need)) << spec;
  EXPECT_FALSE(why.empty());
  return why;
}

}  // namespace

TEST(RecordFormat, IntegerFieldsRepeatsAndNestedGroups) {
  std::vector<int> v;
  // deme 1, label 101, pairs 100 98 / 110 100 in (2i4, 2(i5,i4))
  auto f = compiled("(2i4,2(i5,i4))");
  ASSERT_EQ(read_rec(f, "   1 101  100  98  110 100", "", 6, v), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{1, 101, 100, 98, 110, 100}));
  EXPECT_EQ(f.fields(), 6);
  // nested groups and upper/lower case mixed, blanks inside the specification ignored
  auto g = compiled(" ( I2 , 2 ( 1x , 2(i1) ) )  trailing text is ignored");
  ASSERT_EQ(read_rec(g, "12 34 56", "", 5, v), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{12, 3, 4, 5, 6}));
  // Iw.m reads like Iw
  auto h = compiled("(i3.2,i2)");
  ASSERT_EQ(read_rec(h, "  7-1", "", 2, v), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{7, -1}));
}

TEST(RecordFormat, BlanksInFieldsShortRecordsAndSigns) {
  std::vector<int> v;
  auto f = compiled("(i4,i4,i4)");
  // blanks inside a field are ignored ("1 2" is 12), an all-blank field and a field beyond the
  // end of the line read 0
  ASSERT_EQ(read_rec(f, " 1 2    ", "", 3, v), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{12, 0, 0}));
  ASSERT_EQ(read_rec(f, "  -1 + 5- 3 ", "", 3, v), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{-1, 5, -3}));
  // a letter, a sign alone, a second sign and a value beyond 32 bits are unreadable
  EXPECT_EQ(read_rec(f, "  1a", "", 3, v), Rd::error);
  EXPECT_EQ(read_rec(f, "   -", "", 3, v), Rd::error);
  EXPECT_EQ(read_rec(f, "  +-1", "", 1, v), Rd::error);
  auto w = compiled("(i12)");
  EXPECT_EQ(read_rec(w, " 2147483648", "", 1, v), Rd::error);
  ASSERT_EQ(read_rec(w, " -2147483648", "", 1, v), Rd::ok);
  EXPECT_EQ(v[0], -2147483647 - 1);
}

TEST(RecordFormat, ColumnMovesAndTabs) {
  std::vector<int> v;
  // columns:          123456789012
  const std::string r = "123456789012";
  auto f = compiled("(T5,i2,TL4,i2,TR3,i1,3X,i1,t1,i1)");
  ASSERT_EQ(read_rec(f, r, "", 5, v), Rd::ok);
  // T5 -> "56"; TL4 from column 7 -> column 3 "34"; TR3 from 5 -> 8 "8"; 3X from 9 -> 12 "2";
  // T1 -> "1"
  EXPECT_EQ(v, (std::vector<int>{56, 34, 8, 2, 1}));
  // TL does not go before column 1; a bare X skips one column
  auto g = compiled("(i1,tl9,i2,x,i1)");
  ASSERT_EQ(read_rec(g, r, "", 3, v), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{1, 12, 4}));
}

TEST(RecordFormat, SlashAndReversionContinueOnFurtherLines) {
  std::vector<int> v;
  int lines = -1;
  // "/" goes on in column 1 of the next line
  auto f = compiled("(2i3/2i3)");
  ASSERT_EQ(read_rec(f, "  1  2", "  3  4\n  9  9\n", 4, v, &lines), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(lines, 1);
  // more values than fields: the last top-level group is read again on the next line, with its
  // repeat count
  auto g = compiled("(i2,2(i3))");
  ASSERT_EQ(read_rec(g, " 1  2  3", "  4  5\n  6  7\n", 6, v, &lines), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(lines, 2);
  // without a group the whole specification is read again
  auto h = compiled("(i2)");
  ASSERT_EQ(read_rec(h, " 1", " 2\n", 2, v), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{1, 2}));
  // a repeated slash skips lines; the unit ending inside the record is told apart
  auto k = compiled("(i1,2/i1)");
  ASSERT_EQ(read_rec(k, "1", "x\n2\n", 2, v), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{1, 2}));
  EXPECT_EQ(read_rec(k, "1", "x\n", 2, v), Rd::eof);
  // a slash that follows the last value is still taken (the line after is part of the record)
  auto s = compiled("(i1/)");
  ASSERT_EQ(read_rec(s, "5", "anything\n", 1, v, &lines), Rd::ok);
  EXPECT_EQ(lines, 1);
}

TEST(RecordFormat, SpecificationsThatCannotBeReadAreRejectedWithAReason) {
  EXPECT_NE(why_not("").find("empty"), std::string::npos);
  EXPECT_NE(why_not("i4,i4").find("begin with \"(\""), std::string::npos);
  EXPECT_NE(why_not("(i4,i4").find("closing \")\""), std::string::npos);
  EXPECT_NE(why_not("(i4,f5.2)").find("\"F\" at column 5"), std::string::npos);
  EXPECT_NE(why_not("(i4 i4)").find("comma is missing at column 5"), std::string::npos);
  EXPECT_NE(why_not("(i4,,i4)").find("item is missing"), std::string::npos);
  EXPECT_NE(why_not("(i4,)").find("item is missing"), std::string::npos);
  EXPECT_NE(why_not("(i,i4)").find("width"), std::string::npos);
  EXPECT_NE(why_not("(i0)").find("width 0"), std::string::npos);
  EXPECT_NE(why_not("(0i4)").find("repeat count of 0"), std::string::npos);
  EXPECT_NE(why_not("(2t4,i4)").find("repeat count cannot"), std::string::npos);
  EXPECT_NE(why_not("(t0,i4)").find("column 0"), std::string::npos);
  EXPECT_NE(why_not("(i4,3)").find("stands before nothing"), std::string::npos);
  EXPECT_NE(why_not("(10x)").find("no integer field"), std::string::npos);
  EXPECT_NE(why_not("()").find("no integer field"), std::string::npos);
  // a group without numbers repeated without end, or too deep a nesting, would hang or crash
  EXPECT_NE(why_not("(99999(99999(1x)),i4)").find("without reading"), std::string::npos);
  EXPECT_NE(why_not(std::string(200, '(') + "i4" + std::string(200, ')')).find("nest"),
            std::string::npos);
  // the part read again for further values must read a number
  EXPECT_NE(why_not("(2i4,(1x))", 6).find("last group"), std::string::npos);
  RecordFormat ok;
  std::string why;
  EXPECT_TRUE(ok.compile("(2i4,(1x))", why, 2));  // never read again for two values
  EXPECT_TRUE(ok.compile("(i4/,i4)", why));       // a comma after a slash is allowed
  EXPECT_TRUE(ok.compile("(/i4)", why));
}

// A field wider than any line (the width is taken as written, up to a billion columns) reads the
// line's digits and the blanks beyond it at once, instead of walking every column.
TEST(RecordFormat, HugeFieldWidthReadsWithoutWalkingEveryColumn) {
  std::vector<int> v;
  RecordFormat f = compiled("(I2,I222222222224)");
  ASSERT_EQ(read_rec(f, " 7 12 3", "", 2, v), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{7, 123}));
  ASSERT_EQ(read_rec(f, " 7", "", 2, v), Rd::ok);
  EXPECT_EQ(v, (std::vector<int>{7, 0}));
}
