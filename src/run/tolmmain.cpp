// Placeholder main driver: creates the work arrays and ends the run.
#include "run/tolm.h"

namespace tolm {

void tolmmain(RunState& rs, StartInfo& si) {
  Work w;
  w.create(si.nnp, si.nnl, si.nnc, si.mxall);
  press_return_stop(rs, 0);
}

}  // namespace tolm
