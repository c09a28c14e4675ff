// Helpers of the plot and snail tests; see plot_tools.h.
#include "plot_tools.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace plottest {

std::string tmpdir() {
  std::string t = "/tmp/tolm-plot-XXXXXX";
  std::vector<char> b(t.begin(), t.end());
  b.push_back('\0');
  if (!mkdtemp(b.data())) return std::string();  // the fixtures stop on this
  return b.data();
}

bool have(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

int run(const std::string& cmd, std::string& out) {
  out.clear();
  std::FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int st = pclose(p);
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool exists(const std::string& path) {
  return std::ifstream(path).good();
}

std::string q(const std::string& s) {
  return "'" + s + "'";
}

// The four numbers of a "%%BoundingBox:" line in a text, false without one.
bool bbox_of(const std::string& text, int v[4]) {
  size_t k = text.find("%%BoundingBox:");
  if (k == std::string::npos) return false;
  return std::sscanf(text.c_str() + k, "%%%%BoundingBox: %d %d %d %d", &v[0], &v[1], &v[2],
                     &v[3]) == 4;
}

// Ghostscript reads the file without error, and what it draws lies within the header's box.
::testing::AssertionResult gs_ok(const std::string& eps) {
  std::string out;
  int rc = run("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=bbox " + q(eps), out);
  if (rc != 0 || out.find("Error") != std::string::npos)
    return ::testing::AssertionFailure() << "gs failed on " << eps << ":\n" << out;
  int hdr[4];
  double drawn[4];
  if (!bbox_of(slurp(eps), hdr)) return ::testing::AssertionFailure() << "no bounding box";
  size_t k = out.find("%%HiResBoundingBox:");
  if (k == std::string::npos ||
      std::sscanf(out.c_str() + k, "%%%%HiResBoundingBox: %lf %lf %lf %lf", &drawn[0], &drawn[1],
                  &drawn[2], &drawn[3]) != 4)
    return ::testing::AssertionFailure() << "gs gave no box:\n" << out;
  if (drawn[0] == 0 && drawn[1] == 0 && drawn[2] == 0 && drawn[3] == 0)
    return ::testing::AssertionSuccess();  // nothing drawn at all
  // the box device counts whole pixels of its own (a fiftieth of a point)
  const double tol = 0.05;
  if (drawn[0] < hdr[0] - tol || drawn[1] < hdr[1] - tol || drawn[2] > hdr[2] + tol ||
      drawn[3] > hdr[3] + tol)
    return ::testing::AssertionFailure()
           << "drawn " << drawn[0] << " " << drawn[1] << " " << drawn[2] << " " << drawn[3]
           << " outside " << hdr[0] << " " << hdr[1] << " " << hdr[2] << " " << hdr[3];
  return ::testing::AssertionSuccess();
}

// libwmf converts the file without complaint; the SVG comes back in svg.
::testing::AssertionResult wmf_ok(const std::string& wmf, std::string& svg) {
  std::string out, dst = wmf + ".svg";
  int rc = run("wmf2svg -o " + q(dst) + " " + q(wmf), out);
  svg = slurp(dst);
  if (rc != 0 || svg.find("<svg") == std::string::npos || out.find("ERROR") != std::string::npos ||
      out.find("rror") != std::string::npos)
    return ::testing::AssertionFailure() << "wmf2svg failed on " << wmf << ":\n" << out;
  return ::testing::AssertionSuccess();
}

size_t count(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t k = hay.find(needle); k != std::string::npos; k = hay.find(needle, k + 1)) ++n;
  return n;
}

// --- the drawing part of an EPS file, back in plot units (y downwards) ---

Drawing read_eps(const std::string& eps, int page_height) {
  Drawing d;
  size_t start = eps.find("%%Page: 1 1");
  if (start == std::string::npos) return d;
  std::string body = eps.substr(eps.find('\n', start) + 1);
  {
    std::istringstream ls(body);
    std::string l;
    while (std::getline(ls, l)) d.longest_line = std::max(d.longest_line, l.size());
  }
  std::vector<std::string> st;  // operands
  int col[3] = {0, 0, 0}, width = 5;
  Path cur;
  size_t curn = 0;
  bool joined = false;
  auto num = [&](size_t back) { return std::atof(st[st.size() - back].c_str()); };
  size_t i = 0;
  while (i < body.size()) {
    char c = body[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    std::string tok;
    if (c == '(') {  // a string, with its escapes undone
      ++i;
      int depth = 1;
      while (i < body.size()) {
        char e = body[i++];
        if (e == '\\') {
          if (std::isdigit(static_cast<unsigned char>(body[i]))) {
            tok += static_cast<char>(std::strtol(body.substr(i, 3).c_str(), nullptr, 8));
            i += 3;
          } else {
            tok += body[i++];
          }
        } else if (e == '(') {
          ++depth;
          tok += e;
        } else if (e == ')') {
          if (--depth == 0) break;
          tok += e;
        } else {
          tok += e;
        }
      }
      st.push_back("(" + tok);
      continue;
    }
    while (i < body.size() && !std::isspace(static_cast<unsigned char>(body[i]))) tok += body[i++];
    if (tok == "u" || tok == "d") {
      P pt{static_cast<int>(num(2)), page_height - static_cast<int>(num(1))};
      if (tok == "u") {
        // a polyline of 49 points goes on from its last point in the next one
        joined = curn == 49 && !d.paths.empty() && d.paths.back().pts.back().x == pt.x &&
                 d.paths.back().pts.back().y == pt.y;
        cur = Path();
        cur.r = col[0];
        cur.g = col[1];
        cur.b = col[2];
        cur.width = width;
        curn = 0;
      }
      if (!(tok == "u" && joined)) cur.pts.push_back(pt);
      ++curn;
      st.clear();
    } else if (tok == "p") {
      d.polyline_points.push_back(curn);
      if (joined)
        d.paths.back().pts.insert(d.paths.back().pts.end(), cur.pts.begin(), cur.pts.end());
      else
        d.paths.push_back(cur);
      st.clear();
    } else if (tok == "f" && st.size() >= 3) {
      for (int k = 0; k < 3; ++k) col[k] = static_cast<int>(num(3 - k));
      st.clear();
    } else if (tok == "setlinewidth" && !st.empty()) {
      width = static_cast<int>(num(1));
      st.clear();
    } else if (tok == "text" && st.size() >= 5) {
      Text t{st[st.size() - 5].substr(1),
             static_cast<int>(num(4)),
             num(2),
             page_height - num(1),
             col[0],
             col[1],
             col[2]};
      d.texts.push_back(t);
      st.clear();
    } else if (tok == "c" && st.size() >= 3) {
      Text t{st[st.size() - 3].substr(1), 0, num(2), page_height - num(1), col[0], col[1], col[2]};
      d.texts.push_back(t);
      st.clear();
    } else if (tok == "showpage" || tok == "font" || tok == "font2" || tok == "reencode") {
      st.clear();
    } else {
      st.push_back(tok);
    }
  }
  return d;
}

// --- the records of a placeable metafile ---

Wmf read_wmf(const std::string& b) {
  Wmf w;
  auto u16 = [&](size_t k) {
    return static_cast<unsigned>(static_cast<unsigned char>(b[k]) |
                                 (static_cast<unsigned char>(b[k + 1]) << 8));
  };
  auto s16 = [&](size_t k) { return static_cast<int>(static_cast<int16_t>(u16(k))); };
  auto u32 = [&](size_t k) { return u16(k) | (u16(k + 2) << 16); };
  if (b.size() < 40 || u32(0) != 0x9AC6CDD7u) {
    w.why = "no placeable header";
    return w;
  }
  unsigned sum = 0;
  for (size_t k = 0; k < 20; k += 2) sum ^= u16(k);
  if (sum != u16(20)) {
    w.why = "wrong checksum";
    return w;
  }
  for (int k = 0; k < 4; ++k) w.bbox[k] = s16(6 + 2 * static_cast<size_t>(k));
  w.inch = static_cast<int>(u16(14));
  size_t h = 22;
  if (u16(h) != 1 || u16(h + 2) != 9) {
    w.why = "bad metafile header";
    return w;
  }
  if (22 + 2 * static_cast<size_t>(u32(h + 6)) != b.size()) {
    w.why = "size in the header differs from the file";
    return w;
  }
  size_t k = h + 18;
  while (k + 6 <= b.size()) {
    size_t words = u32(k);
    unsigned fn = u16(k + 4);
    if (words < 3 || k + 2 * words > b.size()) {
      w.why = "record beyond the end";
      return w;
    }
    if (fn == 0) {
      w.ok = k + 2 * words == b.size();
      if (!w.ok) w.why = "bytes after the end record";
      return w;
    }
    size_t p = k + 6;
    if (fn == 0x0325 || fn == 0x0324) {
      std::vector<P> pts;
      int n = s16(p);
      for (int j = 0; j < n; ++j)
        pts.push_back(
            P{s16(p + 2 + 4 * static_cast<size_t>(j)), s16(p + 4 + 4 * static_cast<size_t>(j))});
      (fn == 0x0325 ? w.polylines : w.polygons).push_back(pts);
    } else if (fn == 0x0521) {
      w.texts.push_back(b.substr(p + 2, static_cast<size_t>(s16(p))));
    }
    k += 2 * words;
  }
  w.why = "no end record";
  return w;
}

// --- a picture rendered by Ghostscript, as raw pixels ---

void Image::at(int x, int y, int rgb[3]) const {
  size_t k = 3 * (static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x));
  for (int c = 0; c < 3; ++c) rgb[c] = static_cast<unsigned char>(px[k + static_cast<size_t>(c)]);
}

bool render(const std::string& eps, int dpi, Image& img, const std::string& png) {
  std::string out, ppm = eps + ".ppm";
  std::string base = "gs -q -dNOPAUSE -dBATCH -dSAFER -dEPSCrop -r" + std::to_string(dpi);
  if (run(base + " -sDEVICE=ppmraw -sOutputFile=" + q(ppm) + " " + q(eps), out) != 0) return false;
  if (!png.empty() &&
      run(base + " -sDEVICE=png16m -sOutputFile=" + q(png) + " " + q(eps), out) != 0)
    return false;
  std::string b = slurp(ppm);
  // header: P6, width, height, 255, with comment lines between, then one blank
  std::vector<std::string> head;
  size_t k = 0;
  while (head.size() < 4 && k < b.size()) {
    if (b[k] == '#') {
      k = b.find('\n', k);
      if (k == std::string::npos) return false;
    } else if (std::isspace(static_cast<unsigned char>(b[k]))) {
      ++k;
    } else {
      size_t e = k;
      while (e < b.size() && !std::isspace(static_cast<unsigned char>(b[e]))) ++e;
      head.push_back(b.substr(k, e - k));
      k = e;
    }
  }
  if (head.size() < 4 || head[0] != "P6" || head[3] != "255") return false;
  img.w = std::atoi(head[1].c_str());
  img.h = std::atoi(head[2].c_str());
  img.px = b.substr(k + 1);
  return img.px.size() == 3 * static_cast<size_t>(img.w) * static_cast<size_t>(img.h);
}

}  // namespace plottest
