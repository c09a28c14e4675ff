// Record numbers of the scratch channels 20 to 27 and their extents: the one place that says
// where a count lives, shared by the counting, the sorting, the count files and every analysis
// that reads the counts back. Types are numbered from 1 in the order of their first appearance;
// number 0 is "unknown" (a missing allele). nc combinations, np demes, mxnrlc loci in the
// largest combination, nh / ng the largest haplotype / genotype number of the run.
//
//   ch  record                       holds                                        extent
//   20  rec20(h, kc, kp, m)          count of haplotype h of combination kc in    ext20(nh)
//                                    deme kp; m = 1 maternal, 2 paternal, 3 all
//                                    contributions of identified individuals
//   21  rec21(h, kc, j)              allele at the j-th locus of haplotype h      ext21(nh)
//   22  rec22(g, kc, kp)             count of genotype g of kc in deme kp         ext22(ng)
//   23  rec23(g, kc)                 the two haplotype numbers of genotype g      ext23(ng)
//                                    (a pair per record)
//   24  rec24(k, kc)                 haplotype at output position k (sorted)      ext24(nh)
//   25  rec25(k, kc)                 genotype at output position k (sorted)       ext25(ng)
//   26  hetrec(kc, kp, r)            heterozygosity counts of kc in deme kp, a    ext26()
//                                    block of mxnrlc + 3: r = k + 1 individuals
//                                    heterozygous at exactly k loci (k = 0..nr),
//                                    het_known_rec individuals identified at every
//                                    locus, het_unknown_rec the others
//   27  evenrec(i, n, maxp)           evenness table of the current section: the    maxp * n
//                                    number of types that occur n times in display
//                                    deme i (rewritten for every section)
//
// A record beyond a channel's extent (`mind20`..`mind27`) reads 0, so a count never written is
// 0. The typed readers at the end read one record with the formula of its channel.
#pragma once

#include "core/constants.h"
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

inline long hetrec(const Param& p, long kc, long kp, long r) {
  return (p.mxnrlc + 3L) * (static_cast<long>(p.np) * (kc - 1) + kp - 1) + r;
}
// Positions in a channel-26 block: individuals heterozygous at exactly k loci, identified at
// every locus of the combination, not identified at every locus.
inline long het_k_rec(long k) {
  return k + 1;
}
inline long het_known_rec(const Param& p) {
  return p.mxnrlc + 2L;
}
inline long het_unknown_rec(const Param& p) {
  return p.mxnrlc + 3L;
}
inline long evenrec(long i, long n, long maxp) {
  return i + (n - 1) * maxp;
}

// Extents: the last record a channel needs for nh haplotypes / ng genotypes per combination.
inline long ext20(const Param& p, long nh) {
  return 3L * p.np * p.nc * (nh + 1);
}
inline long ext21(const Param& p, long nh) {
  return static_cast<long>(p.mxnrlc) * p.nc * (nh + 1);
}
inline long ext22(const Param& p, long ng) {
  return static_cast<long>(p.np) * p.nc * (ng + 1);
}
inline long ext23(const Param& p, long ng) {
  return static_cast<long>(p.nc) * (ng + 1);
}
inline long ext24(const Param& p, long nh) {
  return static_cast<long>(p.nc) * (nh + 1);
}
inline long ext25(const Param& p, long ng) {
  return static_cast<long>(p.nc) * (ng + 1);
}
inline long ext26(const Param& p) {
  return static_cast<long>(p.np) * (p.mxnrlc + 3L) * p.nc;
}

// Typed readers.

// The type (haplotype for kinds 1 to 3, genotype for kind 4) at output position k of kc.
inline int type_at(RunState& rs, int mal, long k, long kc) {
  return mal == kind::genotypes ? sread(rs, ch::genord, rec25(rs.param, k, kc))
                                : sread(rs, ch::hapord, rec24(rs.param, k, kc));
}
// The count of type t (0: not identified) of kc in data deme kp for kind mal.
inline int type_count(RunState& rs, int mal, long t, long kc, long kp) {
  return mal == kind::genotypes ? sread(rs, ch::gencnt, rec22(rs.param, t, kc, kp))
                                : sread(rs, ch::hapcnt, rec20(rs.param, t, kc, kp, mal));
}
// The allele at the j-th locus of haplotype h of kc.
inline int hap_allele(RunState& rs, long h, long kc, long j) {
  return sread(rs, ch::hapall, rec21(rs.param, h, kc, j));
}
// Heterozygosity counts of kc in data deme kp: heterozygous at exactly k loci, identified at
// every locus, not identified at every locus.
inline int het_at(RunState& rs, long kc, long kp, long k) {
  return sread(rs, ch::hetcnt, hetrec(rs.param, kc, kp, het_k_rec(k)));
}
inline int het_known(RunState& rs, long kc, long kp) {
  return sread(rs, ch::hetcnt, hetrec(rs.param, kc, kp, het_known_rec(rs.param)));
}
inline int het_unknown(RunState& rs, long kc, long kp) {
  return sread(rs, ch::hetcnt, hetrec(rs.param, kc, kp, het_unknown_rec(rs.param)));
}

}  // namespace tolm
