// Analysis driver for one locus combination `kc`: its heading in the results, the kinds of
// distribution its data allow (maternal and paternal contributions and multilocus haplotypes
// need gametic sex in the demes), the deme sizes `nsam`, and the chosen analyses section by
// section, then the tests of genotypic structure.
//
// Reads the choices `frqstr`, `aprog`, `idoparsub`, `idopartab`, `loctyp` and the gametic-sex
// flags `kmbord`; sets `nyw`, `nym`, `nys`, `nyg`, `nsumn` and `mal` for the analyses it calls.
#include "analysis/frqpar.h"

#include <string>
#include <vector>

#include "analysis/frqout.h"
#include "analysis/hetgrd.h"
#include "analysis/parsub.h"
#include "analysis/partab.h"
#include "core/records.h"
#include "io/fixw.h"
#include "report/kit.h"
#include "stattest/strtst.h"

namespace tolm {

namespace {

using io::fa;
using io::fi;
using io::rep;

void heading(RunState& rs, Work& w, int kc) {
  auto locus = [&](int i) {
    const int l = w.loccmb(kc, i);
    return "Locus " + fi(l, 3) + " - " + fa(w.locnam(l), 12);
  };
  std::vector<std::string> lines;
  if (rs.param.loctyp < 2) {
    lines.push_back(locus(1));
  } else {
    for (int i = 1; i <= w.nrloc(kc); ++i)
      lines.push_back((i == 1 ? "Combination_No." + fi(kc, 3) + " :" + rep(' ', 6) : rep(' ', 26)) +
                      locus(i));
  }
  kit::title(rs.out(), '*', lines);
}

const char* title(int mal, bool single, bool ordered) {
  switch (mal) {
    case 1:
      return single ? "Allele_frequencies_among_maternal_contributions"
                    : "Haplotype_frequencies_among_maternal_contributions";
    case 2:
      return single ? "Allele_frequencies_among_paternal_contributions"
                    : "Haplotype_frequencies_among_paternal_contributions";
    case 3:
      return single ? "Allele_frequencies_among_individuals_of_identified_genotype"
                    : "Haplotype_frequencies_among_individuals_of_identified_genotype";
    default:
      return ordered ? "Ordered_genotype_frequencies_(maternal_x_paternal)"
                     : "Genotype_frequencies";
  }
}

}  // namespace

void frqpar(RunState& rs, Work& w) {
  Param& p = rs.param;
  const Names& nm = rs.names;
  io::Unit& o = rs.out();
  const int kc = p.kc;
  const bool single = w.nrloc(kc) == 1;
  const bool het_chosen = nm.aprog(prog::heterozygosity) == 'y';

  // 1. Heading of the combination
  heading(rs, w, kc);

  // 2.-6. The kinds the data allow
  p.nsumn = 0;
  int all_sexed = 1;
  for (int i = 1; i <= p.maxp; ++i) {
    const int k = w.kmbord(kc, w.nprb(i));
    p.nsumn += k;
    all_sexed *= k;
  }
  p.nyw = p.nym = p.nys = p.nyg = 0;
  if (nm.frqstr(kind::maternal) == 'y') {
    if (p.nsumn > 0)
      p.nyw = 1;
    else
      o.line(single ? "** Allele_frequencies_among_maternal_contributions_not_specifiable"
                    : "** Haplotype_frequencies_among_maternal_contributions_not_specifiable");
  }
  if (nm.frqstr(kind::paternal) == 'y') {
    if (p.nsumn > 0)
      p.nym = 1;
    else
      o.line(single ? "** Allele_frequencies_among_paternal_contributions_not_specifiable"
                    : "** Haplotype_frequencies_among_paternal_contributions_not_specifiable");
  }
  if (nm.frqstr(kind::alleles) == 'y') {
    if (single || p.nsumn > 0)
      p.nys = 1;
    else
      o.line("** Haplotype_frequencies_not_specifiable");
  }
  if (nm.frqstr(kind::genotypes) == 'y') p.nyg = 1;

  if (p.nyw == 1 || p.nym == 1 || p.nys == 1 || p.nyg == 1 || het_chosen) {
    // 8. Demes must agree on gametic sex before maternal, paternal or ordered types compare
    if (p.nsumn > 0 && all_sexed == 0) {
      o.line("** Demes_differ_in_gametic_sex_specification");
      if (!single) {
        o.line("** No_calculations_are_possible");
        return;
      }
      o.line("** Only_allelic_frequencies_can_be_compared");
      p.nyw = p.nym = p.nyg = 0;
    }

    // 9. Deme sizes: every individual counted for the combination has one first contribution
    for (int i = 1; i <= p.maxp; ++i) {
      const long kp = w.nprb(i);
      int n = 0;
      for (long h = 0; h <= w.nptr1(kc); ++h) n += type_count(rs, kind::maternal, h, kc, kp);
      w.nsam(i) = n;
    }

    // 10. Sections
    const int flag[5] = {0, p.nyw, p.nym, p.nys, p.nyg};
    for (int mal = 1; mal <= kind::genotypes; ++mal) {
      if (flag[mal] != 1) continue;
      kit::title(o, '=', title(mal, single, all_sexed == 1));
      p.mal = mal;
      if (nm.aprog(prog::frequencies) == 'y') frqout(rs, w);
      if (p.idoparsub == 1) parsub(rs, w);
      if (mal == kind::genotypes && het_chosen) hetout(rs, w);
      if (p.idopartab == 1) partab(rs, w, 0);
    }
  }

  // 11. Tests of genotypic structure
  if (nm.aprog(prog::hardyweinberg) == 'y' || nm.aprog(prog::product) == 'y') strtst(rs, w);
}

}  // namespace tolm
