// Heterozygosity report of one locus combination `kc`: sample sizes per deme, then for a single
// locus the proportion of heterozygotes and the conditional heterozygosity, for several loci
// the distribution and the average of the degree of heterozygosity.
//
// Reads the heterozygosity count file (channel 26), and for a single locus the genotype
// definition and count files (channels 23 and 22); writes to the results unit. Leaves per
// display position: `het` and `chet` after a single locus, `phet` (and `chet` = marker) after
// several loci, for the parameter tables. A deme without completely identified individuals
// always carries the marker `astrix`.
#include "analysis/hetgrd.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/records.h"
#include "io/fixw.h"
#include "report/kit.h"
#include "report/longtable.h"

namespace tolm {

namespace {

using io::ff;
using io::fi;
using io::rep;

// Gene counts per allele of display deme d, and the conditional heterozygosity from them: the
// proportion of heterozygotes over the largest proportion the most frequent allele allows.
float conditional(RunState& rs, Work& w, int kc, int d) {
  const Param& p = rs.param;
  const float astrix = p.astrix;
  if (w.nknow(d) == 0) return astrix;
  for (int a = 1; a <= w.mxall; ++a) w.nada(a) = 0;
  for (long g = 1; g <= w.nptr2(kc); ++g) {
    int32_t a1 = 0, a2 = 0;
    sread23(rs, rec23(p, g, kc), a1, a2);
    const int n = sread(rs, ch::gencnt, rec22(p, g, kc, w.nprb(d)));
    w.nada(a1) += n;
    w.nada(a2) += n;
  }
  const float genes = static_cast<float>(2 * w.nknow(d));
  for (int a = 1; a <= w.mxall; ++a) {
    const float ha = static_cast<float>(w.nada(a)) / genes;
    if (ha > 1.0f - kit::fudge) return astrix;
    if (ha > 0.5f) {
      const float hmax = 2.0f * (1.0f - ha);
      return w.het(d) / hmax;
    }
  }
  return w.het(d);
}

// The heterozygosity counts of one combination, read once from channel 26: for every output
// deme the individuals heterozygous at exactly k loci (k = 0..nr), then the completely
// identified and the other individuals.
struct HetCounts {
  int nr = 0;
  std::vector<std::vector<int>> deme;  // [d - 1][k]: k = 0..nr; nr + 1 identified; nr + 2 unknown
  int degree(int d, int k) const {
    return deme[static_cast<size_t>(d - 1)][static_cast<size_t>(k)];
  }
};

HetCounts load_counts(RunState& rs, const Work& w, int kc) {
  const Param& p = rs.param;
  HetCounts h;
  h.nr = w.nrloc(kc);
  for (int d = 1; d <= p.maxp; ++d) {
    const long base =
        static_cast<long>(p.mxnrlc + 3) * (static_cast<long>(p.np) * (kc - 1) + w.nprb(d) - 1);
    std::vector<int> v(static_cast<size_t>(h.nr) + 3);
    for (int k = 0; k <= h.nr; ++k) v[static_cast<size_t>(k)] = sread(rs, ch::hetcnt, base + k + 1);
    v[static_cast<size_t>(h.nr) + 1] = sread(rs, ch::hetcnt, base + p.mxnrlc + 2);
    v[static_cast<size_t>(h.nr) + 2] = sread(rs, ch::hetcnt, base + p.mxnrlc + 3);
    h.deme.push_back(std::move(v));
  }
  return h;
}

// Proportion of heterozygotes of a deme of `known` identified individuals, `nhet` of them
// heterozygous; the marker without identified individuals.
float proportion(int nhet, int known, float astrix) {
  return known < 1 ? astrix : static_cast<float>(nhet) / static_cast<float>(known);
}

// Average degree of heterozygosity of display deme d: the proportions of the degrees k = 0..nr,
// each times k / nr, summed in that order.
float mean_degree(const HetCounts& h, int d, int known, float astrix) {
  if (known < 1) return astrix;
  float phet = 0.0f;
  for (int k = 0; k <= h.nr; ++k)
    phet = phet + proportion(h.degree(d, k), known, astrix) *
                      (static_cast<float>(k) / static_cast<float>(h.nr));
  return phet;
}

}  // namespace

void hetout(RunState& rs, Work& w) {
  const Param& p = rs.param;
  io::Unit& o = rs.out();
  const int kc = p.kc;
  const int maxp = p.maxp;
  const float astrix = p.astrix;
  const HetCounts h = load_counts(rs, w, kc);
  const int nr = h.nr;
  for (int d = 1; d <= maxp; ++d) {
    w.nknow(d) = h.degree(d, nr + 1);
    w.nunkno(d) = h.degree(d, nr + 2);
  }
  auto each_block = [&](auto body) { kit::blocks(o, maxp, p.iwidth, "", body); };
  auto ints = [&](const std::string& lead, int j1, int j2, const Arr1<int>& v) {
    o.line(kit::row(lead, j1, j2, "     ", [&](int d) { return fi(v(d), 5); }));
  };
  auto reals = [&](int j1, int j2, const Arr1<float>& v) {
    o.line(kit::row(rep(' ', 12), j1, j2, "  ", [&](int d) { return ff(v(d), 8, 3); }));
  };
  auto locus_genotypes = [&] {
    o.line("OF PROBES WITH COMPLETELY IDENTIFIED" + fi(nr, 3) + "-LOCUS GENOTYPES");
  };

  // 1. Heading
  kit::title(o, '=', "Heterozygosity");

  // 2. Sample sizes
  for (int d = 1; d <= maxp; ++d) w.nlsum(d) = w.nknow(d) + w.nunkno(d);  // the deme sizes
  each_block([&](int j1, int j2) {
    o.line(kit::deme_row(w, j1, j2));
    ints("Deme size      ", j1, j2, w.nlsum);
    ints("No. identified ", j1, j2, w.nknow);
    ints("No. unknown    ", j1, j2, w.nunkno);
  });
  // The frequency report gives the same sizes for the genotypes; rows only when it did not run.
  if (rs.names.aprog(prog::frequencies) != 'y') {
    for (int d = 1; d <= maxp; ++d) {
      long_deme_n(rs, w, "sample_size", d, w.nknow(d) + w.nunkno(d));
      long_deme_n(rs, w, "identified", d, w.nknow(d));
      long_deme_n(rs, w, "unknown", d, w.nunkno(d));
    }
  }

  if (nr == 1) {
    // 3. Single locus: proportion of heterozygotes and conditional heterozygosity
    for (int d = 1; d <= maxp; ++d) w.het(d) = proportion(h.degree(d, 1), w.nknow(d), astrix);
    const bool over = w.nptr1(kc) > w.mxall;
    for (int d = 1; d <= maxp; ++d) w.chet(d) = over ? astrix : conditional(rs, w, kc, d);
    o.nl();
    o.line("PROPORTION OF HETEROZYGOSITY");
    each_block([&](int j1, int j2) {
      o.line(kit::deme_row(w, j1, j2));
      reals(j1, j2, w.het);
    });
    o.nl();
    o.line("CONDITIONAL HETEROZYGOSITY");
    if (over) {
      // the gene counts per allele are held for at most `mxall` alleles
      o.line("** Locus_has_more_than " + std::to_string(w.mxall) +
             " alleles_-_not_calculable_(raise_the_limit_with_-maxall=)");
    } else {
      each_block([&](int j1, int j2) {
        o.line(kit::deme_row(w, j1, j2));
        reals(j1, j2, w.chet);
      });
    }
    for (int d = 1; d <= maxp; ++d) {
      long_deme(rs, w, "heterozygosity_observed", d, w.het(d));
      long_deme(rs, w, "heterozygosity_conditional", d, w.chet(d));
    }
    return;
  }

  // 4. Several loci: distribution of the number of heterozygous loci per identified individual,
  //    and its mean. A row of the distribution stands in a block when some deme of the block
  //    holds an individual of that degree.
  for (int d = 1; d <= maxp; ++d) {
    w.chet(d) = astrix;
    w.phet(d) = mean_degree(h, d, w.nknow(d), astrix);
  }
  o.nl();
  o.line("DISTRIBUTION OF DEGREE OF HETEROZYGOSITY");
  locus_genotypes();
  each_block([&](int j1, int j2) {
    o.line(kit::deme_row(w, j1, j2));
    for (int d = j1; d <= j2; ++d) w.nlsum(d) = 0;
    for (int k = 0; k <= nr; ++k) {
      bool any = false;
      for (int d = j1; d <= j2; ++d) {
        w.nhet(d) = w.nknow(d) > 0 ? h.degree(d, k) : 0;
        w.nlsum(d) += w.nhet(d);
        any = any || w.nhet(d) >= 1;
      }
      if (!any) continue;
      ints("hloc= " + fi(k, 3) + rep(' ', 6), j1, j2, w.nhet);
      for (int d = j1; d <= j2; ++d) w.het(d) = proportion(w.nhet(d), w.nknow(d), astrix);
      o.line(kit::row_after(rep(' ', 11), j1, j2, "",
                            [&](int d) { return "(" + ff(w.het(d), 8, 3) + ")"; }));
      // the row as printed: type holds the number of heterozygous loci
      for (int d = j1; d <= j2; ++d) {
        long_deme_n(rs, w, "heterozygosity_degree_count", d, w.nhet(d), std::to_string(k));
        long_deme(rs, w, "heterozygosity_degree_proportion", d, w.het(d), std::to_string(k));
      }
    }
    o.line(kit::row_after(rep(' ', 13), j1, j2, "  ", [](int) { return rep('-', 8); }));
    ints(rep(' ', 15), j1, j2, w.nlsum);
  });

  o.nl();
  o.line("AVERAGE DEGREE OF HETEROZYGOSITY");
  locus_genotypes();
  each_block([&](int j1, int j2) {
    o.line(kit::deme_row(w, j1, j2));
    reals(j1, j2, w.phet);
  });
  for (int d = 1; d <= maxp; ++d) long_deme(rs, w, "heterozygosity_mean_degree", d, w.phet(d));
}

}  // namespace tolm
