// Start-up: splitting of the input file name, heading and date stamp.
#include <gtest/gtest.h>

#include <regex>

#include "core/runstate.h"
#include "run/tolm.h"

using namespace tolm;

TEST(Startup, SplitNameIntoDirectoryAndPrefix) {
  std::string path, prefix;
  split_name("/d/my data.txt", path, prefix);
  EXPECT_EQ(path, "/d/");
  EXPECT_EQ(prefix, "my_data.txt");  // blanks in the name become "_", the extension stays
  split_name("plain.dat", path, prefix);
  EXPECT_EQ(path, "");
  EXPECT_EQ(prefix, "plain.dat");
  split_name("/a/b/", path, prefix);  // a final separator is dropped before splitting
  EXPECT_EQ(path, "/a/");
  EXPECT_EQ(prefix, "b");
  split_name("C:\\data\\x y.in", path, prefix);
  EXPECT_EQ(path, "C:\\data\\");
  EXPECT_EQ(prefix, "x_y.in");
  split_name("my dir/f", path, prefix);  // blanks of the directory stay
  EXPECT_EQ(path, "my dir/");
  EXPECT_EQ(prefix, "f");
}

TEST(Startup, DateStampLayout) {
  std::string d = time_and_date();
  EXPECT_EQ(d.size(), 30u);
  EXPECT_TRUE(std::regex_match(
      d, std::regex("Date [0-3][0-9]-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-"
                    "[0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9]     ")));
}

TEST(Startup, HeadingFrameAndBlockLetters) {
  RunState rs;
  rs.u(8).capture();
  heading(rs, 8, 1);
  std::string h = rs.u(8).take_captured();
  std::vector<std::string> lines;
  size_t b = 0;
  for (size_t e; (e = h.find('\n', b)) != std::string::npos; b = e + 1)
    lines.push_back(h.substr(b, e - b));
  ASSERT_GE(lines.size(), 9u + 2 + 7 + 1 + 1);
  EXPECT_EQ(lines[0], std::string(72, '*'));
  EXPECT_EQ(lines[8], std::string(72, '*'));
  for (int r = 1; r <= 7; ++r) {
    ASSERT_EQ(lines[r].size(), 72u) << r;
    EXPECT_EQ(lines[r].front(), '*');
    EXPECT_EQ(lines[r].back(), '*');
    // the block letters stand in columns 9 to 43 and use only the letters of the name
    std::string block = lines[r].substr(8, 35);
    EXPECT_EQ(block.find_first_not_of("TOLM "), std::string::npos) << block;
    EXPECT_EQ(lines[r].substr(1, 7), std::string(7, ' '));
  }
  EXPECT_EQ(lines[6].substr(51, 11), "Version 3.0");
  EXPECT_EQ(lines[7].substr(51, 12), "January 2015");
  // Linux build: one build line
  EXPECT_NE(lines.back().find("Linux build"), std::string::npos);
}
