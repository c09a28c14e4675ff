// Differentiation snails: one diagram per call, as EPS and/or WMF file.
#pragma once

#include <string>

#include "run/runstate.h"

namespace tolm {

// The three arrays [1:mmaxpie] are sorted in place by snaildj (stable).
void snailone(const std::string& heading, const std::string& snaildir, const std::string& filprefix,
              const std::string& cjtype, Arr1<int>& nsnailp, Arr1<float>& snailcj,
              Arr1<float>& snaildj, float snaildel, int mmaxpie, int isyst, int idoeps, int idowmf);

}  // namespace tolm
