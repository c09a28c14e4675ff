// The EPS device: plain PostScript text. The page is translated by the page offset and scaled
// so that the drawing is in plot units (y upwards, so every y is turned about the page
// height); lines go out as polylines "x y u", "x y d" ... "p" of at most 49 points, and the
// output lines are filled up to 80 columns, broken only between items.
#include <cmath>
#include <ctime>
#include <set>

#include "plotlayer/plotdev.h"

namespace tolm::plot {

namespace {

constexpr double pt_per_unit = 0.1417322835;  // 508 plot units to the inch
constexpr int offx = 150, offy = 200;         // page offset, plot units
constexpr size_t width = 80;                  // of the output lines
constexpr int maxpts = 49;                    // points per polyline

const char* const prolog = R"(%%BeginProlog
/cm {0.1417322835 mul} def
/rgb {255 div} def
/u {newpath moveto} def
/d {lineto} def
/p {stroke} def
/f {rgb 3 1 roll rgb 3 1 roll rgb 3 1 roll setrgbcolor} def
/e {gsave f 4 2 roll moveto 1 index 0 rlineto 0 exch rlineto neg 0 rlineto
 closepath fill grestore} def
/font {exch findfont exch scalefont setfont} def
/font2 {/Symbol findfont exch scalefont setfont} def
/text {gsave translate rotate exch dup stringwidth pop 3 -1 roll mul 2 div neg
 0 moveto show grestore} def
/c {moveto show} def
/sec {gsave 6 dict begin /a2 exch def /a1 exch def /r2 exch def /r1 exch def
 /y0 exch def /x0 exch def newpath x0 y0 r2 a1 a2 arc x0 y0 r1 a2 a1 arcn
 closepath fill end grestore} def
/tri {newpath moveto lineto lineto closepath fill} def
/latin1 [/space /exclamdown /cent /sterling /currency /yen /brokenbar /section
 /dieresis /copyright /ordfeminine /guillemotleft /logicalnot /hyphen
 /registered /macron /degree /plusminus /twosuperior /threesuperior /acute /mu
 /paragraph /periodcentered /cedilla /onesuperior /ordmasculine
 /guillemotright /onequarter /onehalf /threequarters /questiondown /Agrave
 /Aacute /Acircumflex /Atilde /Adieresis /Aring /AE /Ccedilla /Egrave /Eacute
 /Ecircumflex /Edieresis /Igrave /Iacute /Icircumflex /Idieresis /Eth /Ntilde
 /Ograve /Oacute /Ocircumflex /Otilde /Odieresis /multiply /Oslash /Ugrave
 /Uacute /Ucircumflex /Udieresis /Yacute /Thorn /germandbls /agrave /aacute
 /acircumflex /atilde /adieresis /aring /ae /ccedilla /egrave /eacute
 /ecircumflex /edieresis /igrave /iacute /icircumflex /idieresis /eth /ntilde
 /ograve /oacute /ocircumflex /otilde /odieresis /divide /oslash /ugrave
 /uacute /ucircumflex /udieresis /yacute /thorn /ydieresis] def
/reencode {findfont dup length dict begin
 {1 index /FID ne {def} {pop pop} ifelse} forall /Encoding StandardEncoding 256 array copy dup 160 latin1 putinterval def
 currentdict end definefont pop} def
%%EndProlog
)";

std::string fmt5(int v) {
  char b[16];
  std::snprintf(b, sizeof b, "%5d", v);
  return b;
}

std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", v);
  return b;
}

std::string ps_string(const std::string& s) {
  std::string o = "(";
  for (unsigned char c : s) {
    if (c == '(' || c == ')' || c == '\\') {
      o += '\\';
      o += static_cast<char>(c);
    } else if (c < 32 || c > 126) {
      char b[8];
      std::snprintf(b, sizeof b, "\\%03o", c);
      o += b;
    } else {
      o += static_cast<char>(c);
    }
  }
  return o + ")";
}

class Eps : public Device {
 public:
  explicit Eps(const Setup& s) : h_(s.height) {
    int llx = static_cast<int>(std::floor(offx * pt_per_unit));
    int lly = static_cast<int>(std::floor(offy * pt_per_unit));
    int urx = static_cast<int>(std::ceil((offx + s.width) * pt_per_unit));
    int ury = static_cast<int>(std::ceil((offy + s.height) * pt_per_unit));
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (const std::tm* lt = std::localtime(&now)) tm = *lt;
    char date[64];
    std::strftime(date, sizeof date, "%d.%m.%Y , %H:%M:%S", &tm);
    out_ = "%!PS-Adobe-3.0 EPSF-3.0\n";
    out_ += "%%BoundingBox: " + std::to_string(llx) + " " + std::to_string(lly) + " " +
            std::to_string(urx) + " " + std::to_string(ury) + "\n";
    out_ +=
        std::string("%%Creator: TOLM plot layer 1.0") + (s.width > s.height ? " L" : " P") + "\n";
    out_ += std::string("%%CreationDate: ") + date + "\n";
    out_ += "%%EndComments\n";
    out_ += prolog;
    out_ += std::to_string(offx) + " cm " + std::to_string(offy) + " cm translate\n";
    out_ += "1 cm 1 cm scale\n";
    out_ += "%%Page: 1 1\n";
    out_ += "2 setlinecap 2 setlinejoin 5 setlinewidth\n";
    // Nothing is drawn outside the page, so the picture stays within its bounding box.
    std::string w = std::to_string(s.width), hh = std::to_string(s.height);
    out_ += "newpath 0 0 moveto " + w + " 0 lineto " + w + " " + hh + " lineto\n";
    out_ += "0 " + hh + " lineto closepath clip newpath\n";
  }

  void set_color(Rgb c) override {
    item(std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b) + " f");
  }

  void set_line_width(int w) override { item(std::to_string(w) + " setlinewidth"); }

  void polyline(const std::vector<Pt>& pts) override {
    if (pts.size() < 2) return;
    int n = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
      if (n == maxpts) {  // a long line goes on from its last point in a new polyline
        item("p");
        item(fmt5(pts[i - 1].x) + fmt5(h_ - pts[i - 1].y) + " u");
        n = 1;
      }
      item(fmt5(pts[i].x) + fmt5(h_ - pts[i].y) + (n == 0 ? " u" : " d"));
      ++n;
    }
    item("p");
  }

  void text(const TextOut& t) override {
    double size = t.height / cap_height;
    int yb = h_ - t.ybase;
    if (t.runs.size() == 1 && t.runs[0].scale == 1.0 && t.runs[0].rise == 0.0 &&
        !t.runs[0].symbol) {
      font(t.psfont, false, size);
      item(ps_string(t.runs[0].s) + " " + std::to_string(t.just) + " 0 " + std::to_string(t.x) +
           " " + std::to_string(yb) + " text");
      return;
    }
    double x0 = t.x - t.just * t.width / 2;
    for (const Run& r : t.runs) {
      font(t.psfont, r.symbol, size * r.scale);
      item(ps_string(r.s) + " " + num(x0 + r.dx) + " " + num(yb + r.rise) + " c");
    }
  }

  std::string finish() override {
    item("showpage");
    flush_line();
    return std::move(out_);
  }

 private:
  void font(const std::string& name, bool symbol, double size) {
    std::string s = num(size);
    if (symbol) {
      if (!fontsym_ || fontsize_ != s) item(s + " font2");
    } else if (fontsym_ || fontname_ != name || fontsize_ != s) {
      std::string latin = name + "-Latin1";
      if (reencoded_.insert(name).second) item("/" + latin + " /" + name + " reencode");
      item("/" + latin + " " + s + " font");
    }
    fontsym_ = symbol;
    if (!symbol) fontname_ = name;
    fontsize_ = s;
    if (symbol) fontname_.clear();  // the text font is chosen again after Greek letters
  }

  void item(const std::string& s) {
    if (!line_.empty() && line_.size() + 1 + s.size() > width) flush_line();
    if (!line_.empty() && s[0] != ' ') line_ += ' ';
    line_ += s;
  }

  void flush_line() {
    if (line_.empty()) return;
    out_ += line_;
    out_ += '\n';
    line_.clear();
  }

  int h_;
  std::string out_, line_;
  std::string fontname_, fontsize_;
  bool fontsym_ = false;
  std::set<std::string> reencoded_;
};

}  // namespace

std::unique_ptr<Device> make_eps(const Setup& s) {
  return std::make_unique<Eps>(s);
}

}  // namespace tolm::plot
