// The overview figures of a run, written at its end as SVG, PDF or PNG (the formats of
// "-figures") into <prefix>-Figures/, one of each per pass and kind:
//
//   Dj-<kind>.<ext>   heat map of the differentiation D_j of every deme (rows) from the
//                     others at every locus or combination (columns), the gene pool last;
//   d0-<kind>.<ext>   heat map of the gene-pool distances d_0 between the demes, in the order
//                     of an average-linkage (UPGMA) clustering of the demes on d_0, with the
//                     dendrogram beside it.
//
// The numbers are the long table's rows kept in memory (`rs.longtab.rows`): measure
// `differentiation_Dj` (per deme, locus and kind; loci "pool" for the gene pool) and
// `distance_d0` with loci "pool" (pairs deme, other_deme). Reads `opt.figures`, `names`;
// adds to `output_failures` for every file that cannot be written and says on the console
// where the figures went.
#pragma once

#include <string>
#include <vector>

#include "core/runstate.h"

namespace tolm {

// A matrix of values drawn as coloured cells (NaN: no value), with its names and, when
// `tree` is set, the dendrogram of the rows at their left.
struct Merge {
  int a = 0, b = 0;  // leaves 0..n-1, the cluster of merge k is n + k
  double height = 0;
};
struct HeatMap {
  std::string title, subtitle;
  std::vector<std::string> rows, cols;
  std::vector<std::vector<double>> v;  // [row][col]
  bool last_apart = false;             // the last column set apart (the gene pool)
  std::string bar;                     // "Dj" or "d0": the colour bar's label
  std::vector<Merge> tree;             // of the rows, in their drawn order
};

// Draws the heat map into `path` as "svg", "pdf" or "png"; "" or what went wrong.
std::string draw_heat_map(const HeatMap& h, const std::string& path, const std::string& format);

// Average-linkage (UPGMA) clustering of n items on the symmetric distances d (NaN nowhere):
// the merges in their order, each at the mean distance between the items of its two
// clusters; ties go to the first pair in row order. Returns the order of the leaves that
// draws the tree without crossings, the cluster holding the earlier item on the left.
std::vector<int> cluster_order(const std::vector<std::vector<double>>& d,
                               std::vector<Merge>& merges);

// Builds the overview heat maps from the rows of the long table and writes them.
void write_overview_figures(RunState& rs);

}  // namespace tolm
