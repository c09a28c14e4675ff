// The drawing interface between the plot routines and the file formats. The plot routines
// (plot.h) keep the settings and turn every operation into polylines and laid-out texts; a
// device writes them in its format (EPS: eps.cpp, WMF: wmf.cpp) into memory, and the plot
// routines write the bytes to the file when the plot ends.
//
// Coordinates are plot units with the origin in the upper left corner of the page and y
// growing downwards, as the callers see them; each device turns them into its own frame.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tolm::plot {

struct Pt {
  int x = 0, y = 0;
};
inline bool operator==(Pt a, Pt b) {
  return a.x == b.x && a.y == b.y;
}

struct Rgb {
  int r = 0, g = 0, b = 0;  // 0..255
};
inline bool operator==(Rgb a, Rgb b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}

// One piece of a text in one font: the whole text unless TeX-like commands switched to the
// symbol font or to an index or exponent. Strings are Latin-1 bytes.
struct Run {
  std::string s;
  bool symbol = false;  // Greek letters from the symbol font
  double scale = 1.0;   // of the character height
  double rise = 0.0;    // baseline shift upwards, in plot units
  double dx = 0.0;      // start of the run from the start of the text, plot units
};

struct TextOut {
  std::vector<Run> runs;
  double width = 0;             // of the whole text, plot units
  int x = 0;                    // reference point of the justification
  int ybase = 0;                // baseline
  int just = 0;                 // 0 left, 1 centre, 2 right: the text starts at x - just*width/2
  int height = 20;              // character (capital) height, plot units
  std::string psfont, winfont;  // the font of the EPS file and of the metafile
};

struct Setup {
  int width = 0, height = 0;  // page, plot units
  bool reverse = false;       // black on white (the metafile otherwise has a black page)
};

class Device {
 public:
  virtual ~Device() = default;
  virtual void set_color(Rgb c) = 0;
  virtual void set_line_width(int w) = 0;
  virtual void polyline(const std::vector<Pt>& pts) = 0;
  virtual void text(const TextOut& t) = 0;
  // Completes the picture and hands over the bytes of the file.
  virtual std::string finish() = 0;
};

std::unique_ptr<Device> make_eps(const Setup& s);
std::unique_ptr<Device> make_wmf(const Setup& s);

// Text layout shared by both devices: Helvetica advance widths in thousandths of the font
// size (Arial has the same), and the cap height that `height` sets.
constexpr double cap_height = 0.718;
double glyph_width(unsigned char c, bool symbol);
// Latin-1 bytes from a text that may be UTF-8 (characters beyond Latin-1 become "?").
std::string to_latin1(const std::string& s);
// Splits a text into runs and measures it; TeX-like commands only when tex is true.
std::vector<Run> layout(const std::string& latin1, bool tex, int height, double& width);

}  // namespace tolm::plot
