// Differentiation snails for print. See snailprint.h.
#include "graphics/snailprint.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <system_error>

#include "io/fixw.h"
#include "plotlayer/cairo_canvas.h"
#include "report/longtable.h"

namespace tolm {

namespace {

using plot::Canvas;
using plot::Colour;

constexpr double kPi = 3.14159265358979323846;

// The page, in points.
constexpr double kMargin = 20;
constexpr double kRing = 150;  // radius of the top of the scale
constexpr double kTitle = 12, kSub = 8.5, kLabel = 8, kPitch = 10.5, kSmall = 7.5;
const Colour kInk{0.1, 0.1, 0.1};
const Colour kGrey{0.45, 0.45, 0.45};
const Colour kSectorFill{0.85, 0.85, 0.85};
const Colour kSectorLine{0.35, 0.35, 0.35};
const Colour kDelta{0.1, 0.3, 0.75};

double rad(double deg) {
  return deg * kPi / 180;
}

// Lays a run of desired positions out at least `pitch` apart, in their order, with the least
// sum of squared moves: the moves of y_k - k*pitch to the nearest non-decreasing sequence
// (pooling adjacent violators).
std::vector<double> spread(const std::vector<double>& want, double pitch) {
  const size_t n = want.size();
  std::vector<double> mean;
  std::vector<size_t> count;
  for (size_t k = 0; k < n; ++k) {
    mean.push_back(want[k] - static_cast<double>(k) * pitch);
    count.push_back(1);
    while (mean.size() > 1 && mean[mean.size() - 2] > mean.back()) {
      size_t c = count.back() + count[count.size() - 2];
      double m = (mean.back() * static_cast<double>(count.back()) +
                  mean[mean.size() - 2] * static_cast<double>(count[count.size() - 2])) /
                 static_cast<double>(c);
      mean.pop_back();
      count.pop_back();
      mean.back() = m;
      count.back() = c;
    }
  }
  std::vector<double> y;
  for (size_t b = 0; b < mean.size(); ++b)
    for (size_t i = 0; i < count[b]; ++i)
      y.push_back(mean[b] + static_cast<double>(y.size()) * pitch);
  return y;
}

// "D" with the index "j", starting at x on the baseline y; returns the width.
double draw_dj(Canvas& c, double x, double y, double size, Colour ink) {
  double wd = c.text_width("D", size);
  c.text("D", x, y, size, 0, ink);
  c.text("j", x + wd, y + 0.25 * size, 0.7 * size, 0, ink);
  return wd + c.text_width("j", 0.7 * size);
}

std::string fixed(double v, int dec) {
  return io::ltrim(io::ff(static_cast<float>(v), 12, dec));
}

}  // namespace

std::vector<LabelBox> place_labels(const std::vector<LabelIn>& in, double cx, double cy,
                                   double ring, double pitch, double cap) {
  std::vector<LabelBox> out(in.size());
  const double pad = 3;
  for (int side = 0; side < 2; ++side) {
    // 1. The labels of this side (0 right, 1 left), from the top of the page down
    std::vector<size_t> idx;
    std::vector<double> want;
    for (size_t i = 0; i < in.size(); ++i)
      if ((std::cos(rad(in[i].angle)) >= -1e-9) == (side == 0)) idx.push_back(i);
    auto y_of = [&](size_t i) { return cy - ring * std::sin(rad(in[i].angle)); };
    std::stable_sort(idx.begin(), idx.end(), [&](size_t a, size_t b) { return y_of(a) < y_of(b); });
    for (size_t i : idx) want.push_back(y_of(i));
    // 2. A line pitch apart, as near to their sectors as that allows
    std::vector<double> got = spread(want, pitch);
    // 3. Beside the circle: a box reaches the ring only where the circle is narrower
    for (size_t k = 0; k < idx.size(); ++k) {
      const LabelIn& l = in[idx[k]];
      LabelBox& b = out[idx[k]];
      double y = got[k];
      double dy = std::max(0.0, std::fabs(y - cy) - pitch / 2);
      double m = rad(l.angle);
      // a label moved up or down stands above or below its sector's point on the ring, so
      // that the leaders of one side never cross
      double xoff = std::max(dy < ring ? std::sqrt(ring * ring - dy * dy) : 0.0,
                             ring * std::fabs(std::cos(m)));
      bool moved = std::fabs(y - want[k]) > 0.35 * pitch;
      bool narrow = rad(l.span) * ring < pitch;
      bool far = ring - l.radius > 1.2 * pitch;
      b.leader = moved || narrow || far;
      double x = side == 0 ? cx + xoff + pad : cx - xoff - pad;
      double lead = b.leader ? 2 : 0;
      b.just = side == 0 ? 0 : 2;
      b.tx = side == 0 ? x + lead : x - lead;
      b.ty = y + cap / 2;
      b.x0 = side == 0 ? x : x - lead - l.width;
      b.x1 = side == 0 ? x + lead + l.width : x;
      b.y0 = y - pitch / 2;
      b.y1 = y + pitch / 2;
      b.ax = cx + l.radius * std::cos(m);
      b.ay = cy - l.radius * std::sin(m);
      b.rx = cx + ring * std::cos(m);
      b.ry = cy - ring * std::sin(m);
      b.lx = x;
      b.ly = y;
    }
  }
  return out;
}

void snail_scale(double dmax, double& top, double& step) {
  if (!(dmax > 0)) dmax = 0;
  if (dmax > 1) dmax = 1;
  if (dmax == 0) {
    top = step = 0.1;
    return;
  }
  static const double steps[] = {0.001, 0.002, 0.0025, 0.005, 0.01, 0.02, 0.025, 0.05, 0.1, 0.2};
  for (double s : steps) {
    double k = std::max(1.0, std::ceil(dmax / s - 1e-9));
    if (k <= 5 || s == 0.2) {
      step = s;
      top = k * s;
      return;
    }
  }
}

std::string draw_print_snail(const PrintSnail& s, const std::string& path,
                             const std::string& format, SnailFrame* frame) {
  const size_t n = std::min({s.names.size(), s.cj.size(), s.dj.size()});
  const bool missing = !(s.delta > -1);
  Canvas meas("", "measure", 1, 1);
  SnailFrame f;

  // 1. Demes in order of increasing D_j (equal D_j keep their order), their sectors from
  //    twelve o'clock counter-clockwise
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t{0});
  auto djv = [&](size_t i) { return s.dj[i] > -1e-6f ? static_cast<double>(s.dj[i]) : 0.0; };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return djv(a) < djv(b); });
  double dmax = missing ? 0 : std::max(0.0, static_cast<double>(s.delta));
  for (size_t i = 0; i < n; ++i) dmax = std::max(dmax, djv(i));
  snail_scale(dmax, f.top, f.step);
  f.unit = kRing / f.top;
  const double rdelta = missing ? 0 : std::max(0.0, static_cast<double>(s.delta)) * f.unit;
  std::vector<double> a0(n), a1(n), r(n);
  std::vector<LabelIn> lin;
  double a = 90;
  for (size_t o = 0; o < n; ++o) {
    size_t i = order[o];
    double cj = s.cj[i] > 0 ? s.cj[i] : 0.0;
    a0[o] = a;
    a1[o] = a + cj * 360;
    a = a1[o];
    r[o] = djv(i) * f.unit;
    lin.push_back({(a0[o] + a1[o]) / 2, std::max(r[o], rdelta), a1[o] - a0[o],
                   meas.text_width(s.names[i], kLabel)});
  }

  // 2. Labels about the centre (0, 0), and the box of the chart
  const double ring = kRing + 6;
  std::vector<LabelBox> lab =
      missing ? std::vector<LabelBox>()
              : place_labels(lin, 0, 0, ring, kPitch, Canvas::cap_height(kLabel));
  double bx0 = -ring, bx1 = ring, by0 = -ring, by1 = ring;
  for (const LabelBox& b : lab) {
    bx0 = std::min(bx0, b.x0);
    bx1 = std::max(bx1, b.x1);
    by0 = std::min(by0, b.y0);
    by1 = std::max(by1, b.y1);
  }

  // 3. The page: title and subtitle, the chart with the scale at its right, the legend below
  const double head = kMargin + kTitle + 6 + kSub + 16;
  std::string adelta = missing ? "" : fixed(s.delta, 4);
  const std::string leg2 = "circle: delta = " + adelta + ", the mean of the D  weighted by the C";
  const double legw = 24 + meas.text_width(leg2 + "  ", kLabel);
  const double scalew = 60;
  double width = std::max({bx1 - bx0 + scalew, legw, meas.text_width(s.title, kTitle, true),
                           meas.text_width(s.subtitle, kSub)}) +
                 2 * kMargin;
  double height = head + (by1 - by0) + 14 + 2 * 14 + kMargin;
  if (missing) {
    width = std::max(width, 420.0);
    height = head + 80;
  }
  f.cx = kMargin - bx0;
  f.cy = head - by0;
  f.width = width;
  f.height = height;
  if (frame) *frame = f;

  Canvas c(path, format, width, height);
  if (!c.ok()) return c.close();
  c.text(s.title, kMargin, kMargin + kTitle * 0.8, kTitle, 0, kInk, true);
  c.text(s.subtitle, kMargin, kMargin + kTitle + 6 + kSub * 0.8, kSub, 0, kGrey);
  if (missing) {
    c.text("Missing data - Subpopulation differentiation undefined", width / 2, head + 30, kSub, 1,
           kInk);
    return c.close();
  }
  const double cx = f.cx, cy = f.cy;

  // 4. Sectors, the delta circle over them, leader lines and labels
  if (s.delta > 0.0001f)
    for (size_t o = 0; o < n; ++o)
      if (a1[o] > a0[o]) c.sector(cx, cy, r[o], a0[o], a1[o], kSectorFill, kSectorLine, 0.5);
  c.circle(cx, cy, s.delta < 0.0001f ? 1.0 : rdelta, kDelta, 1.4);
  for (size_t o = 0; o < n; ++o) {
    const LabelBox& b = lab[o];
    if (b.leader) {
      c.line(cx + b.ax, cy + b.ay, cx + b.rx, cy + b.ry, kGrey, 0.4);
      c.line(cx + b.rx, cy + b.ry, cx + b.lx, cy + b.ly, kGrey, 0.4);
    }
    c.text(s.names[order[o]], cx + b.tx, cy + b.ty, kLabel, b.just, kInk);
  }

  // 5. The scale of D_j, right of the chart, from the centre's height up to its top
  const double xs = cx + bx1 + 24;
  const int k = static_cast<int>(std::lround(f.top / f.step));
  const int dec = f.step >= 0.1 - 1e-9 ? 1 : f.step >= 0.01 - 1e-9 ? 2 : 3;
  c.line(xs, cy, xs, cy - kRing, kInk, 0.6);
  for (int i = 0; i <= k; ++i) {
    double y = cy - i * f.step * f.unit;
    c.line(xs - 3, y, xs, y, kInk, 0.6);
    c.text(fixed(i * f.step, dec), xs - 5, y + Canvas::cap_height(kSmall) / 2, kSmall, 2, kInk);
  }
  draw_dj(c, xs - 4, cy - kRing - 8, kLabel + 1, kInk);
  c.line(xs - 1, cy - rdelta, xs + 9, cy - rdelta, kDelta, 1.4);
  c.text("delta", xs + 11, cy - rdelta + Canvas::cap_height(kSmall) / 2, kSmall, 0, kDelta);

  // 6. The legend
  double yl = cy + by1 + 14;
  c.sector(kMargin + 8, yl + 3, 9, 60, 120, kSectorFill, kSectorLine, 0.5);
  double x = kMargin + 24;
  double w1 = c.text_width("one sector per deme: angle = relative size C", kLabel);
  c.text("one sector per deme: angle = relative size C", x, yl, kLabel, 0, kInk);
  c.text("j", x + w1, yl + 2, kLabel * 0.7, 0, kInk);
  double w2 = w1 + c.text_width("j", kLabel * 0.7);
  c.text(", radius = ", x + w2, yl, kLabel, 0, kInk);
  w2 += c.text_width(", radius = ", kLabel);
  draw_dj(c, x + w2, yl, kLabel, kInk);
  yl += 14;
  c.circle(kMargin + 8, yl - 3, 5, kDelta, 1.4);
  std::string t = "circle: delta = " + adelta + ", the mean of the D";
  c.text(t, x, yl, kLabel, 0, kInk);
  double w3 = c.text_width(t, kLabel);
  c.text("j", x + w3, yl + 2, kLabel * 0.7, 0, kInk);
  w3 += c.text_width("j", kLabel * 0.7);
  c.text(" weighted by the C", x + w3, yl, kLabel, 0, kInk);
  w3 += c.text_width(" weighted by the C", kLabel);
  c.text("j", x + w3, yl + 2, kLabel * 0.7, 0, kInk);
  return c.close();
}

std::string figures_dir(const RunState& rs) {
  return io::trim(rs.names.filpath) + io::trim(rs.names.filnam) + "-Figures";
}

bool make_figures_dir(RunState& rs, const std::string& dir) {
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec)) return true;
  std::filesystem::create_directories(dir, ec);
  if (!ec && std::filesystem::is_directory(dir, ec)) return true;
  if (!ec) ec = std::make_error_code(std::errc::not_a_directory);
  rs.con().line(" ** Error creating directory for figures \"" + dir + "\" - figures not drawn **");
  rs.con().line("   cause =" + io::fi(ec.value(), 6));
  rs.output_failures++;
  return false;
}

std::string file_part(const std::string& s) {
  std::string o;
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    o += std::isalnum(c) || ch == '-' || ch == '+' || ch == '.' || ch == '_' ? ch : '_';
  }
  if (o.empty() || o[0] == '.') o = "_" + o;
  return o;
}

void snailprint(RunState& rs, const Work& w, const std::string& heading, const std::string& cjtype,
                const Arr1<int>& nsnailp, const Arr1<float>& snailcj, const Arr1<float>& snaildj,
                float snaildel) {
  if (rs.opt.figures.empty()) return;
  const Param& p = rs.param;
  const int mal = p.mal;
  const bool pool = io::trim(heading).size() >= 9 &&
                    io::trim(heading).substr(io::trim(heading).size() - 9) == "Gene_Pool";
  const bool several = !pool && w.nrloc(p.kc) > 1;

  // 1. Title and file name: the locus, the loci of the combination or the gene pool
  auto locname = [&](int l) {
    std::string nm = io::trim(w.locnam(l));
    return nm.empty() ? "Locus " + std::to_string(l) : nm;
  };
  std::string title, part;
  const int width = static_cast<int>(std::to_string(w.nnl).size());
  auto num = [&](int v) {
    std::string t = std::to_string(v);
    return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(t.size()))), '0') +
           t;
  };
  if (pool) {
    title = "Gene pool of " + std::to_string(p.nc) + " loci";
    part = "pool";
  } else if (!several) {
    int l = w.loccmb(p.kc, 1);
    title = "Locus " + locname(l);
    part = num(l) + "-" + file_part(locname(l));
  } else {
    title = "Loci ";
    part = "c" + num(p.kc) + "-";
    for (int i = 1; i <= w.nrloc(p.kc); ++i) {
      title += (i > 1 ? " + " : "") + locname(w.loccmb(p.kc, i));
      part += (i > 1 ? "+" : "") + file_part(locname(w.loccmb(p.kc, i)));
    }
    if (part.size() > 120) part = "c" + num(p.kc) + "-loci";
  }
  static const char* const kKind[2][4] = {
      {"maternal alleles", "paternal alleles", "alleles", "genotypes"},
      {"maternal haplotypes", "paternal haplotypes", "haplotypes", "genotypes"}};
  const bool fin = cjtype == "fin";
  PrintSnail s;
  s.title = title + ", " + kKind[several ? 1 : 0][std::clamp(mal, 1, 4) - 1];
  s.subtitle = std::string("Differentiation of each deme from the others; ") +
               (fin ? "deme sizes proportional to sample size" : "equal deme sizes") +
               ". Data: " + io::trim(rs.names.filnam);

  // 2. The demes
  const int n = static_cast<int>(std::min({nsnailp.hi(), snailcj.hi(), snaildj.hi()}));
  for (int d = 1; d <= n; ++d) {
    int kp = nsnailp(d);
    std::string nm = kp >= w.prbnam.lo() && kp <= w.prbnam.hi() ? io::trim(w.prbnam(kp)) : "";
    s.names.push_back(nm.empty() ? "Deme " + std::to_string(kp) : nm);
    s.cj.push_back(snailcj(d));
    s.dj.push_back(snaildj(d));
  }
  s.delta = snaildel;

  // 3. One file per format
  const std::string dir = figures_dir(rs) + "/snails";
  if (!make_figures_dir(rs, dir)) return;
  std::string base = dir + "/" + (p.idurch > 1 ? "pass" + std::to_string(p.idurch) + "-" : "") +
                     part + "-" + long_kind(mal) + "-" + (fin ? "size" : "equal");
  for (const std::string& fmt : rs.opt.figures) {
    if (!plot::canvas_format(fmt)) continue;
    std::string path = base + "." + fmt;
    std::string err = draw_print_snail(s, path, fmt);
    if (!err.empty()) {
      rs.con().line(" ** Error writing figure " + path + ": " + err + " **");
      rs.output_failures++;
    }
  }
}

}  // namespace tolm
