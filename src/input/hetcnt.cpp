// Heterozygosity counting while the input file is read: for every combination the current
// genotype record covers, the individual is counted as not completely identified, or as
// heterozygous at exactly k of the combination's loci (channel 26, blocks of `mxnrlc` + 3
// records per combination and deme).
#include "input/hetcnt.h"

namespace tolm {

void hetcnt(RunState& rs, Work& w) {
  Param& p = rs.param;
  const long blk = p.mxnrlc + 3L;
  for (int i = 1; i <= p.ncnow; ++i) {
    const int kc = w.kmbnow(i);
    p.kc = kc;
    const long base = blk * (static_cast<long>(p.np) * (kc - 1) + p.kp - 1);
    int nlohet = 0;
    bool known = true;
    for (int k = 1; k <= w.nrloc(kc); ++k) {
      const int l = w.loccmb(kc, k);
      p.kl = l;
      const int a1 = w.la(l, 1), a2 = w.la(l, 2);
      if (a1 < 0 || a2 < 0) {
        known = false;  // the other loci of an unidentified individual are not looked at
        break;
      }
      if (a1 != a2) ++nlohet;
    }
    auto add = [&](long rec) { sadd(rs, ch::hetcnt, rec, p.nadd); };
    if (!known) {
      add(base + p.mxnrlc + 3);
      continue;
    }
    add(base + nlohet + 1);
    add(base + p.mxnrlc + 2);
  }
}

}  // namespace tolm
