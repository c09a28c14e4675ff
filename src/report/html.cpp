// The HTML report of a run. See html.h.
#include "report/html.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "core/runstate.h"
#include "io/fixw.h"
#include "report/html_internal.h"

namespace tolm {

std::string html_escape(const std::string& s) {
  std::string o;
  o.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&':
        o += "&amp;";
        break;
      case '<':
        o += "&lt;";
        break;
      case '>':
        o += "&gt;";
        break;
      case '"':
        o += "&quot;";
        break;
      default:
        o += c;
    }
  }
  return o;
}

namespace {

using Rows = std::vector<const LongRow*>;

bool undefined(double v) {
  return std::isnan(v) || v <= -9.0;
}

// Decimals of a value as the results file prints it.
int decimals(const std::string& measure) {
  static const std::set<std::string> whole = {"count", "sample_size", "identified", "unknown"};
  if (whole.count(measure) || measure.find("_types") != std::string::npos) return 0;
  return 3;
}

// A number cell: right-aligned, the value of the long table in data-v.
std::string num(double v, int dec, const std::string& cls = "") {
  const std::string c = cls.empty() ? "" : " class=\"" + cls + "\"";
  if (undefined(v)) return "<td" + c + " data-v=\"\">NA</td>";
  return "<td" + c + " data-v=\"" + long_cell(v) + "\">" + fmt::format("{:.{}f}", v, dec) + "</td>";
}

// A number cell of a large table: the rounded value only.
std::string cell(double v, int dec) {
  return undefined(v) ? "<td>NA</td>" : "<td>" + fmt::format("{:.{}f}", v, dec) + "</td>";
}

// The shade of a p-value cell.
std::string pclass(double p) {
  if (undefined(p)) return "";
  return p < 0.001 ? "p3" : p < 0.01 ? "p2" : p < 0.05 ? "p1" : "";
}

const std::map<std::string, std::string>& labels() {
  static const std::map<std::string, std::string> m = {
      {"count", "Count"},
      {"relative_frequency", "Relative frequency"},
      {"sample_size", "Deme size"},
      {"identified", "Identified"},
      {"unknown", "Unknown"},
      {"alpha", "alpha"},
      {"alpha_hwp", "alpha-HWP"},
      {"diversity_v2", "Diversity v_2"},
      {"evenness_finite", "Evenness e (finite)"},
      {"evenness_infinite", "Evenness e (infinite)"},
      {"differentiation_delta_T", "Total differentiation delta_T"},
      {"distance_d0", "Genetic distance d_0"},
      {"differentiation_Dj", "Differentiation D_j"},
      {"relative_size_Cj", "Relative size C_j"},
      {"differentiation_delta", "Differentiation delta"},
      {"differentiation_Dj_equal", "Differentiation D_j (equal sizes)"},
      {"relative_size_Cj_equal", "Relative size C_j (equal sizes)"},
      {"differentiation_delta_equal", "Differentiation delta (equal sizes)"},
      {"heterozygosity_observed", "Heterozygosity (observed)"},
      {"heterozygosity_conditional", "Heterozygosity (conditional)"},
      {"homogeneity_G", "Homogeneity G"},
      {"homogeneity_X2", "Homogeneity X^2"},
      {"hardy_weinberg_G", "Hardy-Weinberg G"},
      {"hardy_weinberg_X2", "Hardy-Weinberg X^2"},
      {"product_structure_G", "Product structure G"},
      {"product_structure_X2", "Product structure X^2"},
      {"homogeneity_exact", "Homogeneity, exact"},
      {"homogeneity_exact_pair", "Homogeneity of two demes, exact"},
      {"hardy_weinberg_exact", "Hardy-Weinberg, exact"},
      {"heterozygote_deficit", "Heterozygote deficit"},
      {"heterozygote_excess", "Heterozygote excess"},
      {"product_structure_exact", "Product structure, exact"}};
  return m;
}

std::string label(const std::string& measure) {
  const auto it = labels().find(measure);
  if (it != labels().end()) return it->second;
  const std::string comb = "_combined";
  if (measure.size() > comb.size() &&
      measure.compare(measure.size() - comb.size(), comb.size(), comb) == 0)
    return label(measure.substr(0, measure.size() - comb.size())) + ", combined";
  return measure;
}

bool is_test(const LongRow& r) {
  return !undefined(r.p_value) || !r.method.empty();
}

int kind_order(const std::string& k) {
  static const char* const kinds[] = {"maternal", "paternal", "alleles", "genotypes"};
  for (int i = 0; i < 4; ++i)
    if (k == kinds[i]) return i;
  return 4;
}

// The distinct values of `key` over `rows`, in order of first appearance.
template <class T, class F>
std::vector<T> distinct(const Rows& rows, F key) {
  std::vector<T> out;
  std::set<T> seen;
  for (const LongRow* r : rows)
    if (seen.insert(key(*r)).second) out.push_back(key(*r));
  return out;
}

std::vector<std::string> kinds_of(const Rows& rows) {
  auto k = distinct<std::string>(rows, [](const LongRow& r) { return r.kind; });
  std::stable_sort(k.begin(), k.end(), [](const std::string& a, const std::string& b) {
    return kind_order(a) < kind_order(b);
  });
  return k;
}

std::vector<int> demes_of(const Rows& rows) {
  std::set<int> s;
  for (const LongRow* r : rows)
    if (r->deme > 0) s.insert(r->deme);
  return {s.begin(), s.end()};
}

struct Ctx {
  const HtmlHead& head;
  std::map<int, std::string> deme_name;
  std::string deme(int d) const {
    const auto it = deme_name.find(d);
    return it != deme_name.end() && !it->second.empty() ? it->second : "Deme " + std::to_string(d);
  }
  std::string deme_th(int d) const {
    return "<th title=\"" + html_escape(deme(d)) + "\">" + std::to_string(d) + "</th>";
  }
};

// One figure with its caption, from its file name.
std::string caption(const std::string& file) {
  std::string base = file.substr(file.rfind('/') + 1);
  if (base.size() > 4 && base.compare(base.size() - 4, 4, ".svg") == 0)
    base.resize(base.size() - 4);
  std::string pass;
  if (base.rfind("pass", 0) == 0 && base.find('-') != std::string::npos) {
    pass = " (pass " + base.substr(4, base.find('-') - 4) + ")";
    base = base.substr(base.find('-') + 1);
  }
  auto words = [](const std::string& k) {
    return k == "maternal" || k == "paternal" ? k + " alleles" : k;
  };
  if (file.rfind("snails/", 0) == 0) {
    const size_t k2 = base.rfind('-');
    const size_t k1 = k2 == std::string::npos ? k2 : base.rfind('-', k2 - 1);
    if (k1 == std::string::npos) return "Snail " + base + pass;
    const std::string part = base.substr(0, k1), kind = base.substr(k1 + 1, k2 - k1 - 1);
    const std::string size = base.substr(k2 + 1);
    std::string what =
        part == "pool" ? "the gene pool" : "locus " + part.substr(part.find('-') + 1);
    if (part[0] == 'c') {
      what = "loci ";
      for (char ch : part.substr(part.find('-') + 1))
        what += ch == '+' ? std::string(" + ") : std::string(1, ch);
    }
    return "Differentiation snail of " + what + ", " + words(kind) + "; " +
           (size == "size" ? "deme sizes proportional to sample size" : "equal deme sizes") + pass;
  }
  const std::string kind = base.size() > 3 ? words(base.substr(3)) : "";
  if (base.rfind("Dj-", 0) == 0)
    return "Differentiation D_j of each deme from the others at each locus and in the gene pool, " +
           kind + pass;
  if (base.rfind("d0-", 0) == 0)
    return "Genetic distances d_0 between the demes in the gene pool, clustered, " + kind + pass;
  return base + pass;
}

// The number a snail's file name starts with ("07-HEL5-..."), or "pool", or "c12".
std::string snail_part(const std::string& file) {
  std::string base = file.substr(file.rfind('/') + 1);
  if (base.rfind("pass", 0) == 0 && base.find('-') != std::string::npos)
    base = base.substr(base.find('-') + 1);
  return base.substr(0, base.find('-'));
}
int snail_pass(const std::string& file) {
  const std::string base = file.substr(file.rfind('/') + 1);
  if (base.rfind("pass", 0) == 0) return std::atoi(base.c_str() + 4);
  return 1;
}

struct Fig {
  std::string file, caption, svg;
};

std::string figure(const Fig& f) {
  return "<figure>" + f.svg + "<figcaption>" + html_escape(f.caption) + "</figcaption></figure>\n";
}

// 1. Styles and the sorting script
const char* kStyle = R"(<style>
body{font:15px/1.45 system-ui,sans-serif;margin:0 auto;max-width:80em;padding:0 1em 3em;color:#111}
h1{font-size:1.6em;margin:.8em 0 .3em}h2{border-bottom:2px solid #446;margin-top:2em}
h3{margin:1.4em 0 .4em}h4{margin:1em 0 .3em}
table{border-collapse:collapse;margin:.3em 0 1em;font-size:.9em}
th,td{border:1px solid #ccd;padding:.15em .45em}th{background:#eef;font-weight:600;text-align:left}
td{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}td.t{text-align:left;white-space:normal}
table.tests td:nth-child(-n+2),table.tests td:last-child{text-align:left;white-space:normal}
td.p1{background:#fde6c8}td.p2{background:#f9b98a}td.p3{background:#ef7d5a}
.wide{overflow-x:auto}nav ul{columns:14em;padding-left:1.2em}
figure{margin:1em 0;display:inline-block;vertical-align:top;max-width:100%}
figcaption{font-size:.9em;color:#333;max-width:40em}svg.fig{max-width:100%;height:auto}
svg.defs{position:absolute;width:0;height:0}
details>summary{cursor:pointer}details>summary h3{display:inline}
.legend span{padding:0 .5em;margin-right:.3em}dl dt{font-weight:600}
th.sort{cursor:pointer}
@media print{details{display:block}nav{display:none}}
</style>
)";

const char* kScript = R"(<script>
document.querySelectorAll('table.sortable').forEach(function(t){
 t.querySelectorAll('thead th').forEach(function(h,i){h.classList.add('sort');h.onclick=function(){
  var b=t.tBodies[0],r=Array.from(b.rows),d=h.dataset.dir=h.dataset.dir=='a'?'d':'a';
  function k(x){var c=x.cells[i];if(!c)return '';var v=c.dataset.v,t=c.textContent;if(v!==undefined)return v===''?NaN:+v;return /^-?[0-9.]+$/.test(t)?+t:t}
  r.sort(function(x,y){var a=k(x),c=k(y),n=typeof a=='number'&&typeof c=='number',s=n?(isNaN(a)?1:isNaN(c)?-1:a-c):String(a).localeCompare(String(c));return d=='a'?s:-s});
  r.forEach(function(x){b.appendChild(x)})}})});
</script>
)";

// 2. The head of the run
std::string head_part(const Ctx& c, const Rows& all) {
  const HtmlHead& h = c.head;
  std::string s = "<section id=\"run\"><h2>The run</h2>\n<table>\n";
  auto line = [&](const std::string& k, const std::string& v) {
    s += "<tr><th>" + k + "</th><td class=\"t\">" + html_escape(v) + "</td></tr>\n";
  };
  line("Input file", h.input_file);
  line("Format", h.format);
  line("Demes", std::to_string(h.demes.size()));
  line("Loci", std::to_string(h.loci.size()));
  std::string a, k, o;
  for (const auto& x : h.analyses) a += (a.empty() ? "" : "; ") + x;
  for (const auto& x : h.kinds) k += (k.empty() ? "" : "; ") + x;
  for (const auto& x : h.options) o += (o.empty() ? "" : " ") + x;
  line("Analyses", a);
  line("Frequency distributions", k);
  line("Options", o.empty() ? "none" : o);
  line("Seed", std::to_string(h.seed));
  line("Program", "TOLM " + h.version);
  line("Date", h.date);
  s += "</table>\n";

  // Sample sizes: individuals per deme (largest over loci), identified individuals per locus
  std::map<int, double> deme_n;
  std::map<std::string, double> locus_n;
  std::map<std::string, std::string> locus_kind;
  const int first_pass = all.empty() ? 0 : all.front()->pass;
  for (const LongRow* r : all) {
    if (r->pass != first_pass || r->loci == "pool") continue;
    if (r->measure == "sample_size" && !undefined(r->value))
      deme_n[r->deme] = std::max(deme_n[r->deme], r->value);
    if (r->measure == "identified" && !undefined(r->value) &&
        r->loci.find('+') == std::string::npos) {
      auto [it, fresh] = locus_kind.emplace(r->loci, r->kind);
      if (fresh || it->second == r->kind) locus_n[r->loci] += r->value;
    }
  }
  s += "<h3>Demes</h3>\n<table class=\"sortable\"><thead><tr><th>No.</th><th>Deme</th><th>Sample "
       "size</th></tr></thead><tbody>\n";
  for (size_t d = 0; d < h.demes.size(); ++d) {
    const auto it = deme_n.find(static_cast<int>(d + 1));
    s += "<tr>" + num(static_cast<double>(d + 1), 0) + "<td class=\"t\">" +
         html_escape(h.demes[d]) + "</td>" + num(it == deme_n.end() ? NAN : it->second, 0) +
         "</tr>\n";
  }
  s += "</tbody></table>\n<h3>Loci</h3>\n<table "
       "class=\"sortable\"><thead><tr><th>No.</th><th>Locus</th>"
       "<th>Identified individuals</th></tr></thead><tbody>\n";
  for (size_t l = 0; l < h.loci.size(); ++l) {
    const auto it = locus_n.find(h.loci[l]);
    s += "<tr>" + num(static_cast<double>(l + 1), 0) + "<td class=\"t\">" + html_escape(h.loci[l]) +
         "</td>" + num(it == locus_n.end() ? NAN : it->second, 0) + "</tr>\n";
  }
  s += "</tbody></table>\n</section>\n";
  return s;
}

struct Section {
  int pass = 0, combination = 0;
  std::string loci, id;
  Rows rows;
  std::vector<Fig> snails;
};

std::string section_title(const Section& sc, bool passes) {
  std::string t = (sc.loci.find('+') != std::string::npos ? "Loci " : "Locus ") + sc.loci;
  if (passes) t += " (pass " + std::to_string(sc.pass) + ")";
  return t;
}

// Value of one measure of the whole population for a section and kind: its own row, else the
// mean over the demes.
double whole(const Rows& rows, const std::string& kind, const std::string& measure, bool& mean) {
  double sum = 0;
  int n = 0;
  mean = false;
  for (const LongRow* r : rows) {
    if (r->kind != kind || r->measure != measure || is_test(*r) || r->other_deme) continue;
    if (r->deme == 0) return r->value;
    if (!undefined(r->value)) sum += r->value, ++n;
  }
  mean = n > 0;
  return n ? sum / n : NAN;
}

// 3. The summary
std::string summary(const Ctx& c, const std::vector<Section>& secs, const Rows& pool, bool passes) {
  std::string s = "<section id=\"summary\"><h2>Summary</h2>\n";

  // 3.1 diversity, delta_T and delta per locus and kind
  s += "<h3 id=\"summary-variation\">Diversity and differentiation</h3>\n"
       "<div class=\"wide\"><table class=\"sortable\"><thead><tr><th>Locus</th><th>Kind</th>"
       "<th>Diversity v_2</th><th>delta_T</th><th>delta</th><th>delta (equal "
       "sizes)</th></tr></thead><tbody>\n";
  bool any_mean = false;
  for (const Section& sc : secs) {
    for (const std::string& k : kinds_of(sc.rows)) {
      if (k.empty()) continue;
      bool m1, m2, m3, m4;
      const double v = whole(sc.rows, k, "diversity_v2", m1),
                   t = whole(sc.rows, k, "differentiation_delta_T", m2);
      const double d = whole(sc.rows, k, "differentiation_delta", m3),
                   e = whole(sc.rows, k, "differentiation_delta_equal", m4);
      if (undefined(v) && undefined(t) && undefined(d) && undefined(e)) continue;
      any_mean = any_mean || m1 || m2;
      s += "<tr><td class=\"t\"><a href=\"#" + sc.id + "\">" +
           html_escape(section_title(sc, passes)) + "</a></td><td class=\"t\">" + html_escape(k) +
           "</td>" + num(v, 3) + num(t, 3) + num(d, 3) + num(e, 3) + "</tr>\n";
    }
  }
  s += "</tbody></table></div>\n";
  if (any_mean) s += "<p>Diversity and delta_T of a locus are the means over its demes.</p>\n";

  // 3.2 Hardy-Weinberg exact p-values, loci by demes
  Rows hw, hwc;
  for (const Section& sc : secs)
    for (const LongRow* r : sc.rows)
      if (r->measure == "hardy_weinberg_exact")
        hw.push_back(r);
      else if (r->measure == "hardy_weinberg_exact_combined")
        hwc.push_back(r);
  for (const LongRow* r : pool)
    if (r->measure == "hardy_weinberg_exact_combined") hwc.push_back(r);
  s += "<h3 id=\"summary-hw\">Exact tests of Hardy-Weinberg structure: p-values (loci x "
       "demes)</h3>\n";
  if (hw.empty()) {
    s += "<p>No exact test of Hardy-Weinberg structure in this run.</p>\n";
  } else {
    const std::vector<int> demes = demes_of(hw);
    std::map<std::pair<std::string, int>, const LongRow*> cell, comb;
    for (const LongRow* r : hw) cell[{r->loci, r->deme}] = r;
    for (const LongRow* r : hwc) comb[{r->loci, r->deme}] = r;
    const auto loci = distinct<std::string>(hw, [](const LongRow& r) { return r.loci; });
    auto pcell = [](const LongRow* r) {
      const double p = r ? r->p_value : NAN;
      return r ? num(p, 4, pclass(p)) : std::string("<td data-v=\"\"></td>");
    };
    s += "<div class=\"wide\"><table id=\"hw-exact\" class=\"sortable\"><thead><tr><th>Locus</th>";
    for (int d : demes) s += c.deme_th(d);
    s += "<th>All demes</th></tr></thead><tbody>\n";
    for (const std::string& l : loci) {
      s += "<tr><th>" + html_escape(l) + "</th>";
      for (int d : demes) {
        const auto it = cell.find({l, d});
        s += pcell(it == cell.end() ? nullptr : it->second);
      }
      const auto it = comb.find({l, 0});
      s += pcell(it == comb.end() ? nullptr : it->second) + "</tr>\n";
    }
    s += "</tbody><tfoot><tr><th>All loci</th>";
    for (int d : demes) {
      const auto it = comb.find({"pool", d});
      s += pcell(it == comb.end() ? nullptr : it->second);
    }
    const auto it = comb.find({"pool", 0});
    s += pcell(it == comb.end() ? nullptr : it->second) + "</tr></tfoot></table></div>\n";
    s += "<p class=\"legend\">Shading: <span class=\"p1\" style=\"background:#fde6c8\">p &lt; "
         "0.05</span>"
         "<span style=\"background:#f9b98a\">p &lt; 0.01</span><span style=\"background:#ef7d5a\">"
         "p &lt; 0.001</span>. All demes, All loci: Fisher's combination of the p-values.</p>\n";
  }

  // 3.3 homogeneity
  s += "<h3 id=\"summary-homogeneity\">Tests of homogeneity among demes</h3>\n";
  std::string hb;
  for (const Section& sc : secs)
    for (const std::string& k : kinds_of(sc.rows)) {
      const LongRow *g = nullptr, *x = nullptr, *e = nullptr;
      for (const LongRow* r : sc.rows) {
        if (r->kind != k || r->deme != 0) continue;
        if (r->measure == "homogeneity_G") g = r;
        if (r->measure == "homogeneity_X2") x = r;
        if (r->measure == "homogeneity_exact") e = r;
      }
      if (!g && !x && !e) continue;
      hb += "<tr><td class=\"t\"><a href=\"#" + sc.id + "\">" +
            html_escape(section_title(sc, passes)) + "</a></td><td class=\"t\">" + html_escape(k) +
            "</td>" + num(g ? g->value : NAN, 3) + num(g ? g->df : NAN, 0) +
            num(g ? g->p_value : NAN, 4, pclass(g ? g->p_value : NAN)) +
            num(x ? x->value : NAN, 3) +
            num(x ? x->p_value : NAN, 4, pclass(x ? x->p_value : NAN)) +
            num(e ? e->p_value : NAN, 4, pclass(e ? e->p_value : NAN)) + num(e ? e->p_se : NAN, 4) +
            "</tr>\n";
    }
  if (hb.empty()) {
    s += "<p>No test of homogeneity in this run.</p>\n";
  } else {
    s += "<div class=\"wide\"><table "
         "class=\"sortable\"><thead><tr><th>Locus</th><th>Kind</th><th>G</th>"
         "<th>DF</th><th>p (G)</th><th>X^2</th><th>p (X^2)</th><th>p "
         "exact</th><th>S.E.</th></tr></thead><tbody>\n" +
         hb + "</tbody></table></div>\n";
  }

  // 3.4 the gene pool
  s += "<h3 id=\"summary-pool\">Gene pool</h3>\n";
  Rows gp;
  for (const LongRow* r : pool)
    if (r->measure.find("_combined") == std::string::npos) gp.push_back(r);
  if (gp.empty()) {
    s += "<p>No gene-pool measures in this run.</p>\n";
  } else {
    s += "<div class=\"wide\"><table "
         "class=\"sortable\"><thead><tr><th>Measure</th><th>Kind</th><th>Deme</th>"
         "<th>Other deme</th><th>Value</th><th>Lower limit</th><th>Upper "
         "limit</th><th>Method</th></tr></thead><tbody>\n";
    for (const LongRow* r : gp) {
      const int dec = decimals(r->measure);
      s += "<tr><td class=\"t\">" + html_escape(label(r->measure)) + "</td><td class=\"t\">" +
           html_escape(r->kind) + "</td><td class=\"t\">" +
           (r->deme ? html_escape(c.deme(r->deme)) : "all") + "</td><td class=\"t\">" +
           (r->other_deme ? html_escape(c.deme(r->other_deme)) : "") + "</td>" +
           num(r->value, dec) + num(r->ci_low, dec) + num(r->ci_high, dec) + "<td class=\"t\">" +
           html_escape(r->method) + "</td></tr>\n";
    }
    s += "</tbody></table></div>\n";
  }
  s += "</section>\n";
  return s;
}

// 4. One locus: per kind its frequencies, measures, distances and tests; then its snails
std::string locus_part(const Ctx& c, const Section& sc, bool passes, bool open) {
  std::string s = "<section class=\"locus\" id=\"" + sc.id + "\">\n<details" +
                  (open ? " open" : "") + "><summary><h3>" +
                  html_escape(section_title(sc, passes)) + "</h3></summary>\n";
  for (const std::string& k : kinds_of(sc.rows)) {
    Rows kr;
    for (const LongRow* r : sc.rows)
      if (r->kind == k) kr.push_back(r);
    s += "<h4>" + html_escape(k.empty() ? "Tests" : k) + "</h4>\n";

    // 4.1 relative frequencies of the types
    Rows fr, dm, dist, tests, pairs;
    for (const LongRow* r : kr) {
      if (is_test(*r)) {
        (r->other_deme ? pairs : tests).push_back(r);
      } else if (!r->type.empty()) {
        if (r->measure == "relative_frequency") fr.push_back(r);
      } else if (r->other_deme) {
        dist.push_back(r);
      } else {
        dm.push_back(r);
      }
    }
    if (!fr.empty()) {
      const std::vector<int> demes = demes_of(fr);
      const auto types = distinct<std::string>(fr, [](const LongRow& r) { return r.type; });
      std::map<std::pair<std::string, int>, double> v;
      for (const LongRow* r : fr) v[{r->type, r->deme}] = r->value;
      s += "<div class=\"wide\"><table><caption>Relative "
           "frequencies</caption><thead><tr><th>Type</th>";
      for (int d : demes) s += c.deme_th(d);
      s += "</tr></thead><tbody>\n";
      for (const std::string& t : types) {
        s += "<tr><th>" + html_escape(t) + "</th>";
        for (int d : demes) {
          const auto it = v.find({t, d});
          s += it == v.end() ? "<td></td>" : cell(it->second, 3);
        }
        s += "</tr>\n";
      }
      s += "</tbody></table></div>\n";
    }
    // 4.2 measures per deme (and of the whole population)
    if (!dm.empty()) {
      const std::vector<int> demes = demes_of(dm);
      const auto ms = distinct<std::string>(dm, [](const LongRow& r) { return r.measure; });
      std::map<std::pair<std::string, int>, double> v;
      bool all = false;
      for (const LongRow* r : dm) {
        v[{r->measure, r->deme}] = r->value;
        all = all || r->deme == 0;
      }
      s += "<div class=\"wide\"><table><caption>Measures</caption><thead><tr><th>Measure</th>";
      for (int d : demes) s += c.deme_th(d);
      if (all) s += "<th>All</th>";
      s += "</tr></thead><tbody>\n";
      for (const std::string& m : ms) {
        s += "<tr><th>" + html_escape(label(m)) + "</th>";
        for (int d : demes) {
          const auto it = v.find({m, d});
          s += it == v.end() ? "<td></td>" : cell(it->second, decimals(m));
        }
        if (all) {
          const auto it = v.find({m, 0});
          s += it == v.end() ? "<td></td>" : cell(it->second, decimals(m));
        }
        s += "</tr>\n";
      }
      s += "</tbody></table></div>\n";
    }
    // 4.3 distances between demes, lower triangle
    if (!dist.empty()) {
      std::vector<int> demes = demes_of(dist);
      for (const LongRow* r : dist)
        if (std::find(demes.begin(), demes.end(), r->other_deme) == demes.end())
          demes.push_back(r->other_deme);
      std::sort(demes.begin(), demes.end());
      const auto ms = distinct<std::string>(dist, [](const LongRow& r) { return r.measure; });
      for (const std::string& m : ms) {
        std::map<std::pair<int, int>, double> v;
        for (const LongRow* r : dist)
          if (r->measure == m)
            v[{r->deme, r->other_deme}] = r->value, v[{r->other_deme, r->deme}] = r->value;
        s += "<div class=\"wide\"><table><caption>" + html_escape(label(m)) +
             "</caption><thead><tr><th></th>";
        for (int d : demes) s += c.deme_th(d);
        s += "</tr></thead><tbody>\n";
        for (size_t i = 0; i < demes.size(); ++i) {
          s += "<tr>" + c.deme_th(demes[i]);
          for (size_t j = 0; j <= i; ++j) {
            const auto it = v.find({demes[i], demes[j]});
            s += it == v.end() ? (i == j ? cell(0, 3) : "<td></td>") : cell(it->second, 3);
          }
          s += "</tr>\n";
        }
        s += "</tbody></table></div>\n";
      }
    }
    // 4.4 tests
    if (!tests.empty()) {
      s += "<div class=\"wide\"><table class=\"sortable tests\"><caption>Tests</caption><thead><tr>"
           "<th>Test</th><th>Deme</th><th>Statistic</th><th>DF</th><th>p-value</th><th>S.E.</th>"
           "<th>Method</th></tr></thead><tbody>\n";
      for (const LongRow* r : tests) {
        const std::string pc = pclass(r->p_value);
        s += "<tr><td>" + html_escape(label(r->measure)) + "</td><td>" +
             (r->deme ? html_escape(c.deme(r->deme)) : "all") + "</td>" +
             (undefined(r->value) ? "<td></td>" : cell(r->value, 3)) +
             (r->df >= 0 ? cell(r->df, 0) : "<td></td>") +
             (pc.empty() ? cell(r->p_value, 6)
                         : "<td class=\"" + pc + "\">" + cell(r->p_value, 6).substr(4)) +
             (undefined(r->p_se) ? "<td></td>" : cell(r->p_se, 6)) + "<td>" +
             html_escape(r->method) + "</td></tr>\n";
      }
      s += "</tbody></table></div>\n";
    }
    // 4.5 tests of pairs of demes: p-values, lower triangle
    for (const std::string& m :
         distinct<std::string>(pairs, [](const LongRow& r) { return r.measure; })) {
      std::vector<int> demes;
      std::map<std::pair<int, int>, double> v;
      for (const LongRow* r : pairs) {
        if (r->measure != m) continue;
        for (int d : {r->deme, r->other_deme})
          if (std::find(demes.begin(), demes.end(), d) == demes.end()) demes.push_back(d);
        v[{r->deme, r->other_deme}] = r->p_value;
        v[{r->other_deme, r->deme}] = r->p_value;
      }
      std::sort(demes.begin(), demes.end());
      s += "<div class=\"wide\"><table><caption>" + html_escape(label(m)) +
           ": p-values</caption><thead><tr><th></th>";
      for (size_t j = 0; j + 1 < demes.size(); ++j) s += c.deme_th(demes[j]);
      s += "</tr></thead><tbody>\n";
      for (size_t i = 1; i < demes.size(); ++i) {
        s += "<tr>" + c.deme_th(demes[i]);
        for (size_t j = 0; j < i; ++j) {
          const auto it = v.find({demes[i], demes[j]});
          if (it == v.end()) {
            s += "<td></td>";
            continue;
          }
          const std::string cls = pclass(it->second);
          s += (cls.empty() ? std::string("<td>") : "<td class=\"" + cls + "\">") +
               (undefined(it->second) ? std::string("NA") : fmt::format("{:.4f}", it->second)) +
               "</td>";
        }
        s += "</tr>\n";
      }
      s += "</tbody></table></div>\n";
    }
  }
  for (const Fig& f : sc.snails) s += figure(f);
  s += "<p><a href=\"#contents\">Contents</a></p>\n</details>\n</section>\n";
  return s;
}

// 5. Notes
std::string notes() {
  const std::string doc = "docs/reading-results.md";
  auto link = [&](const std::string& anchor, const std::string& text) {
    return "<a href=\"" + doc + "#" + anchor + "\">" + text + "</a>";
  };
  return "<section id=\"notes\"><h2>Notes</h2>\n<dl>\n"
         "<dt>Relative frequency, alpha, alpha-HWP</dt><dd>The share of a type among the "
         "identified genes "
         "or genotypes of a deme; alpha is the smallest frequency a sample of the deme's size "
         "reveals with "
         "probability 0.95 (alpha-HWP: the same for genes in Hardy-Weinberg proportions). " +
         link("within-demes", "Within demes") +
         ".</dd>\n"
         "<dt>Diversity v_2, evenness e, total differentiation delta_T</dt><dd>The effective "
         "number of types "
         "of a deme, how evenly its types are spread, and how far the deme differs from the whole "
         "population. " +
         link("within-demes", "Within demes") +
         ".</dd>\n"
         "<dt>Genetic distance d_0, differentiation D_j and delta, relative size C_j</dt><dd>The "
         "share of "
         "types two demes do not have in common; the distance of each deme from the rest of the "
         "population "
         "and its mean delta, with the demes weighted by their sample sizes (C_j) or equally. " +
         link("between-demes", "Between demes") +
         ".</dd>\n"
         "<dt>Gene pool</dt><dd>The measures over all single loci, with intervals from the "
         "jackknife or "
         "bootstrap over loci. " +
         link("the-gene-pool", "The gene pool") +
         ".</dd>\n"
         "<dt>Tests</dt><dd>G and X^2 statistics with their chi-square p-values; exact p-values by "
         "enumeration or Markov chain (with the standard error of the estimate); Fisher's "
         "combination "
         "over loci or demes. " +
         link("tests", "Tests") +
         ".</dd>\n</dl>\n<p>Every measure and test is explained in <code>" + doc +
         "</code> of the TOLM distribution. The numbers of this report are those of the long table "
         "<code>-long.tsv</code> of the same run, rounded to the decimals of the results "
         "file.</p>\n"
         "</section>\n";
}

}  // namespace

std::string html_report(const HtmlHead& head, const std::vector<LongRow>& rows,
                        const std::vector<HtmlFigure>& figures) {
  Ctx c{head, {}};
  for (size_t d = 0; d < head.demes.size(); ++d)
    c.deme_name[static_cast<int>(d + 1)] = head.demes[d];
  for (const LongRow& r : rows)
    if (r.deme > 0 && !r.deme_name.empty()) c.deme_name.emplace(r.deme, r.deme_name);

  // 1. The sections: one per pass and combination, in the order of the rows; gene-pool rows apart
  Rows all, pool;
  std::vector<Section> secs;
  std::map<std::pair<int, int>, size_t> at;
  std::set<int> passes;
  for (const LongRow& r : rows) {
    all.push_back(&r);
    passes.insert(r.pass);
    if (r.loci == "pool" || r.combination == 0) {
      pool.push_back(&r);
      continue;
    }
    auto [it, fresh] = at.emplace(std::make_pair(r.pass, r.combination), secs.size());
    if (fresh) {
      Section sc;
      sc.pass = r.pass;
      sc.combination = r.combination;
      sc.loci = r.loci;
      sc.id = "locus-" + (r.pass > 1 ? "p" + std::to_string(r.pass) + "-" : "") +
              std::to_string(r.combination);
      secs.push_back(sc);
    }
    secs[it->second].rows.push_back(&r);
  }
  const bool several = passes.size() > 1;

  // 2. The figures: snails go to their locus, the others to the figures part
  SvgInliner inl;
  std::vector<Fig> overview;
  // A snail's file names its locus by number ("07-HEL5-..."), a combination by "c" and number
  std::map<std::string, size_t> where;  // "<pass>:<07 or c12>" -> section
  std::map<std::string, int> locus_no;
  for (size_t l = 0; l < head.loci.size(); ++l)
    locus_no.emplace(head.loci[l], static_cast<int>(l) + 1);
  for (size_t i = 0; i < secs.size(); ++i) {
    const Section& sc = secs[i];
    const auto it = locus_no.find(sc.loci);
    if (sc.loci.find('+') != std::string::npos)
      where.emplace(std::to_string(sc.pass) + ":c" + std::to_string(sc.combination), i);
    else if (it != locus_no.end())
      where.emplace(std::to_string(sc.pass) + ":" + std::to_string(it->second), i);
  }
  int nfig = 0;
  for (const HtmlFigure& f : figures) {
    Fig g{f.file, caption(f.file), ""};
    g.svg = inl.inline_svg(f.svg, ++nfig, g.caption);
    if (g.svg.empty()) continue;
    bool placed = false;
    if (f.file.rfind("snails/", 0) == 0) {
      std::string part = snail_part(f.file);
      const bool combo = !part.empty() && part[0] == 'c';
      const size_t digits = combo ? 1 : 0;
      if (part.size() > digits &&
          part.find_first_not_of("0123456789", digits) == std::string::npos) {
        part = (combo ? "c" : "") + std::to_string(std::atoi(part.c_str() + digits));
        const auto it = where.find(std::to_string(snail_pass(f.file)) + ":" + part);
        if (it != where.end()) {
          secs[it->second].snails.push_back(g);
          placed = true;
        }
      }
    }
    if (!placed) overview.push_back(g);
  }

  // 3. The page
  const bool open = static_cast<int>(secs.size()) <= kHtmlOpenSections;
  std::string s;
  s.reserve(1 << 20);
  s += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>TOLM "
       "report: " +
       html_escape(head.input_file) + "</title>\n" + kStyle +
       (inl.styles().empty() ? "" : "<style>\n" + inl.styles() + "</style>\n") +
       "</head>\n<body>\n" + inl.definitions() +
       "<h1>TOLM report: " + html_escape(head.input_file) +
       "</h1>\n<nav id=\"contents\"><h2>Contents</h2>\n<ul>\n"
       "<li><a href=\"#run\">The run</a></li>\n<li><a href=\"#summary\">Summary</a></li>\n"
       "<li><a href=\"#figures\">Figures</a></li>\n<li><a href=\"#loci\">Loci</a></li>\n"
       "<li><a href=\"#notes\">Notes</a></li>\n</ul>\n<ul>\n";
  for (const Section& sc : secs)
    s +=
        "<li><a href=\"#" + sc.id + "\">" + html_escape(section_title(sc, several)) + "</a></li>\n";
  s += "</ul>\n</nav>\n";
  s += head_part(c, all);
  s += summary(c, secs, pool, several);
  s += "<section id=\"figures\"><h2>Figures</h2>\n";
  if (overview.empty()) s += "<p>No figures in this run (they are drawn with -figures=svg).</p>\n";
  for (const Fig& f : overview) s += figure(f);
  s += "</section>\n<section id=\"loci\"><h2>Loci</h2>\n";
  if (!open)
    s += "<p>" + std::to_string(secs.size()) +
         " sections, each opened by a click on its title.</p>\n";
  for (const Section& sc : secs) s += locus_part(c, sc, several, open);
  s += "</section>\n" + notes() + kScript + "</body>\n</html>\n";
  return s;
}

void write_html_report(RunState& rs, const Work& w, const std::string& input_file,
                       const std::string& adate) {
  if (!rs.opt.report_html) return;
  const Names& n = rs.names;
  HtmlHead h;
  h.input_file = io::trim(input_file);
  h.format = rs.input_format.empty() ? "TOLM" : rs.input_format;
  h.date = io::trim(adate);
  if (h.date.rfind("Date ", 0) == 0) h.date = h.date.substr(5);
  for (int d = 1; d <= w.nnp; ++d) h.demes.push_back(io::trim(w.prbnam(d)));
  for (int l = 1; l <= w.nnl; ++l) h.loci.push_back(io::trim(w.locnam(l)));
  static const char* const progs[] = {"frequency distributions",
                                      "diversity v_2",
                                      "total population differentiation delta_T",
                                      "evenness",
                                      "genetic distance d_0",
                                      "subpopulation differentiation D_j and delta",
                                      "test of homogeneity",
                                      "heterozygosity",
                                      "test of Hardy-Weinberg structure and heterozygosity",
                                      "test of product structure"};
  for (int i = 1; i <= 10; ++i)
    if (n.aprog(i) == 'y') h.analyses.push_back(progs[i - 1]);
  static const char* const kinds[] = {"maternal contributions", "paternal contributions",
                                      "alleles or haplotypes", "genotypes"};
  for (int i = 1; i <= 4; ++i)
    if (n.frqstr(i) == 'y') h.kinds.push_back(kinds[i - 1]);
  h.options = rs.opt.given;
  h.seed = rs.opt.seed;

  const std::string prefix = io::trim(n.filpath) + io::trim(n.filnam);
  const std::string path = prefix + "-report.html";
  const std::string text = html_report(h, rs.longtab.rows, read_html_figures(prefix + "-Figures"));
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  int err = f ? 0 : errno;
  if (f) {
    if (std::fwrite(text.data(), 1, text.size(), f) != text.size()) err = errno ? errno : EIO;
    if (std::fclose(f) != 0 && err == 0) err = errno ? errno : EIO;
  }
  if (f == nullptr || err != 0) {
    rs.con().line(" ** Error writing HTML report " + path + ", cause=" + std::to_string(err) +
                  " **");
    rs.output_failures++;
    return;
  }
  rs.con().line(" HTML report     --> " + path);
}

}  // namespace tolm
