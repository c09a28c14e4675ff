#include "io/fixw.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tolm::io {

namespace {
std::string stars(int w) {
  return std::string(static_cast<size_t>(w > 0 ? w : 0), '*');
}

std::string fit(std::string s, int w) {
  if (static_cast<int>(s.size()) > w) return stars(w);
  return std::string(static_cast<size_t>(w) - s.size(), ' ') + s;
}
}  // namespace

std::string fi(long v, int w) {
  std::string s;
  append_int(s, v, w);
  return s;
}

void append_int(std::string& s, long v, int w) {
  char b[24];
  int n;
  if (v >= 0 && v < 100000 && w <= 16) {  // the common case of counts and allele numbers
    // the field right-aligned in the buffer, appended in one piece
    char* e = b + sizeof b;
    char* q = e;
    do {
      *--q = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v);
    n = static_cast<int>(e - q);
    if (n > w) {
      s.append(static_cast<size_t>(w > 0 ? w : 0), '*');
      return;
    }
    while (e - q < w) *--q = ' ';
    s.append(q, static_cast<size_t>(e - q));
    return;
  }
  auto r = std::to_chars(b, b + sizeof b, v);
  n = static_cast<int>(r.ptr - b);
  if (n > w) {
    s.append(static_cast<size_t>(w > 0 ? w : 0), '*');
    return;
  }
  s.append(static_cast<size_t>(w - n), ' ');
  s.append(b, static_cast<size_t>(n));
}

// True when x lies exactly halfway between two values of d decimals. A binary fraction whose
// lowest bit is 2^-k is odd * 5^k / 10^k: exactly k decimals, the last a 5. So x is a tie at d
// decimals exactly when its lowest bit is 2^-(d+1).
bool is_tie(double x, int d) {
  if (!std::isfinite(x) || x == 0.0 || d < 0) return false;
  int e = 0;
  const double f = std::frexp(std::fabs(x), &e);      // x = f 2^e, f in [0.5, 1)
  auto m = static_cast<uint64_t>(std::ldexp(f, 53));  // x = m 2^(e-53), exactly
  int low = e - 53;
  while ((m & 1u) == 0) {
    m >>= 1;
    ++low;
  }
  return low == -(d + 1);
}

namespace {
// The common case of fixed_to: d <= 9 and |x| 10^d below 9 10^17. round(|x| 10^d), halves up,
// taken from the exact binary value |x| = m 2^k in 128-bit integers. Writes the digits at b
// (room for 21 characters needed) and returns the end, or nullptr outside that range.
char* fixed_small(char* b, double x, int d) {
  static const uint64_t kPow10[] = {1,      10,      100,      1000,      10000,
                                    100000, 1000000, 10000000, 100000000, 1000000000};
  if (d < 0 || d > 9) return nullptr;
  const double a = std::fabs(x);
  if (!(a < 9e17 / static_cast<double>(kPow10[d]))) return nullptr;  // NaN too
  int e = 0;
  const double f = std::frexp(a, &e);
  const auto m = static_cast<uint64_t>(std::ldexp(f, 53));  // a = m 2^(e-53)
  const int k = e - 53;
  unsigned __int128 v = static_cast<unsigned __int128>(m) * kPow10[d];
  uint64_t n = 0;
  if (k >= 0) {
    n = static_cast<uint64_t>(v << k);
  } else if (-k < 128) {
    const int sh = -k;
    const unsigned __int128 q = v >> sh;
    const unsigned __int128 r = v - (q << sh);
    n = static_cast<uint64_t>(q) + (r >= (static_cast<unsigned __int128>(1) << (sh - 1)) ? 1 : 0);
  }
  char* p = b;
  if (std::signbit(x) && n != 0) *p++ = '-';  // a value that rounds to zero has no sign
  p = std::to_chars(p, p + 20, n / kPow10[d]).ptr;
  if (d > 0) {
    *p++ = '.';
    uint64_t r = n % kPow10[d];
    for (int i = d - 1; i >= 0; --i) {
      p[i] = static_cast<char>('0' + r % 10);
      r /= 10;
    }
    p += d;
  }
  return p;
}

// x with d decimals into [b, e), rounded to nearest with halves away from zero; a value that
// rounds to zero has no sign. Returns the end, or nullptr when the digits do not fit.
char* fixed_to(char* b, char* e, double x, int d) {
  if (e - b >= 32)
    if (char* q = fixed_small(b, x, d)) return q;
  if (!is_tie(x, d)) {
    const auto r = std::to_chars(b, e, x, std::chars_format::fixed, d);
    if (r.ec != std::errc()) return nullptr;
    char* q = r.ptr;
    if (*b == '-') {
      bool zero = true;
      for (const char* c = b + 1; c < q && zero; ++c) zero = *c == '0' || *c == '.';
      if (zero) {
        std::memmove(b, b + 1, static_cast<size_t>(q - b - 1));
        --q;
      }
    }
    return q;
  }
  // A tie ends in a 5 at decimal d+1: written exactly, the 5 dropped and one carried into the
  // digits before it (never by stepping x, whose neighbour may differ in the kept digits).
  const auto r = std::to_chars(b, e, x, std::chars_format::fixed, d + 1);
  if (r.ec != std::errc() || r.ptr == e) return nullptr;
  char* q = r.ptr - (d == 0 ? 2 : 1);
  char* c = q - 1;
  for (; c >= b && (*c == '9' || *c == '.'); --c)
    if (*c == '9') *c = '0';
  if (c >= b && *c != '-') {
    ++*c;
  } else {  // all nines: one more digit in front
    char* f = c + 1;
    std::memmove(f + 1, f, static_cast<size_t>(q - f));
    *f = '1';
    ++q;
  }
  return q;
}
}  // namespace

// Rounding is to nearest, halves away from zero; a value that rounds to zero has no sign.
std::string fixed(double x, int d) {
  char b[512];
  if (const char* q = fixed_to(b, b + sizeof b, x, d))
    return std::string(static_cast<const char*>(b), q);
  std::vector<char> v(static_cast<size_t>(d > 0 ? d : 0) +
                      400);  // 309 digits at most before the point
  const char* q = fixed_to(v.data(), v.data() + v.size(), x, d);
  return q ? std::string(static_cast<const char*>(v.data()), q) : std::string();
}

std::string ff(double x, int w, int d) {
  if (!std::isfinite(x)) return stars(w);
  char b[512];
  char* q = fixed_to(b, b + sizeof b, x, d);
  if (!q) {  // more digits than the buffer holds
    std::string t = fixed(x, d);
    if (static_cast<int>(t.size()) > w) {
      if (t.rfind("0.", 0) == 0)
        t.erase(0, 1);
      else if (t.rfind("-0.", 0) == 0)
        t.erase(1, 1);
    }
    return fit(std::move(t), w);
  }
  char* s = b;
  if (q - s > w) {
    // the optional leading zero goes first
    if (q - s >= 2 && s[0] == '0' && s[1] == '.') {
      ++s;
    } else if (q - s >= 3 && s[0] == '-' && s[1] == '0' && s[2] == '.') {
      s[1] = '-';
      ++s;
    }
  }
  const long n = q - s;
  if (n > w) return stars(w);
  std::string r(static_cast<size_t>(w - n), ' ');
  r.append(s, static_cast<size_t>(n));
  return r;
}

std::string fe(double x, int w, int d) {
  if (!std::isfinite(x)) return stars(w);
  // 0.ddddE+xx: mantissa in [0.1, 1)
  std::string sign = x < 0 ? "-" : "";
  double a = std::fabs(x);
  int e = 0;
  std::string digits;
  if (a != 0.0) {
    std::string s = fmt::format("{:.{}e}", a, d > 0 ? d - 1 : 0);  // d.ddde+xx
    size_t epos = s.find('e');
    e = std::atoi(s.c_str() + epos + 1) + 1;
    for (size_t i = 0; i < epos; ++i)
      if (s[i] != '.') digits += s[i];
  } else {
    digits = std::string(static_cast<size_t>(d), '0');
  }
  std::string exp = std::abs(e) <= 99 ? fmt::format("E{}{:02d}", e < 0 ? '-' : '+', std::abs(e))
                                      : fmt::format("{}{:03d}", e < 0 ? '-' : '+', std::abs(e));
  std::string s = sign + "0." + digits + exp;
  if (static_cast<int>(s.size()) > w) s = sign + "." + digits + exp;
  return fit(std::move(s), w);
}

std::string fa(std::string_view s, int w) {
  std::string r(s.substr(0, static_cast<size_t>(w)));
  r.resize(static_cast<size_t>(w), ' ');
  return r;
}

std::string rpad(std::string_view s, size_t w) {
  std::string r(s);
  if (r.size() < w) r.resize(w, ' ');
  return r;
}

std::string lpad(std::string_view s, size_t w) {
  if (s.size() >= w) return std::string(s);
  return std::string(w - s.size(), ' ') + std::string(s);
}

std::string trim(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return std::string(s.substr(0, n));
}

std::string ltrim(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return std::string(s.substr(i));
}

std::string rep(char c, int n) {
  return std::string(static_cast<size_t>(n > 0 ? n : 0), c);
}

std::string free_int(long v) {
  return fi(v, 12);
}

}  // namespace tolm::io
