#include "analysis/gnpool.h"

#include <algorithm>
#include <vector>

#include "analysis/intervals.h"
#include "analysis/partab.h"
#include "io/fixw.h"
#include "report/kit.h"

namespace tolm {

using io::ff;
using io::fi;
using io::rep;

namespace {

// Per deme block of the report: the "Deme" row, then the rows `body` writes for positions
// m0..m1. Blocks are separated by an empty line.
template <class F>
void blocks(RunState& rs, const Work& w, F body) {
  io::Unit& o = rs.out();
  kit::blocks(o, rs.param.maxp, rs.param.iwidth, "", [&](int m0, int m1) {
    o.line(kit::deme_row(w, m0, m1));
    body(m0, m1);
  });
}

// A value row: `lead`, then fmt(v(l)) for positions m0..m1, `sep` between.
template <class V, class Fmt>
std::string vrow(const std::string& lead, int m0, int m1, const char* sep, V v, Fmt fmt) {
  return kit::row(lead, m0, m1, sep, [&](int l) { return fmt(v(l)); });
}

std::string f93(float x) {
  return ff(x, 9, 3);
}
std::string f83(float x) {
  return ff(x, 8, 3);
}

}  // namespace

void inpool(RunState& rs, Work& w) {
  rs.param.igpdif.fill(0);
  w.gpdfin.fill(0.0f);
  w.gpdinf.fill(0.0f);
  w.gpga.fill(0.0f);
  for (auto* a : {&w.gpdet, &w.gpdiv, &w.gpcj, &w.gpinf, &w.gpfin}) a->fill(0.0f);
  w.hgdiv.fill(1.0f);
}

void pargpl(RunState& rs, Work& w) {
  Param& p = rs.param;
  Names& nm = rs.names;
  io::Unit& o = rs.out();
  const int maxp = p.maxp, nloc = p.nc;
  const float nc = static_cast<float>(nloc);
  const float astrix = p.astrix;

  // 1. Title.
  kit::title(o, '*', "Gene_Pool");

  // 2. Gametic sex of each shown deme over all loci: 1 at all, 0 at none, 2 at some.
  int uniord = -1;
  for (int l = 1; l <= maxp; ++l) {
    int nyes = 0;
    for (p.kc = 1; p.kc <= nloc; ++p.kc) nyes += w.kmbord(p.kc, w.nprb(l)) == 1 ? 1 : 0;
    w.n0(l) = nyes == nloc ? 1 : nyes == 0 ? 0 : 2;
    uniord = uniord < 0 ? w.n0(l) : uniord == w.n0(l) ? uniord : 2;
    static const char* const text[3] = {"No_specification_of_gametic_sex_at_all_loci",
                                        "   Specification_of_gametic_sex_at_all_loci",
                                        "   Specification_of_gametic_sex_at_some_but_not_all_loci"};
    o.line("Deme " + fi(w.nprb(l), 3) + ": " + text[w.n0(l)]);
  }

  // 3. The gene pools of the allele passes made.
  const int made[4] = {0, p.nyw, p.nym, p.nys};
  for (p.mal = 1; p.mal <= kind::alleles; ++p.mal) {
    const int mal = p.mal;
    if (made[mal] != 1) continue;
    if (mal <= kind::paternal && uniord != 1) {
      o.line("");
      o.line(mal == kind::maternal ? "** Maternal_gene_pool_not_determinable"
                                   : "** Paternal_gene_pool_not_determinable");
      continue;
    }
    static const char* const title[3] = {"Maternal_gene_pool", "Paternal_gene_pool",
                                         "Gene_pool_of_identified_single-locus_genotypes"};
    kit::title(o, '=', title[mal - 1]);

    // Diversity: nc over the summed homozygosities is the harmonic mean of the v_2 of the loci;
    // hgdiv keeps their product.
    for (int l = 1; l <= maxp; ++l) {
      if (w.gpdiv(l, mal) <= kPoolFudge) {
        w.gpdiv(l, mal) = astrix;
        w.hgdiv(l, mal) = astrix;
      } else {
        w.gpdiv(l, mal) = nc / w.gpdiv(l, mal);
      }
      w.deltat(l) = w.gpdet(l, mal) <= kPoolMarked ? astrix : w.gpdet(l, mal) / nc;
    }
    for (int e = 1; e <= maxp * (maxp + 1) / 2; ++e)
      w.ga(e) = w.gpga(e, mal) <= kPoolMarked ? astrix : w.gpga(e, mal) / nc;
    if (p.igpdif(mal) == 0) {
      for (int l = 1; l <= maxp; ++l) {
        w.djfin(l) = w.gpfin(l, mal) <= kPoolMarked ? astrix : w.gpfin(l, mal) / nc;
        w.djinf(l) = w.gpinf(l, mal) <= kPoolMarked ? astrix : w.gpinf(l, mal) / nc;
      }
      w.gpdfin(mal) = w.gpdfin(mal) <= kPoolMarked ? astrix : w.gpdfin(mal) / nc;
      w.gpdinf(mal) = w.gpdinf(mal) <= kPoolMarked ? astrix : w.gpdinf(mal) / nc;
    } else {
      for (int l = 1; l <= maxp; ++l) w.djfin(l) = w.djinf(l) = astrix;
    }

    // The values as printed, with what each locus contributes for the intervals over loci.
    std::vector<LocusPart> parts;
    for (int kc = 1; kc <= nloc; ++kc) parts.push_back(locus_part(rs, w, kc, mal));
    const std::vector<float> pool = printed_pool(rs, w, parts);
    Intervals iv;
    const bool ci = rs.opt.ci;
    if (ci) {
      iv = jackknife(parts, pool, astrix);
      if (rs.opt.bootstrap > 0) bootstrap(parts, rs.opt.bootstrap, rs.opt.seed, mal, astrix, iv);
    }

    gplout(rs, w);
    interval_report(rs, w, parts, pool, ci ? &iv : nullptr);
    bool table = false;
    for (int k = 2; k <= 7; ++k) table = table || nm.aprog(k) == 'y';
    if (table) {
      partab(rs, w, 1);
      interval_table(rs, w, parts, pool, ci ? &iv : nullptr);
    }
    interval_rows(rs, w, parts, pool, ci ? &iv : nullptr);
  }
}

namespace {

const std::string b11(11, ' ');

// 1. Measures of variation within demes: diversity and total population differentiation.
void pool_within(RunState& rs, Work& w) {
  io::Unit& o = rs.out();
  const int mal = rs.param.mal;
  auto chosen = [&](int k) { return rs.names.aprog(k) == 'y'; };
  if (rs.param.iwithn == 1) kit::subtitle(o, "Measures_of_variation_within_demes");
  if (chosen(prog::diversity)) {
    o.line("");
    o.line("GENE_POOL_DIVERSITY_v_2");
    blocks(rs, w, [&](int m0, int m1) {
      o.line(vrow(
          b11, m0, m1, " ", [&](int l) { return w.gpdiv(l, mal); }, f93));
    });
    o.line("");
    o.line("HYPOTHETICAL_GAMETIC_DIVERSITY_v_gam");
    blocks(rs, w, [&](int m0, int m1) {
      auto v = [&](int l) { return w.hgdiv(l, mal); };
      o.line(vrow(b11, m0, m1, " ", v, f93));
      // The exponential row gives the same marker as every other row of the report, not the
      // marker's own digits.
      o.line(vrow(b11, m0, m1, " ", v,
                  [](float x) { return x <= kPoolMarked ? f93(x) : io::fe(x, 9, 3); }));
    });
  }
  if (chosen(prog::totaldiff)) {
    o.line("");
    o.line("TOTAL_POPULATION_DIFFERENTIATION_delta_T_OF_THE_GENE_POOL");
    blocks(rs, w, [&](int m0, int m1) {
      o.line(vrow(
          b11, m0, m1, " ", [&](int l) { return w.deltat(l); }, f93));
    });
  }
}

// 2. Distances between the demes' gene pools, as a lower triangle per block.
void pool_distance(RunState& rs, Work& w) {
  io::Unit& o = rs.out();
  const int maxp = rs.param.maxp;
  o.line("");
  o.line("GENE_POOL_DISTANCE_d_0");
  blocks(rs, w, [&](int m0, int m1) {
    std::string dashes = b11;
    for (int l = m0; l <= m1; ++l) dashes += "----------";
    o.line(dashes);
    for (int l = m0; l <= maxp; ++l) {
      const int last = std::min(l, m1);
      o.line(vrow(
          "       " + fi(w.nprb(l), 3) + " |", m0, last, "  ",
          [&](int ll) { return w.ga(l * (l - 1) / 2 + ll); }, f83));
    }
  });
}

// 3. Differentiation D_j of each deme's gene pool and its mean delta, by both weightings. The
// shares of deme size, summed over the loci, become their mean here, once for the report and the
// tabular section that follows.
void pool_differentiation(RunState& rs, Work& w) {
  Param& p = rs.param;
  const Names& nm = rs.names;
  io::Unit& o = rs.out();
  const int maxp = p.maxp, mal = p.mal;
  const float nc = static_cast<float>(p.nc);
  const std::string title = "SUBPOPULATION_DIFFERENTIATION_D_j,_delta_OF_THE_GENE_POOL";
  if (p.igpdif(mal) != 0) {
    o.line("");
    o.line(title);
    o.line("** " + fi(p.igpdif(mal), 3) + " of_the_demes_unknown - No_calculations_possible");
    return;
  }
  if (nm.spdfin == 'y') {
    o.line("");
    o.line(title);
    o.line("- Cj's_PROPORTIONAL_TO_DEME_SIZE");
    // A share marked missing at some locus stays missing, whatever the frequency report found.
    for (int l = 1; l <= maxp; ++l) {
      float& c = w.gpcj(l, mal);
      c = p.nogpdif(mal) != 0 || c <= kPoolMarked ? p.astrix : c / nc;
    }
    blocks(rs, w, [&](int m0, int m1) {
      o.line(vrow(
          "       Cj = ", m0, m1, "  ", [&](int l) { return w.gpcj(l, mal); }, f83));
      o.line(vrow(
          "       Dj = ", m0, m1, "  ", [&](int l) { return w.djfin(l); }, f83));
    });
    o.line("");
    o.line(std::string(10, ' ') + "delta = " + f83(w.gpdfin(mal)));
  }
  if (nm.spdinf == 'y') {
    o.line("");
    o.line(title);
    o.line("- Cj's_EQUAL");
    const float c = p.nogpdif(mal) != 0 ? p.astrix : 1.0f / static_cast<float>(maxp);
    blocks(rs, w, [&](int m0, int m1) {
      o.line(vrow(
          "       Cj = ", m0, m1, "  ", [&](int) { return c; }, f83));
      o.line(vrow(
          "       Dj = ", m0, m1, "  ", [&](int l) { return w.djinf(l); }, f83));
    });
    o.line("");
    o.line(std::string(10, ' ') + "delta = " + f83(w.gpdinf(mal)));
  }
}

}  // namespace

void gplout(RunState& rs, Work& w) {
  const Param& p = rs.param;
  const Names& nm = rs.names;
  io::Unit& o = rs.out();
  pool_within(rs, w);  // 1
  if (p.ibetwn == 1) {
    kit::subtitle(o, "Measures_of_variation_between_demes", 36);
    if (p.maxp == 1) {
      o.line(" ** Not_calculable_for_a_single_deme");
      return;
    }
  }
  if (nm.aprog(prog::distance) == 'y') pool_distance(rs, w);        // 2
  if (nm.aprog(prog::subdiff) == 'y') pool_differentiation(rs, w);  // 3
}

}  // namespace tolm
