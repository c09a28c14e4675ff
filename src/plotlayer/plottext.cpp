// Text layout for the plot devices: character widths, Latin-1 texts and the TeX-like
// commands ($...$ with ^, _, groups and Greek letters).
#include <cctype>
#include <cstring>

#include "plotlayer/plotdev.h"

namespace tolm::plot {

namespace {

// Advance widths of Helvetica (and Arial) for the characters 32..126, thousandths of the size.
const short ascii_w[95] = {
    278,  278, 355, 556, 556, 889, 667, 222, 333, 333, 389, 584, 278, 333, 278, 278,  // 32-47
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // 48-63
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // 64-79
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // 80-95
    222,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // 96-111
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};      // 112-126

// Latin-1 characters 160..255.
const short latin_w[96] = {
    278, 333, 556, 556, 556, 556, 260,  556, 333, 737, 370, 556, 584, 333, 737, 333,   // 160-175
    400, 584, 333, 333, 333, 556, 537,  278, 333, 333, 365, 556, 834, 834, 834, 611,   // 176-191
    667, 667, 667, 667, 667, 667, 1000, 722, 667, 667, 667, 667, 278, 278, 278, 278,   // 192-207
    722, 722, 778, 778, 778, 778, 778,  584, 778, 722, 722, 722, 722, 667, 667, 611,   // 208-223
    556, 556, 556, 556, 556, 556, 889,  500, 556, 556, 556, 556, 278, 278, 278, 278,   // 224-239
    556, 556, 556, 556, 556, 556, 556,  584, 611, 556, 556, 556, 556, 500, 556, 500};  // 240-255

struct Greek {
  const char* name;
  char c;   // character of the symbol font
  short w;  // its width
};
const Greek greek[] = {
    {"alpha", 'a', 631},   {"beta", 'b', 549},  {"gamma", 'g', 411},   {"delta", 'd', 494},
    {"epsilon", 'e', 439}, {"zeta", 'z', 494},  {"eta", 'h', 603},     {"theta", 'q', 521},
    {"iota", 'i', 329},    {"kappa", 'k', 549}, {"lambda", 'l', 549},  {"mu", 'm', 576},
    {"nu", 'n', 521},      {"xi", 'x', 493},    {"pi", 'p', 549},      {"rho", 'r', 549},
    {"sigma", 's', 603},   {"tau", 't', 439},   {"upsilon", 'u', 576}, {"phi", 'f', 521},
    {"chi", 'c', 549},     {"psi", 'y', 686},   {"omega", 'w', 686},   {"Gamma", 'G', 603},
    {"Delta", 'D', 612},   {"Theta", 'Q', 741}, {"Lambda", 'L', 686},  {"Xi", 'X', 645},
    {"Pi", 'P', 768},      {"Sigma", 'S', 592}, {"Upsilon", 'U', 690}, {"Phi", 'F', 763},
    {"Psi", 'Y', 795},     {"Omega", 'W', 768}};

class Layout {
 public:
  Layout(const std::string& s, int height) : s_(s), h_(height), size_(height / cap_height) {}

  void plain() {
    for (unsigned char c : s_) put(static_cast<char>(c), false, 1.0, 0.0);
  }

  // Outside $...$ the text stands as it is, apart from "$" and "\$".
  void tex() {
    while (i_ < s_.size()) {
      char c = s_[i_++];
      if (c == '$') {
        math(1.0, 0.0, false);
      } else if (c == '\\' && i_ < s_.size() && s_[i_] == '$') {
        put('$', false, 1.0, 0.0);
        ++i_;
      } else {
        put(c, false, 1.0, 0.0);
      }
    }
  }

  std::vector<Run> runs;
  double x = 0;

 private:
  // Reads math up to the closing "$" (or "}" of a group); returns at the end of its part.
  void math(double scale, double rise, bool group) {
    while (i_ < s_.size()) {
      char c = s_[i_++];
      if (c == '$') {
        if (group) --i_;  // an unclosed group ends with the formula
        return;
      }
      if (c == '}') {
        if (group) return;
        continue;
      }
      if (c == '{') {
        math(scale, rise, true);
      } else if (c == '^' || c == '_') {
        double s2 = scale * 0.7;
        double r2 = rise + (c == '^' ? 0.5 : -0.3) * h_ * scale;
        argument(s2, r2);
      } else if (c == '\\') {
        command(scale, rise);
      } else {
        put(c, false, scale, rise);
      }
    }
  }

  void argument(double scale, double rise) {
    if (i_ >= s_.size() || s_[i_] == '$') return;
    char c = s_[i_++];
    if (c == '{')
      math(scale, rise, true);
    else if (c == '\\')
      command(scale, rise);
    else
      put(c, false, scale, rise);
  }

  void command(double scale, double rise) {
    if (i_ >= s_.size()) {
      put('\\', false, scale, rise);
      return;
    }
    if (!std::isalpha(static_cast<unsigned char>(s_[i_]))) {
      put(s_[i_++], false, scale, rise);  // \\ \{ \} \$ \^ \_
      return;
    }
    size_t b = i_;
    while (i_ < s_.size() && std::isalpha(static_cast<unsigned char>(s_[i_]))) ++i_;
    std::string name = s_.substr(b, i_ - b);
    for (const Greek& g : greek)
      if (name == g.name) {
        put(g.c, true, scale, rise);
        return;
      }
    put('\\', false, scale, rise);
    for (char c : name) put(c, false, scale, rise);
  }

  void put(char c, bool symbol, double scale, double rise) {
    if (runs.empty() || runs.back().symbol != symbol || runs.back().scale != scale ||
        runs.back().rise != rise) {
      Run r;
      r.symbol = symbol;
      r.scale = scale;
      r.rise = rise;
      r.dx = x;
      runs.push_back(r);
    }
    runs.back().s += c;
    x += glyph_width(static_cast<unsigned char>(c), symbol) * size_ * scale / 1000.0;
  }

  const std::string& s_;
  size_t i_ = 0;
  double h_, size_;
};

}  // namespace

double glyph_width(unsigned char c, bool symbol) {
  if (symbol) {
    for (const Greek& g : greek)
      if (g.c == static_cast<char>(c)) return g.w;
    return 500;
  }
  if (c >= 32 && c <= 126) return ascii_w[c - 32];
  if (c >= 160) return latin_w[c - 160];
  return 556;
}

std::string to_latin1(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    int n = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
    if (n < 0 || i + static_cast<size_t>(n) >= s.size()) return s;  // a Latin-1 text already
    unsigned long cp = c & (0x3F >> n);
    for (int k = 1; k <= n; ++k) {
      unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return s;  // a Latin-1 text already
      cp = (cp << 6) | (d & 0x3F);
    }
    out += cp < 0x100 ? static_cast<char>(cp) : '?';
    i += static_cast<size_t>(n) + 1;
  }
  return out;
}

std::vector<Run> layout(const std::string& latin1, bool tex, int height, double& width) {
  Layout l(latin1, height);
  if (tex)
    l.tex();
  else
    l.plain();
  width = l.x;
  return std::move(l.runs);
}

}  // namespace tolm::plot
