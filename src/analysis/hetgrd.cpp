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

#include "core/records.h"
#include "io/fixw.h"
#include "report/longtable.h"

namespace tolm {

namespace {

using io::ff;
using io::fi;
using io::rep;

const float fudge = 0.00001f;  // tolerance of the test for a monomorphic locus

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
    const int n = sread(rs, 22, rec22(p, g, kc, w.nprb(d)));
    w.nada(a1) += n;
    w.nada(a2) += n;
  }
  const float genes = static_cast<float>(2 * w.nknow(d));
  for (int a = 1; a <= w.mxall; ++a) {
    const float ha = static_cast<float>(w.nada(a)) / genes;
    if (ha > 1.0f - fudge) return astrix;
    if (ha > 0.5f) {
      const float hmax = 2.0f * (1.0f - ha);
      return w.het(d) / hmax;
    }
  }
  return w.het(d);
}

}  // namespace

void hetout(RunState& rs, Work& w) {
  const Param& p = rs.param;
  io::Unit& o = rs.out();
  const int kc = p.kc;
  const int nr = w.nrloc(kc);
  const int maxp = p.maxp;
  const int iw = std::max(1, p.iwidth);
  const float astrix = p.astrix;
  // the count block of display deme d
  auto rec26 = [&](int d, int r) {
    const long base =
        static_cast<long>(p.mxnrlc + 3) * (static_cast<long>(p.np) * (kc - 1) + w.nprb(d) - 1);
    return sread(rs, 26, base + r);
  };
  auto each_block = [&](auto body) {
    for (int j1 = 1; j1 <= maxp; j1 += iw) {
      if (j1 > 1) o.nl();
      body(j1, std::min(maxp, j1 + iw - 1));
    }
  };
  auto ints = [&](const std::string& lead, int j1, int j2, const Arr1<int>& v) {
    std::string s = lead;
    for (int d = j1; d <= j2; ++d) s += (d > j1 ? rep(' ', 5) : "") + fi(v(d), 5);
    o.line(s);
  };
  auto reals = [&](int j1, int j2, const Arr1<float>& v) {
    std::string s = rep(' ', 12);
    for (int d = j1; d <= j2; ++d) s += (d > j1 ? "  " : "") + ff(v(d), 8, 3);
    o.line(s);
  };
  auto locus_genotypes = [&] {
    o.line("OF PROBES WITH COMPLETELY IDENTIFIED" + fi(nr, 3) + "-LOCUS GENOTYPES");
  };

  // 1. Heading
  o.nl();
  o.line(rep('=', 72));
  o.line("Heterozygosity");
  o.line(rep('=', 72));

  // 2. Sample sizes
  each_block([&](int j1, int j2) {
    for (int d = j1; d <= j2; ++d) {
      w.nknow(d) = rec26(d, p.mxnrlc + 2);
      w.nunkno(d) = rec26(d, p.mxnrlc + 3);
      w.nlsum(d) = w.nknow(d) + w.nunkno(d);  // work: the deme size of the row below
    }
    ints("Deme           ", j1, j2, w.nprb);
    ints("Deme size      ", j1, j2, w.nlsum);
    ints("No. identified ", j1, j2, w.nknow);
    ints("No. unknown    ", j1, j2, w.nunkno);
  });
  // The frequency report gives the same sizes for the genotypes; rows only when it did not run.
  if (rs.names.aprog(1) != 'y') {
    for (int d = 1; d <= maxp; ++d) {
      long_deme_n(rs, w, "sample_size", d, w.nknow(d) + w.nunkno(d));
      long_deme_n(rs, w, "identified", d, w.nknow(d));
      long_deme_n(rs, w, "unknown", d, w.nunkno(d));
    }
  }

  if (nr == 1) {
    // 3. Single locus: proportion of heterozygotes and conditional heterozygosity
    o.nl();
    o.line("PROPORTION OF HETEROZYGOSITY");
    each_block([&](int j1, int j2) {
      for (int d = j1; d <= j2; ++d)
        w.het(d) = w.nknow(d) < 1
                       ? astrix
                       : static_cast<float>(rec26(d, 2)) / static_cast<float>(w.nknow(d));
      ints("Deme           ", j1, j2, w.nprb);
      reals(j1, j2, w.het);
    });
    o.nl();
    o.line("CONDITIONAL HETEROZYGOSITY");
    if (w.nptr1(kc) > w.mxall) {
      // the gene counts per allele are held for at most `mxall` alleles
      o.line("** Locus_has_more_than " + std::to_string(w.mxall) +
             " alleles_-_not_calculable_(raise_the_limit_with_-maxall=)");
      for (int d = 1; d <= maxp; ++d) w.chet(d) = astrix;
    } else {
      each_block([&](int j1, int j2) {
        for (int d = j1; d <= j2; ++d) w.chet(d) = conditional(rs, w, kc, d);
        ints("Deme           ", j1, j2, w.nprb);
        reals(j1, j2, w.chet);
      });
    }
    for (int d = 1; d <= maxp; ++d) {
      long_deme(rs, w, "heterozygosity_observed", d, w.het(d));
      long_deme(rs, w, "heterozygosity_conditional", d, w.chet(d));
    }
    return;
  }

  // 4. Several loci: distribution of the number of heterozygous loci per identified individual
  o.nl();
  o.line("DISTRIBUTION OF DEGREE OF HETEROZYGOSITY");
  locus_genotypes();
  each_block([&](int j1, int j2) {
    ints("Deme           ", j1, j2, w.nprb);
    for (int d = j1; d <= j2; ++d) {
      w.nlsum(d) = 0;
      w.chet(d) = astrix;
      w.phet(d) = 0.0f;
    }
    for (int k = 0; k <= nr; ++k) {
      bool any = false;
      for (int d = j1; d <= j2; ++d) {
        w.nhet(d) = w.nknow(d) > 0 ? rec26(d, k + 1) : 0;
        w.nlsum(d) += w.nhet(d);
        any = any || w.nhet(d) >= 1;
      }
      if (!any) continue;
      ints("hloc= " + fi(k, 3) + rep(' ', 6), j1, j2, w.nhet);
      std::string s = rep(' ', 11);
      for (int d = j1; d <= j2; ++d) {
        if (w.nknow(d) < 1) {
          w.het(d) = w.phet(d) = astrix;
        } else {
          w.het(d) = static_cast<float>(w.nhet(d)) / static_cast<float>(w.nknow(d));
          w.phet(d) = w.phet(d) + w.het(d) * (static_cast<float>(k) / static_cast<float>(nr));
        }
        s += "(" + ff(w.het(d), 8, 3) + ")";
      }
      o.line(s);
      // the row as printed: type holds the number of heterozygous loci
      for (int d = j1; d <= j2; ++d) {
        long_deme_n(rs, w, "heterozygosity_degree_count", d, w.nhet(d), std::to_string(k));
        long_deme(rs, w, "heterozygosity_degree_proportion", d, w.het(d), std::to_string(k));
      }
    }
    // a deme without data has no average, whatever its neighbours hold
    for (int d = j1; d <= j2; ++d)
      if (w.nknow(d) < 1) w.phet(d) = astrix;
    std::string dash = rep(' ', 13);
    for (int d = j1; d <= j2; ++d) dash += rep('-', 8) + "  ";
    o.line(dash);
    ints(rep(' ', 15), j1, j2, w.nlsum);
  });

  o.nl();
  o.line("AVERAGE DEGREE OF HETEROZYGOSITY");
  locus_genotypes();
  each_block([&](int j1, int j2) {
    ints("Deme           ", j1, j2, w.nprb);
    reals(j1, j2, w.phet);
  });
  for (int d = 1; d <= maxp; ++d) long_deme(rs, w, "heterozygosity_mean_degree", d, w.phet(d));
}

}  // namespace tolm
