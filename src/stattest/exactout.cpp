// Exact tests of a run: tables from the counts, the "Exact test" blocks, the long-table rows,
// the summary after the gene pool and the tabular section.
#include "stattest/exactout.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <thread>
#include <utility>

#include "core/records.h"
#include "io/fixw.h"
#include "report/kit.h"
#include "report/longtable.h"
#include "stattest/pvalues.h"

namespace tolm {

using io::ff;
using io::fi;
using io::rep;

namespace {

// Identities of the kinds of test in the seed of each test.
enum Tag : long { tag_hom = 1, tag_pair = 2, tag_hw = 3, tag_prod = 4 };

int thread_count(const RunState& rs) {
  return run_threads(rs.opt);
}

// Runs fn(0..n-1) on the run's threads; each call writes only its own slot.
template <class F>
void parallel_for(const RunState& rs, int n, F fn) {
  const int nt = std::min(thread_count(rs), n);
  if (nt <= 1) {
    for (int i = 0; i < n; ++i) fn(i);
    return;
  }
  std::atomic<int> next{0};
  std::vector<std::thread> pool;
  for (int t = 0; t < nt; ++t)
    pool.emplace_back([&]() {
      for (int i = next++; i < n; i = next++) fn(i);
    });
  for (auto& th : pool) th.join();
}

std::string loci_of(const Work& w, int kc) {
  std::string s;
  for (int i = 1; i <= w.nrloc(kc); ++i) {
    if (i > 1) s += '+';
    s += io::trim(w.locnam(w.loccmb(kc, i)));
  }
  return s;
}

void keep(RunState& rs, const Work& w, const std::string& measure, int deme, int other,
          const ExactResult& r, double p, double se) {
  const Param& pa = rs.param;
  ExactRecord k;
  k.measure = measure;
  k.mal = pa.mal;
  k.kc = pa.kc;
  k.locus = w.nrloc(pa.kc) == 1 ? w.loccmb(pa.kc, 1) : 0;
  k.deme = deme;
  k.other = other;
  k.p = p;
  k.se = se;
  k.method = r.method;
  rs.exact_kept.push_back(k);
  LongRow row;
  row.measure = measure;
  row.deme = deme;
  row.other_deme = other;
  row.p_value = p;
  row.p_se = se;
  row.method = method_long_name(r.method);
  long_row(rs, w, std::move(row));
}

// The homogeneity table of the current combination and kind: types by analysis demes.
std::vector<int> hom_table(RunState& rs, Work& w, int& ntyp) {
  Param& p = rs.param;
  const bool geno = p.mal == kind::genotypes;
  ntyp = geno ? w.nptr2(p.kc) : w.nptr1(p.kc);
  const int M = p.maxp;
  std::vector<int> t(static_cast<size_t>(ntyp) * static_cast<size_t>(M), 0);
  for (int k = 1; k <= ntyp; ++k) {
    const long ty = sread(rs, geno ? 25 : 24, rec24(p, k, p.kc));
    for (int j = 1; j <= M; ++j) {
      const int kp = w.nprb(j);
      const long r = geno ? rec22(p, ty, p.kc, kp) : rec20(p, ty, p.kc, kp, p.mal);
      t[static_cast<size_t>((k - 1) * M + j - 1)] = sread(rs, geno ? 22 : 20, r);
    }
  }
  return t;
}

// Maternal-by-paternal genotype table of deme kp at the current single locus: T x T by
// allele output position.
std::vector<int> geno_table(RunState& rs, Work& w, int kp, int T) {
  Param& p = rs.param;
  std::vector<int> pos(static_cast<size_t>(T) + 1, 0);
  for (int k = 1; k <= T; ++k) {
    const int h = sread(rs, ch::hapord, rec24(p, k, p.kc));
    if (h >= 1 && h <= T) pos[static_cast<size_t>(h)] = k;
  }
  std::vector<int> t(static_cast<size_t>(T) * static_cast<size_t>(T), 0);
  for (int g = 1; g <= w.nptr2(p.kc); ++g) {
    const int n = sread(rs, ch::gencnt, rec22(p, g, p.kc, kp));
    if (n <= 0) continue;
    int h1 = 0, h2 = 0;
    sread23(rs, rec23(p, g, p.kc), h1, h2);
    if (h1 < 1 || h1 > T || h2 < 1 || h2 > T) continue;
    const int a = pos[static_cast<size_t>(h1)], b = pos[static_cast<size_t>(h2)];
    if (a < 1 || b < 1) continue;
    t[static_cast<size_t>((a - 1) * T + b - 1)] += n;
  }
  return t;
}

std::string deme_pair(int a, int b) {
  return "Demes" + fi(a, 4) + " x" + fi(b, 4);
}

}  // namespace

bool exact_on(const RunState& rs) {
  return rs.opt.exact;
}

ChainSettings exact_settings(const RunState& rs) {
  ChainSettings c;
  c.dememorisation = rs.opt.dememorisation;
  c.batches = rs.opt.batches;
  c.iterations = rs.opt.iterations;
  return c;
}

void exblock(RunState& rs, const std::vector<ExLine>& lines) {
  io::Unit& o = rs.out();
  o.nl();
  o.line("Exact_test" + rep(' ', 24) + "p-value      S.E.  Method");
  o.line(rep('-', 72));
  for (const ExLine& l : lines) {
    if (l.method == ExactMethod::none) {
      o.line(io::rpad(l.label, 32) + "    not_testable");
      continue;
    }
    o.line(io::rpad(l.label, 32) + ff(l.p, 9, 6) + ff(l.se, 10, 6) + "  " + method_text(l.method));
  }
}

void exhom(RunState& rs, Work& w) {
  if (!exact_on(rs)) return;
  Param& p = rs.param;
  const int M = p.maxp;
  int T = 0;
  const std::vector<int> t = hom_table(rs, w, T);
  std::vector<int> colsum(static_cast<size_t>(M), 0);
  for (int k = 0; k < T; ++k)
    for (int j = 0; j < M; ++j) colsum[static_cast<size_t>(j)] += t[static_cast<size_t>(k * M + j)];

  // The whole table, then every pair of demes that hold data
  std::vector<std::pair<int, int>> pairs;
  for (int a = 0; a < M; ++a)
    for (int b = a + 1; b < M; ++b)
      if (colsum[static_cast<size_t>(a)] > 0 && colsum[static_cast<size_t>(b)] > 0)
        pairs.emplace_back(a, b);
  const ChainSettings cs = exact_settings(rs);
  // The pairs of demes are many (M(M-1)/2 per locus and kind): unless the chain's settings were
  // given, their chains are shorter, and their standard errors say how precise they are; their
  // enumeration gives way to the chain sooner.
  ChainSettings cspair = cs;
  if (!rs.opt.chain_given) {
    cspair.dememorisation = 1000;
    cspair.batches = 20;
    cspair.iterations = 1000;
  }
  const uint64_t seed = rs.opt.seed;
  const int kc = p.kc, mal = p.mal;
  std::vector<ExactResult> res(pairs.size() + 1);
  parallel_for(rs, static_cast<int>(res.size()), [&](int i) {
    if (i == 0) {
      res[0] = table_exact(t, T, M, cs, test_key(seed, {tag_hom, kc, mal}));
      return;
    }
    const auto [a, b] = pairs[static_cast<size_t>(i - 1)];
    std::vector<int> two(static_cast<size_t>(T) * 2);
    for (int k = 0; k < T; ++k) {
      two[static_cast<size_t>(2 * k)] = t[static_cast<size_t>(k * M + a)];
      two[static_cast<size_t>(2 * k + 1)] = t[static_cast<size_t>(k * M + b)];
    }
    const long da = w.nprb(a + 1), db = w.nprb(b + 1);
    res[static_cast<size_t>(i)] =
        table_exact(two, T, 2, cspair, test_key(seed, {tag_pair, kc, mal, da, db}), kEnumNodesPair);
  });

  std::vector<ExLine> lines;
  lines.push_back({"Homogeneity_among_demes", res[0].p, res[0].se, res[0].method});
  if (res[0].method != ExactMethod::none)
    keep(rs, w, "homogeneity_exact", 0, 0, res[0], res[0].p, res[0].se);
  if (pairs.size() > 1) {
    for (size_t i = 0; i < pairs.size(); ++i) {
      const ExactResult& r = res[i + 1];
      const int da = w.nprb(pairs[i].first + 1), db = w.nprb(pairs[i].second + 1);
      lines.push_back({deme_pair(da, db), r.p, r.se, r.method});
      if (r.method != ExactMethod::none)
        keep(rs, w, "homogeneity_exact_pair", da, db, r, r.p, r.se);
    }
  }
  exblock(rs, lines);
}

std::vector<DemeExact> exstr(RunState& rs, Work& w, bool dohw, bool doprod) {
  Param& p = rs.param;
  std::vector<DemeExact> out(static_cast<size_t>(std::max(0, p.maxp)));
  if (!exact_on(rs) || w.nrloc(p.kc) != 1) return out;
  const int T = w.nptr1(p.kc);
  std::vector<std::vector<int>> tabs(out.size());
  std::vector<char> sexed(out.size(), 0);
  for (int i = 1; i <= p.maxp; ++i) {
    const int kp = w.nprb(i);
    tabs[static_cast<size_t>(i - 1)] = geno_table(rs, w, kp, T);
    sexed[static_cast<size_t>(i - 1)] = w.kmbord(p.kc, kp) == 1;
  }
  const ChainSettings cs = exact_settings(rs);
  const uint64_t seed = rs.opt.seed;
  const int kc = p.kc;
  const int n = p.maxp;
  parallel_for(rs, 2 * n, [&](int job) {
    const int i = job % n;
    const bool hw = job < n;
    DemeExact& d = out[static_cast<size_t>(i)];
    const std::vector<int>& t = tabs[static_cast<size_t>(i)];
    const long kp = w.nprb(i + 1);
    if (hw && dohw) {
      std::vector<int> up(t.size(), 0);
      for (int a = 0; a < T; ++a)
        for (int b = 0; b < T; ++b)
          up[static_cast<size_t>(std::min(a, b) * T + std::max(a, b))] +=
              t[static_cast<size_t>(a * T + b)];
      d.hw = hw_exact(up, T, cs, test_key(seed, {tag_hw, kc, kp}));
      d.hw_done = true;
    } else if (!hw && doprod && sexed[static_cast<size_t>(i)]) {
      d.prod = table_exact(t, T, T, cs, test_key(seed, {tag_prod, kc, kp}));
      d.prod_done = true;
    }
  });
  return out;
}

void exstr_block(RunState& rs, Work& w, const DemeExact& d, int which) {
  if (!exact_on(rs)) return;
  const int kp = rs.param.kp;
  const int mal = rs.param.mal;
  rs.param.mal = 4;
  if (which == 0 && d.hw_done) {
    exblock(rs, {{"Hardy-Weinberg_probability_test", d.hw.p, d.hw.se, d.hw.method}});
    if (d.hw.method != ExactMethod::none)
      keep(rs, w, "hardy_weinberg_exact", kp, 0, d.hw, d.hw.p, d.hw.se);
  } else if (which == 1 && d.hw_done && d.hw.one_sided) {
    exblock(rs, {{"Heterozygote_deficit", d.hw.p_deficit, d.hw.se_deficit, d.hw.method},
                 {"Heterozygote_excess", d.hw.p_excess, d.hw.se_excess, d.hw.method}});
    keep(rs, w, "heterozygote_deficit", kp, 0, d.hw, d.hw.p_deficit, d.hw.se_deficit);
    keep(rs, w, "heterozygote_excess", kp, 0, d.hw, d.hw.p_excess, d.hw.se_excess);
  } else if (which == 2 && d.prod_done) {
    exblock(rs, {{"Product_structure", d.prod.p, d.prod.se, d.prod.method}});
    if (d.prod.method != ExactMethod::none)
      keep(rs, w, "product_structure_exact", kp, 0, d.prod, d.prod.p, d.prod.se);
  }
  rs.param.mal = mal;
}

void chisq_rows(RunState& rs, const Work& w, const std::string& name, int deme, float g, float x2,
                int ndf) {
  if (!long_wanted(rs)) return;
  const float v[2] = {g, x2};
  const char* suffix[2] = {"_G", "_X2"};
  LongRow r;  // the G row, then the X2 row in the same strings
  r.deme = deme;
  if (name != "homogeneity") r.kind = "genotypes";
  if (ndf > 0) {
    r.df = ndf;
    r.method = "chisq";
  }
  for (int i = 0; i < 2; ++i) {
    r.measure.assign(name).append(suffix[i]);
    r.value = v[i];
    if (ndf > 0) r.p_value = chisq_p(v[i], ndf);
    long_row_again(rs, w, r);
  }
}

void exgpl(RunState& rs, Work& w) {
  std::vector<ExactRecord> recs;
  recs.swap(rs.exact_kept);
  if (recs.empty()) return;
  Param& p = rs.param;

  // 1. Fisher combinations: single loci only, per locus over demes and per deme over loci
  struct Group {
    std::vector<double> ps;
    int kc = 0, deme = 0, other = 0, mal = 0;
  };
  std::map<std::tuple<std::string, int, int, int>, Group> bylocus, bydeme;
  for (const ExactRecord& r : recs) {
    if (r.locus == 0) continue;
    const bool perdeme = r.deme != 0 && r.measure != "homogeneity_exact_pair";
    if (perdeme) {
      Group& g = bylocus[{r.measure, r.kc, r.mal, 0}];
      g.ps.push_back(r.p);
      g.kc = r.kc;
      g.mal = r.mal;
    }
    Group& g = bydeme[{r.measure, r.mal, r.deme, r.other}];
    g.ps.push_back(r.p);
    g.deme = r.deme;
    g.other = r.other;
    g.mal = r.mal;
  }
  const int mal = p.mal;
  auto row = [&](const Group& g, const std::string& measure, bool pool) {
    const Combined c = fisher_combine(g.ps);
    LongRow r;
    r.measure = measure + "_combined";
    r.kind = long_kind(g.mal);
    r.deme = g.deme;
    r.other_deme = g.other;
    r.value = c.stat;
    r.df = c.df;
    r.p_value = c.p;
    r.method = "fisher-combined";
    if (pool) {
      long_pool_row(rs, w, r);
    } else {
      r.combination = g.kc;
      r.loci = loci_of(w, g.kc);
      long_row(rs, w, std::move(r));
    }
    return c;
  };
  std::map<std::pair<int, int>, double> hw_locus, hw_deme;  // (kc, 0) or (0, deme)
  for (const auto& [key, g] : bylocus) {
    const Combined c = row(g, std::get<0>(key), false);
    if (std::get<0>(key) == "hardy_weinberg_exact") hw_locus[{g.kc, 0}] = c.p;
  }
  for (const auto& [key, g] : bydeme) {
    if (g.ps.size() < 2) continue;
    const Combined c = row(g, std::get<0>(key), true);
    if (std::get<0>(key) == "hardy_weinberg_exact") hw_deme[{0, g.deme}] = c.p;
  }
  p.mal = mal;

  // 2. Summary table of the Hardy-Weinberg probability tests, loci by demes
  std::vector<int> kcs, demes;
  std::map<std::pair<int, int>, double> hw;
  for (const ExactRecord& r : recs) {
    if (r.measure != "hardy_weinberg_exact") continue;
    if (std::find(kcs.begin(), kcs.end(), r.kc) == kcs.end()) kcs.push_back(r.kc);
    if (std::find(demes.begin(), demes.end(), r.deme) == demes.end()) demes.push_back(r.deme);
    hw[{r.kc, r.deme}] = r.p;
  }
  if (!kcs.empty()) {
    std::sort(demes.begin(), demes.end());
    io::Unit& o = rs.out();
    kit::title(o, '*', "Exact_tests_of_Hardy-Weinberg_structure:_p-values_(loci_x_demes)");
    const int nd = static_cast<int>(demes.size());
    auto cell = [](const std::map<std::pair<int, int>, double>& m, int a, int b) {
      const auto it = m.find({a, b});
      return it == m.end() || std::isnan(it->second) ? rep(' ', 9) + "-" : ff(it->second, 10, 4);
    };
    o.nl();
    kit::blocks(o, nd, p.iwidth, "", [&](int first, int l) {
      const int f = first - 1;
      const bool last = l == nd;
      std::string s = "Locus      Deme";
      for (int i = f; i < l; ++i) s += fi(demes[static_cast<size_t>(i)], 10);
      o.line(last ? s + "  All_demes" : s);
      o.line(rep('-', 15 + 10 * (l - f) + (last ? 11 : 0)));
      for (int kc : kcs) {
        s = io::fa(w.locnam(w.loccmb(kc, 1)), 12) + "   ";
        for (int i = f; i < l; ++i) s += cell(hw, kc, demes[static_cast<size_t>(i)]);
        o.line(last ? s + " " + cell(hw_locus, kc, 0) : s);
      }
      if (kcs.size() > 1) {
        s = io::rpad("All_loci", 15);
        for (int i = f; i < l; ++i) s += cell(hw_deme, 0, demes[static_cast<size_t>(i)]);
        o.line(s);
      }
    });
    o.line("All_demes,_All_loci:_Fisher's_combination_of_the_p-values");
  }

  // 3. The tabular section: one row per exact test
  io::Unit& t = rs.u(29);
  if (!t.is_open()) return;
  t.line("");
  t.line("Exact_tests:");
  t.line("Test\tKind\tCombination\tDeme\tOther_deme\tp-value\tS.E.\tMethod");
  for (const ExactRecord& r : recs)
    t.line(r.measure + "\t" + long_kind(r.mal) + "\t" + std::to_string(r.kc) + "\t" +
           (r.deme ? std::to_string(r.deme) : std::string("NA")) + "\t" +
           (r.other ? std::to_string(r.other) : std::string("NA")) + "\t" +
           fmt::format("{:.6f}", r.p) + "\t" + fmt::format("{:.6f}", r.se) + "\t" +
           method_long_name(r.method));
}

}  // namespace tolm
