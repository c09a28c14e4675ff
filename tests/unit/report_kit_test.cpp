// The report kit: the deme blocks, the titles and the chi-square accumulator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "builder.h"
#include "report/kit.h"

namespace tolm {
namespace {

std::string captured(RunState& rs) {
  return rs.u(8).take_captured();
}

// Blocks of `iwidth` positions, the separator only between two blocks; an `iwidth` below 1 is
// one position a block.
TEST(KitBlocks, SpansAndSeparators) {
  struct Case {
    int n, iwidth;
    std::string want;  // "first-last" per block, "|" for the separator line
  } cases[] = {
      {1, 6, "1-1"},         {6, 6, "1-6"},         {7, 6, "1-6|7-7"},      {12, 6, "1-6|7-12"},
      {5, 2, "1-2|3-4|5-5"}, {3, 0, "1-1|2-2|3-3"}, {3, -4, "1-1|2-2|3-3"}, {0, 6, ""},
  };
  for (const Case& c : cases) {
    RunState rs;
    Work w;
    testing_build::build(rs, w, "demes 1\n");
    io::Unit& o = rs.u(8);
    kit::blocks(o, c.n, c.iwidth, "|", [&](int first, int last) {
      o.put(std::to_string(first) + "-" + std::to_string(last));
    });
    std::string got = captured(rs);
    got.erase(std::remove(got.begin(), got.end(), '\n'), got.end());
    EXPECT_EQ(got, c.want) << c.n << " by " << c.iwidth;
  }
}

// A block with nothing to show is left out, and no separator stands for it.
TEST(KitBlocks, LeftOutBlocksTakeNoSeparator) {
  RunState rs;
  Work w;
  testing_build::build(rs, w, "demes 1\n");
  io::Unit& o = rs.u(8);
  kit::blocks_shown(
      o, 7, 2, "|", [](int first, int) { return first != 1 && first != 5; },
      [&](int first, int last) { o.put(std::to_string(first) + "-" + std::to_string(last)); });
  EXPECT_EQ(captured(rs), "3-4|\n7-7");
}

// Rows: deme numbers right-aligned in the first five of their ten columns, with and without the
// blanks after the last one; the title rules are 72 characters.
TEST(KitRows, DemeRowAndTitles) {
  RunState rs;
  Work w;
  testing_build::build(rs, w, "demes 12\nshown 3 12 7\n");
  EXPECT_EQ(kit::deme_row(w, 1, 3), "Deme               3        12         7");
  EXPECT_EQ(kit::deme_row(w, 2, 3, true), "Deme              12         7     ");
  EXPECT_EQ(kit::row("x", 1, 3, ",", [](int i) { return std::to_string(i); }), "x1,2,3");
  EXPECT_EQ(kit::row_after("x", 1, 3, ",", [](int i) { return std::to_string(i); }), "x1,2,3,");
  kit::title(rs.u(8), '=', "Heterozygosity");
  kit::title(rs.u(8), '*', std::vector<std::string>{"a", "b"});
  kit::subtitle(rs.u(8), "Sub", 4);
  const std::string eq(72, '='), st(72, '*');
  EXPECT_EQ(captured(rs), "\n" + eq + "\nHeterozygosity\n" + eq + "\n\n" + st + "\na\nb\n" + st +
                              "\n\n----\nSub\n----\n");
}

// The accumulator against the sums formed in double precision, cell by cell: a 2 x 2 table of
// observed 30, 20, 10, 20 with expectations 25, 25, 15, 15 (X2 = 16/3, G = 2 sum O ln(O/E),
// corrected X2 = 4.5^2 (2/25 + 2/15)), a cell expected 0 left out and marked, an empty cell
// adding nothing to G.
TEST(KitChiSquare, SumsAgainstDoublePrecision) {
  struct Cell {
    float ob, e;
  };
  const std::vector<std::vector<Cell>> tables = {
      {{30, 25}, {20, 25}, {10, 15}, {20, 15}},
      {{3, 1.5f}, {0, 1.5f}, {0, 0}, {4, 4}},
      {{7, 2.25f}, {1, 5.75f}},
  };
  for (const auto& t : tables) {
    kit::ChiSquare chi;
    double g = 0, x2 = 0, y = 0;
    int zero = 0;
    for (const Cell& c : t) {
      chi.cell(c.ob, c.e);
      if (c.e == 0) {
        zero = 1;
        continue;
      }
      if (c.ob > 0) g += c.ob * std::log(static_cast<double>(c.ob) / c.e);
      x2 += (c.ob - c.e) * static_cast<double>(c.ob - c.e) / c.e;
      const double d = std::fabs(static_cast<double>(c.ob) - c.e) - 0.5;
      y += d * d / c.e;
    }
    EXPECT_NEAR(chi.gstat(), 2 * g, 1e-4 * (1 + 2 * g));
    EXPECT_NEAR(chi.x2, x2, 1e-4 * (1 + x2));
    EXPECT_NEAR(chi.yates, y, 1e-4 * (1 + y));
    EXPECT_EQ(chi.izero, zero);
    EXPECT_EQ(chi.ismall, 0);  // the caller decides what is small
  }
  kit::ChiSquare first;
  for (auto [ob, e] : std::vector<std::pair<float, float>>{{30, 25}, {20, 25}, {10, 15}, {20, 15}})
    first.cell(ob, e);
  EXPECT_NEAR(first.x2, 16.0f / 3.0f, 1e-5f);
  EXPECT_NEAR(first.gstat(), 5.4115f, 1e-3f);
  EXPECT_NEAR(first.yates, 4.5f * 4.5f * (2.0f / 25 + 2.0f / 15), 1e-5f);
}

}  // namespace
}  // namespace tolm
