// Parameter tables: the sections of the tabular output file (channel 29) and the snail calls.
//
// One call writes one section: the kind `mal` of combination `kc` (ipool 0) or of the gene pool
// (ipool 1): a heading, the absolute and relative frequencies (combinations only, with
// frequency distributions chosen), the table "Measures_of_genetic_variation:", the snails of the
// section, and the distance triangle. Every cell of a table row is followed by a tab; names
// stand in double quotes; a value at or below `astrix1` is the cell "       NA".
//
// Reads the measures left by the analyses of the section in Work (div, deltat, evenness, cj,
// D_j, delta, ga, het/chet/phet, nsum; for the gene pool gpdiv, gpcj, gpdfin, gpdinf) and the
// count files of channels 20 to 25. Leaves `nsum` and `nsumsp` as work columns.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

// ipool 0: section of combination kc; 1: section of the gene pool.
void partab(RunState& rs, Work& w, int ipool);

// The 9-character cell of value x: "       NA" at or below -9.0, else 4 decimals right-aligned,
// nine asterisks when the number does not fit.
std::string acell(float x);

// Stores acell(x) into cell (i, j) of the measures table `aresu`.
void aresult(Arr2<std::string>& aresu, float x, int i, int j);

// The number a tabulated cell reads back as (0 for a cell that holds no number).
float cellval(const std::string& cell);

}  // namespace tolm
