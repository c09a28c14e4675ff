// Tests of genotypic structure: Hardy-Weinberg genotype and heterozygosity tests and the test of
// product structure, per deme and single locus.
#include "stattest/strtst.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/records.h"
#include "io/fixw.h"
#include "report/kit.h"
#include "stattest/exactout.h"
#include "stattest/homtst.h"

namespace tolm {

using io::ff;
using io::fi;
using io::rep;

namespace {

// A row's cells end with " |" in place of their last two blank columns.
void close_row(std::string& s) {
  if (s.size() >= 2) s.replace(s.size() - 2, 2, " |");
}

}  // namespace

void strtst(RunState& rs, Work& w) {
  Param& p = rs.param;
  io::Unit& o = rs.out();
  const bool dohw = rs.names.aprog(prog::hardyweinberg) == 'y';
  const bool doprod = rs.names.aprog(prog::product) == 'y';

  if (w.nrloc(p.kc) > 1) {
    o.nl();
    o.line(rep('-', 55));
    o.line("** Combination " + fi(p.kc, 2) + " is_not_a_single_locus:");
    if (dohw) o.line("** Test_of_Hardy-Weinberg_structure_is_not_possible");
    if (doprod) o.line("** Test_of_product_structure_is_not_possible");
    o.line(rep('-', 55));
    return;
  }

  p.kl = w.loccmb(p.kc, 1);
  // The tables of the tests hold one row and column per allele, up to the type limit.
  if (w.nptr1(p.kc) > w.mxall) {
    o.nl();
    o.line("** Locus_has_more_than " + std::to_string(w.mxall) +
           " alleles_-_structure_not_testable_(raise_the_limit_with_-maxall=)");
    return;
  }

  const std::vector<DemeExact> ex = exstr(rs, w, dohw, doprod);
  for (int i = 1; i <= p.maxp; ++i) {
    p.kp = w.nprb(i);
    const DemeExact& dex = ex[static_cast<size_t>(i - 1)];
    kit::title(o, '*',
               {"Locus " + fi(p.kl, 3) + " - " + io::trim(w.locnam(p.kl)),
                "Deme  " + fi(p.kp, 3) + " - " + io::trim(w.prbnam(p.kp))});

    p.kog = 0;
    for (int g = 1; g <= w.nptr2(p.kc); ++g)
      p.kog += sread(rs, ch::gencnt, rec22(p, g, p.kc, p.kp));
    const int u = sread(rs, ch::gencnt, rec22(p, 0, p.kc, p.kp));
    o.line(io::rpad("Deme_size", 38) + fi(p.kog + u, 5));
    o.line("No._individuals_of_identified_genotype" + fi(p.kog, 5));
    o.line(io::rpad("No._individuals_of_unknown_genotype", 38) + fi(u, 5));

    if (p.kog <= 0) continue;
    if (dohw) {
      rs.names.modus = "HARDYWB";
      tsthwp(rs, w, &dex);
    }
    if (doprod) {
      rs.names.modus = "PRODUCT";
      tsthwp(rs, w, &dex);
    }
  }
}

namespace {

// The cells of one test as computed from the deme's frequencies: the statistics, and for the
// Hardy-Weinberg test the observed and expected homozygotes and heterozygotes.
struct Cells {
  kit::ChiSquare chi;
  int nrow = 0, ncell = 0;
  float ohom = 0.0f, ehom = 0.0f, ohet = 0.0f, ehet = 0.0f;
};

// The column alleles of the test into `nada` (their number in `na`); false when one allele holds
// (nearly) all genes of the deme.
bool column_alleles(Work& w, int mxkg, int& na) {
  na = 0;
  for (int k = 1; k <= mxkg; ++k) {
    if (w.pm(k) < kit::fudge) continue;
    if (w.pm(k) + w.pw(k) > 2.0f - kit::fudge) return false;
    w.nada(++na) = k;
  }
  return true;
}

// Expectations of the cells into `xpec` and the sums of the statistics, rows in allele order and
// the columns of a row from the last to the first (the Hardy-Weinberg table only down to the
// diagonal): the order of the sums.
Cells cells(Work& w, const Ngeno& ngeno, int mxkg, int na, bool hw, float kog, float minexp) {
  const int nfac = hw ? 2 : 1;
  Cells c;
  for (int r = 1; r <= mxkg; ++r) {
    if (w.pw(r) < kit::fudge) continue;
    ++c.nrow;
    for (int i = na; i >= 1; --i) {
      const int col = w.nada(i);
      if (hw && col < r) break;
      const float ob = static_cast<float>(ngeno(r, col));
      float e = static_cast<float>(nfac) * w.pw(r) * w.pm(col) * kog;
      if (hw && r == col) e = e / 2.0f;
      w.xpec(r, col) = e;
      ++c.ncell;
      if (hw) {
        if (r == col) {
          c.ohom += ob;
          c.ehom += e;
        } else {
          c.ohet += ob;
          c.ehet += e;
        }
      }
      if (e < minexp) c.chi.ismall = 1;
      c.chi.cell(ob, e);
    }
  }
  return c;
}

// Heterozygosity test: homozygotes against heterozygotes, one degree of freedom.
void hetero_test(RunState& rs, Work& w, const Cells& c, float minexp, const DemeExact* ex) {
  io::Unit& o = rs.out();
  rs.names.modus = "HWHETER";
  kit::title(o, '=', "Test_of_Hardy-Weinberg_Heterozygosity");
  o.nl();
  // the fixed lines of the block, made once
  static const std::string head = rep(' ', 6) + "Homozygotes Heterozygotes";
  static const std::string rule = rep(' ', 6) + rep('-', 25);
  static const std::string excess_het =
      rep(' ', 6) + "Heterozygote_excess_over_Hardy-Weinberg_expectation";
  static const std::string excess_hom =
      rep(' ', 6) + "Homozygote_excess_over_Hardy-Weinberg_expectation";
  o.line(head);
  o.line(rule);
  o.line(rep(' ', 7) + "O" + fi(nint(c.ohom), 5) + rep(' ', 5) + fi(nint(c.ohet), 5));
  o.line(rep(' ', 7) + "E " + ff(c.ehom, 8, 2) + "  " + ff(c.ehet, 8, 2) + " ");
  o.line(rule);
  if (c.ohet > c.ehet) o.line(excess_het);
  if (c.ohom > c.ehom) o.line(excess_hom);
  kit::ChiSquare chi;
  if (c.ehom < minexp || c.ehet < minexp) chi.ismall = 1;
  chi.cell(c.ohet, c.ehet);
  chi.cell(c.ohom, c.ehom);
  int isignf = 0;
  test(rs, chi, 1, isignf);
  chisq_rows(rs, w, "hw_heterozygosity", rs.param.kp, chi.gstat(), chi.x2, 1);
  if (ex) exstr_block(rs, w, *ex, 1);
}

}  // namespace

void tsthwp(RunState& rs, Work& w, const DemeExact* ex) {
  Param& p = rs.param;
  io::Unit& o = rs.out();
  const bool hw = rs.names.modus == "HARDYWB";
  // Gametic sex is a property of the deme's own locus lists, not of the last list read.
  const bool sexknown = w.kmbord(p.kc, p.kp) == 1;

  // 1. Title
  kit::title(o, '=',
             !hw        ? "Test_of_Product_Structure"
             : sexknown ? "Test_of_Hardy-Weinberg_Structure_(Gametic_sex_disregarded)"
                        : "Test_of_Hardy-Weinberg_Structure");
  if (!hw && !sexknown) {
    o.line(std::string("** Product_structure_not_") + "calculable_-_Gametic_sex_not_specified");
    return;
  }

  // 2. Counts and allele frequencies
  const int nfac = hw ? 2 : 1;
  // kept from test to test: a test costs the cells of its locus's alleles, not an allocation
  static thread_local Ngeno ngeno;
  int mxkg = 0;
  rdfreq(rs, w, ngeno, mxkg);

  // 3. Column alleles
  int na = 0;
  if (!column_alleles(w, mxkg, na)) {
    o.line("** Locus_monomorphic_-_nothing_to_test");
    return;
  }

  // 4. Cells: expectations and the sums of the statistics
  const float minexp = static_cast<float>(p.minexp);
  const Cells c = cells(w, ngeno, mxkg, na, hw, static_cast<float>(p.kog), minexp);
  if (c.ncell == 1) {
    o.line("** Only_one_genotype_-_nothing_to_test");
    return;
  }

  // 5. Table and judgement
  const int ndf = hw ? na * (na - 1) / 2 : c.ncell - na - c.nrow + 1;
  tabout(rs, w, ngeno, mxkg, na, nfac);
  int isignf = 0;
  test(rs, c.chi, ndf, isignf);
  chisq_rows(rs, w, hw ? "hardy_weinberg" : "product_structure", p.kp, c.chi.gstat(), c.chi.x2,
             ndf);
  if (ex) exstr_block(rs, w, *ex, hw ? 0 : 2);

  // 6. Heterozygosity test
  if (hw) hetero_test(rs, w, c, minexp, ex);
}

void rdfreq(RunState& rs, Work& w, Ngeno& ngeno, int& mxkg) {
  Param& p = rs.param;
  const int T = w.nptr1(p.kc);
  const bool hw = rs.names.modus == "HARDYWB";

  // 1. Output position of each allele
  for (int k = 1; k <= T; ++k) {
    const int h = sread(rs, ch::hapord, rec24(p, k, p.kc));
    if (h >= 1 && h <= T) w.lextyp(h) = k;
  }

  // 2. Clear the tables, as far as the positions of this locus reach (`lextyp` of an allele
  // the order did not name keeps an earlier position, never beyond `mxall`)
  int P = 0;
  for (int h = 1; h <= T; ++h) P = std::max(P, w.lextyp(h));
  for (int k = 1; k <= P; ++k) w.pw(k) = w.pm(k) = 0.0f;
  ngeno.resize(0, P, 0, P, 0);
  w.xpec.fill_block(0, P, 0, P, 0.0f);
  mxkg = 0;

  // 3. Genotype counts by (first, second) allele position. The loops of the tests run over
  // positions, so their bound is the largest position the deme holds, not the largest index.
  for (int j = 1; j <= w.nptr2(p.kc); ++j) {
    const int g = sread(rs, ch::genord, rec25(p, j, p.kc));
    const int n = sread(rs, ch::gencnt, rec22(p, g, p.kc, p.kp));
    int h1 = 0, h2 = 0;
    sread23(rs, rec23(p, g, p.kc), h1, h2);
    if (g < 1 || h1 < 1 || h1 > T || h2 < 1 || h2 > T) continue;
    const int a1 = sread(rs, ch::hapall, rec21(p, h1, p.kc, 1));
    const int a2 = sread(rs, ch::hapall, rec21(p, h2, p.kc, 1));
    const int p1 = w.lextyp(h1), p2 = w.lextyp(h2);
    w.pw(p1) += static_cast<float>(n);
    w.pm(p2) += static_cast<float>(n);
    ngeno(p1, p2) = n;
    w.irealt(p1) = a1;
    w.irealt(p2) = a2;
    if (n > 0) mxkg = std::max({mxkg, p1, p2});
  }

  // 4./5. Frequencies: maternal and paternal apart, or pooled with the table folded
  const float kog = static_cast<float>(p.kog);
  if (!hw) {
    for (int k = 1; k <= mxkg; ++k) {
      w.pw(k) = w.pw(k) / kog;
      w.pm(k) = w.pm(k) / kog;
    }
    return;
  }
  for (int i = 1; i <= mxkg; ++i)
    for (int j = i + 1; j <= mxkg; ++j) {
      ngeno(i, j) = ngeno(i, j) + ngeno(j, i);
      ngeno(j, i) = 0;
    }
  for (int k = 1; k <= mxkg; ++k) {
    w.pw(k) = (w.pw(k) + w.pm(k)) * 0.5f / kog;
    w.pm(k) = w.pw(k);
  }
}

void tabout(RunState& rs, Work& w, const Ngeno& ngeno, int mxkg, int npater, int nfac) {
  Param& p = rs.param;
  io::Unit& o = rs.out();
  const bool hw = nfac == 2;
  const std::string lab1 = hw ? "Allele  " : "Maternal";
  const std::string lab2 = hw ? "        " : " allele ";
  const std::string lab3 = hw ? "        " : "   Freq.";
  const float kog = static_cast<float>(p.kog);
  const float genes = static_cast<float>(nfac) * kog;

  o.nl();
  if (!hw) o.line(rep(' ', 8) + "Paternal_allele");
  // the paternal (column) alleles in blocks of `iwidth`
  kit::blocks(o, npater, p.iwidth, " ", [&](int f, int l) {
    const int n = l - f + 1;
    const bool last = l == npater;
    const std::string rule = rep('-', 10 * n) + (last ? "------" : "-");

    const std::string s =
        kit::row_after(lab1, f, l, "     ", [&](int i) { return fi(w.irealt(w.nada(i)), 5); });
    o.line(last ? s + "Freq." : s);
    o.line(lab2.substr(0, 7) + rule);

    for (int r = 1; r <= mxkg; ++r) {
      if (w.pw(r) < kit::fudge) continue;
      int first = f;  // first column of the block shown in this row
      if (hw)
        while (first <= l && w.nada(first) < r) ++first;
      const int s_n = l - first + 1;
      if (s_n == 0) {
        o.line(rep(' ', 7) + rule);
        return;
      }
      std::string cnt, exv;
      cnt.reserve(static_cast<size_t>(10 * n + 16));
      exv.reserve(static_cast<size_t>(10 * n + 16));
      io::append_int(cnt, w.irealt(r), 5);
      cnt += "  O";
      cnt.append(static_cast<size_t>(10 * (n - s_n)), ' ');
      exv.append(7, ' ');
      exv += 'E';
      exv.append(static_cast<size_t>(10 * (n - s_n)), ' ');
      for (int i = first; i <= l; ++i) {
        const int c = w.nada(i);
        io::append_int(cnt, ngeno(r, c), 5);
        cnt.append(5, ' ');
        exv += ff(w.xpec(r, c), 8, 2);
        exv += "  ";
      }
      close_row(cnt);
      close_row(exv);
      if (last) io::append_int(cnt, nint(genes * w.pw(r)), 5);
      o.line(cnt);
      o.line(exv);
    }

    o.line(rep(' ', 7) + rule);
    if (hw) {
      if (last) o.line(lab3 + rep(' ', 10 * n) + " |" + fi(nint(genes), 5));
    } else {
      std::string freq = kit::row_after(
          lab3, f, l, "     ", [&](int i) { return fi(nint(genes * w.pm(w.nada(i))), 5); });
      if (last) freq += " |" + fi(p.kog, 5);
      o.line(freq);
    }
    o.nl();
  });
}

}  // namespace tolm
