// Figures for print: where the snail labels go (no overlaps, never inside the chart, in the
// order of their sectors), the scale of D_j, and the clustering that orders the distance map,
// checked against the definition of average linkage computed from the leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "graphics/snailprint.h"
#include "report/figures.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Sectors from twelve o'clock counter-clockwise for the given sizes; labels of the given widths.
std::vector<tolm::LabelIn> sectors(const std::vector<double>& cj, const std::vector<double>& r,
                                   double width) {
  std::vector<tolm::LabelIn> in;
  double a = 90;
  for (size_t i = 0; i < cj.size(); ++i) {
    in.push_back({a + cj[i] * 180, r[i], cj[i] * 360, width + static_cast<double>(i % 5) * 9});
    a += cj[i] * 360;
  }
  return in;
}

// True when the segments p1-p2 and q1-q2 cross at a point inside both.
bool cross(double p1x, double p1y, double p2x, double p2y, double q1x, double q1y, double q2x,
           double q2y) {
  auto side = [](double ax, double ay, double bx, double by, double cx, double cy) {
    return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
  };
  double d1 = side(q1x, q1y, q2x, q2y, p1x, p1y), d2 = side(q1x, q1y, q2x, q2y, p2x, p2y);
  double d3 = side(p1x, p1y, p2x, p2y, q1x, q1y), d4 = side(p1x, p1y, p2x, p2y, q2x, q2y);
  return ((d1 > 1e-9 && d2 < -1e-9) || (d1 < -1e-9 && d2 > 1e-9)) &&
         ((d3 > 1e-9 && d4 < -1e-9) || (d3 < -1e-9 && d4 > 1e-9));
}

// Squared distance from the centre to the nearest point of a box.
double near2(const tolm::LabelBox& b, double cx, double cy) {
  double dx = std::max({b.x0 - cx, 0.0, cx - b.x1});
  double dy = std::max({b.y0 - cy, 0.0, cy - b.y1});
  return dx * dx + dy * dy;
}

TEST(FiguresLabels, NeverOverlapAndStayOutsideTheChart) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  struct Case {
    const char* what;
    std::vector<double> cj;
  };
  std::vector<Case> cases;
  // 40 demes of random sizes; 40 equal demes; one large deme and 39 tiny ones (most labels on
  // one side); 40 demes all crowded into the first quarter of the circle but one
  std::vector<double> rnd, eq(40, 1.0 / 40), big, crowd;
  double sum = 0;
  for (int i = 0; i < 40; ++i) sum += rnd.emplace_back(0.05 + u(gen));
  for (double& c : rnd) c /= sum;
  big.push_back(0.61);
  for (int i = 0; i < 39; ++i) big.push_back(0.01);
  for (int i = 0; i < 39; ++i) crowd.push_back(0.25 / 39);
  crowd.push_back(0.75);
  cases = {{"random", rnd}, {"equal", eq}, {"one large", big}, {"crowded", crowd}};
  const double cx = 300, cy = 250, ring = 156, pitch = 10.5;
  for (const Case& c : cases) {
    std::vector<double> r;
    for (size_t i = 0; i < c.cj.size(); ++i) r.push_back(150 * u(gen));
    std::vector<tolm::LabelIn> in = sectors(c.cj, r, 30);
    std::vector<tolm::LabelBox> b = tolm::place_labels(in, cx, cy, ring, pitch, 5.8);
    ASSERT_EQ(b.size(), in.size()) << c.what;
    for (size_t i = 0; i < b.size(); ++i) {
      // outside the chart
      EXPECT_GE(near2(b[i], cx, cy), ring * ring - 1e-6) << c.what << " label " << i;
      // the box holds the text
      EXPECT_GE(b[i].x1 - b[i].x0, in[i].width - 1e-9) << c.what;
      // right of the centre for sectors facing right, left otherwise
      bool right = std::cos(in[i].angle * kPi / 180) >= 0;
      EXPECT_EQ(right, b[i].x0 >= cx) << c.what << " label " << i;
      EXPECT_EQ(!right, b[i].x1 <= cx) << c.what << " label " << i;
      for (size_t j = i + 1; j < b.size(); ++j) {
        bool apart = b[i].x1 <= b[j].x0 || b[j].x1 <= b[i].x0 || b[i].y1 <= b[j].y0 + 1e-9 ||
                     b[j].y1 <= b[i].y0 + 1e-9;
        EXPECT_TRUE(apart) << c.what << ": labels " << i << " and " << j << " overlap";
        // leaders from the ring to the labels never cross (but where 39 labels crowd into a
        // quarter of the circle and spread far past their sectors)
        EXPECT_FALSE(std::string(c.what) != "crowded" && b[i].leader && b[j].leader &&
                     cross(b[i].rx, b[i].ry, b[i].lx, b[i].ly, b[j].rx, b[j].ry, b[j].lx, b[j].ly))
            << c.what << ": leaders " << i << " and " << j << " cross";
      }
    }
    // each side keeps the order of the sectors: a higher direction, a higher label
    for (size_t i = 0; i < b.size(); ++i)
      for (size_t j = 0; j < b.size(); ++j) {
        double si = std::sin(in[i].angle * kPi / 180), sj = std::sin(in[j].angle * kPi / 180);
        if ((b[i].x0 >= cx) == (b[j].x0 >= cx) && si > sj + 1e-9) {
          EXPECT_LE(b[i].y0, b[j].y0) << c.what << " " << i << " " << j;
        }
      }
  }
}

TEST(FiguresLabels, LeaderOnlyWhenTheLabelIsAwayFromItsSector) {
  // A wide sector reaching the ring: the label sits at its edge, no leader. A narrow one, or a
  // short one far inside the ring, gets a leader from its edge.
  std::vector<tolm::LabelIn> in = {{45, 150, 90, 20}, {135, 150, 2, 20}, {225, 40, 90, 20}};
  std::vector<tolm::LabelBox> b = tolm::place_labels(in, 0, 0, 156, 10.5, 5.8);
  EXPECT_FALSE(b[0].leader);
  EXPECT_TRUE(b[1].leader);
  EXPECT_TRUE(b[2].leader);
  // the leader starts on the sector's edge in its middle direction
  EXPECT_NEAR(b[2].ax, 40 * std::cos(225 * kPi / 180), 1e-9);
  EXPECT_NEAR(b[2].ay, -40 * std::sin(225 * kPi / 180), 1e-9);
}

TEST(FiguresScale, NiceTopAndStep) {
  struct {
    double dmax, top, step;
  } t[] = {{0.55, 0.6, 0.2},   {0.5, 0.5, 0.1},       {0.03, 0.03, 0.01}, {0.047, 0.05, 0.01},
           {0.21, 0.25, 0.05}, {1.0, 1.0, 0.2},       {1.7, 1.0, 0.2},    {0.0, 0.1, 0.1},
           {NAN, 0.1, 0.1},    {0.0012, 0.002, 0.001}};
  for (const auto& c : t) {
    double top = 0, step = 0;
    tolm::snail_scale(c.dmax, top, step);
    EXPECT_NEAR(top, c.top, 1e-12) << c.dmax;
    EXPECT_NEAR(step, c.step, 1e-12) << c.dmax;
  }
}

// The leaves under a node of the merge list.
void leaves(const std::vector<tolm::Merge>& m, int n, int node, std::vector<int>& out) {
  if (node < n) {
    out.push_back(node);
    return;
  }
  leaves(m, n, m[static_cast<size_t>(node - n)].a, out);
  leaves(m, n, m[static_cast<size_t>(node - n)].b, out);
}

TEST(FiguresCluster, AverageLinkage) {
  // Points on a line at 7, 0, 5, 1: {0 1} join at 1, {7 5} at 2, the two at
  // (|7-0| + |7-1| + |5-0| + |5-1|) / 4 = 5.5; the cluster of the first item comes first.
  std::vector<double> x = {7, 0, 5, 1};
  std::vector<std::vector<double>> d(4, std::vector<double>(4));
  for (size_t i = 0; i < 4; ++i)
    for (size_t j = 0; j < 4; ++j) d[i][j] = std::fabs(x[i] - x[j]);
  std::vector<tolm::Merge> m;
  std::vector<int> order = tolm::cluster_order(d, m);
  EXPECT_EQ(order, (std::vector<int>{0, 2, 1, 3}));
  ASSERT_EQ(m.size(), 3u);
  EXPECT_DOUBLE_EQ(m[0].height, 1);
  EXPECT_DOUBLE_EQ(m[1].height, 2);
  EXPECT_DOUBLE_EQ(m[2].height, 5.5);

  // Random points in the plane: every merge height is the mean distance between the leaves of
  // its two clusters, the heights never decrease, and the order holds every leaf once.
  std::mt19937 gen(3);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const int n = 15;
  std::vector<double> px, py;
  for (int i = 0; i < n; ++i) {
    px.push_back(u(gen));
    py.push_back(u(gen));
  }
  std::vector<std::vector<double>> e(n, std::vector<double>(n));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) e[i][j] = std::hypot(px[i] - px[j], py[i] - py[j]);
  order = tolm::cluster_order(e, m);
  ASSERT_EQ(m.size(), static_cast<size_t>(n - 1));
  std::vector<int> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < n; ++i) EXPECT_EQ(sorted[static_cast<size_t>(i)], i);
  double last = 0;
  for (const tolm::Merge& g : m) {
    std::vector<int> la, lb;
    leaves(m, n, g.a, la);
    leaves(m, n, g.b, lb);
    double s = 0;
    for (int a : la)
      for (int b : lb) s += e[static_cast<size_t>(a)][static_cast<size_t>(b)];
    EXPECT_NEAR(g.height, s / static_cast<double>(la.size() * lb.size()), 1e-12);
    EXPECT_GE(g.height, last - 1e-12);
    last = g.height;
  }
  // the order of the leaves is the tree's: every cluster is a contiguous run
  for (size_t k = 0; k < m.size(); ++k) {
    std::vector<int> l;
    leaves(m, n, n + static_cast<int>(k), l);
    std::vector<size_t> pos;
    for (int leaf : l)
      pos.push_back(
          static_cast<size_t>(std::find(order.begin(), order.end(), leaf) - order.begin()));
    std::sort(pos.begin(), pos.end());
    EXPECT_EQ(pos.back() - pos.front() + 1, pos.size());
  }
}

}  // namespace
