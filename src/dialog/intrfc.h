// Locus combinations and output choices: appar settles which loci are analysed, singly or
// combined (`nc`, `nrloc`, `loccmb`, `mxnrlc`, and in widget mode the demes for output `nprb`,
// `maxp`); output settles where the results go (`iunit`: 6 console, 8 results file), forms the
// output file names of `names`, opens the results file and settles the width `iwidth`.
//
// Always 1 <= nrloc(kc) <= nnl and every loccmb(kc, i) names a locus of the input file; the
// names in `names` are the output prefix with their fixed endings ("-out.txt", "-tab.txt").
// (The header reader namein is in input/namein.h.)
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void appar(RunState& rs, Work& w);
void output(RunState& rs, int ncol, int iwidstd, std::string& prefix);

}  // namespace tolm
