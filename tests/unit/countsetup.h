// A run state made ready for counting `np` demes and `nl` loci, every single locus a combination
// of its own, with the console and the results file captured: how the counting tests start.
#pragma once

#include "core/runstate.h"

namespace tolm {

inline void single_loci_run(RunState& rs, Work& w, int np, int nl) {
  w.create(np, nl, nl + 1, 250);
  Param& p = rs.param;
  p.np = np;
  p.nl = nl;
  p.nc = nl;
  p.mxnrlc = 1;
  for (int kc = 1; kc <= nl; ++kc) {
    w.nrloc(kc) = 1;
    w.loccmb(kc, 1) = kc;
  }
  p.idurch = 1;
  p.icount = 1;
  p.iunit = 8;
  rs.names.aprog(8) = 'n';
  for (int ch = 20; ch <= 27; ++ch) rs.scratch.open(ch);
  rs.con().capture();
  rs.u(8).capture();
}

}  // namespace tolm
