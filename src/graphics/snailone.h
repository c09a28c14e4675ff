// Differentiation snails: one diagram per call, as EPS and/or WMF file.
//
// Each deme is a pie sector about one centre, its angle proportional to its relative size cj and
// its radius to its differentiation Dj, laid out in order of increasing Dj, with a circle of
// radius delta. Reads only its arguments (nothing of the run state); writes the files in
// `snaildir` through the plot layer.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

// The three arrays [1:mmaxpie] are sorted in place by snaildj (stable). The files go into
// `snaildir`, named after the last part of `filprefix` (a prefix may hold directories: they
// already make up `snaildir`). Texts of the user (prefix, heading) are shown as given, never
// read as text commands. Returns the number of files that could not be written.
int snailone(const std::string& heading, const std::string& snaildir, const std::string& filprefix,
             const std::string& cjtype, Arr1<int>& nsnailp, Arr1<float>& snailcj,
             Arr1<float>& snaildj, float snaildel, int mmaxpie, int isyst, int idoeps, int idowmf);

}  // namespace tolm
