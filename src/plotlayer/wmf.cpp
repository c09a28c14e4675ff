// The WMF device: a placeable Windows metafile. The logical coordinates are the plot units
// themselves (origin upper left, y downwards, 508 units to the inch as on the EPS page); the
// page is painted in its background colour first, then every line is a polyline with the
// current pen, and texts are written with a font of the current height, aligned on their
// baseline. All numbers in the file are little-endian.
#include <algorithm>
#include <cmath>

#include "plotlayer/plotdev.h"

namespace tolm::plot {

namespace {

// Record functions
constexpr uint16_t META_EOF = 0x0000, META_SETBKMODE = 0x0102, META_SETMAPMODE = 0x0103,
                   META_SETPOLYFILLMODE = 0x0106, META_SETTEXTALIGN = 0x012E,
                   META_SELECTOBJECT = 0x012D, META_DELETEOBJECT = 0x01F0,
                   META_SETTEXTCOLOR = 0x0209, META_SETWINDOWORG = 0x020B,
                   META_SETWINDOWEXT = 0x020C, META_CREATEPENINDIRECT = 0x02FA,
                   META_CREATEFONTINDIRECT = 0x02FB, META_CREATEBRUSHINDIRECT = 0x02FC,
                   META_POLYGON = 0x0324, META_POLYLINE = 0x0325, META_TEXTOUT = 0x0521;
constexpr uint16_t MM_ANISOTROPIC = 8, TRANSPARENT = 1, ALTERNATE = 1;
constexpr uint16_t PS_SOLID = 0, PS_NULL = 5, PS_ENDCAP_SQUARE = 0x0100, PS_JOIN_BEVEL = 0x1000;
constexpr uint16_t BS_SOLID = 0, BS_NULL = 1;
constexpr uint16_t TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_BASELINE = 24;
constexpr int units_per_inch = 508;
constexpr size_t maxpts = 8000;  // points per record, well below the 16-bit limits

int16_t clamp16(double v) {
  if (!(v > -32768)) return -32768;
  if (v > 32767) return 32767;
  return static_cast<int16_t>(std::lround(v));
}

class Bytes {
 public:
  void w16(int v) {
    uint16_t u = static_cast<uint16_t>(v);
    s += static_cast<char>(u & 0xFF);
    s += static_cast<char>(u >> 8);
  }
  void w32(uint32_t u) {
    w16(static_cast<int>(u & 0xFFFF));
    w16(static_cast<int>(u >> 16));
  }
  void color(Rgb c) {  // COLORREF: red, green, blue, 0
    s += static_cast<char>(c.r);
    s += static_cast<char>(c.g);
    s += static_cast<char>(c.b);
    s += '\0';
  }
  std::string s;
};

class Wmf : public Device {
 public:
  explicit Wmf(const Setup& su) : w_(su.width), h_(su.height) {
    fore_ = su.reverse ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
    Rgb back = su.reverse ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    color_ = fore_;
    Bytes b;
    b.w16(MM_ANISOTROPIC);
    record(META_SETMAPMODE, b);
    b = Bytes();
    b.w16(0);
    b.w16(0);
    record(META_SETWINDOWORG, b);
    b = Bytes();
    b.w16(h_);
    b.w16(w_);
    record(META_SETWINDOWEXT, b);
    b = Bytes();
    b.w16(TRANSPARENT);
    record(META_SETBKMODE, b);
    b = Bytes();
    b.w16(ALTERNATE);
    record(META_SETPOLYFILLMODE, b);

    // the page in its background colour, without an outline
    int brush = create_brush(BS_SOLID, back);
    int nopen = create_pen(PS_NULL, 0, back);
    select(brush);
    select(nopen);
    polygon({Pt{0, 0}, Pt{w_, 0}, Pt{w_, h_}, Pt{0, h_}});
    // closed figures stay unfilled from here on
    int hollow = create_brush(BS_NULL, back);
    select(hollow);
    remove(brush);
    pen_ = nopen;
  }

  void set_color(Rgb c) override { color_ = c; }
  void set_line_width(int w) override { lw_ = w; }

  void polyline(const std::vector<Pt>& pts) override {
    if (pts.size() < 2) return;
    update_pen();
    for (size_t i = 0; i + 1 < pts.size(); i += maxpts - 1) {
      size_t n = std::min(maxpts, pts.size() - i);
      Bytes b;
      b.w16(static_cast<int>(n));
      for (size_t k = i; k < i + n; ++k) {
        b.w16(clamp16(pts[k].x));
        b.w16(clamp16(pts[k].y));
      }
      record(META_POLYLINE, b);
    }
  }

  void text(const TextOut& t) override {
    if (!(textcolor_ == color_)) {
      Bytes b;
      b.color(color_);
      record(META_SETTEXTCOLOR, b);
      textcolor_ = color_;
    }
    double size = t.height / cap_height;
    bool one = t.runs.size() == 1 && t.runs[0].scale == 1.0 && t.runs[0].rise == 0.0;
    double x0 = one ? t.x : t.x - t.just * t.width / 2;
    int align = TA_BASELINE | (!one || t.just == 0 ? TA_LEFT : t.just == 1 ? TA_CENTER : TA_RIGHT);
    if (align != align_) {
      Bytes b;
      b.w16(align);
      record(META_SETTEXTALIGN, b);
      align_ = align;
    }
    for (const Run& r : t.runs) {
      use_font(r.symbol ? std::string("Symbol") : t.winfont, r.symbol, size * r.scale);
      std::string s = r.s.substr(0, 8000);
      Bytes b;
      b.w16(static_cast<int>(s.size()));
      b.s += s;
      if (s.size() % 2) b.s += '\0';
      b.w16(clamp16(t.ybase - r.rise));
      b.w16(clamp16(x0 + (one ? 0 : r.dx)));
      record(META_TEXTOUT, b);
    }
  }

  std::string finish() override {
    record(META_EOF, Bytes());
    Bytes p;  // the placeable header
    p.w32(0x9AC6CDD7u);
    p.w16(0);  // no handle on disk
    p.w16(0);
    p.w16(0);
    p.w16(w_);
    p.w16(h_);
    p.w16(units_per_inch);
    p.w32(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2)
      sum ^= static_cast<uint16_t>(static_cast<unsigned char>(p.s[i]) |
                                   (static_cast<unsigned char>(p.s[i + 1]) << 8));
    p.w16(sum);
    Bytes h;  // the metafile header: a file on disk, version 3
    h.w16(1);
    h.w16(9);
    h.w16(0x0300);
    h.w32(static_cast<uint32_t>(9 + body_.size() / 2));
    h.w16(static_cast<int>(slots_.size()));
    h.w32(static_cast<uint32_t>(maxrec_));
    h.w16(0);
    return p.s + h.s + body_;
  }

 private:
  void record(uint16_t func, const Bytes& params) {
    size_t words = 3 + params.s.size() / 2;
    Bytes r;
    r.w32(static_cast<uint32_t>(words));
    r.w16(func);
    body_ += r.s;
    body_ += params.s;
    maxrec_ = std::max(maxrec_, words);
  }

  // Objects take the lowest free place of the object table.
  int slot() {
    for (size_t i = 0; i < slots_.size(); ++i)
      if (!slots_[i]) {
        slots_[i] = true;
        return static_cast<int>(i);
      }
    slots_.push_back(true);
    return static_cast<int>(slots_.size() - 1);
  }

  void select(int obj) {
    Bytes b;
    b.w16(obj);
    record(META_SELECTOBJECT, b);
  }

  void remove(int obj) {
    Bytes b;
    b.w16(obj);
    record(META_DELETEOBJECT, b);
    slots_[static_cast<size_t>(obj)] = false;
  }

  int create_pen(uint16_t style, int width, Rgb c) {
    Bytes b;
    b.w16(style);
    b.w16(width);
    b.w16(0);
    b.color(c);
    record(META_CREATEPENINDIRECT, b);
    return slot();
  }

  int create_brush(uint16_t style, Rgb c) {
    Bytes b;
    b.w16(style);
    b.color(c);
    b.w16(0);
    record(META_CREATEBRUSHINDIRECT, b);
    return slot();
  }

  void polygon(const std::vector<Pt>& pts) {
    Bytes b;
    b.w16(static_cast<int>(pts.size()));
    for (const Pt& q : pts) {
      b.w16(clamp16(q.x));
      b.w16(clamp16(q.y));
    }
    record(META_POLYGON, b);
  }

  void update_pen() {
    if (pencolor_ == color_ && penwidth_ == lw_) return;
    int np = create_pen(PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_BEVEL, lw_, color_);
    select(np);
    remove(pen_);
    pen_ = np;
    pencolor_ = color_;
    penwidth_ = lw_;
  }

  void use_font(const std::string& face, bool symbol, double size) {
    int hgt = -std::max(1, static_cast<int>(std::lround(size)));
    if (font_ >= 0 && face == fontface_ && hgt == fontheight_) return;
    Bytes b;
    b.w16(hgt);                   // negative: the character height without internal leading
    b.w16(0);                     // width: the font's own
    b.w16(0);                     // escapement
    b.w16(0);                     // orientation
    b.w16(400);                   // weight: normal
    b.s += std::string(3, '\0');  // italic, underline, strike-out
    b.s += static_cast<char>(symbol ? 2 : 0);  // character set: symbol or ANSI
    b.s += std::string(3, '\0');               // precisions, quality
    b.s += static_cast<char>(0x20);            // variable pitch, swiss family
    std::string f = face.substr(0, 31);
    b.s += f;
    b.s += std::string(32 - f.size(), '\0');
    record(META_CREATEFONTINDIRECT, b);
    int nf = slot();
    select(nf);
    if (font_ >= 0) remove(font_);
    font_ = nf;
    fontface_ = face;
    fontheight_ = hgt;
  }

  int w_, h_;
  std::string body_;
  size_t maxrec_ = 0;
  std::vector<bool> slots_;
  Rgb fore_, color_, pencolor_{-1, -1, -1}, textcolor_{-1, -1, -1};
  int lw_ = 5, penwidth_ = -1;
  int pen_ = -1, font_ = -1, align_ = -1;
  std::string fontface_;
  int fontheight_ = 0;
};

}  // namespace

std::unique_ptr<Device> make_wmf(const Setup& s) {
  return std::make_unique<Wmf>(s);
}

}  // namespace tolm::plot
