// Homogeneity test among demes and the chi-square judge shared by all tests.
#include "stattest/homtst.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/records.h"
#include "io/fixw.h"
#include "report/kit.h"
#include "stattest/exactout.h"

namespace tolm {

using io::ff;
using io::fi;
using io::rep;

namespace {

// Upper 5 %, 1 % and 0.1 % points of chi-square for 1..100 degrees of freedom, made by
// scripts/chisq-table.py (bisection on the regularised incomplete gamma function).
const float chisq1[100] = {
    3.841f,   5.991f,   7.815f,   9.488f,   11.070f,  12.592f,  14.067f,  15.507f,  16.919f,
    18.307f,  19.675f,  21.026f,  22.362f,  23.685f,  24.996f,  26.296f,  27.587f,  28.869f,
    30.144f,  31.410f,  32.671f,  33.924f,  35.172f,  36.415f,  37.652f,  38.885f,  40.113f,
    41.337f,  42.557f,  43.773f,  44.985f,  46.194f,  47.400f,  48.602f,  49.802f,  50.998f,
    52.192f,  53.384f,  54.572f,  55.758f,  56.942f,  58.124f,  59.304f,  60.481f,  61.656f,
    62.830f,  64.001f,  65.171f,  66.339f,  67.505f,  68.669f,  69.832f,  70.993f,  72.153f,
    73.311f,  74.468f,  75.624f,  76.778f,  77.931f,  79.082f,  80.232f,  81.381f,  82.529f,
    83.675f,  84.821f,  85.965f,  87.108f,  88.250f,  89.391f,  90.531f,  91.670f,  92.808f,
    93.945f,  95.081f,  96.217f,  97.351f,  98.484f,  99.617f,  100.749f, 101.879f, 103.010f,
    104.139f, 105.267f, 106.395f, 107.522f, 108.648f, 109.773f, 110.898f, 112.022f, 113.145f,
    114.268f, 115.390f, 116.511f, 117.632f, 118.752f, 119.871f, 120.990f, 122.108f, 123.225f,
    124.342f,
};
const float chisq2[100] = {
    6.635f,   9.210f,   11.345f,  13.277f,  15.086f,  16.812f,  18.475f,  20.090f,  21.666f,
    23.209f,  24.725f,  26.217f,  27.688f,  29.141f,  30.578f,  32.000f,  33.409f,  34.805f,
    36.191f,  37.566f,  38.932f,  40.289f,  41.638f,  42.980f,  44.314f,  45.642f,  46.963f,
    48.278f,  49.588f,  50.892f,  52.191f,  53.486f,  54.776f,  56.061f,  57.342f,  58.619f,
    59.893f,  61.162f,  62.428f,  63.691f,  64.950f,  66.206f,  67.459f,  68.710f,  69.957f,
    71.201f,  72.443f,  73.683f,  74.919f,  76.154f,  77.386f,  78.616f,  79.843f,  81.069f,
    82.292f,  83.513f,  84.733f,  85.950f,  87.166f,  88.379f,  89.591f,  90.802f,  92.010f,
    93.217f,  94.422f,  95.626f,  96.828f,  98.028f,  99.228f,  100.425f, 101.621f, 102.816f,
    104.010f, 105.202f, 106.393f, 107.583f, 108.771f, 109.958f, 111.144f, 112.329f, 113.512f,
    114.695f, 115.876f, 117.057f, 118.236f, 119.414f, 120.591f, 121.767f, 122.942f, 124.116f,
    125.289f, 126.462f, 127.633f, 128.803f, 129.973f, 131.141f, 132.309f, 133.476f, 134.642f,
    135.807f,
};
const float chisq3[100] = {
    10.828f,  13.816f,  16.266f,  18.467f,  20.515f,  22.458f,  24.322f,  26.124f,  27.877f,
    29.588f,  31.264f,  32.909f,  34.528f,  36.123f,  37.697f,  39.252f,  40.790f,  42.312f,
    43.820f,  45.315f,  46.797f,  48.268f,  49.728f,  51.179f,  52.620f,  54.052f,  55.476f,
    56.892f,  58.301f,  59.703f,  61.098f,  62.487f,  63.870f,  65.247f,  66.619f,  67.985f,
    69.346f,  70.703f,  72.055f,  73.402f,  74.745f,  76.084f,  77.419f,  78.750f,  80.077f,
    81.400f,  82.720f,  84.037f,  85.351f,  86.661f,  87.968f,  89.272f,  90.573f,  91.872f,
    93.168f,  94.461f,  95.751f,  97.039f,  98.324f,  99.607f,  100.888f, 102.166f, 103.442f,
    104.716f, 105.988f, 107.258f, 108.526f, 109.791f, 111.055f, 112.317f, 113.577f, 114.835f,
    116.092f, 117.346f, 118.599f, 119.850f, 121.100f, 122.348f, 123.594f, 124.839f, 126.083f,
    127.324f, 128.565f, 129.804f, 131.041f, 132.277f, 133.512f, 134.745f, 135.978f, 137.208f,
    138.438f, 139.666f, 140.893f, 142.119f, 143.344f, 144.567f, 145.789f, 147.010f, 148.230f,
    149.449f,
};

// Allele at locus x of the combination of haplotype h.
int hapall(RunState& rs, long h, int x) {
  const Param& p = rs.param;
  return sread(rs, ch::hapall, rec21(p, h, p.kc, x));
}

// The row label of a block: first block carries the row total column.
std::string rowlab(bool geno, bool multi, bool first) {
  if (geno) return first ? "Genotype/ Sum " : "Genotype      ";
  if (multi) return first ? "Haplotype/Sum " : "Haplotype     ";
  return first ? "Allele/   Sum " : "Allele        ";
}

// Writes the observed and expected table of U kept rows, in blocks of `iwidth` demes.
void homtab(RunState& rs, Work& w, bool geno, int nu, float total, const std::vector<int>& data) {
  Param& p = rs.param;
  io::Unit& o = rs.out();
  const int M = p.maxp;
  const int nr = w.nrloc(p.kc);
  const bool multi = nr > 1;
  kit::blocks(o, M, p.iwidth, "  ", [&](int first, int last) {
    const int W = last - first + 1;
    const bool fb = first == 1;
    o.line(kit::deme_row(w, first, last, true));
    o.line(rowlab(geno, multi, fb) + rep('-', 10 * W));
    bool any = false;
    for (int j = first; j <= last; ++j) any = any || data[static_cast<size_t>(j)] != 0;
    if (!any) return;

    std::string s;
    for (int m = 1; m <= nu; ++m) {
      const int k = w.irealt(m);
      const int rowsum = nint(w.pw(m) + kit::fudge);
      const std::string counts =
          kit::row_after("", first, last, "     ", [&](int j) { return fi(w.ng(k, j), 5); });
      const long t = sread(rs, geno ? 25 : 24, rec24(p, k, p.kc));
      if (!geno && !multi) {
        s = fi(hapall(rs, t, 1), 6) + (fb ? "  " + fi(rowsum, 5) : rep(' ', 7)) + " O";
      } else if (!geno) {
        s = fi(k, 5) + ".  {";
        for (int x = 1; x <= nr; ++x) s += fi(hapall(rs, t, x), 3);
        o.line(s + " }");
        s = fb ? rep(' ', 8) + fi(rowsum, 5) + " O" : rep(' ', 13) + " |";
      } else {
        int h1 = 0, h2 = 0;
        sread23(rs, rec23(p, t, p.kc), h1, h2);
        if (!multi) {
          s = fi(hapall(rs, h1, 1), 3) + " x" + fi(hapall(rs, h2, 1), 3) +
              (fb ? fi(rowsum, 5) : rep(' ', 5)) + " O";
        } else {
          s = fi(k, 5) + ".  {";
          for (int x = 1; x <= nr; ++x)
            s += fi(hapall(rs, h1, x), 3) + " " + fi(hapall(rs, h2, x), 3) + "  ";
          o.line(s + " }");
          s = (fb ? rep(' ', 8) + fi(rowsum, 5) : rep(' ', 13)) + " O";
        }
      }
      o.line(s + counts);
      o.line(kit::row(rep(' ', 14) + "E", first, last, "  ",
                      [&](int j) { return ff(w.xpec(m, j), 8, 2); }));
    }

    const std::string tot = kit::row_after(
        "", first, last, "     ", [&](int j) { return fi(nint(w.pm(j) + kit::fudge), 5); });
    if (fb) {
      o.line(rep(' ', 8) + "------" + rep('-', 10 * W));
      o.line(rep(' ', 8) + fi(nint(total), 5) + " |" + tot);
    } else {
      o.line(rep(' ', 14) + rep('-', 10 * W));
      o.line(rep(' ', 15) + tot);
    }
  });
}

// The counts of the table: `ng`(k, j) of the type at output position k in analysis deme j,
// the column sums `pm`, and the kept rows (types that occur in some deme of the analysis) with
// their positions in `irealt` and their sums in `pw`. Returns the number of kept rows and their
// total, summed in type order. Leaves the last row sum in `nsumn`.
int load_rows(RunState& rs, Work& w, bool geno, int T, int R, float& total) {
  Param& p = rs.param;
  const int M = p.maxp;
  for (int m = 1; m <= R; ++m) {
    w.pw(m) = 0.0f;
    for (int j = 1; j <= M; ++j) {
      w.xpec(m, j) = 0.0f;
      w.ng(m, j) = 0;
    }
  }
  for (int j = 1; j <= M; ++j) w.pm(j) = 0.0f;

  int nu = 0;
  total = 0.0f;
  for (int k = 1; k <= T; ++k) {
    const long t = sread(rs, geno ? 25 : 24, rec24(p, k, p.kc));
    p.nsumn = 0;
    for (int j = 1; j <= M; ++j) {
      const int kp = w.nprb(j);
      const long r = geno ? rec22(p, t, p.kc, kp) : rec20(p, t, p.kc, kp, p.mal);
      if (r <= p.mind(geno ? 22 : 20)) {
        w.ng(k, j) = sread(rs, geno ? 22 : 20, r);
        w.pm(j) += static_cast<float>(w.ng(k, j));
        p.nsumn += w.ng(k, j);
      }
    }
    if (static_cast<float>(p.nsumn) >= kit::fudge) {
      ++nu;
      w.pw(nu) = static_cast<float>(p.nsumn);
      w.irealt(nu) = k;
      total += static_cast<float>(p.nsumn);
    }
  }
  return nu;
}

// Expectations of the kept cells into `xpec` and the statistics, row by row and deme by deme;
// a deme without counts has no cells.
kit::ChiSquare expect(RunState& rs, Work& w, int nu, float total) {
  const Param& p = rs.param;
  kit::ChiSquare chi;
  for (int m = 1; m <= nu; ++m) {
    const int k = w.irealt(m);
    for (int j = 1; j <= p.maxp; ++j) {
      if (w.pm(j) < kit::fudge) continue;
      const float e = w.pw(m) * w.pm(j) / total;
      w.xpec(m, j) = e;
      if (e < static_cast<float>(p.minexp) - kit::fudge) chi.ismall = 1;
      chi.cell(static_cast<float>(w.ng(k, j)), e);
    }
  }
  return chi;
}

// The table builder of both kinds: the deme checks, the counts, the expectations and the three
// statistics, the table and the judgement.
void build(RunState& rs, Work& w, bool geno) {
  Param& p = rs.param;
  io::Unit& o = rs.out();
  const int g = (!geno && p.mal == kind::alleles) ? 2 : 1;
  const int T = geno ? w.nptr2(p.kc) : w.nptr1(p.kc);
  const int M = p.maxp;

  if (M == 1) {
    o.line(" ** Only_one_deme - nothing_to_test");
    return;
  }
  std::vector<int> data(static_cast<size_t>(std::max(M, 0)) + 1, 0);
  int D = 0;
  for (int j = 1; j <= M; ++j) {
    const int kp = w.nprb(j);
    w.n0(j) = geno ? sread(rs, ch::gencnt, rec22(p, 0, p.kc, kp))
                   : sread(rs, ch::hapcnt, rec20(p, 0, p.kc, kp, p.mal));
    if (w.n0(j) < g * w.nsam(j)) {
      data[static_cast<size_t>(j)] = 1;
      ++D;
    }
  }
  if (D == 1) {
    o.line(" ** Only_one_deme - nothing_to_test");
    return;
  }
  if (D == 0) {
    o.line(" ** No_deme_has_data - nothing_to_test");
    return;
  }

  const int R = std::min({T, p.mxdgfr / (D - 1) + 1, w.mxall});
  if (R < T) {
    o.line(" ** Cannot_be_performed");
    o.line(" ** subroutine_HOMTST_dimensioned_for_max._of" + fi(R, 4) + " types");
    exhom(rs, w);
    return;
  }
  // One column total and one expectation column per analysis deme: these tables are sized by
  // the larger of the type limit and the number of demes.
  if (w.pm.hi() < M || w.xpec.hi2() < M || w.ng.hi2() < M) {
    o.line(" ** Cannot_be_performed");
    exhom(rs, w);
    return;
  }

  float total = 0.0f;
  const int nu = load_rows(rs, w, geno, T, R, total);
  int ncol = 0;
  for (int j = 1; j <= M; ++j)
    if (w.pm(j) > 0.0f) ++ncol;
  const int ndf = (nu > 0 && ncol > 0) ? (nu - 1) * (ncol - 1) : 0;
  const kit::ChiSquare chi = expect(rs, w, nu, total);

  homtab(rs, w, geno, nu, total, data);
  int isignf = 0;
  test(rs, chi, ndf, isignf);
  chisq_rows(rs, w, "homogeneity", 0, chi.gstat(), chi.x2, ndf);
  exhom(rs, w);
}

// The critical value of `level` (1..3) for `ndf` degrees of freedom as the result block
// writes it (F9.3), formatted once per run for each.
const std::string& critical_text(int level, int ndf) {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> t;
    t.reserve(300);
    for (const float* c : {chisq1, chisq2, chisq3})
      for (int i = 0; i < 100; ++i) t.push_back(ff(c[i], 9, 3));
    return t;
  }();
  return texts[static_cast<size_t>((level - 1) * 100 + ndf - 1)];
}

// One row of the result block, written piece by piece.
void resrow(io::Unit& o, const char* lab, float s, const char* mark, const char* lev,
            const char* levmark, int level, int ndf) {
  o.put(lab);
  o.put(ff(s, 9, 3));
  o.put(' ');
  o.put(mark);
  o.put("      ");
  o.put(lev);
  o.put(levmark);
  o.put("   ");
  o.line(critical_text(level, ndf));
}

const char* mark(float s, float c1, float c2, float c3) {
  if (s >= c3) return "*** ";
  if (s >= c2) return "**  ";
  if (s >= c1) return "*   ";
  return "n.s.";
}

}  // namespace

float chisq_critical(int level, int ndf) {
  const float* t = level == 1 ? chisq1 : level == 2 ? chisq2 : chisq3;
  return t[ndf - 1];
}

void homtst(RunState& rs, Work& w) {
  rs.names.modus = "HOMOGEN";
  rs.out().nl();
  rs.out().line("TEST_OF_HOMOGENEITY");
  if (rs.param.mal >= kind::maternal && rs.param.mal <= kind::alleles)
    htptst(rs, w);
  else if (rs.param.mal == kind::genotypes)
    gtptst(rs, w);
}

void htptst(RunState& rs, Work& w) {
  build(rs, w, false);
}
void gtptst(RunState& rs, Work& w) {
  build(rs, w, true);
}

void test(RunState& rs, const kit::ChiSquare& chi, int ndf, int& isignf) {
  test(rs, chi.gstat(), chi.x2, chi.yates, ndf, chi.ismall, chi.izero, isignf);
}

void test(RunState& rs, float gsum, float x2sum, float x2yate, int ndf, int ismall, int izero,
          int& isignf) {
  Param& p = rs.param;
  io::Unit& o = rs.out();
  if (ndf <= 0) {
    o.line("** Zero_degrees_of_freedom_-_not_testable");
    return;
  }
  if (ndf > p.mxdgfr || ndf > kChisqMaxDf) {
    o.line("** Not_tested_-_Limit_of" + fi(p.mxdgfr, 4) + " degrees_of_freedom_exceeded");
    return;
  }
  const float c1 = chisq1[ndf - 1], c2 = chisq2[ndf - 1], c3 = chisq3[ndf - 1];
  const char* mg = mark(gsum, c1, c2, c3);
  const char* mx = mark(x2sum, c1, c2, c3);
  const char* my = mark(x2yate, c1, c2, c3);
  isignf = (mg[0] == '*' || mx[0] == '*' || (ndf == 1 && my[0] == '*')) ? 1 : 0;

  if (izero == 1) {
    o.line("** Cells_with_expected_frequency_equal_to_zero");
    o.line("** are_not_included_in_test_statistics");
  }
  static const std::string levels = rep(' ', 33) + "Level_of   C.V._of_CHI**2";
  static const std::string rule = rep('-', 58);
  o.nl();
  o.line(levels);
  o.line("Test_statistics                significance   (DF= " + fi(ndf, 3) + ")");
  o.line(rule);
  resrow(o, "G          =", gsum, mg, "0.050", "(*  )", 1, ndf);
  resrow(o, "X**2       =", x2sum, mx, "0.010", "(** )", 2, ndf);
  if (ndf == 1)
    resrow(o, "X**2(c=.5) =", x2yate, my, "0.001", "(***)", 3, ndf);
  else
    o.line(rep(' ', 32) + "0.001(***)" + rep(' ', 3) + critical_text(3, ndf));

  if (ismall == 1 && isignf == 1) {
    const std::string bar =
        std::string("*****<_WARNING_>*****<_WARNING_>*****<_WARNING_>*****") + "<_WARNING_>*****";
    o.line(bar);
    o.line(std::string("** Test_statistics_are_inflated_due_to_expected_") +
           "frequencies_less   **");
    o.line("** than " + fi(p.minexp, 2) + " and_may_falsely_recommend_rejection_of_" +
           "hypothesis.      **");
    if (rs.names.modus != "HWHETER")
      o.line(std::string("** Suggestion:_Pool_alleles_in_input_data_and_recalculate.") +
             rep(' ', 9) + "**");
    o.line(bar);
  }
}

}  // namespace tolm
