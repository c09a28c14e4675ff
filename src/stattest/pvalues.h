// p-values of the chi-square statistics and the combination of independent p-values.
//
// Pure functions: nothing of the run state is read or written. `chisq_p` is the upper tail of
// the chi-square distribution for any number of degrees of freedom; `fisher_combine` joins the
// p-values of independent tests (one locus over demes, one deme over loci) by Fisher's method.
#pragma once

#include <vector>

namespace tolm {

// P(X >= stat) for X chi-square with df degrees of freedom; NaN when df < 1 or stat is NaN.
double chisq_p(double stat, int df);

// Fisher's combination of k p-values: -2 sum ln p, chi-square with 2k degrees of freedom.
struct Combined {
  double stat = 0;
  int df = 0;
  double p = 0;
};
// NaN entries are left out; with no p-value left the result has df 0 and p NaN. A p-value of
// 0 (a chain that never met a table as probable as the observed one) makes the combination 0.
Combined fisher_combine(const std::vector<double>& ps);

}  // namespace tolm
