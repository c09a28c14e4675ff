// The print device of the plot layer: figures for papers written through cairo as SVG, PDF or
// PNG, beside the EPS and WMF devices of the snail files. A canvas is one page of one file:
// it is created with the file's name, format and page size, drawn on, and closed, which
// writes the file.
//
// Coordinates are points (1/72 inch) with the origin in the upper left corner of the page and
// y growing downwards; angles are degrees counter-clockwise from the positive x axis, as in
// the plot routines. A PNG page has 300 pixels to the inch (`png_pixels`). Texts are UTF-8 in
// a sans-serif face. Nothing of the run state is read or written here.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace tolm::plot {

// A colour with components 0..1.
struct Colour {
  double r = 0, g = 0, b = 0;
};

// The pixels of a PNG page `points` long.
int png_pixels(double points);

// True for "svg", "pdf" and "png".
bool canvas_format(const std::string& format);

// An SVG page as cairo writes it names its groups after a counter of the whole process
// ("surface27"), which depends on what was drawn before and in which order; the same page
// with its groups numbered 1, 2, ... in the order they first appear.
std::string canonical_svg_ids(const std::string& svg);

class Canvas {
 public:
  // Opens the page. On failure ok() is false and close() returns the reason. The format
  // "measure" gives a canvas that only measures texts and writes nothing.
  Canvas(const std::string& path, const std::string& format, double width, double height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool ok() const { return cr_ != nullptr; }
  double width() const { return w_; }
  double height() const { return h_; }

  void rect(double x, double y, double w, double h, Colour fill);
  void rect_outline(double x, double y, double w, double h, Colour line, double lw);
  // A pie sector about (cx, cy) from angle a0 to a1, filled and outlined (lw 0: no outline).
  void sector(double cx, double cy, double r, double a0, double a1, Colour fill, Colour line,
              double lw);
  void circle(double cx, double cy, double r, Colour line, double lw);
  void line(double x1, double y1, double x2, double y2, Colour c, double lw);
  // A text with its baseline at y; just 0 starts it at x, 1 centres it, 2 ends it there. With
  // a rotation (degrees counter-clockwise) the text turns about (x, y).
  void text(const std::string& s, double x, double y, double size, int just, Colour c,
            bool bold = false, double angle = 0);
  // Width of a text and the height of capitals at a size.
  double text_width(const std::string& s, double size, bool bold = false);
  static double cap_height(double size) { return 0.72 * size; }

  // Ends the page and writes the file: "" or what went wrong.
  std::string close();

 private:
  void font(double size, bool bold);
  std::string path_, format_;
  double w_ = 0, h_ = 0;
  cairo_surface_t* surf_ = nullptr;
  std::FILE* svg_file_ = nullptr;  // an SVG page's file, written at close
  std::string svg_;                // the SVG page as drawn
  cairo_t* cr_ = nullptr;
  std::string err_;
  bool closed_ = false;
};

}  // namespace tolm::plot
