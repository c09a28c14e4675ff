// Differentiation snails: each deme a pie sector about one centre, its angle proportional to
// the deme's relative size cj and its radius to its differentiation Dj, laid out from twelve
// o'clock counter-clockwise in order of increasing Dj; a blue circle of radius delta and a
// scale bar beside it. One file per chosen format, EPS before WMF, through the plot routines.
#include "graphics/snailone.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "io/fixw.h"
#include "plotlayer/plot.h"

namespace tolm {

namespace {

// Plot units; one unit of differentiation is nscale long.
constexpr int nscale = 400;
constexpr int nheight = nscale / 20;                   // character height
constexpr int nlaboff = nscale / 5;                    // labels beyond the sector edge
constexpr int nxori = 2 * nlaboff + nscale;            // centre
constexpr int nyori = nlaboff + nscale + 8 * nheight;  //
constexpr int nxscale = 1119;                          // scale bar
constexpr int nticlen = 5;
constexpr int npage = 3 * nlaboff + nxscale;
constexpr float pi = 3.141596f;  // the value the pictures have always been drawn with

// Integer part; a value that is no number draws as 0 rather than as an undefined conversion.
int itrunc(float v) {
  if (!(std::fabs(v) < 1e9f)) return 0;
  return static_cast<int>(v);
}

// Stable insertion sort by increasing Dj: a deme passes its predecessor only when its Dj is
// strictly smaller, so demes with equal Dj keep their order.
void bsort(Arr1<int>& nsnailp, Arr1<float>& snailcj, Arr1<float>& snaildj, int n) {
  for (int i = 2; i <= n; ++i) {
    float d = snaildj(i), c = snailcj(i);
    int p = nsnailp(i);
    int j = i - 1;
    while (j >= 1 && d < snaildj(j)) {
      snaildj(j + 1) = snaildj(j);
      snailcj(j + 1) = snailcj(j);
      nsnailp(j + 1) = nsnailp(j);
      --j;
    }
    snaildj(j + 1) = d;
    snailcj(j + 1) = c;
    nsnailp(j + 1) = p;
  }
}

}  // namespace

int snailone(const std::string& heading, const std::string& snaildir, const std::string& filprefix,
             const std::string& cjtype, Arr1<int>& nsnailp, Arr1<float>& snailcj,
             Arr1<float>& snaildj, float snaildel, int mmaxpie, int isyst, int idoeps, int idowmf) {
  // Never more demes than the arrays hold.
  int n = static_cast<int>(
      std::min<long>({static_cast<long>(mmaxpie), nsnailp.hi(), snailcj.hi(), snaildj.hi()}));
  if (n < 0) n = 0;
  const float delta = snaildel;
  // Anything not above -1 (and no number at all) is missing data.
  const bool missing = !(delta > -1);

  // 1. Demes in order of increasing Dj
  bsort(nsnailp, snailcj, snaildj, n);

  // 2. The formats, EPS first
  std::vector<std::string> formats;
  if (idoeps == 1) formats.push_back("EPS");
  if (idowmf == 1) formats.push_back("WMF");
  if (formats.empty()) return 0;
  const int failed_before = plot_failed_files();

  // 3. Geometry
  Arr1<int> nrad(1, n), nradx1(1, n), nrady1(1, n), nradx2(1, n), nrady2(1, n), nlabx(1, n),
      nlaby(1, n);
  Arr1<float> alpha(1, n), beta(1, n);
  int ndelta = 0;
  if (!missing) {
    ndelta = itrunc(nscale * delta + 0.49f);
    if (n >= 1) alpha(1) = 90;
    for (int o = 1; o <= n; ++o) {
      // an undefined Dj (the missing-value marker) gets no sector rather than a negative one
      nrad(o) = std::max(0, itrunc(nscale * snaildj(o)));
      beta(o) = alpha(o) + snailcj(o) * 360;
      int nradpop = std::max(nrad(o), ndelta);
      float a = alpha(o) * pi / 180, b = beta(o) * pi / 180;
      nradx1(o) = itrunc(nxori + nrad(o) * std::cos(a));
      nrady1(o) = itrunc(nyori + nrad(o) * std::sin(-a));
      nradx2(o) = itrunc(nxori + nrad(o) * std::cos(b));
      nrady2(o) = itrunc(nyori + nrad(o) * std::sin(-b));
      float m = (alpha(o) + beta(o)) / 2 * pi / 180;
      nlabx(o) = itrunc(nxori + (nlaboff + nradpop) * std::cos(m));
      nlaby(o) = itrunc(nyori + (nlaboff + nradpop) * std::sin(-m));
      if (o < n) alpha(o + 1) = beta(o);
    }
  }

  // The file name: blanks and colons of the heading become underscores.
  std::string headline = io::trim(heading);
  for (char& c : headline)
    if (c == ' ' || c == ':') c = '_';
  std::string sep = isyst == 1 ? "/" : isyst == 2 ? "\\" : "";
  // The directory holds the prefix's own directories already; the file is named after its last
  // part.
  std::string name = io::trim(filprefix);
  const size_t cut = name.find_last_of(isyst == 2 ? "/\\" : "/");
  if (cut != std::string::npos) name = name.substr(cut + 1);
  std::string base = io::trim(snaildir) + sep + name + "-Snail-" + headline;

  for (const std::string& fmt : formats) {
    bool eps = fmt == "EPS";
    // 4. The plot
    filmod("DELETE");
    metafl(fmt);
    if (!eps) scrmod("REVERSE");
    setfil(base + (eps ? ".eps" : ".wmf"));
    page(npage, npage);
    disini();
    errmod("PROTOCOL", "OFF");
    if (eps) {
      psfont("Helvetica");
      if (isyst == 1) texmod("ON");
    } else if (isyst == 1) {
      swgfnt("-misc-fixed-medium-r-normal--13-120-75-75-c-80-iso8859-1", 0);
    } else if (isyst == 2) {
      winfnt("Arial");
    }
    color("FORE");
    height(nheight);
    solid();

    // 5. Title, caption and data
    txtjus("LEFT");
    messag(cjtype == "fin" ? "Differentiation snail - Population size proportional to sample size"
                           : "Differentiation snail  - Equal population sizes",
           40, 40);
    // The heading and the prefix are the user's own texts: "$", "\\", "^" or "_" in them are
    // characters to show, not text commands.
    if (eps && isyst == 1) texmod("OFF");
    messag(headline.size() > 10 ? headline.substr(10) : std::string(), 40, 80);
    messag("Data:" + io::trim(filprefix), 40, 120);
    if (eps && isyst == 1) texmod("ON");

    // 6. Missing data
    if (missing) {
      txtjus("CENTER");
      messag("Missing data - Subpopulation differentiation undefined", nxori, nyori);
      disfin();
      continue;
    }

    // 7. Sectors and their labels
    circsp(1);
    for (int o = 1; o <= n; ++o) {
      if (delta > 0.0001f) pie(nxori, nyori, nrad(o), alpha(o), beta(o));
      txtjus("CENTER");
      number(static_cast<float>(nsnailp(o)), -1, nlabx(o), nlaby(o) - 10);
    }

    // the delta circle
    color("BLUE");
    circle(nxori, nyori, delta < 0.0001f ? 2 : ndelta);
    linwid(1);
    color("FORE");

    // the scale: up to the largest Dj in tenths, at least 0.2
    float s = n >= 1 ? snaildj(n) : 0.0f;
    if (!(s >= 0.2f)) s = 0.2f;
    if (s > 1) s = 1;  // a proportion; more is rounding
    int k = itrunc(10 * s + 0.49f);
    int step = nscale / 10;
    int top = nyori - step * k;
    line(nxscale, nyori, nxscale, top);
    for (int i = 0; i <= k; ++i)
      line(nxscale - nticlen, nyori - i * step, nxscale + nticlen, nyori - i * step);
    txtjus("LEFT");
    number(0.0f, 1, nxscale + 20, nyori - 10);
    number(static_cast<float>(k) / 10, 1, nxscale + 20, top - 10);

    // the delta mark on the scale and its value
    color("BLUE");
    linwid(5);
    int ym = nyori - ndelta;
    line(nxscale - 15, ym, nxscale + 15, ym);
    linwid(1);
    std::string adelta = io::ltrim(io::ff(delta, 9, 4));
    if (adelta == "0.0000") adelta = "0.0";
    messag("delta=" + adelta, nxscale, nyori + 40);

    // 8. The file is complete
    disfin();
  }
  return plot_failed_files() - failed_before;
}

}  // namespace tolm
