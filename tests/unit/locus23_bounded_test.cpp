// Clearing a block of a bounded table: exactly the cells inside the block (cut to the table's
// bounds) change, checked cell by cell against the block's own definition.
#include <gtest/gtest.h>

#include "core/bounded.h"

namespace {

TEST(Locus23Bounded, FillBlockChangesExactlyTheCellsOfTheBlock) {
  struct Case {
    long lo1, hi1, lo2, hi2;  // the block asked for
  };
  const Case cases[] = {{1, 2, 2, 3},     // inside
                        {0, 4, 0, 5},     // the whole table
                        {-3, 1, 4, 9},    // beyond the bounds on both sides: cut
                        {3, 2, 0, 5},     // empty (first range reversed)
                        {2, 2, 5, 5},     // one cell, last column
                        {10, 12, 1, 2}};  // outside the table
  for (const Case& c : cases) {
    tolm::Arr2<int> t(0, 4, 0, 5);
    for (long j = 0; j <= 5; ++j)
      for (long i = 0; i <= 4; ++i) t(i, j) = static_cast<int>(100 + 10 * i + j);
    t.fill_block(c.lo1, c.hi1, c.lo2, c.hi2, -1);
    for (long j = 0; j <= 5; ++j)
      for (long i = 0; i <= 4; ++i) {
        const bool in = i >= c.lo1 && i <= c.hi1 && j >= c.lo2 && j <= c.hi2;
        EXPECT_EQ(t(i, j), in ? -1 : static_cast<int>(100 + 10 * i + j))
            << "block " << c.lo1 << ".." << c.hi1 << " x " << c.lo2 << ".." << c.hi2 << " cell "
            << i << "," << j;
      }
  }
}

}  // namespace
