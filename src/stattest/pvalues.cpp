// Chi-square tail probabilities and Fisher's combination of p-values.
#include "stattest/pvalues.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <cmath>
#include <limits>

namespace tolm {

double chisq_p(double stat, int df) {
  if (df < 1 || std::isnan(stat)) return std::numeric_limits<double>::quiet_NaN();
  if (stat <= 0) return 1.0;
  if (std::isinf(stat)) return 0.0;
  const boost::math::chi_squared_distribution<double> d(df);
  return boost::math::cdf(boost::math::complement(d, stat));
}

Combined fisher_combine(const std::vector<double>& ps) {
  Combined c;
  bool zero = false;
  for (double p : ps) {
    if (std::isnan(p)) continue;
    c.df += 2;
    if (p <= 0) {
      zero = true;
      continue;
    }
    c.stat += -2.0 * std::log(std::min(p, 1.0));
  }
  if (c.df == 0) {
    c.p = std::numeric_limits<double>::quiet_NaN();
  } else if (zero) {
    c.stat = std::numeric_limits<double>::infinity();
    c.p = 0.0;
  } else {
    c.p = chisq_p(c.stat, c.df);
  }
  return c;
}

}  // namespace tolm
