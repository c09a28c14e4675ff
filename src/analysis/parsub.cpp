// Measures of variation within and between demes for one locus combination and kind, and their
// report.
//
// The counts are read type by type (in the order of first appearance) from the haplotype count
// channel 20 (kinds 1 to 3) or the genotype count channel 22 (kind 4); every sum is built in
// that order in 32-bit reals. Channel 27 collects, per deme, how many types occur exactly c
// times; the evenness plateaus are searched on it.
#include "analysis/parsub.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/parsub_measures.h"
#include "core/records.h"
#include "io/fixw.h"
#include "report/kit.h"
#include "report/longtable.h"
#include "stattest/homtst.h"

namespace tolm {

using io::ff;
using io::fi;
using io::lpad;
using io::rep;
using io::rpad;

namespace {

// Position of the pair (i, j), j <= i, in the packed lower triangle of distances.
inline long pair(long i, long j) {
  return j + i * (i - 1) / 2;
}

// Count of type k (0: not identified) of the current combination in data deme p, for the kind
// under analysis.
int32_t count_of(RunState& rs, long k, long p) {
  const Param& q = rs.param;
  if (q.mal == kind::genotypes) return sread(rs, ch::gencnt, rec22(q, k, q.kc, p));
  return sread(rs, ch::hapcnt, rec20(q, k, q.kc, p, q.mal));
}

// One more type occurring n times in deme i: cell (i, n) of channel 27. Records between the
// old extent and the new one are cleared first, as they may still hold an earlier call's table.
void bump27(RunState& rs, long i, long n, long m) {
  const long r = i + (n - 1) * m;
  int32_t old = 0;
  if (r > rs.param.mind27) {
    rs.scratch.zero(ch::even, rs.param.mind27 + 1L, r - 1);
  } else {
    old = sread(rs, ch::even, r);
  }
  swrite(rs, ch::even, r, old + 1);
}

inline void add(RunState& rs, Work& w, PoolStep::Sum sum, long i, int mal, float v) {
  pool_step(rs, w, {sum, PoolStep::add, static_cast<int>(i), mal, v});
}
inline void mark(RunState& rs, Work& w, PoolStep::Sum sum, long i, int mal) {
  pool_step(rs, w, {sum, PoolStep::mark, static_cast<int>(i), mal, 0.0f});
}

// Gene-pool sums are kept for the allele and haplotype kinds only.
inline bool pooled(const RunState& rs) {
  return rs.param.mal != kind::genotypes;
}

// 1. Deme sizes, relative sizes and the marks of demes without identified data.
void sizes(RunState& rs, Work& w) {
  Param& q = rs.param;
  const int m = q.maxp, mal = q.mal;
  const float ast = q.astrix;
  const int g = mal == kind::alleles ? 2 : 1;
  w.delinf = w.delfin = 0;
  q.ispdif = 0;
  q.igpdif(mal) = 0;
  q.mind27 = 0;
  for (long e = 1; e <= pair(m, m); ++e) w.ga(e) = 0;
  long total = 0;
  for (int i = 1; i <= m; ++i) {
    w.div(i) = w.deltat(i) = 0;
    w.nposty(i) = w.mxityp(i) = 0;
    w.djinf(i) = w.djfin(i) = 0;
    const int u = count_of(rs, 0, w.nprb(i));
    const int n = g * w.nsam(i) - u;
    w.nsum(i) = n;
    w.cj(i) = static_cast<float>(n);
    total += n;
    if (n != 0) continue;
    q.ispdif = 1;
    q.igpdif(mal) += 1;
    w.x(i) = w.div(i) = ast;
    w.deltat(i) = w.aevfin(i) = w.revfin(i) = w.aevinf(i) = w.revinf(i) = ast;
    w.mnfin1(i) = w.mnfin2(i) = w.mninf1(i) = w.mninf2(i) = 0;
    for (int j = 1; j <= i; ++j) w.ga(pair(i, j)) = ast;
    for (int j = i + 1; j <= m; ++j) w.ga(pair(j, i)) = ast;
    if (pooled(rs)) {
      mark(rs, w, PoolStep::det, i, mal);
      mark(rs, w, PoolStep::div, i, mal);
      mark(rs, w, PoolStep::hdiv, i, mal);
      for (int j = 1; j <= i; ++j) mark(rs, w, PoolStep::ga, pair(i, j), mal);
      for (int j = i + 1; j <= m; ++j) mark(rs, w, PoolStep::ga, pair(j, i), mal);
    }
  }
  if (rs.pool_steps)
    rs.pool_steps->push_back(
        {PoolStep::unknown_demes, PoolStep::set, 0, mal, static_cast<float>(q.igpdif(mal))});
  if (q.ispdif != 0) return;
  for (int i = 1; i <= m; ++i) {
    w.cj(i) = w.cj(i) / static_cast<float>(total);
    if (pooled(rs)) add(rs, w, PoolStep::cj, i, mal, w.cj(i));
  }
}

// 2. One pass over the types: sums of squares, delta_T sums, the count table, the absolute
// frequency differences between demes and from both mean distributions.
void types(RunState& rs, Work& w) {
  Param& q = rs.param;
  const int m = q.maxp;
  const float ast = q.astrix;
  const long ntyp = q.mal == kind::genotypes ? w.nptr2(q.kc) : w.nptr1(q.kc);
  const bool all = q.ispdif == 0;
  for (long k = 1; k <= ntyp; ++k) {
    float mu = 0, mc = 0;
    for (int i = 1; i <= m; ++i) {
      const int nn = w.nsum(i);
      if (nn == 0) {
        w.x(i) = w.div(i) = ast;
        continue;
      }
      const int n = count_of(rs, k, w.nprb(i));
      w.x(i) = static_cast<float>(n) / static_cast<float>(nn);
      if (n <= 0) continue;
      w.div(i) = w.div(i) + w.x(i) * w.x(i);
      w.deltat(i) = w.deltat(i) + static_cast<float>(static_cast<int64_t>(n) * (nn - n));
      w.nposty(i) += 1;
      w.mxityp(i) = std::max(w.mxityp(i), n);
      bump27(rs, i, n, m);
      if (all) {
        mu = mu + w.x(i);
        mc = mc + w.cj(i) * w.x(i);
      }
    }
    if (all) mu = mu / static_cast<float>(m);
    for (int i = 1; i <= m; ++i) {
      for (int j = 1; j < i; ++j) {
        float& d = w.ga(pair(i, j));
        d = defined(d) ? d + std::fabs(w.x(i) - w.x(j)) : ast;
      }
    }
    if (!all) continue;
    for (int i = 1; i <= m; ++i) {
      w.djfin(i) = w.djfin(i) + std::fabs(w.x(i) - mc);
      w.djinf(i) = w.djinf(i) + std::fabs(w.x(i) - mu);
    }
  }
}

// 3. delta_T and the diversity v_2 of each deme with data.
void within(RunState& rs, Work& w) {
  const Param& q = rs.param;
  const int mal = q.mal;
  const float ast = q.astrix;
  for (int i = 1; i <= q.maxp; ++i) {
    if (w.nsum(i) == 0) continue;
    w.deltat(i) = deltat_of(w.deltat(i), w.nsum(i), ast);
    if (pooled(rs)) {
      add(rs, w, PoolStep::det, i, mal, w.deltat(i));
      add(rs, w, PoolStep::div, i, mal, w.div(i));  // the homozygosity, before it is inverted
    }
    w.div(i) = div_of(w.div(i), ast);
    if (pooled(rs)) pool_step(rs, w, {PoolStep::hdiv, PoolStep::mul, i, mal, w.div(i)});
  }
}

// 4. Evenness: the counts of each deme in decreasing order, from the count table.
void even(RunState& rs, Work& w) {
  const Param& q = rs.param;
  const int m = q.maxp;
  const float ast = q.astrix;
  // The cells of the table that are not empty, the highest count first, put together by deme:
  // cell (i, c), the types found c times in deme i, is record i + (c - 1) * m.
  struct Cell {
    int deme, c;
    int32_t types;
  };
  std::vector<Cell> cells;
  rs.scratch.each_nonzero_down(ch::even, q.mind27, [&](long r, int32_t v) {
    cells.push_back({static_cast<int>((r - 1) % m) + 1, static_cast<int>((r - 1) / m) + 1, v});
  });
  std::stable_sort(cells.begin(), cells.end(),
                   [](const Cell& a, const Cell& b) { return a.deme < b.deme; });
  auto next = cells.cbegin();
  std::array<int, maxtyp> neven{};
  for (int i = 1; i <= m; ++i) {
    const auto first = next;  // the cells of deme i
    while (next != cells.cend() && next->deme == i) ++next;
    if (w.nsum(i) == 0) continue;
    int ntyp = 0;
    bool over = false;
    for (auto it = first; it != next && !over; ++it) {
      const Cell& cell = *it;
      if (cell.c > w.mxityp(i)) continue;
      for (int32_t t = 0; t < cell.types; ++t) {
        if (ntyp == maxtyp) {
          over = true;
          break;
        }
        neven[static_cast<size_t>(ntyp++)] = cell.c;
      }
    }
    if (over) {
      io::Unit& o = rs.out();
      o.line(lpad("** Tried to calculate plateau with more than", 47));
      o.line("** " + fi(maxtyp, 4) + lpad(" types for deme ", 22) + fi(w.nprb(i), 3));
      w.aevfin(i) = w.revfin(i) = w.aevinf(i) = w.revinf(i) = ast;
      w.mnfin1(i) = w.mnfin2(i) = w.mninf1(i) = w.mninf2(i) = static_cast<int>(ast);
      continue;
    }
    const Evenness e = evenness(neven.data(), ntyp, w.nsum(i));
    w.aevfin(i) = e.aevfin;
    w.revfin(i) = e.revfin;
    w.mnfin1(i) = e.mnfin1;
    w.mnfin2(i) = e.mnfin2;
    w.aevinf(i) = e.aevinf;
    w.revinf(i) = e.revinf;
    w.mninf1(i) = e.mninf1;
    w.mninf2(i) = e.mninf2;
  }
}

// 5. Differentiation D_j of each deme from the union of the others, and its mean delta, with
// weights proportional to deme size (fin) and equal weights (inf).
void complement(RunState& rs, Work& w) {
  const Param& q = rs.param;
  const int m = q.maxp;
  const float ast = q.astrix;
  if (q.ispdif == 1) {
    for (int i = 1; i <= m; ++i) w.cj(i) = w.djfin(i) = w.djinf(i) = ast;
    w.delinf = w.delfin = ast;
  } else if (m < 2) {
    w.djfin(1) = w.djinf(1) = 0;
    w.delinf = w.delfin = 0;
  } else {
    const float rm = static_cast<float>(m);
    for (int i = 1; i <= m; ++i) {
      w.djfin(i) = 0.5f / (1.0f - w.cj(i)) * w.djfin(i);
      w.djinf(i) = rm * 0.5f / static_cast<float>(m - 1) * w.djinf(i);
      w.delinf = w.delinf + w.djinf(i);
      w.delfin = w.delfin + w.cj(i) * w.djfin(i);
    }
    w.delinf = w.delinf / rm;
  }
}

// 6. Differentiation into the gene-pool sums; it is lost for the pool once a deme lacks data.
void pool(RunState& rs, Work& w) {
  Param& q = rs.param;
  const int mal = q.mal;
  const float ast = q.astrix;
  if (q.igpdif(mal) != 0) {
    for (int i = 1; i <= q.maxp; ++i) {
      mark(rs, w, PoolStep::fin, i, mal);
      mark(rs, w, PoolStep::inf, i, mal);
      mark(rs, w, PoolStep::cj, i, mal);
      w.djfin(i) = w.djinf(i) = ast;
    }
    mark(rs, w, PoolStep::dfin, 0, mal);
    mark(rs, w, PoolStep::dinf, 0, mal);
    return;
  }
  for (int i = 1; i <= q.maxp; ++i) {
    add(rs, w, PoolStep::fin, i, mal, w.djfin(i));
    add(rs, w, PoolStep::inf, i, mal, w.djinf(i));
  }
  add(rs, w, PoolStep::dfin, 0, mal, w.delfin);
  add(rs, w, PoolStep::dinf, 0, mal, w.delinf);
}

// 7. Distances d_0: half the summed absolute differences (the diagonal stays 0).
void distances(RunState& rs, Work& w) {
  const Param& q = rs.param;
  const float ast = q.astrix;
  for (long e = 1; e <= pair(q.maxp, q.maxp); ++e) {
    w.ga(e) = defined(w.ga(e)) ? w.ga(e) * 0.5f : ast;
    if (pooled(rs)) add(rs, w, PoolStep::ga, e, q.mal, w.ga(e));
  }
}

// 8. Every measure of the section as rows of the long table, as computed above: the chosen
// measures, each with the same conditions as in the report and the tabular file.
void long_rows(RunState& rs, Work& w) {
  if (!long_wanted(rs)) return;
  const Param& q = rs.param;
  const Names& a = rs.names;
  const int m = q.maxp;
  const float nan = NAN;
  for (int i = 1; i <= m; ++i) long_deme_n(rs, w, "count_total", i, w.nsum(i));
  if (a.aprog(prog::diversity) == 'y')
    for (int i = 1; i <= m; ++i) long_deme(rs, w, "diversity_v2", i, w.div(i));
  if (a.aprog(prog::totaldiff) == 'y')
    for (int i = 1; i <= m; ++i) long_deme(rs, w, "differentiation_delta_T", i, w.deltat(i));
  if (a.aprog(prog::evenness) == 'y') {
    // the plateau size of a deme without an evenness is undefined (0 or the truncated marker)
    auto even_rows = [&](const char* abs, const char* rel, const char* num, const char* thr,
                         const Arr1<float>& aev, const Arr1<float>& rev, const Arr1<int>& mn1,
                         const Arr1<int>& mn2) {
      for (int i = 1; i <= m; ++i) {
        const bool known = aev(i) > q.astrix1;
        long_deme(rs, w, abs, i, aev(i));
        long_deme(rs, w, rel, i, rev(i));
        long_deme(rs, w, num, i, known ? static_cast<float>(mn1(i)) : nan);
        if (known && mn2(i) > mn1(i)) long_deme(rs, w, thr, i, static_cast<float>(mn2(i)));
      }
    };
    if (a.evefin == 'y')
      even_rows("evenness_finite", "evenness_finite_relative", "evenness_finite_types",
                "evenness_finite_types_through", w.aevfin, w.revfin, w.mnfin1, w.mnfin2);
    if (a.eveinf == 'y')
      even_rows("evenness_infinite", "evenness_infinite_relative", "evenness_infinite_types",
                "evenness_infinite_types_through", w.aevinf, w.revinf, w.mninf1, w.mninf2);
  }
  if (a.aprog(prog::distance) == 'y')
    for (int i = 1; i <= m; ++i)
      for (int j = 1; j <= i; ++j) long_deme(rs, w, "distance_d0", i, w.ga(pair(i, j)), "", j);
  if (a.aprog(prog::subdiff) == 'y' && m > 1) {
    if (a.spdfin == 'y') {
      for (int i = 1; i <= m; ++i) {
        long_deme(rs, w, "relative_size_Cj", i, w.cj(i));
        long_deme(rs, w, "differentiation_Dj", i, w.djfin(i));
      }
      long_whole(rs, w, "differentiation_delta", w.delfin);
    }
    if (a.spdinf == 'y') {
      const float c = defined(w.delinf) ? 1.0f / static_cast<float>(m) : nan;
      for (int i = 1; i <= m; ++i) {
        long_deme(rs, w, "relative_size_Cj_equal", i, c);
        long_deme(rs, w, "differentiation_Dj_equal", i, w.djinf(i));
      }
      long_whole(rs, w, "differentiation_delta_equal", w.delinf);
    }
  }
}

// --- report ---

std::string real_row(const std::string& label, const Arr1<float>& v, int first, int last) {
  return kit::row(rpad(label, 12), first, last, "  ", [&](int i) { return ff(v(i), 8, 3); });
}

std::string int_row(const std::string& label, const Arr1<int>& v, int first, int last) {
  return kit::row(rpad(label, 12), first, last, "  ", [&](int i) { return fi(v(i), 8); });
}

// A titled section of one value row per block.
void value_out(RunState& rs, Work& w, const char* title, const Arr1<float>& v) {
  io::Unit& o = rs.out();
  o.nl();
  o.line(title);
  kit::blocks(o, rs.param.maxp, rs.param.iwidth, "", [&](int first, int last) {
    o.line(kit::deme_row(w, first, last));
    o.line(real_row("", v, first, last));
  });
}

void even_out(RunState& rs, Work& w, const char* title, const Arr1<float>& aev,
              const Arr1<float>& rev, const Arr1<int>& mn1, const Arr1<int>& mn2) {
  io::Unit& o = rs.out();
  o.line(title);
  kit::blocks(o, rs.param.maxp, rs.param.iwidth, "  ", [&](int first, int last) {
    o.line(kit::deme_row(w, first, last));
    o.line(real_row("absolute_e", aev, first, last));
    o.line(real_row("relative_e", rev, first, last));
    o.line(int_row("for_No.types", mn1, first, last));
    bool range = false;
    for (int i = first; i <= last; ++i) range = range || mn1(i) < mn2(i);
    if (range) o.line(int_row("    through", mn2, first, last));
  });
}

void dj_out(RunState& rs, Work& w, const char* weighting, const Arr1<float>& dj, float delta,
            bool equal) {
  io::Unit& o = rs.out();
  const int m = rs.param.maxp;
  Arr1<float> c(1, m);
  for (int i = 1; i <= m; ++i) c(i) = equal ? 1.0f / static_cast<float>(m) : w.cj(i);
  o.nl();
  o.line("SUBPOPULATION_DIFFERENTIATION_D_j,_delta");
  o.line(weighting);
  kit::blocks(o, m, rs.param.iwidth, "  ", [&](int first, int last) {
    o.line(kit::deme_row(w, first, last));
    o.line(real_row("        Cj= ", c, first, last));
    o.line(real_row("        Dj= ", dj, first, last));
  });
  o.line("  ");
  o.line(rep(' ', 7) + " delta= " + ff(delta, 8, 3));
}

void distance_out(RunState& rs, Work& w) {
  io::Unit& o = rs.out();
  const int m = rs.param.maxp;
  o.nl();
  o.line("GENETIC_DISTANCE_d_0");
  kit::blocks(o, m, rs.param.iwidth, "", [&](int first, int last) {
    o.line(kit::deme_row(w, first, last));
    o.line(rep(' ', 11) + rep('-', 10 * (last - first + 1)));
    for (int i = first; i <= m; ++i) {
      o.line(kit::row(rep(' ', 7) + fi(w.nprb(i), 3) + " |", first, std::min(last, i), "  ",
                      [&](int j) { return ff(w.ga(pair(i, j)), 8, 3); }));
    }
  });
}

}  // namespace

void parsub(RunState& rs, Work& w) {
  sizes(rs, w);                 // 1
  types(rs, w);                 // 2
  within(rs, w);                // 3
  even(rs, w);                  // 4
  complement(rs, w);            // 5
  if (pooled(rs)) pool(rs, w);  // 6
  distances(rs, w);             // 7
  long_rows(rs, w);             // 8
  parout(rs, w);                // 9
}

void parout(RunState& rs, Work& w) {
  const Param& q = rs.param;
  const Names& a = rs.names;
  io::Unit& o = rs.out();
  const int m = q.maxp;

  // Within demes.
  if (q.iwithn == 1) kit::subtitle(o, "Measures_of_variation_within_demes");
  if (a.aprog(prog::diversity) == 'y') value_out(rs, w, "DIVERSITY_v_2", w.div);
  if (a.aprog(prog::totaldiff) == 'y')
    value_out(rs, w, "TOTAL_POPULATION_DIFFERENTIATION_delta_T", w.deltat);
  if (a.aprog(prog::evenness) == 'y') {
    if (a.evefin == 'y')
      even_out(rs, w, "EVENNESS_e_FOR_FINITE_POPULATION_SIZE", w.aevfin, w.revfin, w.mnfin1,
               w.mnfin2);
    if (a.eveinf == 'y')
      even_out(rs, w, "EVENNESS_e_FOR_INFINITE_POPULATION_SIZE", w.aevinf, w.revinf, w.mninf1,
               w.mninf2);
  }

  // Between demes.
  if (q.ibetwn == 1) {
    kit::subtitle(o, "Measures_of_variation_between_demes");
    if (m == 1) {
      o.line("** Not_calculable_for_a_single_deme");
      return;
    }
  }
  if (a.aprog(prog::distance) == 'y') distance_out(rs, w);
  if (a.aprog(prog::subdiff) == 'y') {
    if (q.ispdif != 0) {
      o.nl();
      o.line("SUBPOPULATION_DIFFERENTIATION_D_j,_delta");
      o.line("** " + fi(q.igpdif(q.mal), 3) + " of_the_demes_unknown - " +
             "No_calculations_possible");
    } else {
      if (a.spdfin == 'y')
        dj_out(rs, w, "- RELATIVE_SUBPOPULATION_SIZE_PROPORTIONAL_TO_DEME_SIZE", w.djfin, w.delfin,
               false);
      if (a.spdinf == 'y')
        dj_out(rs, w, "- RELATIVE_SUBPOPULATION_SIZES_ALL_EQUAL_TO_(1/NO._SUBPOPS)", w.djinf,
               w.delinf, true);
    }
  }
  if (a.aprog(prog::homogeneity) == 'y') homtst(rs, w);
}

void apply_pool_step(Param& p, Work& w, const PoolStep& s) {
  const float ast = p.astrix;
  float* cell = nullptr;
  switch (s.sum) {
    case PoolStep::cj:
      cell = &w.gpcj(s.i, s.mal);
      break;
    case PoolStep::det:
      cell = &w.gpdet(s.i, s.mal);
      break;
    case PoolStep::div:
      cell = &w.gpdiv(s.i, s.mal);
      break;
    case PoolStep::hdiv:
      cell = &w.hgdiv(s.i, s.mal);
      break;
    case PoolStep::fin:
      cell = &w.gpfin(s.i, s.mal);
      break;
    case PoolStep::inf:
      cell = &w.gpinf(s.i, s.mal);
      break;
    case PoolStep::ga:
      cell = &w.gpga(s.i, s.mal);
      break;
    case PoolStep::dfin:
      cell = &w.gpdfin(s.mal);
      break;
    case PoolStep::dinf:
      cell = &w.gpdinf(s.mal);
      break;
    case PoolStep::unknown_demes:
      p.igpdif(s.mal) = static_cast<int>(s.v);
      return;
    case PoolStep::no_pool:
      p.nogpdif(s.mal) = 1;
      return;
  }
  switch (s.op) {
    case PoolStep::add:
      gpadd(*cell, s.v, ast);
      break;
    case PoolStep::mul:
      gpmul(*cell, s.v, ast);
      break;
    default:
      *cell = ast;
      break;
  }
}

void pool_step(RunState& rs, Work& w, PoolStep s) {
  apply_pool_step(rs.param, w, s);
  if (rs.pool_steps) rs.pool_steps->push_back(s);
}

}  // namespace tolm
