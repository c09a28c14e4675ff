// Fixed-width writers: the classic edit descriptors as text.
//
//   fi(v, w)      integer right-aligned in w columns                       (Iw)
//   ff(x, w, d)   fixed point, d decimals, right-aligned in w columns      (Fw.d)
//   fe(x, w, d)   exponential 0.ddddE+xx, d digits, in w columns           (Ew.d)
//   fa(s, w)      text cut or padded with blanks to w columns              (Aw)
//   rpad/lpad     padding helpers; trim cuts trailing blanks
//
// A number that does not fit into its w columns is written as w asterisks. Reals are
// promoted to double before formatting and rounded to nearest; a fixed-point value whose
// leading "0" does not fit loses that zero first (".500" in 4 columns).
#pragma once

#include <string>
#include <string_view>

namespace tolm::io {

std::string fi(long v, int w);
void append_int(std::string& s, long v, int w);  // fi(v, w) appended to s
std::string ff(double x, int w, int d);
std::string fe(double x, int w, int d);
std::string fa(std::string_view s, int w);
std::string rpad(std::string_view s, size_t w);  // blanks appended to w, never cut
std::string lpad(std::string_view s, size_t w);  // blanks prepended to w, never cut
std::string trim(std::string_view s);            // trailing blanks cut
std::string ltrim(std::string_view s);           // leading blanks cut
std::string rep(char c, int n);                  // n copies of c
// Integers as written in free output form: each preceded by blanks.
std::string free_int(long v);

}  // namespace tolm::io
