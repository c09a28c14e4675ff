// The plot routines: settings, the turning of arcs and texts into polylines and runs, and the
// file. See plot.h.
#include "plotlayer/plot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <memory>

#include "core/message.h"
#include "io/fixw.h"
#include "io/units.h"
#include "plotlayer/plotdev.h"

namespace tolm {

namespace {

using plot::Pt;
using plot::Rgb;

constexpr double kPi = 3.14159265358979323846;

struct State {
  // --- the file, settled before disini ---
  bool replace = false;  // filmod
  bool wmf = false;      // metafl
  bool reverse = false;  // scrmod
  std::string file;
  int pagew = 2970, pageh = 2100;
  // --- the drawing ---
  bool protocol = true, warnings = true;
  bool tex = false;
  std::string psfont = "Helvetica";
  std::string winfont = "Arial";
  std::string xfont;
  int xfontsize = 0;
  std::string color = "FORE";
  int height = 36;
  int just = 0;
  int circsp = 10;
  int linwid = 5;
  // --- the plot under way ---
  bool open = false;
  std::FILE* f = nullptr;  // null when the file could not be opened: drawing goes nowhere
  std::string tmp;         // the file is written under this name and renamed when complete
  std::unique_ptr<plot::Device> dev;
  Rgb devcolor{-1, -1, -1};
  int devwidth = -1;
};

State& st() {
  static State s;
  return s;
}

int& failed_files() {
  static int n = 0;
  return n;
}

std::vector<std::string>& msglog() {
  static std::vector<std::string> v;
  return v;
}

void warn(const char* routine, const std::string& text) {
  if (!st().warnings) return;
  std::string m = std::string(" ** ") + routine + ": " + text + " **";
  msglog().push_back(m);
  std::fflush(stdout);  // keep the order with the console
  std::cerr << m << '\n';
}

// Keywords count by their first four letters.
std::string key(const std::string& s) {
  std::string k;
  for (char c : io::trim(s)) {
    if (c == ' ' && k.empty()) continue;
    if (k.size() == 4) break;
    k += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return k;
}

// The place of the keyword in the list (first four letters), or -1 after the message.
int pick(const char* routine, const std::string& arg, std::initializer_list<const char*> keys) {
  std::string k = key(arg);
  int i = 0;
  for (const char* c : keys) {
    if (k == c) return i;
    ++i;
  }
  warn(routine, "Not allowed ID");
  return -1;
}

bool before_plot(const char* routine) {
  if (!st().open) return true;
  warn(routine, "Routine must be used before disini");
  return false;
}

bool in_plot(const char* routine) {
  if (st().open) return true;
  warn(routine, "Routine must be used between disini and disfin");
  return false;
}

bool positive(const char* routine, long v) {
  if (v > 0) return true;
  warn(routine, "Non positive paramter");
  return false;
}

bool color_of(const std::string& k, Rgb& c) {
  const State& s = st();
  // The page is white in EPS and in a reversed metafile, black in a plain metafile.
  bool dark_page = s.wmf && !s.reverse;
  Rgb fore = dark_page ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
  Rgb back = dark_page ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
  static const struct {
    const char* k;
    Rgb c;
  } named[] = {{"BLAC", {0, 0, 0}},     {"WHIT", {255, 255, 255}}, {"RED", {255, 0, 0}},
               {"GREE", {0, 255, 0}},   {"BLUE", {0, 0, 255}},     {"CYAN", {0, 255, 255}},
               {"YELL", {255, 255, 0}}, {"MAGE", {255, 0, 255}},   {"ORAN", {255, 165, 0}}};
  if (k == "FORE") {
    c = fore;
    return true;
  }
  if (k == "BACK") {
    c = back;
    return true;
  }
  for (const auto& n : named)
    if (k == n.k) {
      c = n.c;
      return true;
    }
  return false;
}

// Brings the device's pen up to the current settings before something is drawn.
plot::Device* pen() {
  State& s = st();
  if (!s.dev) return nullptr;
  Rgb c;
  color_of(s.color, c);
  if (!(c == s.devcolor)) {
    s.dev->set_color(c);
    s.devcolor = c;
  }
  if (s.linwid != s.devwidth) {
    s.dev->set_line_width(s.linwid);
    s.devwidth = s.linwid;
  }
  return s.dev.get();
}

// Segments of an arc of radius r over a radians at the point spacing of circsp.
int arc_segments(double a, int r) {
  double n = std::fabs(a) * r / st().circsp;
  if (!(n >= 5)) return 5;
  if (n > 1000) return 1000;
  return static_cast<int>(n);
}

Pt on_circle(int x, int y, int r, double deg) {
  double t = deg * kPi / 180.0;
  return Pt{static_cast<int>(std::lround(x + r * std::cos(t))),
            static_cast<int>(std::lround(y - r * std::sin(t)))};
}

void draw_text(const std::string& text, int x, int y) {
  plot::Device* d = pen();
  if (!d || text.empty()) return;
  const State& s = st();
  plot::TextOut t;
  t.runs = plot::layout(plot::to_latin1(text), s.tex, s.height, t.width);
  if (t.runs.empty()) return;
  t.x = x;
  t.ybase = y + s.height;  // y is the top of the capitals
  t.just = s.just;
  t.height = s.height;
  t.psfont = s.psfont;
  t.winfont = s.winfont;
  d->text(t);
}

void reset_settings() {
  State& s = st();
  s = State();
}

}  // namespace

// --- the file ---

void filmod(const std::string& mode) {
  if (!before_plot("filmod")) return;
  int i = pick("filmod", mode, {"DELE", "KEEP"});
  if (i >= 0) st().replace = i == 0;
}

void metafl(const std::string& format) {
  if (!before_plot("metafl")) return;
  int i = pick("metafl", format, {"EPS", "PS", "WMF"});
  if (i >= 0) st().wmf = i == 2;
}

void scrmod(const std::string& mode) {
  if (!before_plot("scrmod")) return;
  int i = pick("scrmod", mode, {"REVE", "NORM", "AUTO"});
  if (i >= 0) st().reverse = i == 0;
}

void setfil(const std::string& name) {
  if (!before_plot("setfil")) return;
  std::string n = io::trim(name);
  if (n.empty()) {
    warn("setfil", "Not allowed ID");
    return;
  }
  st().file = n;
}

void page(int width, int height) {
  if (!before_plot("page")) return;
  if (!positive("page", width) || !positive("page", height)) return;
  // The metafile holds 16-bit coordinates.
  if (width > 32767 || height > 32767) {
    warn("page", "Not allowed ID");
    return;
  }
  st().pagew = width;
  st().pageh = height;
}

void disini() {
  if (!before_plot("disini")) return;
  State& s = st();
  s.open = true;
  s.devcolor = Rgb{-1, -1, -1};
  s.devwidth = -1;
  if (s.file.empty()) s.file = s.wmf ? "tolm.wmf" : "tolm.eps";
  struct stat sb;
  if (!s.replace && ::stat(s.file.c_str(), &sb) == 0) {
    warn("disini", "File " + s.file + " exists and is kept; the plot is not written");
    return;
  }
  // A directory in the way cannot be replaced by a file.
  if (::stat(s.file.c_str(), &sb) == 0 && S_ISDIR(sb.st_mode))
    errno = EISDIR;
  else
    s.tmp = io::open_temp_beside(s.file, s.f);
  if (!s.f) {
    int e = errno;
    warn("disini", "Cannot open file " + s.file + ", " + cause(e));
    ++failed_files();
    return;
  }
  plot::Setup su;
  su.width = s.pagew;
  su.height = s.pageh;
  su.reverse = s.reverse;
  s.dev = s.wmf ? plot::make_wmf(su) : plot::make_eps(su);
}

void disfin() {
  if (!in_plot("disfin")) return;
  State& s = st();
  if (s.f) {
    std::string bytes = s.dev->finish();
    errno = 0;
    bool ok =
        std::fwrite(bytes.data(), 1, bytes.size(), s.f) == bytes.size() && std::fflush(s.f) == 0;
    int e = errno;
    if (std::fclose(s.f) != 0 && ok) {
      ok = false;
      e = errno;
    }
    // the picture takes its name only when it is complete
    if (ok && std::rename(s.tmp.c_str(), s.file.c_str()) != 0) {
      ok = false;
      e = errno;
    }
    if (!ok) ::unlink(s.tmp.c_str());
    io::temp_done(s.tmp);
    if (!ok) {
      if (e == 0) e = EIO;
      warn("disfin", "Cannot write file " + s.file + ", " + cause(e));
      ++failed_files();
    } else if (s.protocol) {
      std::fflush(stdout);
      std::cerr << " Plot file " << s.file << " written (" << s.pagew << " x " << s.pageh
                << " plot units)\n";
    }
  }
  s.f = nullptr;
  reset_settings();
}

// --- settings of the drawing ---

void errmod(const std::string& what, const std::string& onoff) {
  int w = pick("errmod", what, {"PROT", "WARN", "ALL"});
  if (w < 0) return;
  int o = pick("errmod", onoff, {"ON", "OFF"});
  if (o < 0) return;
  if (w != 1) st().protocol = o == 0;
  if (w != 0) st().warnings = o == 0;
}

void texmod(const std::string& onoff) {
  int o = pick("texmod", onoff, {"ON", "OFF"});
  if (o >= 0) st().tex = o == 0;
}

// Font names go into the files as names: letters, digits and "-" only.
static bool font_name_ok(const std::string& n, bool blanks) {
  if (n.empty() || n.size() > 31) return false;
  for (unsigned char c : n)
    if (!(std::isalnum(c) || c == '-' || (blanks && c == ' '))) return false;
  return true;
}

void psfont(const std::string& name) {
  std::string n = io::trim(name);
  if (!font_name_ok(n, false)) {
    warn("psfont", "Not allowed ID");
    return;
  }
  st().psfont = n;
}

void winfnt(const std::string& name) {
  std::string n = io::trim(name);
  if (!font_name_ok(n, true)) {
    warn("winfnt", "Not allowed ID");
    return;
  }
  st().winfont = n;
}

void swgfnt(const std::string& name, int size) {
  if (size < 0) {
    warn("swgfnt", "Non positive paramter");
    return;
  }
  st().xfont = io::trim(name);
  st().xfontsize = size;
}

void color(const std::string& name) {
  Rgb c;
  std::string k = key(name);
  if (!color_of(k, c)) {
    warn("color", "Not allowed ID");
    return;
  }
  st().color = k;
}

void height(int n) {
  if (positive("height", n)) st().height = n;
}

void solid() {}  // every line is solid: the layer draws no other style

void txtjus(const std::string& how) {
  int j = pick("txtjus", how, {"LEFT", "CENT", "RIGH"});
  if (j >= 0) st().just = j;
}

void circsp(int n) {
  if (positive("circsp", n)) st().circsp = n;
}

void linwid(int n) {
  if (positive("linwid", n)) st().linwid = n;
}

// --- drawing ---

void messag(const std::string& text, int x, int y) {
  if (!in_plot("messag")) return;
  draw_text(io::trim(text), x, y);
}

void number(float value, int ndig, int x, int y) {
  if (!in_plot("number")) return;
  std::string s;
  double v = value;
  if (std::isnan(v))
    s = "NaN";
  else if (std::isinf(v))
    s = v > 0 ? "Inf" : "-Inf";
  else if (ndig < 0) {
    // whole number, rounded half away from zero
    char b[400];
    std::snprintf(b, sizeof b, "%.0f", std::round(v));
    s = b;
  } else {
    // rounded half away from zero on the last digit, as the printed tables round
    int nd = ndig > 15 ? 15 : ndig;
    double r = std::round(v * std::pow(10.0, nd));
    if (std::fabs(r) < 1e17) {
      char b[64];
      std::snprintf(b, sizeof b, "%.0f", std::fabs(r));
      std::string digits = b;
      if (digits.size() <= static_cast<size_t>(nd))
        digits.insert(0, static_cast<size_t>(nd) + 1 - digits.size(), '0');
      s = (r < 0 ? "-" : "") + digits.substr(0, digits.size() - static_cast<size_t>(nd)) + "." +
          digits.substr(digits.size() - static_cast<size_t>(nd));
    } else {
      char b[400];
      std::snprintf(b, sizeof b, "%.*f", nd, v);
      s = b;
      if (nd == 0) s += '.';
    }
  }
  // no minus sign in front of a rounded zero
  if (s.size() > 1 && s[0] == '-' && s.find_first_not_of("0.", 1) == std::string::npos)
    s.erase(0, 1);
  draw_text(s, x, y);
}

void pie(int x, int y, int r, float alpha, float beta) {
  if (!in_plot("pie")) return;
  if (r < 0) {
    warn("pie", "Non positive paramter");
    return;
  }
  plot::Device* d = pen();
  if (!d || r == 0 || !std::isfinite(alpha) || !std::isfinite(beta)) return;
  double a = alpha, b = beta;
  while (b < a) b += 360;  // the sector always runs counter-clockwise from alpha
  int n = arc_segments((b - a) * kPi / 180.0, r);
  std::vector<Pt> pts;
  pts.reserve(static_cast<size_t>(n) + 3);
  pts.push_back(Pt{x, y});
  for (int i = 0; i <= n; ++i) pts.push_back(on_circle(x, y, r, a + (b - a) * i / n));
  pts.push_back(Pt{x, y});
  d->polyline(pts);
}

void circle(int x, int y, int r) {
  if (!in_plot("circle")) return;
  if (r < 0) {
    warn("circle", "Non positive paramter");
    return;
  }
  plot::Device* d = pen();
  if (!d || r == 0) return;
  int n = arc_segments(2 * kPi, r);
  std::vector<Pt> pts;
  pts.reserve(static_cast<size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) pts.push_back(on_circle(x, y, r, 360.0 * i / n));
  d->polyline(pts);
}

void line(int x1, int y1, int x2, int y2) {
  if (!in_plot("line")) return;
  plot::Device* d = pen();
  if (!d) return;
  d->polyline({Pt{x1, y1}, Pt{x2, y2}});
}

int plot_failed_files() {
  return failed_files();
}

std::vector<std::string> plot_take_messages() {
  std::vector<std::string> v;
  v.swap(msglog());
  return v;
}

}  // namespace tolm
