// The fixed-point writer against a brute force: the exact decimal expansion of the double
// (every binary fraction ends), cut by hand to d decimals with halves away from zero.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "io/fixw.h"

namespace {

// Fw.d by hand: digits of |x| written out in full, rounded up in magnitude when the first cut
// digit is 5 or more (the expansion is exact, so that is "half or more").
std::string expansion(double x) {
  // x = f 2^k, f of 53 bits in [0.5, 1): its lowest bit is 2^(k-53), so 53-k decimals end it
  int k = 0;
  std::frexp(x, &k);
  const int dec = std::max(60, 53 - k + 1);
  std::vector<char> buf(static_cast<size_t>(dec) + 400);
  std::snprintf(buf.data(), buf.size(), "%.*f", dec, std::fabs(x));
  return buf.data();
}

std::string ff_brute(double x, const std::string& e, int w, int d) {
  const size_t dot = e.find('.');
  std::string digits = e.substr(0, dot) + e.substr(dot + 1, static_cast<size_t>(d));
  const bool up = e[dot + 1 + static_cast<size_t>(d)] >= '5';
  if (up) {
    int i = static_cast<int>(digits.size()) - 1;
    while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
    if (i < 0)
      digits.insert(digits.begin(), '1');
    else
      ++digits[static_cast<size_t>(i)];
  }
  const size_t ni = digits.size() - static_cast<size_t>(d);
  std::string s = digits.substr(0, ni);
  if (d > 0) s += "." + digits.substr(ni);
  const bool zero = digits.find_first_not_of('0') == std::string::npos;
  const bool neg = std::signbit(x) && !zero;
  if (neg) s = "-" + s;
  if (static_cast<int>(s.size()) > w) {
    if (s.compare(0, 2, "0.") == 0) s.erase(0, 1);
    if (s.compare(0, 3, "-0.") == 0) s.erase(1, 1);
  }
  if (static_cast<int>(s.size()) > w) return std::string(static_cast<size_t>(w), '*');
  return std::string(static_cast<size_t>(w) - s.size(), ' ') + s;
}

TEST(Locus23Fixw, FixedPointAgreesWithExactExpansion) {
  std::mt19937_64 g(23);
  std::vector<double> xs = {
      0.0,   -0.0,  0.5,         -0.5,        0.125,  -0.125,  2.5,     0.03125, 1e-9,   8.99e17,
      9e17,  1e18,  899999999.5, 89999999.25, 9e8,    -8.9e16, -1e-9,   9.995,   99.995, 1e15,
      -1e15, 1e300, -4.94e-324,  123.4567,    0.0625, 1.0 / 3, 2.0 / 3, 1e22};
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::uniform_int_distribution<int> ex(-12, 12);
  for (int i = 0; i < 800; ++i) {
    const double m = u(g) * std::pow(10.0, ex(g));
    xs.push_back(m);
    xs.push_back(static_cast<double>(static_cast<float>(m)));  // promoted floats, as callers pass
    xs.push_back(std::ldexp(std::round(u(g) * 4096.0), -ex(g) - 12));  // binary fractions: ties
  }
  for (double x : xs) {
    const std::string e = expansion(x);
    for (int d : {0, 1, 2, 3, 4, 6, 10})
      for (int w : {1, 4, 6, 8, 9, 12, 30}) {
        SCOPED_TRACE(testing::Message() << x << " w=" << w << " d=" << d);
        ASSERT_EQ(tolm::io::ff(x, w, d), ff_brute(x, e, w, d));
      }
  }
}

TEST(Locus23Fixw, FixedPointOfNonFiniteIsStars) {
  EXPECT_EQ(tolm::io::ff(NAN, 5, 2), "*****");
  EXPECT_EQ(tolm::io::ff(-INFINITY, 3, 1), "***");
}

}  // namespace
