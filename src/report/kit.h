// The report kit: the conventions every section of the results file repeats, written once.
//
// - Section titles: a rule of 72 characters ('*' for a combination, a deme or the gene pool,
//   '=' for a kind or a test) above and below the title, after an empty line; subtitles between
//   two shorter dashed rules.
// - Deme blocks: per-deme tables stand `iwidth` demes side by side, 10 columns a deme; the blocks
//   follow one another with a separator line between two blocks written. `blocks` runs the
//   positions 1..n in such blocks; `row`, `row_after` and `deme_row` build the rows.
// - The chi-square accumulator: the G, X**2 and continuity-corrected X**2 sums of a table of
//   observed and expected counts, cell by cell in the order the caller visits them (32-bit
//   reals; the printed digits depend on that order), with the marks of small and zero
//   expectations; the tests hand it to their one judge `test`.
// - `fudge`, the tolerance of every comparison of a count or frequency held as a real.
//
// Reads `nprb` of the work arrays for the deme numbers and writes to the unit it is given; holds
// no state of its own.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "io/units.h"
#include "core/runstate.h"

namespace tolm::kit {

// Tolerance of comparisons of counts and frequencies held as reals.
constexpr float fudge = 1e-5f;

// ---- Section titles ----

constexpr int kTitleRule = 72;

// An empty line, a rule of 72 `c`, the title lines, the same rule.
void title(io::Unit& o, char c, std::string_view text);
void title(io::Unit& o, char c, const std::vector<std::string>& lines);
// An empty line, `width` dashes, the subtitle, `width` dashes.
void subtitle(io::Unit& o, std::string_view text, int width = 35);

// ---- Deme blocks ----

// Runs body(first, last) for the positions 1..n in blocks of `iwidth` (at least 1), writing the
// line `sep` between two blocks.
template <class Body>
void blocks(io::Unit& o, int n, int iwidth, std::string_view sep, Body body) {
  const int iw = std::max(1, iwidth);
  for (int first = 1; first <= n; first += iw) {
    if (first > 1) o.line(sep);
    body(first, std::min(n, first + iw - 1));
  }
}

// The same, for tables that leave out a block with nothing to show: `shown`(first, last) decides,
// and the separator stands only between two blocks written.
template <class Shown, class Body>
void blocks_shown(io::Unit& o, int n, int iwidth, std::string_view sep, Shown shown, Body body) {
  const int iw = std::max(1, iwidth);
  bool written = false;
  for (int first = 1; first <= n; first += iw) {
    const int last = std::min(n, first + iw - 1);
    if (!shown(first, last)) continue;
    if (written) o.line(sep);
    written = true;
    body(first, last);
  }
}

// `lead`, then cell(i) of the positions first..last with `gap` between two cells.
template <class Cell>
std::string row(std::string lead, int first, int last, std::string_view gap, Cell cell) {
  for (int i = first; i <= last; ++i) {
    if (i > first) lead += gap;
    lead += cell(i);
  }
  return lead;
}

// `lead`, then cell(i) of the positions first..last, each followed by `gap`.
template <class Cell>
std::string row_after(std::string lead, int first, int last, std::string_view gap, Cell cell) {
  for (int i = first; i <= last; ++i) {
    lead += cell(i);
    lead += gap;
  }
  return lead;
}

// The head row of a block: "Deme" in 15 columns, then the deme numbers, 10 columns each and
// right-aligned in their first five. With `trailing` every number keeps its five blanks, the
// last one too.
std::string deme_row(const Work& w, int first, int last, bool trailing = false);

// ---- Chi-square accumulator ----

struct ChiSquare {
  float g = 0.0f;      // sum of ob * ln(ob / e): G is twice this
  float x2 = 0.0f;     // X**2
  float yates = 0.0f;  // X**2 with the continuity correction 0.5
  int ismall = 0;      // 1: some expectation below the minimum the user gave
  int izero = 0;       // 1: some cell expected 0, left out of the sums

  // One cell of observed count ob and expectation e.
  void cell(float ob, float e) {
    if (std::fabs(e) < fudge) {
      izero = 1;
      return;
    }
    if (ob >= fudge) g += ob * (std::log(ob) - std::log(e));
    x2 += (ob - e) * (ob - e) / e;
    const float d = std::fabs(ob - e) - 0.5f;
    yates += d * d / e;
  }
  // G as judged and reported.
  float gstat() const { return 2.0f * g; }
};

}  // namespace tolm::kit
