// The print device: one cairo surface per page. See cairo_canvas.h.
#include "plotlayer/cairo_canvas.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tolm::plot {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPngDpi = 300;

// Texts of the input file may be Latin-1: cairo takes only valid UTF-8, and one invalid text
// would put the whole page into an error state. A text that is not UTF-8 is read as Latin-1.
bool valid_utf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
    if (n == 9 || i + n >= s.size() + (n == 0 ? 1 : 0)) return n == 0;
    for (size_t k = 1; k <= n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += n + 1;
  }
  return true;
}

std::string utf8(const std::string& s) {
  if (valid_utf8(s)) return s;
  std::string u;
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      u += ch;
    } else {
      u += static_cast<char>(0xC0 | (c >> 6));
      u += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return u;
}

void set(cairo_t* cr, Colour c) {
  cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

// A PNG file of an RGB24 surface, written here rather than through cairo's writer: the rows go
// unfiltered to one fast deflate, several times quicker on pages of mostly white, and the file
// says its resolution (pHYs) so that it opens at its size in print. Returns a zlib or errno
// reason, or "".
std::string be(uint32_t v) {
  std::string s;
  for (int k = 24; k >= 0; k -= 8) s += static_cast<char>(v >> k & 255);
  return s;
}

void chunk(std::string& out, const char* type, const std::string& data) {
  std::string body = std::string(type, 4) + data;
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
  out += be(static_cast<uint32_t>(data.size())) + body + be(static_cast<uint32_t>(crc));
}

std::string write_png(cairo_surface_t* surf, const std::string& path) {
  cairo_surface_flush(surf);
  const int w = cairo_image_surface_get_width(surf), h = cairo_image_surface_get_height(surf);
  const int stride = cairo_image_surface_get_stride(surf);
  const unsigned char* data = cairo_image_surface_get_data(surf);
  std::vector<unsigned char> raw;
  raw.reserve(static_cast<size_t>(h) * (3 * static_cast<size_t>(w) + 1));
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);  // no filter
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      uint32_t v = row[x];
      raw.push_back(static_cast<unsigned char>(v >> 16 & 255));
      raw.push_back(static_cast<unsigned char>(v >> 8 & 255));
      raw.push_back(static_cast<unsigned char>(v & 255));
    }
  }
  uLongf zlen = compressBound(static_cast<uLong>(raw.size()));
  std::string z(zlen, '\0');
  int zr = compress2(reinterpret_cast<Bytef*>(&z[0]), &zlen, raw.data(),
                     static_cast<uLong>(raw.size()), 3);
  if (zr != Z_OK) return std::string("compression failed: ") + zError(zr);
  z.resize(zlen);
  std::string out = "\x89PNG\r\n\x1a\n";
  chunk(out, "IHDR",
        be(static_cast<uint32_t>(w)) + be(static_cast<uint32_t>(h)) +
            std::string("\x08\x02\x00\x00\x00", 5));
  const uint32_t ppm = static_cast<uint32_t>(std::lround(kPngDpi / 0.0254));
  chunk(out, "pHYs", be(ppm) + be(ppm) + std::string("\x01", 1));
  chunk(out, "IDAT", z);
  chunk(out, "IEND", "");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return std::strerror(errno);
  size_t n = std::fwrite(out.data(), 1, out.size(), f);
  int e = n == out.size() ? 0 : errno;
  if (std::fclose(f) != 0 && e == 0) e = errno;
  return e ? std::strerror(e) : "";
}

}  // namespace

int png_pixels(double points) {
  return static_cast<int>(std::lround(points * kPngDpi / 72.0));
}

bool canvas_format(const std::string& format) {
  return format == "svg" || format == "pdf" || format == "png";
}

Canvas::Canvas(const std::string& path, const std::string& format, double width, double height)
    : path_(path), format_(format), w_(width), h_(height) {
  if (format == "svg") {
    // The page is written at close(), after its group is renamed (canonical_svg_ids).
    svg_file_ = std::fopen(path.c_str(), "wb");
    if (!svg_file_) {
      err_ = std::strerror(errno);
      return;
    }
    surf_ = cairo_svg_surface_create_for_stream(
        [](void* to, const unsigned char* data, unsigned int n) {
          static_cast<std::string*>(to)->append(reinterpret_cast<const char*>(data), n);
          return CAIRO_STATUS_SUCCESS;
        },
        &svg_, width, height);
  } else if (format == "pdf") {
    surf_ = cairo_pdf_surface_create(path.c_str(), width, height);
  } else if (format == "png" || format == "measure") {
    surf_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, png_pixels(width), png_pixels(height));
  } else {
    err_ = "unknown figure format \"" + format + "\"";
    return;
  }
  if (cairo_surface_status(surf_) != CAIRO_STATUS_SUCCESS) {
    err_ = cairo_status_to_string(cairo_surface_status(surf_));
    cairo_surface_destroy(surf_);
    surf_ = nullptr;
    if (svg_file_) {
      std::fclose(svg_file_);
      svg_file_ = nullptr;
      std::remove(path.c_str());
    }
    return;
  }
  cr_ = cairo_create(surf_);
  if (format == "png") cairo_scale(cr_, kPngDpi / 72.0, kPngDpi / 72.0);
  // a white page: a PNG starts black, and a picture for print has no transparent background
  cairo_set_source_rgb(cr_, 1, 1, 1);
  cairo_paint(cr_);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
}

Canvas::~Canvas() {
  if (!closed_) close();
}

void Canvas::rect(double x, double y, double w, double h, Colour fill) {
  if (!cr_) return;
  cairo_rectangle(cr_, x, y, w, h);
  set(cr_, fill);
  cairo_fill(cr_);
}

void Canvas::rect_outline(double x, double y, double w, double h, Colour c, double lw) {
  if (!cr_) return;
  cairo_rectangle(cr_, x, y, w, h);
  set(cr_, c);
  cairo_set_line_width(cr_, lw);
  cairo_stroke(cr_);
}

void Canvas::sector(double cx, double cy, double r, double a0, double a1, Colour fill, Colour c,
                    double lw) {
  if (!cr_ || r <= 0) return;
  // y grows downwards: counter-clockwise on the page is cairo's negative direction
  cairo_new_path(cr_);
  cairo_move_to(cr_, cx, cy);
  cairo_arc_negative(cr_, cx, cy, r, -a0 * kPi / 180, -a1 * kPi / 180);
  cairo_close_path(cr_);
  set(cr_, fill);
  if (lw > 0) {
    cairo_fill_preserve(cr_);
    set(cr_, c);
    cairo_set_line_width(cr_, lw);
    cairo_stroke(cr_);
  } else {
    cairo_fill(cr_);
  }
}

void Canvas::circle(double cx, double cy, double r, Colour c, double lw) {
  if (!cr_) return;
  cairo_new_path(cr_);
  cairo_arc(cr_, cx, cy, r, 0, 2 * kPi);
  set(cr_, c);
  cairo_set_line_width(cr_, lw);
  cairo_stroke(cr_);
}

void Canvas::line(double x1, double y1, double x2, double y2, Colour c, double lw) {
  if (!cr_) return;
  cairo_new_path(cr_);
  cairo_move_to(cr_, x1, y1);
  cairo_line_to(cr_, x2, y2);
  set(cr_, c);
  cairo_set_line_width(cr_, lw);
  cairo_stroke(cr_);
}

void Canvas::font(double size, bool bold) {
  cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr_, size);
}

double Canvas::text_width(const std::string& s, double size, bool bold) {
  if (!cr_ || s.empty()) return 0;
  font(size, bold);
  cairo_text_extents_t e;
  cairo_text_extents(cr_, utf8(s).c_str(), &e);
  return e.x_advance;
}

void Canvas::text(const std::string& s, double x, double y, double size, int just, Colour c,
                  bool bold, double angle) {
  if (!cr_ || s.empty()) return;
  double w = text_width(s, size, bold);
  cairo_save(cr_);
  cairo_translate(cr_, x, y);
  if (angle != 0) cairo_rotate(cr_, -angle * kPi / 180);
  cairo_move_to(cr_, -just * w / 2, 0);
  set(cr_, c);
  cairo_show_text(cr_, utf8(s).c_str());
  cairo_restore(cr_);
}

std::string Canvas::close() {
  if (closed_) return err_;
  closed_ = true;
  if (!cr_) return err_;
  cairo_status_t st = cairo_status(cr_);
  cairo_destroy(cr_);
  cr_ = nullptr;
  if (st == CAIRO_STATUS_SUCCESS && format_ == "png") err_ = write_png(surf_, path_);
  cairo_surface_finish(surf_);
  if (st == CAIRO_STATUS_SUCCESS) st = cairo_surface_status(surf_);
  cairo_surface_destroy(surf_);
  surf_ = nullptr;
  if (st != CAIRO_STATUS_SUCCESS && err_.empty()) err_ = cairo_status_to_string(st);
  if (svg_file_) {
    const std::string text = canonical_svg_ids(svg_);
    int e = std::fwrite(text.data(), 1, text.size(), svg_file_) == text.size() ? 0 : errno;
    if (std::fclose(svg_file_) != 0 && e == 0) e = errno;
    svg_file_ = nullptr;
    if (e != 0 && err_.empty()) err_ = std::strerror(e);
  }
  return err_;
}

std::string canonical_svg_ids(const std::string& svg) {
  static const std::string kName = "surface";
  std::vector<std::string> seen;
  std::string out;
  out.reserve(svg.size());
  size_t from = 0;
  for (size_t at = svg.find(kName); at != std::string::npos; at = svg.find(kName, at)) {
    size_t end = at + kName.size();
    while (end < svg.size() && std::isdigit(static_cast<unsigned char>(svg[end]))) ++end;
    const bool named =
        end > at + kName.size() && at > 0 && (svg[at - 1] == '"' || svg[at - 1] == '#');
    if (!named) {
      at = end;
      continue;
    }
    const std::string number = svg.substr(at + kName.size(), end - at - kName.size());
    size_t k = std::find(seen.begin(), seen.end(), number) - seen.begin();
    if (k == seen.size()) seen.push_back(number);
    out.append(svg, from, at + kName.size() - from);
    out += std::to_string(k + 1);
    from = at = end;
  }
  out.append(svg, from, std::string::npos);
  return out;
}

}  // namespace tolm::plot
