// The overview figures: heat maps of D_j and of the gene-pool distances d_0. See figures.h.
#include "report/figures.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <tuple>

#include "graphics/snailprint.h"
#include "io/fixw.h"
#include "plotlayer/cairo_canvas.h"
#include "report/longtable.h"

namespace tolm {

namespace {

using plot::Canvas;
using plot::Colour;

constexpr double kMargin = 20, kTitle = 12, kSub = 8.5;
const Colour kInk{0.1, 0.1, 0.1};
const Colour kGrey{0.45, 0.45, 0.45};
const Colour kNone{0.92, 0.92, 0.92};

// A perceptually even scale from light yellow (0) to dark violet (1), readable in grey.
Colour tone(double t) {
  static const double k[11][3] = {{253, 231, 37}, {189, 223, 38}, {122, 209, 81}, {68, 191, 112},
                                  {34, 168, 132}, {33, 145, 140}, {42, 120, 142}, {53, 95, 141},
                                  {65, 68, 135},  {72, 36, 117},  {68, 1, 84}};
  t = std::clamp(t, 0.0, 1.0) * 10;
  int i = std::min(9, static_cast<int>(t));
  double f = t - i;
  return {(k[i][0] + f * (k[i + 1][0] - k[i][0])) / 255,
          (k[i][1] + f * (k[i + 1][1] - k[i][1])) / 255,
          (k[i][2] + f * (k[i + 1][2] - k[i][2])) / 255};
}

std::string fixed(double v, int dec) {
  return io::ltrim(io::ff(static_cast<float>(v), 12, dec));
}

// The symbol of the measure with its index: "D" and "j", or "d" and "0".
double draw_symbol(Canvas& c, const std::string& bar, double x, double y, double size) {
  std::string s = bar.substr(0, 1), i = bar.substr(1);
  double w = c.text_width(s, size);
  c.text(s, x, y, size, 0, kInk);
  c.text(i, x + w, y + 0.25 * size, 0.7 * size, 0, kInk);
  return w + c.text_width(i, 0.7 * size);
}

}  // namespace

std::vector<int> cluster_order(const std::vector<std::vector<double>>& d,
                               std::vector<Merge>& merges) {
  const int n = static_cast<int>(d.size());
  merges.clear();
  // Live clusters: their id, size, first item and leaves in drawn order.
  std::vector<int> id(static_cast<size_t>(n)), size(static_cast<size_t>(n), 1);
  std::vector<std::vector<int>> leaves(static_cast<size_t>(n));
  std::vector<std::vector<double>> dist = d;
  for (int i = 0; i < n; ++i) {
    id[static_cast<size_t>(i)] = i;
    leaves[static_cast<size_t>(i)] = {i};
  }
  std::vector<bool> live(static_cast<size_t>(n), true);
  for (int step = 1; step < n; ++step) {
    int bi = -1, bj = -1;
    double best = 0;
    for (int i = 0; i < n; ++i) {
      if (!live[static_cast<size_t>(i)]) continue;
      for (int j = i + 1; j < n; ++j) {
        if (!live[static_cast<size_t>(j)]) continue;
        double v = dist[static_cast<size_t>(i)][static_cast<size_t>(j)];
        if (bi < 0 || v < best) {
          best = v;
          bi = i;
          bj = j;
        }
      }
    }
    // the slot of the earlier item (bi < bj, and slot i holds item i's cluster) keeps the
    // merged cluster and comes first
    auto ui = static_cast<size_t>(bi), uj = static_cast<size_t>(bj);
    merges.push_back({id[ui], id[uj], best});
    for (int k = 0; k < n; ++k) {
      auto uk = static_cast<size_t>(k);
      if (!live[uk] || k == bi || k == bj) continue;
      double v = (dist[ui][uk] * size[ui] + dist[uj][uk] * size[uj]) / (size[ui] + size[uj]);
      dist[ui][uk] = dist[uk][ui] = v;
    }
    size[ui] += size[uj];
    leaves[ui].insert(leaves[ui].end(), leaves[uj].begin(), leaves[uj].end());
    id[ui] = n + step - 1;
    live[uj] = false;
  }
  for (int i = 0; i < n; ++i)
    if (live[static_cast<size_t>(i)]) return leaves[static_cast<size_t>(i)];
  return {};
}

std::string draw_heat_map(const HeatMap& h, const std::string& path, const std::string& format) {
  Canvas meas("", "measure", 1, 1);
  const size_t nr = h.rows.size(), nc = h.cols.size();
  // 1. Cells, names and the scale
  double cs = std::clamp(std::min(420.0 / std::max<size_t>(nc, 1), 560.0 / std::max<size_t>(nr, 1)),
                         7.0, 22.0);
  const double fs = std::min(8.0, cs * 0.8);
  const bool values = cs >= 20;
  double rw = 0, cw = 0;
  for (const std::string& r : h.rows) rw = std::max(rw, meas.text_width(r, fs));
  for (const std::string& c : h.cols) cw = std::max(cw, meas.text_width(c, fs));
  double vmax = 0;
  bool none = false;
  for (const auto& row : h.v)
    for (double x : row) {
      if (std::isnan(x))
        none = true;
      else
        vmax = std::max(vmax, x);
    }
  double top = 1, step = 0.2;
  snail_scale(vmax, top, step);
  const double gap = h.last_apart ? 4 : 0;
  const double tree = h.tree.empty() ? 0 : 60;

  // 2. The page: title, column names above the cells, row names and tree at their left, the
  //    colour bar at their right
  const double head = kMargin + kTitle + 6 + kSub + 12;
  const double x0 = kMargin + tree + (tree > 0 ? 4 : 0) + rw + 4;
  const double y0 = head + cw + 6;
  const double mw = nc * cs + gap, mh = nr * cs;
  const double barh = std::min(std::max(mh, 90.0), 200.0);
  const double xb = x0 + mw + 16;
  const double width = std::max({xb + 70, kMargin + meas.text_width(h.title, kTitle, true),
                                 kMargin + meas.text_width(h.subtitle, kSub)}) +
                       kMargin;
  const double height = std::max(y0 + mh, y0 + barh + (none ? 24 : 0)) + kMargin;
  Canvas c(path, format, width, height);
  if (!c.ok()) return c.close();
  c.text(h.title, kMargin, kMargin + kTitle * 0.8, kTitle, 0, kInk, true);
  c.text(h.subtitle, kMargin, kMargin + kTitle + 6 + kSub * 0.8, kSub, 0, kGrey);

  // 3. The cells, with their values where there is room
  auto colx = [&](size_t j) { return x0 + j * cs + (h.last_apart && j + 1 == nc ? gap : 0); };
  for (size_t i = 0; i < nr; ++i)
    for (size_t j = 0; j < nc; ++j) {
      double x = i < h.v.size() && j < h.v[i].size() ? h.v[i][j] : NAN;
      double cx = colx(j), cy = y0 + i * cs;
      // a little over the next cell, which covers it: no seams between the cells of a PNG
      double over = j + 1 < nc && !(h.last_apart && j + 2 == nc) ? 0.35 : 0;
      c.rect(cx, cy, cs + over, cs + (i + 1 < nr ? 0.35 : 0),
             std::isnan(x) ? kNone : tone(x / top));
      if (values && !std::isnan(x))
        c.text(fixed(x, 2), cx + cs / 2, cy + cs / 2 + Canvas::cap_height(6) / 2, 6, 1,
               x / top > 0.45 ? Colour{1, 1, 1} : kInk);
    }
  for (size_t i = 0; i < nr; ++i)
    c.text(h.rows[i], x0 - 4, y0 + (i + 0.5) * cs + Canvas::cap_height(fs) / 2, fs, 2, kInk);
  for (size_t j = 0; j < nc; ++j)
    c.text(h.cols[j], colx(j) + cs / 2 + Canvas::cap_height(fs) / 2, y0 - 4, fs, 0, kInk, false,
           90);

  // 4. The tree of the rows: each merge a bracket at its height
  if (!h.tree.empty()) {
    double hmax = 0;
    for (const Merge& m : h.tree) hmax = std::max(hmax, m.height);
    if (!(hmax > 0)) hmax = 1;
    const double xr = x0 - rw - 8;
    std::vector<double> nx(nr + h.tree.size()), ny(nr + h.tree.size());
    for (size_t i = 0; i < nr; ++i) {
      nx[i] = xr;
      ny[i] = y0 + (i + 0.5) * cs;
    }
    for (size_t k = 0; k < h.tree.size(); ++k) {
      const Merge& m = h.tree[k];
      auto a = static_cast<size_t>(m.a), b = static_cast<size_t>(m.b);
      if (a >= nr + k || b >= nr + k) break;
      double x = xr - m.height / hmax * tree;
      c.line(x, ny[a], x, ny[b], kInk, 0.5);
      c.line(x, ny[a], nx[a], ny[a], kInk, 0.5);
      c.line(x, ny[b], nx[b], ny[b], kInk, 0.5);
      nx[nr + k] = x;
      ny[nr + k] = (ny[a] + ny[b]) / 2;
    }
  }

  // 5. The colour bar, its ticks and its label; grey for a missing value
  const int nbar = 100;
  for (int k = 0; k < nbar; ++k)
    c.rect(xb, y0 + barh - (k + 1) * barh / nbar, 10, barh / nbar + 0.3, tone((k + 0.5) / nbar));
  c.rect_outline(xb, y0, 10, barh, kInk, 0.4);
  const int nt = static_cast<int>(std::lround(top / step));
  const int dec = step >= 0.1 - 1e-9 ? 1 : step >= 0.01 - 1e-9 ? 2 : 3;
  for (int k = 0; k <= nt; ++k) {
    double y = y0 + barh - k * step / top * barh;
    c.line(xb + 10, y, xb + 13, y, kInk, 0.4);
    c.text(fixed(k * step, dec), xb + 15, y + Canvas::cap_height(7) / 2, 7, 0, kInk);
  }
  draw_symbol(c, h.bar, xb, y0 - 6, 9);
  if (none) {
    c.rect(xb, y0 + barh + 10, 10, 10, kNone);
    c.text("no value", xb + 14, y0 + barh + 10 + 5 + Canvas::cap_height(7) / 2, 7, 0, kInk);
  }
  return c.close();
}

void write_overview_figures(RunState& rs) {
  if (rs.opt.figures.empty()) return;
  const std::vector<LongRow>& rows = rs.longtab.rows;
  const std::string dir = figures_dir(rs);
  const std::string data = io::trim(rs.names.filnam);

  // 1. Deme names, from every row that gives one
  std::map<int, std::string> dname;
  for (const LongRow& r : rows)
    if (r.deme > 0 && !r.deme_name.empty() && !dname.count(r.deme)) dname[r.deme] = r.deme_name;
  auto name = [&](int d) { return dname.count(d) ? dname[d] : "Deme " + std::to_string(d); };

  // 2. D_j by pass, kind and weighting (measure and method): demes in order of appearance,
  //    loci in order of appearance with the gene pool last. A second value for the same cell
  //    starts a second map of the same key.
  struct Dj {
    std::vector<int> demes;
    std::vector<std::string> loci;
    std::vector<std::map<std::pair<int, std::string>, double>> cells;
  };
  using Key = std::tuple<int, std::string, std::string, std::string>;
  std::map<Key, Dj> dj;
  std::vector<Key> djorder;
  // 3. d_0 of the gene pool by pass and kind (a run of one locus: of that locus)
  struct D0 {
    std::vector<int> demes;
    std::map<std::pair<int, int>, double> d;
    std::string loci;
  };
  std::map<std::pair<int, std::string>, D0> d0;
  std::vector<std::pair<int, std::string>> d0order;
  for (const LongRow& r : rows) {
    if (r.measure.rfind("differentiation_Dj", 0) == 0 && r.deme > 0) {
      Key k{r.pass, r.kind, r.measure, r.method};
      if (!dj.count(k)) djorder.push_back(k);
      Dj& m = dj[k];
      if (std::find(m.demes.begin(), m.demes.end(), r.deme) == m.demes.end())
        m.demes.push_back(r.deme);
      if (std::find(m.loci.begin(), m.loci.end(), r.loci) == m.loci.end()) m.loci.push_back(r.loci);
      auto cell = std::make_pair(r.deme, r.loci);
      size_t s = 0;
      while (s < m.cells.size() && m.cells[s].count(cell)) ++s;
      if (s == m.cells.size()) m.cells.emplace_back();
      m.cells[s][cell] = r.value;
    } else if (r.measure == "distance_d0" && r.deme > 0 && r.other_deme > 0) {
      std::pair<int, std::string> k{r.pass, r.kind};
      if (!d0.count(k)) d0order.push_back(k);
      D0& m = d0[k];
      if (m.loci != "pool" && r.loci != m.loci) {
        if (r.loci == "pool" || m.loci.empty()) {
          m = D0();
          m.loci = r.loci;
        } else {
          m.loci = "?";  // several loci and no gene pool: no one matrix to draw
        }
      }
      if (r.loci != m.loci) continue;
      for (int d : {r.deme, r.other_deme})
        if (std::find(m.demes.begin(), m.demes.end(), d) == m.demes.end()) m.demes.push_back(d);
      m.d[{std::min(r.deme, r.other_deme), std::max(r.deme, r.other_deme)}] = r.value;
    }
  }

  static const std::map<std::string, std::string> kWords = {{"maternal", "maternal alleles"},
                                                            {"paternal", "paternal alleles"},
                                                            {"alleles", "alleles"},
                                                            {"genotypes", "genotypes"}};
  auto words = [&](const std::string& k) { return kWords.count(k) ? kWords.at(k) : k; };
  auto passpart = [](int pass) { return pass > 1 ? "pass" + std::to_string(pass) + "-" : ""; };
  auto write = [&](const HeatMap& h, const std::string& base) {
    if (!make_figures_dir(rs, dir)) return;
    for (const std::string& fmt : rs.opt.figures) {
      if (!plot::canvas_format(fmt)) continue;
      std::string path = dir + "/" + base + "." + fmt;
      std::string err = draw_heat_map(h, path, fmt);
      if (!err.empty()) {
        rs.con().line(" ** Error writing figure " + path + ": " + err + " **");
        rs.output_failures++;
      }
    }
  };

  // 4. The D_j maps
  for (const Key& k : djorder) {
    Dj& m = dj[k];
    std::stable_partition(m.loci.begin(), m.loci.end(),
                          [](const std::string& l) { return l != "pool"; });
    for (size_t s = 0; s < m.cells.size(); ++s) {
      HeatMap h;
      h.bar = "Dj";
      h.last_apart = m.loci.back() == "pool" && m.loci.size() > 1;
      h.title = "Differentiation of the demes by locus, " + words(std::get<1>(k));
      h.subtitle = std::string("D_j of each deme (rows) from the other demes at each locus") +
                   (h.last_apart ? "; last column: the gene pool" : "") + ". Data: " + data;
      for (int d : m.demes) h.rows.push_back(name(d));
      for (const std::string& l : m.loci) h.cols.push_back(l == "pool" ? "gene pool" : l);
      for (int d : m.demes) {
        h.v.emplace_back();
        for (const std::string& l : m.loci) {
          auto it = m.cells[s].find({d, l});
          h.v.back().push_back(it == m.cells[s].end() ? NAN : it->second);
        }
      }
      std::string base = passpart(std::get<0>(k)) + "Dj-" + file_part(std::get<1>(k));
      if (std::get<2>(k) != "differentiation_Dj")
        base += "-" + file_part(std::get<2>(k).substr(18 + (std::get<2>(k)[18] == '_' ? 1 : 0)));
      if (!std::get<3>(k).empty()) base += "-" + file_part(std::get<3>(k));
      if (s > 0) base += "-" + std::to_string(s + 1);
      write(h, base);
    }
  }

  // 5. The d_0 maps, the demes in the order of their clustering
  for (const auto& k : d0order) {
    D0& m = d0[k];
    if (m.loci == "?" || m.demes.size() < 2) continue;
    const size_t n = m.demes.size();
    std::vector<std::vector<double>> d(n, std::vector<double>(n, 0.0));
    bool complete = true;
    for (size_t i = 0; i < n; ++i)
      for (size_t j = 0; j < n; ++j) {
        if (i == j) continue;
        auto it = m.d.find({std::min(m.demes[i], m.demes[j]), std::max(m.demes[i], m.demes[j])});
        d[i][j] = it == m.d.end() ? NAN : it->second;
        if (std::isnan(d[i][j])) complete = false;
      }
    HeatMap h;
    h.bar = "d0";
    std::vector<int> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = static_cast<int>(i);
    if (complete) {
      std::vector<Merge> merges;
      order = cluster_order(d, merges);
      std::vector<int> pos(n);
      for (size_t i = 0; i < n; ++i) pos[static_cast<size_t>(order[i])] = static_cast<int>(i);
      for (Merge& g : merges) {
        if (g.a < static_cast<int>(n)) g.a = pos[static_cast<size_t>(g.a)];
        if (g.b < static_cast<int>(n)) g.b = pos[static_cast<size_t>(g.b)];
      }
      h.tree = merges;
    }
    const bool pool = m.loci == "pool";
    h.title = std::string(pool ? "Gene-pool distances" : "Distances") + " between the demes, " +
              words(k.second) + (pool ? "" : " (locus " + m.loci + ")");
    h.subtitle = std::string("d_0 for each pair of demes; ") +
                 (complete ? "demes ordered by average-linkage (UPGMA) clustering on d_0"
                           : "demes in input order (some distances undefined)") +
                 ". Data: " + data;
    for (int i : order) {
      h.rows.push_back(name(m.demes[static_cast<size_t>(i)]));
      h.v.emplace_back();
      for (int j : order) h.v.back().push_back(d[static_cast<size_t>(i)][static_cast<size_t>(j)]);
    }
    h.cols = h.rows;
    write(h, passpart(k.first) + "d0-" + file_part(k.second));
  }

  // 6. Where they went
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec))
    rs.con().line(" Figures         --> In directory " + dir);
}

}  // namespace tolm
