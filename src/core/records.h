// Record numbers of the count store (scratch channels 20 to 25), shared by the counting and by
// every analysis that reads the counts back. Types are numbered from 1 in the order of their
// first appearance; number 0 is "unknown" (a missing allele). nc combinations, np demes,
// mxnrlc loci in the largest combination.
//
//   20  count of haplotype h of combination kc in deme kp; m = 1 maternal, 2 paternal,
//       3 all contributions of identified individuals
//   21  allele at the j-th locus of haplotype h of combination kc
//   22  count of genotype g of combination kc in deme kp
//   23  the two haplotype numbers of genotype g of combination kc (a pair)
//   24  haplotype at output position k of combination kc (after sorting)
//   25  genotype at output position k of combination kc (after sorting)
#pragma once

#include "core/runstate.h"

namespace tolm {

inline long rec20(const Param& p, long h, long kc, long kp, long m) {
  return 3L * (static_cast<long>(p.np) * (p.nc * h + kc - 1) + kp - 1) + m;
}
inline long rec21(const Param& p, long h, long kc, long j) {
  return static_cast<long>(p.mxnrlc) * (p.nc * h + kc - 1) + j;
}
inline long rec22(const Param& p, long g, long kc, long kp) {
  return static_cast<long>(p.np) * (p.nc * g + kc - 1) + kp;
}
inline long rec23(const Param& p, long g, long kc) {
  return static_cast<long>(p.nc) * g + kc;
}
inline long rec24(const Param& p, long k, long kc) {
  return static_cast<long>(p.nc) * k + kc;
}
inline long rec25(const Param& p, long k, long kc) {
  return static_cast<long>(p.nc) * k + kc;
}

}  // namespace tolm
