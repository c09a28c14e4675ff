// Sizes of a run taken from a damaged input file: tables beyond the machine's memory are
// refused at once (the run then ends with its "Not enough memory" message) instead of being
// filled with zeros for minutes; ordinary sizes are created as before.
#include <gtest/gtest.h>

#include <new>

#include "run/runstate.h"

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

}  // namespace
}  // namespace tolm
