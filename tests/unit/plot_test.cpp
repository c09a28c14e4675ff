// The plot routines: EPS and WMF files that outside readers accept, the polylines and texts
// inside them, and the layer's answers to misuse.
#include "plotlayer/plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "plot_tools.h"
#include "plotlayer/plotdev.h"

using namespace plottest;

namespace {

double dist(P a, int x, int y) {
  return std::hypot(a.x - x, a.y - y);
}

// One plot with the given drawing, as the callers make it.
template <class F>
void plot_file(const std::string& fmt, const std::string& path, int w, int h, F draw) {
  tolm::filmod("DELETE");
  tolm::metafl(fmt);
  if (fmt == "WMF") tolm::scrmod("REVERSE");
  tolm::setfil(path);
  tolm::page(w, h);
  tolm::disini();
  tolm::errmod("PROTOCOL", "OFF");
  draw();
  tolm::disfin();
}

class PlotLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = tmpdir();
    ASSERT_FALSE(dir.empty()) << "no temporary directory";
    tolm::plot_take_messages();
  }
  void TearDown() override {
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }
  std::string dir;
};

// The header, the prolog and the page set-up of an EPS file, on a landscape page of
// 1000 x 500 units: 0.1417322835 points a unit, offset 150/200 units = 21.26/28.35 points,
// so the box is 21 28 ceil(1150*0.14173=162.99)=163 ceil(700*0.14173=99.21)=100.
TEST_F(PlotLayer, EpsHeaderPrologAndBox) {
  std::string f = dir + "/h.eps";
  plot_file("EPS", f, 1000, 500, [] { tolm::line(0, 0, 1000, 500); });
  std::string e = slurp(f);
  EXPECT_EQ(e.rfind("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 21 28 163 100\n", 0), 0u) << e;
  EXPECT_NE(e.find("\n%%Creator: TOLM plot layer 1.0 L\n"), std::string::npos);
  EXPECT_NE(e.find("\n%%CreationDate: "), std::string::npos);
  EXPECT_NE(e.find(" , "), std::string::npos);
  EXPECT_LT(e.find("%%CreationDate"), e.find("%%EndComments"));
  for (const char* p : {"/cm ", "/rgb ", "/u ", "/d ", "/p ", "/e ", "/f ", "/text ", "/font ",
                        "/font2 ", "/c ", "/sec ", "/tri ", "/reencode "})
    EXPECT_NE(e.find(std::string("\n") + p + "{"), std::string::npos) << p;
  EXPECT_NE(e.find("/cm {0.1417322835 mul} def"), std::string::npos);
  size_t page = e.find("%%Page: 1 1\n");
  ASSERT_NE(page, std::string::npos);
  EXPECT_LT(e.find("150 cm 200 cm translate"), page);
  EXPECT_NE(e.find("2 setlinecap 2 setlinejoin 5 setlinewidth", page), std::string::npos);
  EXPECT_EQ(e.substr(e.size() - 9), "showpage\n");
  EXPECT_EQ(e.find("%%Trailer"), std::string::npos);
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  EXPECT_TRUE(gs_ok(f));
  // an upright page says P
  std::string g = dir + "/p.eps";
  plot_file("EPS", g, 300, 600, [] { tolm::line(10, 10, 20, 20); });
  EXPECT_NE(slurp(g).find("%%Creator: TOLM plot layer 1.0 P\n"), std::string::npos);
  EXPECT_TRUE(gs_ok(g));
}

// Circles and arcs: a·r/circsp segments, at least 5, at most 1000; long polylines are cut
// into pieces of at most 49 points that join up again; no output line is wider than 80.
TEST_F(PlotLayer, EpsPolylinesAndSegments) {
  std::string f = dir + "/c.eps";
  plot_file("EPS", f, 1359, 1359, [] {
    tolm::circsp(10);
    tolm::circle(500, 500, 100);  // 2π·100/10 = 62.8: 62 segments
    tolm::circsp(1);
    tolm::circle(500, 500, 1);  // 6.28: 6 segments
    tolm::circsp(100);
    tolm::circle(500, 500, 20);  // 1.26: raised to 5
    tolm::circsp(1);
    tolm::circle(600, 600, 300);      // 1885: cut to 1000
    tolm::pie(200, 900, 100, 0, 90);  // π/2·100 = 157 segments, centre at both ends
  });
  Drawing d = read_eps(slurp(f), 1359);
  ASSERT_EQ(d.paths.size(), 5u);
  EXPECT_EQ(d.paths[0].pts.size(), 63u);
  EXPECT_EQ(d.paths[1].pts.size(), 7u);
  EXPECT_EQ(d.paths[2].pts.size(), 6u);
  EXPECT_EQ(d.paths[3].pts.size(), 1001u);
  EXPECT_EQ(d.paths[4].pts.size(), 160u);
  for (size_t n : d.polyline_points) EXPECT_LE(n, 49u);
  EXPECT_LE(d.longest_line, 80u);
  for (const P& p : d.paths[3].pts) EXPECT_NEAR(dist(p, 600, 600), 300, 0.75);
  EXPECT_EQ(d.paths[3].pts.front().x, d.paths[3].pts.back().x);
  EXPECT_EQ(d.paths[3].pts.front().y, d.paths[3].pts.back().y);
  // the pie: centre, (300, 900) at 0 degrees, counter-clockwise up to (200, 800), centre
  const auto& pie = d.paths[4].pts;
  EXPECT_EQ(pie.front().x, 200);
  EXPECT_EQ(pie.front().y, 900);
  EXPECT_EQ(pie[1].x, 300);
  EXPECT_EQ(pie[1].y, 900);
  EXPECT_EQ(pie[80].y < 900 && pie[80].x > 200, true);  // halfway: up and to the right
  EXPECT_EQ(pie[158].x, 200);
  EXPECT_EQ(pie[158].y, 800);
  EXPECT_EQ(pie.back().x, 200);
  EXPECT_EQ(pie.back().y, 900);
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  EXPECT_TRUE(gs_ok(f));
}

// Texts: top of the capitals at y, centred or left; numbers as whole numbers or with one
// decimal; characters PostScript treats specially and Latin-1 letters survive.
TEST_F(PlotLayer, EpsTextsAndNumbers) {
  std::string f = dir + "/t.eps";
  plot_file("EPS", f, 1359, 1359, [] {
    tolm::height(20);
    tolm::messag("a (b) \\c    ", 40, 40);
    tolm::txtjus("CENTER");
    tolm::number(3.0f, -1, 500, 100);
    tolm::number(12.5f, -1, 500, 140);
    tolm::number(-0.04f, 1, 500, 180);
    tolm::number(0.25f, 1, 500, 220);
    tolm::color("BLUE");
    tolm::messag("Z\xC3\xBCrich", 500, 260);  // UTF-8
  });
  Drawing d = read_eps(slurp(f), 1359);
  ASSERT_EQ(d.texts.size(), 6u);
  EXPECT_EQ(d.texts[0].s, "a (b) \\c");
  EXPECT_EQ(d.texts[0].just, 0);
  EXPECT_EQ(d.texts[0].x, 40);
  EXPECT_EQ(d.texts[0].y, 60);  // baseline one character height below the top
  EXPECT_EQ(d.texts[1].s, "3");
  EXPECT_EQ(d.texts[1].just, 1);
  EXPECT_EQ(d.texts[2].s, "13");
  EXPECT_EQ(d.texts[3].s, "0.0");
  EXPECT_EQ(d.texts[4].s, "0.3");  // a tie rounds away from zero
  EXPECT_EQ(d.texts[5].s, "Z\xFCrich");
  EXPECT_EQ(d.texts[5].b, 255);
  EXPECT_EQ(d.texts[5].r, 0);
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  EXPECT_TRUE(gs_ok(f));
}

// TeX-like texts: $...$ switches to formulas with Greek letters, indices and exponents; the
// width adds Helvetica widths (a 556, symbol delta 494, i and j 222 at 0.7 of the size).
TEST_F(PlotLayer, TexLayout) {
  double w;
  auto runs = tolm::plot::layout("a$\\delta_{ij}$ x", true, 20, w);
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[0].s, "a");
  EXPECT_EQ(runs[1].s, "d");
  EXPECT_TRUE(runs[1].symbol);
  EXPECT_EQ(runs[2].s, "ij");
  EXPECT_DOUBLE_EQ(runs[2].scale, 0.7);
  EXPECT_DOUBLE_EQ(runs[2].rise, -6.0);
  EXPECT_EQ(runs[3].s, " x");
  double size = 20 / 0.718;
  EXPECT_NEAR(w, (556 + 494 + 0.7 * (222 + 222) + 278 + 500) * size / 1000, 1e-9);
  EXPECT_NEAR(runs[1].dx, 556 * size / 1000, 1e-9);
  // without the mode every character stands as written
  auto plain = tolm::plot::layout("a$\\delta$", false, 20, w);
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(plain[0].s, "a$\\delta$");

  std::string f = dir + "/x.eps";
  plot_file("EPS", f, 1359, 1359, [] {
    tolm::texmod("ON");
    tolm::txtjus("CENTER");
    tolm::messag("$\\Delta^2$ and $\\alpha$ and 5\\$", 600, 600);
  });
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  EXPECT_TRUE(gs_ok(f));
}

TEST_F(PlotLayer, Latin1) {
  EXPECT_EQ(tolm::plot::to_latin1("M\xC3\xBCnchen"), "M\xFCnchen");
  EXPECT_EQ(tolm::plot::to_latin1("M\xFCnchen"), "M\xFCnchen");  // already Latin-1
  EXPECT_EQ(tolm::plot::to_latin1("\xE2\x82\xAC 5"), "? 5");     // euro sign
  EXPECT_EQ(tolm::plot::to_latin1("end\xC3"), "end\xC3");        // cut sequence
}

// A placeable metafile of the page size: header, checksum, records up to the end record,
// and libwmf reads it; the page is white with scrmod REVERSE and black without.
TEST_F(PlotLayer, WmfFile) {
  std::string f = dir + "/w.wmf";
  plot_file("WMF", f, 1000, 500, [] {
    tolm::height(20);
    tolm::messag("Title", 40, 40);
    tolm::circsp(1);
    tolm::pie(300, 250, 100, 90, 180);
    tolm::color("BLUE");
    tolm::circle(300, 250, 50);
    tolm::linwid(1);
    tolm::line(900, 100, 900, 400);
  });
  Wmf w = read_wmf(slurp(f));
  ASSERT_TRUE(w.ok) << w.why;
  EXPECT_EQ(w.bbox[0], 0);
  EXPECT_EQ(w.bbox[1], 0);
  EXPECT_EQ(w.bbox[2], 1000);
  EXPECT_EQ(w.bbox[3], 500);
  EXPECT_EQ(w.inch, 508);
  ASSERT_EQ(w.polylines.size(), 3u);
  EXPECT_EQ(w.polylines[0].size(), 160u);  // π/2·100 = 157 segments and the centre twice
  EXPECT_EQ(w.polylines[0][1].x, 300);     // 90 degrees: straight up
  EXPECT_EQ(w.polylines[0][1].y, 150);
  EXPECT_EQ(w.polylines[2].size(), 2u);
  ASSERT_EQ(w.polygons.size(), 1u);  // the page
  ASSERT_EQ(w.texts.size(), 1u);
  EXPECT_EQ(w.texts[0], "Title");
  if (!have("wmf2svg")) GTEST_SKIP() << "libwmf (wmf2svg) is not installed";
  std::string svg;
  ASSERT_TRUE(wmf_ok(f, svg));
  EXPECT_EQ(count(svg, "<polyline"), 3u);
  EXPECT_EQ(count(svg, "<polygon"), 1u);
  EXPECT_NE(svg.find(">Title</text>"), std::string::npos);
  EXPECT_NE(svg.find("fill:white"), std::string::npos);
  EXPECT_NE(svg.find("stroke:blue"), std::string::npos);

  std::string g = dir + "/dark.wmf";
  tolm::metafl("WMF");
  tolm::setfil(g);
  tolm::disini();
  tolm::errmod("ALL", "OFF");
  tolm::line(1, 1, 100, 100);
  tolm::disfin();
  ASSERT_TRUE(wmf_ok(g, svg));
  EXPECT_NE(svg.find("fill:black"), std::string::npos);
  EXPECT_NE(svg.find("stroke:white"), std::string::npos);
}

// Misuse is reported with the layer's own words and the call is ignored.
TEST_F(PlotLayer, Misuse) {
  tolm::messag("x", 1, 1);
  tolm::line(1, 1, 2, 2);
  tolm::disfin();
  tolm::color("PINK");
  tolm::height(0);
  tolm::circsp(-1);
  tolm::page(0, 100);
  tolm::metafl("GIF");
  auto m = tolm::plot_take_messages();
  ASSERT_EQ(m.size(), 8u);
  EXPECT_EQ(m[0], " ** messag: Routine must be used between disini and disfin **");
  EXPECT_EQ(m[2], " ** disfin: Routine must be used between disini and disfin **");
  EXPECT_EQ(m[3], " ** color: Not allowed ID **");
  EXPECT_EQ(m[4], " ** height: Non positive paramter **");
  EXPECT_EQ(m[5], " ** circsp: Non positive paramter **");
  EXPECT_EQ(m[6], " ** page: Non positive paramter **");
  EXPECT_EQ(m[7], " ** metafl: Not allowed ID **");

  // settings of the file are refused once the plot has begun
  std::string f = dir + "/m.eps";
  tolm::filmod("DELETE");
  tolm::setfil(f);
  tolm::disini();
  tolm::errmod("PROTOCOL", "OFF");
  tolm::setfil(dir + "/other.eps");
  tolm::metafl("WMF");
  tolm::pie(10, 10, -5, 0, 90);
  tolm::disfin();
  m = tolm::plot_take_messages();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0], " ** setfil: Routine must be used before disini **");
  EXPECT_EQ(m[1], " ** metafl: Routine must be used before disini **");
  EXPECT_EQ(m[2], " ** pie: Non positive paramter **");
  EXPECT_TRUE(exists(f));
  EXPECT_FALSE(exists(dir + "/other.eps"));
  EXPECT_EQ(slurp(f).rfind("%!PS", 0), 0u);  // still EPS
}

// An existing file is replaced only after filmod "DELETE"; a file that cannot be opened is
// reported once, and the drawing that follows goes nowhere without further messages.
TEST_F(PlotLayer, FilesKeptAndUnwritable) {
  std::string f = dir + "/keep.eps";
  std::ofstream(f) << "precious\n";
  tolm::setfil(f);
  tolm::disini();
  tolm::errmod("PROTOCOL", "OFF");
  tolm::line(1, 1, 2, 2);
  tolm::disfin();
  EXPECT_EQ(slurp(f), "precious\n");
  auto m = tolm::plot_take_messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_NE(m[0].find("exists and is kept"), std::string::npos);

  plot_file("EPS", f, 100, 100, [] { tolm::line(1, 1, 2, 2); });
  EXPECT_EQ(slurp(f).rfind("%!PS", 0), 0u);

  tolm::setfil(dir + "/no/such/dir/x.eps");
  tolm::disini();
  tolm::messag("x", 1, 1);
  tolm::circle(50, 50, 10);
  tolm::disfin();
  m = tolm::plot_take_messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_NE(m[0].find("Cannot open file " + dir + "/no/such/dir/x.eps, cause=2"), std::string::npos)
      << m[0];
}

}  // namespace
