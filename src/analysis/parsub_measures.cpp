// Measures of variation of one deme: delta_T, v_2 and the evenness plateaus.
#include "analysis/parsub_measures.h"

#include <cmath>
#include <cstdlib>

namespace tolm {

float deltat_of(float sumprod, long n, float astrix) {
  if (n < 2) return astrix;
  // The pair count is formed in 64 bits: n(n - 1) leaves 32 bits from n = 46341 on.
  const long long pairs = static_cast<long long>(n) * (n - 1);
  return sumprod / static_cast<float>(pairs);
}

float div_of(float sumsq, float astrix) {
  return sumsq > 1e-11f ? 1.0f / sumsq : astrix;
}

namespace {

// One step of the minimum search. The tie tolerance is 0, so an equal distance leaves the
// range as it is and the smallest plateau size of the minimum is kept.
void take(float d, int l, Plateau& p) {
  constexpr float tie = 0.0f;
  if (d > p.dmin + tie) return;
  if (d < p.dmin - tie) {
    p.dmin = d;
    p.l1 = p.l2 = l;
  } else if (tie > std::fabs(d - p.dmin)) {
    p.dmin = std::fmin(d, p.dmin);
    p.l2 = l;
  }
}

}  // namespace

void plateau(const int* neven, int ntyp, int n, Plateau& fin, Plateau& inf) {
  fin = Plateau();
  inf = Plateau();
  fin.dmin = inf.dmin = static_cast<float>(2L * n + 1);
  const float rn = static_cast<float>(n);
  for (int l = 1; l <= ntyp; ++l) {
    const int q = n / l, r = n % l;
    const float share = rn / static_cast<float>(l);
    float dfin = 0, dinf = 0;
    for (int j = 1; j <= l; ++j) {
      const int t = j <= r ? q + 1 : q;
      dfin += static_cast<float>(std::abs(t - neven[j - 1]));
      dinf += std::fabs(share - static_cast<float>(neven[j - 1]));
    }
    for (int j = l + 1; j <= ntyp; ++j) {
      dfin += static_cast<float>(neven[j - 1]);
      dinf += static_cast<float>(neven[j - 1]);
    }
    take(dfin, l, fin);
    take(dinf, l, inf);
  }
}

Evenness evenness(const int* neven, int ntyp, int n) {
  Plateau fin, inf;
  plateau(neven, ntyp, n, fin, inf);
  Evenness e;
  const float rn = static_cast<float>(n), rn2 = static_cast<float>(2L * n);
  e.aevfin = 1.0f - fin.dmin / rn2;
  e.revfin = 1.0f - fin.dmin / rn;
  e.mnfin1 = fin.l1;
  e.mnfin2 = fin.l2;
  e.aevinf = 1.0f - inf.dmin / rn2;
  e.revinf = 1.0f - inf.dmin / rn;
  e.mninf1 = inf.l1;
  e.mninf2 = inf.l2;
  return e;
}

}  // namespace tolm
