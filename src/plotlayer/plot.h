// The plot routines: one drawing at a time, written as an EPS file or as a placeable Windows
// metafile. A drawing is made in this order:
//
//   filmod, metafl, scrmod, setfil, page     settings of the file, before disini
//   disini                                   begins the plot (the file is opened)
//   errmod, texmod, psfont, winfnt, swgfnt,  settings of the drawing, at any time
//   color, height, solid, txtjus, circsp,
//   linwid
//   messag, number, pie, circle, line        drawing, between disini and disfin
//   disfin                                   ends the plot, writes and closes the file
//
// Coordinates are integer plot units on the page set by `page` (origin upper left, y growing
// downwards); angles are degrees counter-clockwise from the positive x axis. On the EPS page
// one plot unit is 0.1417322835 points (508 units to the inch); the metafile uses the same
// scale. Texts are blank-padded fixed-length texts: trailing blanks do not count. Keywords are
// compared on their first four letters, in any case.
//
// The layer keeps its own state between calls (nothing of the run state); after disfin every
// setting is back at its default. Misuse is reported on the error stream and the call ignored.
#pragma once

#include <string>
#include <vector>

namespace tolm {

void filmod(const std::string& mode);    // "DELETE": replace an existing file; "KEEP" (default)
void metafl(const std::string& format);  // "EPS" or "WMF"
void scrmod(const std::string& mode);    // "REVERSE": black on white in the metafile
void setfil(const std::string& name);
void page(int width, int height);
void disini();
void errmod(const std::string& what, const std::string& onoff);  // "PROTOCOL", "WARNINGS", "ALL"
void texmod(const std::string& onoff);
void psfont(const std::string& name);
void winfnt(const std::string& name);
void swgfnt(const std::string& name, int size);  // font of the X-window case; files ignore it
void color(const std::string& name);             // "FORE", "BACK", "BLACK", "WHITE", "BLUE" ...
void height(int n);
void solid();
void txtjus(const std::string& how);  // "LEFT", "CENTER", "RIGHT"
void messag(const std::string& text, int x, int y);
void number(float value, int ndig, int x, int y);
void circsp(int n);
void pie(int x, int y, int r, float alpha, float beta);
void circle(int x, int y, int r);
void linwid(int n);
void line(int x1, int y1, int x2, int y2);
void disfin();

// Number of plot files the layer could not write (opened or completed) since the program
// started. A file is written under a temporary name beside its own and renamed when complete,
// so a plot that fails leaves an earlier file of that name as it was.
int plot_failed_files();

// The messages the layer has written since the last call (for the tests).
std::vector<std::string> plot_take_messages();

}  // namespace tolm
