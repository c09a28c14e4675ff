// Heterozygosity counting while the input file is read: for every combination the current
// genotype record covers, the individual is counted as not completely identified, or as
// heterozygous at exactly k of the combination's loci (channel 26, blocks of `mxnrlc` + 3
// records per combination and deme).
#include "input/hetcnt.h"

namespace tolm {

void het_one(RunState& rs, Work& w, int kc) {
  Param& p = rs.param;
  const long blk = p.mxnrlc + 3L;
  const long base = blk * (static_cast<long>(p.np) * (kc - 1) + p.kp - 1);
  int nlohet = 0;
  for (int k = 1; k <= w.nrloc(kc); ++k) {
    const int l = w.loccmb(kc, k);
    p.kl = l;
    const int a1 = w.la(l, 1), a2 = w.la(l, 2);
    if (a1 < 0 || a2 < 0) {  // the other loci of an unidentified individual are not looked at
      sadd(rs, ch::hetcnt, base + p.mxnrlc + 3, p.nadd);
      return;
    }
    if (a1 != a2) ++nlohet;
  }
  sadd(rs, ch::hetcnt, base + nlohet + 1, p.nadd);
  sadd(rs, ch::hetcnt, base + p.mxnrlc + 2, p.nadd);
}

void hetcnt(RunState& rs, Work& w) {
  for (int i = 1; i <= rs.param.ncnow; ++i) {
    rs.param.kc = w.kmbnow(i);
    het_one(rs, w, rs.param.kc);
  }
}

}  // namespace tolm
