// Measures of variation of one deme, as pure functions of its counts, and the rule by which the
// gene-pool sums take a locus's contribution.
//
// `parsub` reads the counts of a locus combination type by type from the scratch channels and
// accumulates most measures on the way; what can be finished from the counts of one deme alone
// (delta_T, v_2, the evenness plateaus) is computed here, so that it can be checked on its own.
// Reals are 32-bit and summed in the order written, as the printed digits depend on it.
#pragma once

namespace tolm {

// Largest number of distinct types of one deme for which the evenness plateau is searched.
constexpr int maxtyp = 500;

// A value above this is a real value; at or below it, the undefinable-value marker.
inline bool defined(float v) {
  return v > -1e-6f;
}

// Gene-pool sums: once marked, an entry keeps the marker for the rest of the run; a contribution
// that is itself the marker marks the entry.
inline void gpadd(float& acc, float v, float astrix) {
  if (!defined(acc)) return;
  acc = defined(v) ? acc + v : astrix;
}
inline void gpmul(float& acc, float v, float astrix) {
  if (!defined(acc)) return;
  acc = defined(v) ? acc * v : astrix;
}

// Total population differentiation of a deme of `n` genes from the sum over its types of
// count * (n - count): the chance that two genes drawn without replacement differ in type.
// Undefinable (the marker) for a deme of one gene.
float deltat_of(float sumprod, long n, float astrix);

// Diversity v_2 from the sum of squared frequencies; the marker when the sum vanishes.
float div_of(float sumsq, float astrix);

// Result of the plateau search for one population-size assumption: the smallest distance found
// and the range of plateau sizes attaining it.
struct Plateau {
  float dmin = 0;
  int l1 = 0, l2 = 0;
};

// Evenness of a deme of `n` genes whose `ntyp` type counts are `neven`[0..ntyp-1], largest
// first. For every plateau size l the counts are compared with the most even distribution of n
// over l types: in whole genes (finite population) and in exact shares n/l (infinite
// population); the distance is the sum of absolute differences, counts beyond the plateau
// counting in full. The smallest l of the strict minimum wins (ties keep the earlier size).
void plateau(const int* neven, int ntyp, int n, Plateau& fin, Plateau& inf);

struct Evenness {
  float aevfin = 0, revfin = 0, aevinf = 0, revinf = 0;
  int mnfin1 = 0, mnfin2 = 0, mninf1 = 0, mninf2 = 0;
};

// Absolute evenness 1 - dmin/(2n) and relative evenness 1 - dmin/n of both searches.
Evenness evenness(const int* neven, int ntyp, int n);

}  // namespace tolm
