// Differentiation snails drawn for print, as SVG, PDF or PNG files beside the EPS and WMF
// snails, when the run is given "-figures=svg,pdf,png". The numbers are the EPS snail's (the
// cells of the tabular file: C_j, D_j per deme and delta); the picture is made for a paper:
// sectors in a light tone with the delta circle over them, every sector labelled with its
// deme's name (labels never overlap; a leader line joins a label to its sector unless the
// label sits at the sector's edge), a title naming the locus (the loci of the combination, or
// the gene pool) and the kind in plain words, a scale labelled D_j, delta in the legend, and a
// page cut to what is drawn.
//
// Reads of the run state: `opt.figures`, `names` (file path and prefix), `param` (`mal`,
// `kc`, `nc`, `idurch`), and of Work the locus and deme names. Adds to `output_failures` for
// every file that cannot be written. Files go to <prefix>-Figures/snails/.
#pragma once

#include <string>
#include <vector>

#include "core/runstate.h"

namespace tolm {

// One snail, in the order of the demes as given (drawn in order of increasing D_j).
struct PrintSnail {
  std::string title, subtitle;
  std::vector<std::string> names;
  std::vector<float> cj, dj;  // an undefined D_j (the missing-value marker) has no sector
  float delta = 0;            // below -1: missing data, the page says so instead of a snail
};

// A label to be placed about the centre: the middle angle of its sector (degrees
// counter-clockwise from three o'clock), the radius of the sector's edge at that angle, the
// sector's angle and the width of the text.
struct LabelIn {
  double angle = 0, radius = 0, span = 0, width = 0;
};

// A placed label: its box on the page (y downwards), the text start (just 0) or end (just 2)
// and baseline, and the leader line from the sector's edge (ax, ay) through the point on the
// ring (rx, ry) to the label (lx, ly) when `leader` is set.
struct LabelBox {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double tx = 0, ty = 0;
  int just = 0;
  bool leader = false;
  double ax = 0, ay = 0, rx = 0, ry = 0, lx = 0, ly = 0;
};

// Places the labels outside the circle of radius `ring` about (cx, cy), right of the centre
// for sectors facing right and left of it otherwise, each side in the order of the angles and
// as near to its sector's direction as a line pitch of `pitch` allows (least squares). No two
// boxes overlap and no box reaches into the circle.
std::vector<LabelBox> place_labels(const std::vector<LabelIn>& in, double cx, double cy,
                                   double ring, double pitch, double cap);

// The top of the D_j scale and its step: the smallest of 1, 2, 2.5 or 5 times a power of ten
// with at most five steps reaching `dmax` (at least one step; 1 at most).
void snail_scale(double dmax, double& top, double& step);

// Where the snail stands on its page (points): the centre, the length of one unit of D_j, and
// the page. The drawing and the tests share it.
struct SnailFrame {
  double cx = 0, cy = 0, unit = 0, width = 0, height = 0;
  double top = 0, step = 0;
};

// Draws the snail into `path` as "svg", "pdf" or "png"; returns "" or what went wrong. `frame`
// receives where it was drawn.
std::string draw_print_snail(const PrintSnail& s, const std::string& path,
                             const std::string& format, SnailFrame* frame = nullptr);

// The folder of a run's figures: <path><prefix>-Figures.
std::string figures_dir(const RunState& rs);
// Makes a folder (and its parents); false with a message on the console when it cannot.
bool make_figures_dir(RunState& rs, const std::string& dir);
// A text made safe as part of a file name.
std::string file_part(const std::string& s);

// The hook of the parameter tables: the snail of the current combination (or gene pool) and
// kind in every format of "-figures". `heading` is the EPS snail's caption, `cjtype` "fin"
// (sizes proportional to sample size) or "inf" (equal sizes); the arrays [1:maxp] are not
// changed.
void snailprint(RunState& rs, const Work& w, const std::string& heading, const std::string& cjtype,
                const Arr1<int>& nsnailp, const Arr1<float>& snailcj, const Arr1<float>& snaildj,
                float snaildel);

}  // namespace tolm
