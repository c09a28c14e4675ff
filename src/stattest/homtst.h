// Homogeneity test of the frequency distributions among demes, and the chi-square judge.
//
// `homtst` writes the types-by-demes contingency table of the current combination `kc` and kind
// `mal` (observed and expected counts, in blocks of `iwidth` demes) to the results channel
// `iunit` and judges G and X2 with `test`. It reads the counts from scratch channels 20 (kinds
// 1..3) or 22 (genotypes), the type order from 24 or 25 and the alleles from 21 and 23; it uses
// `ng`, `pw`, `pm`, `xpec`, `irealt`, `n0` of the work arrays (`pm` and the second index of
// `xpec` hold one entry per analysis deme, so they are sized by the larger of `mxall` and the
// number of demes) and sets `modus` to "HOMOGEN" and `nsumn`.
//
// `test` is the one judge of every chi-square statistic of the program (also of the tests of
// genotypic structure): critical values at 5 %, 1 % and 0.1 % for 1..100 degrees of freedom.
#pragma once

#include <cmath>
#include <string>

#include "core/runstate.h"
#include "report/kit.h"

namespace tolm {

void homtst(RunState& rs, Work& w);
// Nearest integer of a count held as a real.
inline int nint(float x) {
  return static_cast<int>(std::lround(x));
}
// The table builders: alleles or haplotypes (`mal` 1..3) and genotypes (`mal` 4).
void htptst(RunState& rs, Work& w);
void gtptst(RunState& rs, Work& w);
// Judges G, X2 and the continuity-corrected X2 at ndf degrees of freedom and writes the result
// block; isignf returns 1 when a statistic is significant at the lowest level.
void test(RunState& rs, float gsum, float x2sum, float x2yate, int ndf, int ismall, int izero,
          int& isignf);

// The same for the sums of an accumulated table (G is doubled here).
void test(RunState& rs, const kit::ChiSquare& chi, int ndf, int& isignf);

// Upper critical point of the chi-square distribution with ndf (1..100) degrees of freedom at
// level 1 (5 %), 2 (1 %) or 3 (0.1 %), as tabulated to 3 decimals.
float chisq_critical(int level, int ndf);
constexpr int kChisqMaxDf = 100;

}  // namespace tolm
