// Differentiation snails: the order of the demes, the sectors, labels, circle and scale read
// back from the EPS file and compared with values worked out by hand, the special forms
// (one deme, delta 0, missing data), the file names, the metafile twin, and the rendered
// picture.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "graphics/snailone.h"
#include "plot_tools.h"
#include "plotlayer/plot.h"

using namespace plottest;

namespace {

constexpr int cx = 560, cy = 640, pagesz = 1359;
constexpr double kPi = 3.14159265358979323846;
constexpr double deg = kPi / 180;

struct Snail {
  Snail(std::vector<int> p_, std::vector<float> cj_, std::vector<float> dj_, float delta_)
      : p(std::move(p_)), cj(std::move(cj_)), dj(std::move(dj_)), delta(delta_) {}
  std::vector<int> p;
  std::vector<float> cj, dj;
  float delta;
  std::string heading = "DemPopSiz-Alleles__Locus_  3";
  std::string cjtype = "fin";
  int eps = 1, wmf = 0;
  // the arrays as the call leaves them
  tolm::Arr1<int> np;
  tolm::Arr1<float> ncj, ndj;
};

void draw(Snail& s, const std::string& dir, const std::string& prefix = "micro bov") {
  int n = static_cast<int>(s.p.size());
  s.np.resize(1, n);
  s.ncj.resize(1, n);
  s.ndj.resize(1, n);
  for (int i = 1; i <= n; ++i) {
    s.np(i) = s.p[static_cast<size_t>(i - 1)];
    s.ncj(i) = s.cj[static_cast<size_t>(i - 1)];
    s.ndj(i) = s.dj[static_cast<size_t>(i - 1)];
  }
  tolm::snailone(s.heading, dir, prefix, s.cjtype, s.np, s.ncj, s.ndj, s.delta, n, 1, s.eps, s.wmf);
}

// The sectors as arcs: the drawing in the foreground colour before the blue circle, cut at
// the centre, where every sector begins and ends.
std::vector<std::vector<P>> arcs(const Drawing& d) {
  std::vector<std::vector<P>> out;
  std::vector<P> cur;
  for (const Path& p : d.paths) {
    if (p.b == 255) break;
    for (const P& q : p.pts) {
      if (q.x == cx && q.y == cy) {
        if (!cur.empty()) out.push_back(cur);
        cur.clear();
      } else {
        cur.push_back(q);
      }
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

double angle_of(P q) {  // degrees counter-clockwise from the x axis, 0..360
  double a = std::atan2(-(q.y - cy), q.x - cx) / deg;
  return a < 0 ? a + 360 : a;
}

double angle_diff(double a, double b) {
  return std::remainder(a - b, 360.0);
}

std::vector<const Text*> centred(const Drawing& d) {
  std::vector<const Text*> v;
  for (const Text& t : d.texts)
    if (t.just == 1) v.push_back(&t);
  return v;
}

const Text* find_text(const Drawing& d, const std::string& s) {
  for (const Text& t : d.texts)
    if (t.s == s) return &t;
  return nullptr;
}

bool has_line(const Drawing& d, int x1, int y1, int x2, int y2) {
  for (const Path& p : d.paths)
    if (p.pts.size() == 2 && p.pts[0].x == x1 && p.pts[0].y == y1 && p.pts[1].x == x2 &&
        p.pts[1].y == y2)
      return true;
  return false;
}

class SnailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = tmpdir();
    ASSERT_FALSE(dir.empty()) << "no temporary directory";
    tolm::plot_take_messages();
  }
  void TearDown() override {
    EXPECT_TRUE(tolm::plot_take_messages().empty());
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }
  std::string eps_of(const std::string& headline) {
    return dir + "/micro bov-Snail-" + headline + ".eps";
  }
  std::string dir;
};

// Five demes with values exact in binary. By increasing Dj, equal Dj in input order:
//   deme  Dj      radius 400·Dj  cj      angles (from 90, cj·360 each)
//   5     0.0625   25            0.1875   90   .. 157.5
//   2     0.125    50            0.25     157.5 .. 247.5
//   4     0.125    50            0.25     247.5 .. 337.5
//   1     0.3125  125            0.125    337.5 .. 382.5
//   3     0.4375  175            0.1875   382.5 .. 450
// delta 0.25: blue circle of radius 100; labels at 80 + max(radius, 100) from the centre on
// the middle angle; scale k = int(4.375 + 0.49) = 4, top 0.4 at y = 640 - 160 = 480.
TEST_F(SnailTest, SectorsLabelsCircleAndScale) {
  Snail s{{1, 2, 3, 4, 5},
          {0.125f, 0.25f, 0.1875f, 0.25f, 0.1875f},
          {0.3125f, 0.125f, 0.4375f, 0.125f, 0.0625f},
          0.25f};
  draw(s, dir);
  // the caller's arrays come back sorted
  const int order[5] = {5, 2, 4, 1, 3};
  const float dj[5] = {0.0625f, 0.125f, 0.125f, 0.3125f, 0.4375f};
  const float cj[5] = {0.1875f, 0.25f, 0.25f, 0.125f, 0.1875f};
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(s.np(i), order[i - 1]);
    EXPECT_EQ(s.ndj(i), dj[i - 1]);
    EXPECT_EQ(s.ncj(i), cj[i - 1]);
  }
  std::string f = eps_of("DemPopSiz-Alleles__Locus___3");
  ASSERT_TRUE(exists(f));
  Drawing d = read_eps(slurp(f), pagesz);

  const int radius[5] = {25, 50, 50, 125, 175};
  const double from[5] = {90, 157.5, 247.5, 337.5, 382.5},
               to[5] = {157.5, 247.5, 337.5, 382.5, 450};
  auto a = arcs(d);
  ASSERT_EQ(a.size(), 5u);
  for (size_t o = 0; o < 5; ++o) {
    double tol = std::atan(0.75 / radius[o]) / deg + 0.01;
    for (const P& q : a[o]) EXPECT_NEAR(std::hypot(q.x - cx, q.y - cy), radius[o], 0.75);
    EXPECT_NEAR(angle_diff(angle_of(a[o].front()), from[o]), 0, tol) << "sector " << o;
    EXPECT_NEAR(angle_diff(angle_of(a[o].back()), to[o]), 0, tol) << "sector " << o;
    // counter-clockwise: the middle point lies at the middle angle
    EXPECT_NEAR(angle_diff(angle_of(a[o][a[o].size() / 2]), (from[o] + to[o]) / 2), 0, tol + 1);
  }

  // labels, centred, the deme numbers in sorted order; the top of the digits 10 above the
  // label point, so the baseline 10 below it
  auto lab = centred(d);
  ASSERT_EQ(lab.size(), 5u);
  for (size_t o = 0; o < 5; ++o) {
    EXPECT_EQ(lab[o]->s, std::to_string(order[o]));
    double m = (from[o] + to[o]) / 2 * deg, r = 80 + std::max(radius[o], 100);
    EXPECT_NEAR(lab[o]->x, cx + r * std::cos(m), 1.01);
    EXPECT_NEAR(lab[o]->y, cy - r * std::sin(m) + 10, 1.01);
  }

  // the blue circle of radius delta·400 = 100
  const Path* blue = nullptr;
  for (const Path& p : d.paths)
    if (p.b == 255 && p.pts.size() > 2) blue = &p;
  ASSERT_NE(blue, nullptr);
  for (const P& q : blue->pts) EXPECT_NEAR(std::hypot(q.x - cx, q.y - cy), 100, 0.75);

  // scale bar, five ticks, the numbers, the delta mark and its value
  EXPECT_TRUE(has_line(d, 1119, 640, 1119, 480));
  for (int y : {640, 600, 560, 520, 480}) EXPECT_TRUE(has_line(d, 1114, y, 1124, y)) << y;
  EXPECT_FALSE(has_line(d, 1114, 440, 1124, 440));
  const Text* zero = find_text(d, "0.0");
  const Text* top = find_text(d, "0.4");
  ASSERT_TRUE(zero && top);
  EXPECT_EQ(zero->x, 1139);
  EXPECT_EQ(zero->y, 650);
  EXPECT_EQ(top->y, 490);
  bool mark = false;
  for (const Path& p : d.paths)
    if (p.b == 255 && p.width == 5 && p.pts.size() == 2 && p.pts[0].x == 1104 &&
        p.pts[1].x == 1134 && p.pts[0].y == 540 && p.pts[1].y == 540)
      mark = true;
  EXPECT_TRUE(mark);
  const Text* dt = find_text(d, "delta=0.2500");
  ASSERT_NE(dt, nullptr);
  EXPECT_EQ(dt->x, 1119);
  EXPECT_EQ(dt->y, 700);

  // title, caption from the 11th character of the headline, data line
  ASSERT_GE(d.texts.size(), 3u);
  EXPECT_EQ(d.texts[0].s, "Differentiation snail - Population size proportional to sample size");
  EXPECT_EQ(d.texts[0].x, 40);
  EXPECT_EQ(d.texts[0].y, 60);
  EXPECT_EQ(d.texts[1].s, "Alleles__Locus___3");
  EXPECT_EQ(d.texts[2].s, "Data:micro bov");
  EXPECT_EQ(d.texts[2].y, 140);
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  EXPECT_TRUE(gs_ok(f));
}

// One deme of all the population: one full sector from 90 to 450 degrees; radius 200 makes
// 2π·200 > 1000 segments, so the arc has 1001 points, beginning and ending at the top.
TEST_F(SnailTest, OneDemeFullCircle) {
  Snail s{{7}, {1.0f}, {0.5f}, 0.5f};
  s.cjtype = "inf";
  draw(s, dir);
  std::string f = eps_of("DemPopSiz-Alleles__Locus___3");
  Drawing d = read_eps(slurp(f), pagesz);
  auto a = arcs(d);
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(a[0].size(), 1001u);
  EXPECT_EQ(a[0].front().x, 560);
  EXPECT_EQ(a[0].front().y, 440);
  EXPECT_EQ(a[0].back().x, 560);
  EXPECT_EQ(a[0].back().y, 440);
  EXPECT_EQ(a[0][500].x, 560);  // half way: the bottom
  EXPECT_EQ(a[0][500].y, 840);
  EXPECT_EQ(d.texts[0].s, "Differentiation snail  - Equal population sizes");
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  EXPECT_TRUE(gs_ok(f));
}

// Every Dj below 0.2: the scale still reaches 0.2 (k = 2: ticks at 640, 600, 560).
// delta 0: no sectors, a blue circle of radius 2, "delta=0.0"; the labels remain.
// Values that are no numbers never reach the picture as numbers.
TEST_F(SnailTest, SmallScaleAndDeltaZero) {
  Snail s{{1, 2}, {0.5f, 0.5f}, {0.0f, 0.0f}, 0.0f};
  draw(s, dir);
  std::string f = eps_of("DemPopSiz-Alleles__Locus___3");
  Drawing d = read_eps(slurp(f), pagesz);
  EXPECT_TRUE(arcs(d).empty());
  EXPECT_EQ(centred(d).size(), 2u);
  const Path* blue = nullptr;
  for (const Path& p : d.paths)
    if (p.b == 255 && p.pts.size() > 2) blue = &p;
  ASSERT_NE(blue, nullptr);
  for (const P& q : blue->pts) EXPECT_NEAR(std::hypot(q.x - cx, q.y - cy), 2, 0.75);
  EXPECT_TRUE(has_line(d, 1119, 640, 1119, 560));
  for (int y : {640, 600, 560}) EXPECT_TRUE(has_line(d, 1114, y, 1124, y));
  EXPECT_FALSE(has_line(d, 1114, 520, 1124, 520));
  EXPECT_NE(find_text(d, "0.2"), nullptr);
  EXPECT_NE(find_text(d, "delta=0.0"), nullptr);

  // small but not zero: sectors, scale still to 0.2
  Snail t{{1, 2}, {0.5f, 0.5f}, {0.15f, 0.05f}, 0.1f};
  t.heading = "DemPopSiz-Small";
  draw(t, dir);
  Drawing e = read_eps(slurp(eps_of("DemPopSiz-Small")), pagesz);
  EXPECT_EQ(arcs(e).size(), 2u);
  EXPECT_TRUE(has_line(e, 1119, 640, 1119, 560));
  EXPECT_NE(find_text(e, "0.2"), nullptr);
  EXPECT_NE(find_text(e, "delta=0.1000"), nullptr);

  // a Dj that is no number, or the missing-value marker, draws no sector (and no message);
  // the number stays where it is and the scale keeps 0.2
  Snail u{{1, 2, 3}, {0.5f, 0.25f, 0.25f}, {0.3f, std::nanf(""), -9.999f}, 0.2f};
  u.heading = "DemPopSiz-NaN";
  draw(u, dir);
  EXPECT_EQ(u.np(2), 2);
  Drawing g = read_eps(slurp(eps_of("DemPopSiz-NaN")), pagesz);
  EXPECT_EQ(arcs(g).size(), 1u);
  EXPECT_EQ(centred(g).size(), 3u);
  EXPECT_TRUE(has_line(g, 1119, 640, 1119, 560));
  // delta exactly -1 or no number: the missing-data form
  Snail v{{1, 2}, {0.5f, 0.5f}, {0.3f, 0.1f}, -1.0f};
  v.heading = "DemPopSiz-Minus1";
  draw(v, dir);
  EXPECT_NE(find_text(read_eps(slurp(eps_of("DemPopSiz-Minus1")), pagesz),
                      "Missing data - Subpopulation differentiation undefined"),
            nullptr);
  v.delta = std::nanf("");
  v.heading = "DemPopSiz-NaNdelta";
  draw(v, dir);
  EXPECT_NE(find_text(read_eps(slurp(eps_of("DemPopSiz-NaNdelta")), pagesz),
                      "Missing data - Subpopulation differentiation undefined"),
            nullptr);
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  EXPECT_TRUE(gs_ok(f));
}

// Missing data: title, caption and data line, then the message centred on the centre
// point, and nothing else, in both formats.
TEST_F(SnailTest, MissingData) {
  Snail s{{1, 2}, {0.5f, 0.5f}, {0.1f, 0.2f}, -9999.0f};
  s.wmf = 1;
  draw(s, dir);
  std::string f = eps_of("DemPopSiz-Alleles__Locus___3");
  Drawing d = read_eps(slurp(f), pagesz);
  EXPECT_TRUE(d.paths.empty());
  ASSERT_EQ(d.texts.size(), 4u);
  EXPECT_EQ(d.texts[3].s, "Missing data - Subpopulation differentiation undefined");
  EXPECT_EQ(d.texts[3].just, 1);
  EXPECT_EQ(d.texts[3].x, 560);
  EXPECT_EQ(d.texts[3].y, 660);
  std::string w = dir + "/micro bov-Snail-DemPopSiz-Alleles__Locus___3.wmf";
  Wmf m = read_wmf(slurp(w));
  ASSERT_TRUE(m.ok) << m.why;
  EXPECT_TRUE(m.polylines.empty());
  ASSERT_EQ(m.texts.size(), 4u);
  EXPECT_EQ(m.texts[3], "Missing data - Subpopulation differentiation undefined");
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  EXPECT_TRUE(gs_ok(f));
  if (!have("wmf2svg")) GTEST_SKIP() << "libwmf (wmf2svg) is not installed";
  std::string svg;
  EXPECT_TRUE(wmf_ok(w, svg));
}

// Blanks and colons of the heading become underscores in the file names and the caption;
// with both formats the metafile has the same polylines and texts as the EPS file.
TEST_F(SnailTest, NamesAndBothFormats) {
  Snail s{{3, 1, 2}, {0.25f, 0.5f, 0.25f}, {0.5f, 0.25f, 0.75f}, 0.5f};
  s.heading = "EquPopSiz-Loc: A 1 :x   ";
  s.wmf = 1;
  draw(s, dir, "pre");
  std::string base = dir + "/pre-Snail-EquPopSiz-Loc__A_1__x";
  ASSERT_TRUE(exists(base + ".eps"));
  ASSERT_TRUE(exists(base + ".wmf"));
  Drawing d = read_eps(slurp(base + ".eps"), pagesz);
  EXPECT_EQ(d.texts[1].s, "Loc__A_1__x");
  Wmf m = read_wmf(slurp(base + ".wmf"));
  ASSERT_TRUE(m.ok) << m.why;
  EXPECT_EQ(m.bbox[2], pagesz);
  EXPECT_EQ(m.bbox[3], pagesz);
  // the same points, polyline by polyline once the cut pieces of the EPS file are joined
  std::vector<P> pe, pw;
  auto add = [](std::vector<P>& v, const std::vector<P>& pts) {
    for (const P& q : pts)
      if (v.empty() || v.back().x != q.x || v.back().y != q.y) v.push_back(q);
  };
  for (const Path& p : d.paths) add(pe, p.pts);
  for (const auto& p : m.polylines) add(pw, p);
  ASSERT_EQ(pe.size(), pw.size());
  for (size_t i = 0; i < pe.size(); ++i) {
    EXPECT_EQ(pe[i].x, pw[i].x) << i;
    EXPECT_EQ(pe[i].y, pw[i].y) << i;
  }
  ASSERT_EQ(m.texts.size(), d.texts.size());
  for (size_t i = 0; i < m.texts.size(); ++i) EXPECT_EQ(m.texts[i], d.texts[i].s);
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  EXPECT_TRUE(gs_ok(base + ".eps"));
  if (!have("wmf2svg")) GTEST_SKIP() << "libwmf (wmf2svg) is not installed";
  std::string svg;
  ASSERT_TRUE(wmf_ok(base + ".wmf", svg));
  EXPECT_GE(count(svg, "<polyline"), 3u + 1 + 1 + 4);  // sectors, circle, bar, ticks...
  EXPECT_NE(svg.find(">Loc__A_1__x</text>"), std::string::npos);
  EXPECT_NE(svg.find(">delta=0.5000</text>"), std::string::npos);
}

// No format chosen: nothing is written, but the arrays are still sorted.
TEST_F(SnailTest, NoFormat) {
  Snail s{{1, 2}, {0.5f, 0.5f}, {0.3f, 0.1f}, 0.2f};
  s.eps = 0;
  draw(s, dir);
  EXPECT_FALSE(exists(eps_of("DemPopSiz-Alleles__Locus___3")));
  EXPECT_EQ(s.np(1), 2);
  EXPECT_EQ(s.np(2), 1);
}

// The rendered picture: on the outline of the largest sector dark, on the delta circle and
// the delta mark blue, inside a sector and away from the drawing white.
TEST_F(SnailTest, RenderedPicture) {
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  Snail s{{1, 2, 3, 4, 5},
          {0.125f, 0.25f, 0.1875f, 0.25f, 0.1875f},
          {0.3125f, 0.125f, 0.4375f, 0.125f, 0.0625f},
          0.25f};
  draw(s, dir);
  std::string f = eps_of("DemPopSiz-Alleles__Locus___3");
  Image img;
  ASSERT_TRUE(render(f, 300, img, dir + "/snail.png"));
  int box[4];
  ASSERT_TRUE(bbox_of(slurp(f), box));
  const double k = 0.1417322835, r = 300.0 / 72;
  auto pixel = [&](double x, double y, int rgb[3]) {
    int px = static_cast<int>((150 * k + x * k - box[0]) * r);
    int py = static_cast<int>((box[3] - (200 * k + (pagesz - y) * k)) * r);
    img.at(px, py, rgb);
  };
  // the darkest and the bluest pixel in a small neighbourhood
  auto near = [&](double x, double y, bool want_blue) {
    bool found = false;
    for (int dx = -2; dx <= 2; ++dx)
      for (int dy = -2; dy <= 2; ++dy) {
        int c[3];
        pixel(x + dx, y + dy, c);
        if (want_blue ? (c[2] > 200 && c[0] < 80 && c[1] < 80)
                      : (c[0] < 80 && c[1] < 80 && c[2] < 80))
          found = true;
      }
    return found;
  };
  double m = 416.25 * deg;  // middle of the sector of deme 3, radius 175
  EXPECT_TRUE(near(cx + 175 * std::cos(m), cy - 175 * std::sin(m), false));
  EXPECT_TRUE(near(cx + 100 * std::cos(200 * deg), cy - 100 * std::sin(200 * deg), true));
  EXPECT_TRUE(near(1119, 540, true));
  int c[3];
  pixel(cx + 140 * std::cos(m), cy - 140 * std::sin(m), c);
  EXPECT_GT(c[0] + c[1] + c[2], 3 * 240);
  pixel(300, 1000, c);
  EXPECT_GT(c[0] + c[1] + c[2], 3 * 240);
}

}  // namespace
