// The HTML report built from long-table rows made here, and the inlining of SVG figures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "report/html.h"

namespace tolm {
namespace {

LongRow row(int comb, const std::string& loci, const std::string& kind, int deme,
            const std::string& measure, double value, double p = NAN) {
  LongRow r;
  r.pass = 1;
  r.combination = comb;
  r.loci = loci;
  r.kind = kind;
  r.deme = deme;
  r.measure = measure;
  r.value = value;
  r.p_value = p;
  if (!std::isnan(p)) r.method = "exact-mcmc";
  return r;
}

HtmlHead head3() {
  HtmlHead h;
  h.input_file = "x.dat";
  h.demes = {"North", "A<B&C"};
  h.loci = {"L1", "L2", "L3"};
  return h;
}

size_t count(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

// The text of the element with the given id, up to its closing tag.
std::string element(const std::string& s, const std::string& tag, const std::string& id) {
  const size_t at = s.find(" id=\"" + id + "\"");
  if (at == std::string::npos) return "";
  const size_t b = s.rfind("<" + tag, at);
  return s.substr(b, s.find("</" + tag + ">", b) - b);
}

// The Hardy-Weinberg p-values: one cell per locus and deme, the value of the row in data-v, the
// text rounded to 4 decimals and shaded by its level; the combined tests in the last column and
// row. Every number right of its label; text from the data escaped.
TEST(HtmlReport, HardyWeinbergTableHoldsTheRowsValues) {
  const double p[3][2] = {{0.2, 0.04}, {0.005, 0.00012345}, {1.0, 0.012345678}};
  std::vector<LongRow> rows;
  for (int l = 0; l < 3; ++l) {
    const std::string name = "L" + std::to_string(l + 1);
    for (int d = 0; d < 2; ++d)
      rows.push_back(row(l + 1, name, "genotypes", d + 1, "hardy_weinberg_exact", NAN, p[l][d]));
    LongRow c = row(l + 1, name, "genotypes", 0, "hardy_weinberg_exact_combined", 3.5, 0.5);
    c.method = "fisher-combined";
    rows.push_back(c);
  }
  LongRow pool = row(0, "pool", "genotypes", 2, "hardy_weinberg_exact_combined", 20, 0.0009);
  rows.push_back(pool);
  const std::string s = html_report(head3(), rows, {});

  const std::string t = element(s, "table", "hw-exact");
  ASSERT_FALSE(t.empty());
  const std::regex cellre(R"re(<td(?: class="(p\d)")? data-v="([^"]*)">([^<]*)</td>)re");
  std::vector<std::smatch> cells;
  for (auto it = std::sregex_iterator(t.begin(), t.end(), cellre); it != std::sregex_iterator();
       ++it)
    cells.push_back(*it);
  ASSERT_EQ(cells.size(), 3u * 3u + 3u);  // 3 loci x (2 demes + all), then the row of all loci
  for (int l = 0; l < 3; ++l)
    for (int d = 0; d < 2; ++d) {
      const std::smatch& m = cells[static_cast<size_t>(l * 3 + d)];
      const double v = p[l][d];
      EXPECT_DOUBLE_EQ(std::stod(m[2].str()), v);
      char want[32];
      std::snprintf(want, sizeof want, "%.4f", v);
      EXPECT_EQ(m[3].str(), want);
      const std::string shade = v < 0.001 ? "p3" : v < 0.01 ? "p2" : v < 0.05 ? "p1" : "";
      EXPECT_EQ(m[1].str(), shade) << v;
    }
  EXPECT_EQ(cells[2][3].str(), "0.5000");   // L1, all demes
  EXPECT_EQ(cells[9][2].str(), "");         // all loci, deme 1: none
  EXPECT_EQ(cells[10][3].str(), "0.0009");  // all loci, deme 2
  EXPECT_EQ(cells[10][1].str(), "p3");
  EXPECT_NE(s.find("A&lt;B&amp;C"), std::string::npos);
  EXPECT_EQ(s.find("A<B"), std::string::npos);
  EXPECT_EQ(count(s, "<section class=\"locus\""), 3u);
}

// Numbers carry the decimals of the results file: counts none, measures three, p-values of a
// locus six; an undefined value (NaN or the missing-value marker) reads NA.
TEST(HtmlReport, DecimalsAndUndefinedValues) {
  std::vector<LongRow> rows = {row(1, "L1", "alleles", 1, "sample_size", 50),
                               row(1, "L1", "alleles", 1, "diversity_v2", 4.90249),
                               row(1, "L1", "alleles", 2, "diversity_v2", -9.999),
                               row(1, "L1", "alleles", 0, "homogeneity_exact", NAN, 0.0123456789)};
  rows.back().p_se = 0.000321;
  const std::string s = html_report(head3(), rows, {});
  EXPECT_NE(s.find("<td>50</td>"), std::string::npos);
  EXPECT_NE(s.find("<td>4.902</td>"), std::string::npos);
  EXPECT_NE(s.find("<td>NA</td>"), std::string::npos);
  EXPECT_NE(s.find(">0.012346</td>"), std::string::npos);
  EXPECT_NE(s.find(">0.000321</td>"), std::string::npos);
}

// Up to the limit every locus section is open; above it all are collapsed, and the table of
// contents still lists every one.
TEST(HtmlReport, LargeRunsCollapseTheLocusSections) {
  for (int n : {kHtmlOpenSections, kHtmlOpenSections + 1}) {
    std::vector<LongRow> rows;
    HtmlHead h = head3();
    h.loci.clear();
    for (int l = 1; l <= n; ++l) {
      h.loci.push_back("M" + std::to_string(l));
      rows.push_back(row(l, "M" + std::to_string(l), "alleles", 1, "diversity_v2", 1.5));
    }
    const std::string s = html_report(h, rows, {});
    EXPECT_EQ(count(s, "<section class=\"locus\""), static_cast<size_t>(n));
    EXPECT_EQ(count(s, "<details open>"), n > kHtmlOpenSections ? 0u : static_cast<size_t>(n));
    EXPECT_EQ(count(s, "<li><a href=\"#locus-"), static_cast<size_t>(n));
  }
}

// Two files that draw the same glyph under different names and use the same clip id: the
// glyph is kept once, each file's ids are its own, references follow, numbers keep one
// decimal, a style becomes one class of the page, and no namespace address is left. A snail goes to
// its locus, a heat map to the figures.
TEST(HtmlReport, FiguresShareGlyphsAndKeepTheirIdsApart) {
  auto svg = [](const std::string& glyph) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"100.123456pt\" height=\"50pt\">\n"
           "<defs>\n<g>\n<symbol overflow=\"visible\" id=\"" +
           glyph +
           "\">\n<path d=\"M 0.59375 2.125 L 6.59375 -8.46875 Z\"/>\n</symbol>\n</g>\n"
           "<clipPath id=\"clip1\">\n  <path d=\"M 0 0 L 9 9 Z\"/>\n</clipPath>\n</defs>\n"
           "<g clip-path=\"url(#clip1)\" style=\"fill:rgb(10%,10%,10%);fill-opacity:1;\">\n  <use "
           "xlink:href=\"#" +
           glyph + "\" x=\"12.345678\" y=\"-3.21\"/>\n</g>\n</svg>\n";
  };
  std::vector<LongRow> rows = {row(2, "L2", "alleles", 1, "diversity_v2", 1.5),
                               row(4, "L1+L3", "alleles", 1, "diversity_v2", 2.5)};
  const std::vector<HtmlFigure> figs = {{"Dj-alleles.svg", svg("glyph0-1")},
                                        {"snails/02-L2-alleles-size.svg", svg("glyph3-7")},
                                        {"snails/c04-L1+L3-genotypes-equal.svg", svg("glyph0-1")}};
  const std::string s = html_report(head3(), rows, figs);
  EXPECT_EQ(count(s, "<symbol "), 1u);
  EXPECT_EQ(count(s, "<use href=\"#g1\" x=\"12.3\" y=\"-3.2\"/>"), 3u);
  EXPECT_EQ(count(s, "id=\"f1-clip1\""), 1u);
  EXPECT_EQ(count(s, "id=\"f2-clip1\""), 1u);
  EXPECT_EQ(count(s, "url(#f2-clip1)"), 1u);
  EXPECT_EQ(count(s, "<svg class=\"fig\""), 3u);
  EXPECT_NE(s.find("width=\"100.1pt\""), std::string::npos);
  EXPECT_EQ(s.find("http"), std::string::npos);
  EXPECT_EQ(s.find("<?xml"), std::string::npos);
  EXPECT_EQ(count(s, "svg .s1{fill:rgb(10%,10%,10%);}"), 1u);  // one rule for the three figures
  EXPECT_EQ(count(s, "\" class=\"s1\">"), 3u);
  EXPECT_EQ(s.find("style=\"fill"), std::string::npos);
  const std::string figures = element(s, "section", "figures");
  EXPECT_NE(figures.find("Differentiation D_j of each deme"), std::string::npos);
  EXPECT_EQ(figures.find("snail"), std::string::npos);
  const std::string locus = element(s, "section", "locus-2");
  EXPECT_NE(locus.find("Differentiation snail of locus L2, alleles; deme sizes proportional"),
            std::string::npos);
  const std::string combination = element(s, "section", "locus-4");
  EXPECT_NE(combination.find("snail of loci L1 + L3, genotypes; equal deme sizes"),
            std::string::npos);
}

// A run without rows (heterozygosity alone, say) and figure files that are not SVG still give a
// whole page: the head, the parts saying what is missing, no figure.
TEST(HtmlReport, RunWithoutRowsOrUsableFigures) {
  const std::vector<HtmlFigure> figs = {{"Dj-alleles.svg", "not a picture"},
                                        {"d0-alleles.svg", "<svg width=\"1\""},
                                        {"snails/01-L1-alleles-size.svg", ""}};
  const std::string s = html_report(head3(), {}, figs);
  EXPECT_NE(s.find("<title>TOLM report: x.dat</title>"), std::string::npos);
  EXPECT_NE(s.find("No exact test of Hardy-Weinberg structure in this run."), std::string::npos);
  EXPECT_NE(s.find("No figures in this run"), std::string::npos);
  EXPECT_EQ(count(s, "<section class=\"locus\""), 0u);
  EXPECT_EQ(count(s, "<svg"), 0u);
  EXPECT_EQ(s.substr(s.size() - 8), "</html>\n");
}

}  // namespace
}  // namespace tolm
