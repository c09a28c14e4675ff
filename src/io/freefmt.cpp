#include "io/freefmt.h"

#include <climits>

namespace tolm::io {

namespace {

bool is_sep(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// Reads an optionally signed decimal integer from s[i..e); false when it is not one.
bool to_int(std::string_view s, long& v) {
  if (s.empty()) return false;
  size_t i = 0;
  bool neg = false;
  if (s[0] == '+' || s[0] == '-') {
    neg = s[0] == '-';
    i = 1;
  }
  if (i >= s.size()) return false;
  long r = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c < '0' || c > '9') return false;
    r = r * 10 + (c - '0');
    if (r > 2147483648L) return false;
  }
  r = neg ? -r : r;
  if (r > INT_MAX || r < INT_MIN) return false;
  v = r;
  return true;
}

// Why a token that to_int refused is not a value.
const char* not_int(std::string_view tok) {
  size_t i = !tok.empty() && (tok[0] == '+' || tok[0] == '-') ? 1 : 0;
  if (i >= tok.size()) return "is not an integer";
  for (; i < tok.size(); ++i)
    if (tok[i] < '0' || tok[i] > '9') return "is not an integer";
  return "does not fit in 32 bits";
}

}  // namespace

Rd parse_ints(std::string_view text, Unit* more, int* out, int n, int* lines) {
  ListRead how;
  Rd r = parse_ints(text, more, out, n, how);
  if (lines) *lines = how.lines;
  return r;
}

Rd parse_ints(std::string_view text, Unit* more, int* out, int n, ListRead& how) {
  how = ListRead();
  int* lines = &how.lines;
  int got = 0;
  auto bad = [&](std::string_view tok, const char* why) {
    how.fault.field = got + 1;
    how.fault.text = std::string(tok);
    how.fault.why = why;
    return Rd::error;
  };
  int taken = 0;
  std::string next;
  std::string_view s = text;
  bool comma_pending = false;  // a comma was seen since the last value
  while (got < n) {
    size_t i = 0;
    comma_pending = false;
    while (got < n) {
      while (i < s.size() && is_sep(s[i])) ++i;
      if (i >= s.size()) break;
      if (s[i] == ',') {
        if (comma_pending) ++got;  // null value: unchanged
        comma_pending = true;
        ++i;
        continue;
      }
      if (s[i] == '/') {
        if (taken == 0) how.first = got;
        if (lines) *lines = taken;
        return Rd::ok;
      }
      size_t b = i;
      while (i < s.size() && !is_sep(s[i]) && s[i] != ',' && s[i] != '/') ++i;
      std::string_view tok = s.substr(b, i - b);
      size_t star = tok.find('*');
      long v = 0;
      if (star != std::string_view::npos) {
        long r = 0;
        if (!to_int(tok.substr(0, star), r) || r < 1)
          return bad(tok, "does not begin with a repeat count");
        std::string_view vt = tok.substr(star + 1);
        bool null = vt.empty();
        if (!null && !to_int(vt, v)) return bad(tok, not_int(vt));
        for (long k = 0; k < r && got < n; ++k, ++got)
          if (!null) out[got] = static_cast<int>(v);
      } else {
        if (!to_int(tok, v)) return bad(tok, not_int(tok));
        out[got++] = static_cast<int>(v);
      }
      comma_pending = false;
    }
    if (taken == 0) how.first = got;
    if (got >= n) break;
    if (!more) return Rd::eof;
    Rd r = more->read_line(next);
    if (r != Rd::ok) return r;
    ++taken;
    s = next;
  }
  if (lines) *lines = taken;
  return Rd::ok;
}

Rd read_ints(Unit& u, int* out, int n) {
  std::string line;
  Rd r = u.read_line(line);
  if (r != Rd::ok) return r;
  return parse_ints(line, &u, out, n);
}

}  // namespace tolm::io
