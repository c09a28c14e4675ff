// Figures for print as files: a PNG snail has the page's size and its sectors where their
// sizes and D_j put them (pixels read back from the file); the overview heat maps are made
// from long-table rows, one set per kind, in every format asked; a folder that cannot be made
// counts as a failed output with a message.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/snailprint.h"
#include "plotlayer/cairo_canvas.h"
#include "report/figures.h"
#include "report/longtable.h"
#include "core/runstate.h"

namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;

fs::path fresh(const std::string& name) {
  fs::path d = fs::temp_directory_path() / ("tolm-figures-" + name);
  fs::remove_all(d);
  fs::create_directories(d);
  return d;
}

struct Png {
  cairo_surface_t* s = nullptr;
  explicit Png(const std::string& path) { s = cairo_image_surface_create_from_png(path.c_str()); }
  ~Png() { cairo_surface_destroy(s); }
  bool ok() const { return cairo_surface_status(s) == CAIRO_STATUS_SUCCESS; }
  int w() const { return cairo_image_surface_get_width(s); }
  int h() const { return cairo_image_surface_get_height(s); }
  // grey level of a pixel at a point of the page (points): the mean of red, green and blue
  int grey(double x, double y) const {
    int px = static_cast<int>(x * 300 / 72), py = static_cast<int>(y * 300 / 72);
    const unsigned char* d = cairo_image_surface_get_data(s);
    const auto* p = reinterpret_cast<const uint32_t*>(d + py * cairo_image_surface_get_stride(s));
    uint32_t v = p[px];
    return static_cast<int>(((v >> 16 & 255) + (v >> 8 & 255) + (v & 255)) / 3);
  }
};

TEST(FiguresRender, SnailSectorsWhereTheGeometrySays) {
  fs::path dir = fresh("snail");
  tolm::PrintSnail s;
  s.title = "Locus BM1824, alleles";
  s.subtitle = "test";
  s.names = {"Aubrac", "Bazadais", "Zebu", "N'Dama"};
  s.cj = {0.4f, 0.3f, 0.2f, 0.1f};
  s.dj = {0.5f, 0.2f, 0.35f, 0.1f};
  s.delta = 0.4f * 0.5f + 0.3f * 0.2f + 0.2f * 0.35f + 0.1f * 0.1f;  // 0.34
  const std::string png = (dir / "s.png").string();
  tolm::SnailFrame f;
  ASSERT_EQ(tolm::draw_print_snail(s, png, "png", &f), "");
  Png img(png);
  ASSERT_TRUE(img.ok());
  EXPECT_EQ(img.w(), static_cast<int>(std::lround(f.width * 300 / 72)));
  EXPECT_EQ(img.h(), static_cast<int>(std::lround(f.height * 300 / 72)));

  // By hand: in order of increasing D_j the sectors are N'Dama (0.1, C 0.1) from 90 to 126
  // degrees, Bazadais (0.2, C 0.3) to 234, Zebu (0.35, C 0.2) to 306, Aubrac (0.5, C 0.4) to
  // 450. The scale's top is 0.5 (steps of 0.1), so D_j = 0.5 reaches the full radius.
  EXPECT_NEAR(f.top, 0.5, 1e-12);
  struct {
    double a0, a1, dj;
  } sec[] = {{90, 126, 0.1}, {126, 234, 0.2}, {234, 306, 0.35}, {306, 450, 0.5}};
  const double rdelta = 0.34 * f.unit;
  for (const auto& q : sec) {
    // a quarter into the sector (leader lines run along its middle), at a radius away from
    // the delta circle: inside the sector the light tone, beyond its edge the white page
    double a = (q.a0 + 0.25 * (q.a1 - q.a0)) * kPi / 180;
    double r = q.dj * f.unit;
    double rin = std::fabs(0.5 * r - rdelta) > 4 ? 0.5 * r : 0.3 * r;
    int in = img.grey(f.cx + rin * std::cos(a), f.cy - rin * std::sin(a));
    EXPECT_NEAR(in, 217, 6) << "inside the sector from " << q.a0;
    double rout = r + 8;
    if (rout < 0.5 * f.unit && std::fabs(rout - rdelta) > 4) {
      int out = img.grey(f.cx + rout * std::cos(a), f.cy - rout * std::sin(a));
      EXPECT_GE(out, 250) << "beyond the sector from " << q.a0;
    }
  }
  // the delta circle, in blue, where its radius says (on the far side from every leader)
  double a = 300 * kPi / 180;
  bool blue = false;
  for (double dr = -1; dr <= 1; dr += 0.25) {
    double x = f.cx + (rdelta + dr) * std::cos(a), y = f.cy - (rdelta + dr) * std::sin(a);
    int px = static_cast<int>(x * 300 / 72), py = static_cast<int>(y * 300 / 72);
    const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(img.s) +
                                                        py * cairo_image_surface_get_stride(img.s));
    uint32_t v = row[px];
    if ((v & 255) > 150 && (v >> 16 & 255) < 80) blue = true;
  }
  EXPECT_TRUE(blue);
}

TEST(FiguresRender, FortyDemesOnOnePage) {
  // 40 demes with long and short names: the page holds every label (no box leaves the page)
  fs::path dir = fresh("forty");
  tolm::PrintSnail s;
  s.title = "Locus INRA63, alleles";
  s.subtitle = "40 demes";
  float sum = 0;
  for (int i = 0; i < 40; ++i) {
    s.names.push_back(i % 7 == 0 ? "Blonde d'Aquitaine " + std::to_string(i)
                                 : "D" + std::to_string(i));
    s.cj.push_back(static_cast<float>(1 + (i * 13) % 9));
    s.dj.push_back(static_cast<float>((i * 29) % 37) / 100.0f);
    sum += s.cj.back();
  }
  float delta = 0;
  for (int i = 0; i < 40; ++i) {
    s.cj[static_cast<size_t>(i)] /= sum;
    delta += s.cj[static_cast<size_t>(i)] * s.dj[static_cast<size_t>(i)];
  }
  s.delta = delta;
  tolm::SnailFrame f;
  ASSERT_EQ(tolm::draw_print_snail(s, (dir / "forty.png").string(), "png", &f), "");
  // the top of the scale: the largest D_j is 0.36, in steps of 0.1 up to 0.4
  EXPECT_NEAR(f.top, 0.4, 1e-12);
  Png img((dir / "forty.png").string());
  ASSERT_TRUE(img.ok());
  // a page without an empty third: the chart's centre lies in the middle third of the page
  EXPECT_GT(f.cy, f.height / 3);
  EXPECT_LT(f.cy, 2 * f.height / 3);
}

TEST(FiguresRender, MissingDataAndEveryFormat) {
  fs::path dir = fresh("formats");
  tolm::PrintSnail s;
  s.title = "Locus X, genotypes";
  s.names = {"a", "b"};
  s.cj = {0.5f, 0.5f};
  s.dj = {-9.999f, -9.999f};
  s.delta = -9999.0f;
  for (const char* fmt : {"svg", "pdf", "png"}) {
    std::string path = (dir / (std::string("m.") + fmt)).string();
    EXPECT_EQ(tolm::draw_print_snail(s, path, fmt), "") << fmt;
    EXPECT_GT(fs::file_size(path), 200u) << fmt;
  }
  std::ifstream svg(dir / "m.svg");
  std::string head((std::istreambuf_iterator<char>(svg)), {});
  EXPECT_EQ(head.rfind("<?xml", 0), 0u);
  std::ifstream pdf(dir / "m.pdf");
  std::string pdfs((std::istreambuf_iterator<char>(pdf)), {});
  EXPECT_EQ(pdfs.rfind("%PDF-", 0), 0u);
  // a file that cannot be written says why
  EXPECT_NE(tolm::draw_print_snail(s, (dir / "no" / "such" / "m.png").string(), "png"), "");
  EXPECT_NE(tolm::draw_print_snail(s, (dir / "no" / "such" / "m.svg").string(), "svg"), "");
}

// Long-table rows of a run: D_j of nd demes at nl loci and the gene pool, and the gene-pool
// distances of points on a line (so that the clustering is known), for two kinds.
std::vector<tolm::LongRow> rows(int nd, int nl) {
  std::vector<tolm::LongRow> v;
  for (const char* kind : {"alleles", "genotypes"}) {
    for (int l = 1; l <= nl + 1; ++l)
      for (int d = 1; d <= nd; ++d) {
        tolm::LongRow r;
        r.pass = 1;
        r.combination = l <= nl ? l : 0;
        r.loci = l <= nl ? "L" + std::to_string(l) : "pool";
        r.kind = kind;
        r.deme = d;
        r.deme_name = "Deme-" + std::to_string(d);
        r.measure = "differentiation_Dj";
        r.value = (d * 7 + l * 3) % 11 / 20.0;
        if (d == 3 && l == 2) r.value = NAN;
        v.push_back(r);
      }
    if (std::string(kind) == "genotypes") continue;  // no gene pool of genotypes
    for (int d = 1; d <= nd; ++d)
      for (int e = 1; e <= d; ++e) {
        tolm::LongRow r;
        r.pass = 1;
        r.loci = "pool";
        r.kind = kind;
        r.deme = d;
        r.other_deme = e;
        r.measure = "distance_d0";
        r.value = std::fabs((d % 4) * 0.1 - (e % 4) * 0.1) + (d == e ? 0 : 0.01);
        v.push_back(r);
      }
  }
  return v;
}

TEST(FiguresRender, OverviewHeatMapsFromTheLongTable) {
  fs::path dir = fresh("overview");
  tolm::RunState rs;
  rs.u(6).capture();
  rs.names.filpath = dir.string() + "/";
  rs.names.filnam = "mb";
  rs.opt.figures = {"svg", "png"};
  rs.longtab.rows = rows(40, 30);
  tolm::write_overview_figures(rs);
  EXPECT_EQ(rs.output_failures, 0);
  fs::path out = dir / "mb-Figures";
  for (const char* f : {"Dj-alleles.svg", "Dj-alleles.png", "Dj-genotypes.svg", "Dj-genotypes.png",
                        "d0-alleles.svg", "d0-alleles.png"})
    EXPECT_TRUE(fs::exists(out / f)) << f;
  EXPECT_FALSE(fs::exists(out / "d0-genotypes.png"));
  EXPECT_FALSE(fs::exists(out / "Dj-alleles.pdf"));
  std::string con = rs.u(6).take_captured();
  EXPECT_NE(con.find(" Figures         --> In directory " + out.string()), std::string::npos);

  // Nothing asked: nothing written, nothing said
  tolm::RunState quiet;
  quiet.u(6).capture();
  quiet.names.filpath = dir.string() + "/";
  quiet.names.filnam = "none";
  quiet.longtab.rows = rows(3, 2);
  tolm::write_overview_figures(quiet);
  EXPECT_FALSE(fs::exists(dir / "none-Figures"));
  EXPECT_EQ(quiet.u(6).take_captured(), "");

  // A folder that cannot be made (a file stands in its place): a failed output, with a message
  std::ofstream(dir / "blocked-Figures") << "x";
  tolm::RunState bad;
  bad.u(6).capture();
  bad.names.filpath = dir.string() + "/";
  bad.names.filnam = "blocked";
  bad.opt.figures = {"pdf"};
  bad.longtab.rows = rows(3, 2);
  tolm::write_overview_figures(bad);
  EXPECT_GT(bad.output_failures, 0);
  EXPECT_NE(bad.u(6).take_captured().find("** Error creating directory for figures"),
            std::string::npos);
}

}  // namespace
