// Helpers of the plot and snail tests (plot_tools.cpp): temporary directories, the outside
// readers (Ghostscript, libwmf), and small readers of our own for the drawing inside an EPS
// file and the records of a metafile, written from the file formats, not from the writers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace plottest {

struct P {
  int x, y;
};
struct Path {
  std::vector<P> pts;
  int r = 0, g = 0, b = 0;  // colour 0..255
  int width = 5;
};
struct Text {
  std::string s;
  int just = 0;         // 0 left, 1 centre
  double x = 0, y = 0;  // reference point and baseline
  int r = 0, g = 0, b = 0;
};
struct Drawing {
  std::vector<Path> paths;              // polylines, long ones joined again
  std::vector<size_t> polyline_points;  // points of every polyline as written
  std::vector<Text> texts;
  size_t longest_line = 0;  // of the drawing part
};
struct Wmf {
  bool ok = false;
  std::string why;
  int bbox[4] = {0, 0, 0, 0};
  int inch = 0;
  std::vector<std::vector<P>> polylines, polygons;
  std::vector<std::string> texts;
};
struct Image {
  int w = 0, h = 0;
  std::string px;  // RGB
  void at(int x, int y, int rgb[3]) const;
};

std::string tmpdir();
bool have(const std::string& tool);
int run(const std::string& cmd, std::string& out);
std::string slurp(const std::string& path);
bool exists(const std::string& path);
// The four numbers of a "%%BoundingBox:" line in a text, false without one.
bool bbox_of(const std::string& text, int v[4]);
// Ghostscript reads the file without error, and what it draws lies within the header's box.
::testing::AssertionResult gs_ok(const std::string& eps);
// libwmf converts the file without complaint; the SVG comes back in svg.
::testing::AssertionResult wmf_ok(const std::string& wmf, std::string& svg);
size_t count(const std::string& hay, const std::string& needle);
// The drawing part of an EPS file, back in plot units (y downwards).
Drawing read_eps(const std::string& eps, int page_height);
// The records of a placeable metafile.
Wmf read_wmf(const std::string& b);
// The picture rendered by Ghostscript at dpi (and as a PNG file when png is not empty).
bool render(const std::string& eps, int dpi, Image& img, const std::string& png);

}  // namespace plottest
