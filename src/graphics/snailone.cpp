// Placeholder until this module is built.
#include "graphics/snailone.h"

namespace tolm {

void snailone(const std::string&, const std::string&, const std::string&, const std::string&,
              Arr1<int>&, Arr1<float>&, Arr1<float>&, float, int, int, int, int) {}

}  // namespace tolm
