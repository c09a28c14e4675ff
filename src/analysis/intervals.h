// The gene pool as one function of a set of loci, and the intervals over loci built on it: the
// jackknife (leave one locus out) and the bootstrap (loci drawn with replacement); the bootstrap
// over individuals within demes (analysis/indivboot.h) measures its replicates here too.
//
// What each single locus contributes to the gene pool of a kind (`LocusPart`) is measured from
// its counts (`LocusCounts`: as the count channels 20 and 26 hold them, or rebuilt from drawn
// individuals) with the same arithmetic as the per-locus analysis; `pool_of` sums the parts of any
// list of loci (repeats allowed, in the order given) by the rules of the gene-pool sums (a marked
// entry stays marked) and turns the sums into the gene-pool measures. The gene-pool report takes
// its values from the gene-pool sums of the per-locus analysis, which `pool_of` over all loci
// reproduces to the last bit; an interval is given about the printed value.
//
// Reads `maxp`, `nprb`, `nc`, `np`, `mxnrlc`, `nptr1`, `nsam` (rebuilt per locus), the counts,
// `aprog`, `evefin`, `eveinf`, `spdfin`, `spdinf`, `nogpdif` and `rs.opt` (ci, bootstrap,
// bootstrap_individuals, seed, threads); writes a block to the results unit, a section to the
// tabular file (channel 29) and the gene-pool rows of the long table. Every random draw is
// derived from the run's seed, the kind (or deme) and the replicate number alone, so the
// intervals do not depend on the order of work or the number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/runstate.h"

namespace tolm {

// The gene-pool measures, each one value per deme (display position, 0-based), per pair of demes
// or for the whole population. `hom` is the homozygosity (sum of squared frequencies), whose
// harmonic mean over loci gives the gene-pool diversity.
enum class Pm {
  div,    // diversity v_2 (gene pool: nc over the summed homozygosities)
  vgam,   // hypothetical gametic diversity: product of the v_2 of the loci
  dt,     // total population differentiation delta_T
  cj,     // relative deme size, proportional to the number of genes
  dfin,   // differentiation D_j, sizes proportional to deme size
  dinf,   // differentiation D_j, sizes equal
  evfin,  // absolute evenness, finite population size (mean over loci)
  evinf,  // absolute evenness, infinite population size (mean over loci)
  het,    // proportion of heterozygotes (mean over loci)
  ga,     // distance d_0 of a pair of demes (packed lower triangle with diagonal)
  delfin,
  delinf,  // mean differentiation delta, both weightings
  popdiv,
  popevfin,
  popevinf,  // the whole population: all shown demes together
};

// Position of a measure in the flat vector of values of `m` demes: per-deme measures at
// [offset + deme], distances at [offset + l(l-1)/2 + ll - 1] for 1 <= ll <= l <= m.
int pm_offset(Pm k, int m);
int pm_count(int m);  // length of the flat vector

// What one locus contributes to the gene pool of one kind; the marker where undefined.
struct LocusPart {
  int m = 0;
  bool missing = false;  // a deme has no identified gene at this locus
  std::vector<float> hom, div, dt, cj, dfin, dinf, evfin, evinf, het;  // per deme
  std::vector<float> ga;                                               // per pair
  float delfin = 0, delinf = 0, pophom = 0, popevfin = 0, popevinf = 0;
  bool has_het = false;
  std::vector<float> flat;  // what each gene-pool sum takes from the locus (`set_flat`)
};

// Lays the locus's values out as the gene-pool sums take them (`pm_offset`): the homozygosity
// in the diversity's place, v_2 in the gametic diversity's (a product), the marker for every
// share and differentiation of a locus with a deme without data.
void set_flat(LocusPart& p, float astrix);

// The counts a locus is measured from, for the shown demes (display position i, 0-based): the
// records of channel 20 for the types h = 0..ntyp (0: genes of individuals not identified) and
// the contributions mm = 1, 2, 3; with heterozygosity, the heterozygous and the completely
// identified individuals of each deme.
struct LocusCounts {
  int m = 0, ntyp = 0;
  bool has_het = false;
  std::vector<int32_t> c20;                  // [(i * (ntyp + 1) + h) * 3 + mm - 1]
  std::vector<int32_t> het, known;           // per deme, when has_het
  void reset(int m_, int ntyp_, bool het_);  // all counts 0
  int32_t& at(int i, int h, int mm) {
    return c20[(static_cast<size_t>(i) * static_cast<size_t>(ntyp + 1) + static_cast<size_t>(h)) *
                   3 +
               static_cast<size_t>(mm - 1)];
  }
  int32_t at(int i, int h, int mm) const { return const_cast<LocusCounts*>(this)->at(i, h, mm); }
};

// The counts of locus combination `kc` as the count channels hold them.
LocusCounts locus_counts(RunState& rs, const Work& w, int kc);
// What a locus with the counts `c` contributes to the gene pool of kind `mal` (1..3), measured
// as the per-locus analysis measures it; returned with `flat` set and the per-deme vectors
// released. The one measurement of a locus, for the counts of the run and for counts rebuilt
// from resampled individuals alike.
LocusPart part_of_counts(const LocusCounts& c, int mal, float astrix);
// part_of_counts of the counts of combination `kc`.
LocusPart locus_part(RunState& rs, const Work& w, int kc, int mal);

// The gene-pool measures of the loci `pick` (indices into `parts`, repeats allowed), as a flat
// vector laid out by `pm_offset`. C_j is the mean share; the caller applies what it knows of
// demes without identified genes in other kinds.
std::vector<float> pool_of(const std::vector<LocusPart>& parts, const std::vector<int>& pick,
                           float astrix);

// Intervals of every value of the flat vector; NaN where the value or a replicate is undefined.
struct Intervals {
  std::vector<float> est;
  std::vector<double> se, jlow, jhigh;  // jackknife: standard error, estimate +- 1.96 SE
  std::vector<double> blow, bhigh;      // bootstrap percentile 95 % (empty without bootstrap)
  long replicates = 0;
  bool individuals = false;     // the bootstrap resampled individuals within demes, not loci
  bool bias_corrected = false;  // the percentiles less the bootstrap bias
  std::string note;             // a line of the results block about the bootstrap, when any
};

// The jackknife of the values `est` (the gene pool of all loci) from the leave-one-out sets:
// each set pooled by `pool_of` up to 400 loci, beyond that from double sums less each locus
// (the same values to about 1e-7, in one pass). The gametic diversity gets no interval.
Intervals jackknife(const std::vector<LocusPart>& parts, const std::vector<float>& est,
                    float astrix);
// The bootstrap of `b` replicates into `iv` (whose `est` is set). False, with no limits, when
// the replicate values would not fit the memory limit (2.5e8 values).
bool bootstrap(const std::vector<LocusPart>& parts, long b, uint64_t seed, int mal, float astrix,
               Intervals& iv);

// The percentile 95 % limits of `b` replicates into `iv` (whose `est` is set): `one(r)` gives the
// gene-pool values of replicate r (r = 0..b-1). The replicates run on up to `threads` threads,
// each value kept at its replicate's place, so the limits do not depend on the number of
// threads. A value undefined in any replicate gets no limits. `corrected`: both limits less the
// bootstrap bias (the mean of the replicates less the estimate), not below 0. False, with no
// limits, when the replicate values would not fit the memory limit (2.5e8 values).
bool percentile_intervals(long b, int threads, const std::function<std::vector<float>(long)>& one,
                          bool corrected, Intervals& iv);

// The splitmix64 finaliser: a good 64-bit mix of a counter.
uint64_t mix64(uint64_t z);

// A stream of 64-bit draws from the state `s` (the key of what is drawn, mixed by mix64).
struct DrawStream {
  uint64_t s;
  using result_type = uint64_t;
  static constexpr uint64_t min() { return 0; }
  static constexpr uint64_t max() { return UINT64_MAX; }
  uint64_t operator()() { return mix64(s += 0x9e3779b97f4a7c15ULL); }
  uint64_t below(uint64_t n);  // uniform on 0..n-1 (n > 0), without the bias of a modulo
};

// The loci of bootstrap replicate `rep` of kind `mal`: `n` draws with replacement.
std::vector<int> bootstrap_draw(uint64_t seed, int mal, long rep, int n);

// Quantile of sorted values by linear interpolation between order statistics.
double quantile(const std::vector<double>& sorted, double q);

// The gene-pool values of kind `mal` as the gene-pool report prints them (taken from the work
// arrays after the conversion of the gene-pool sums, C_j as the report scales it), and the
// measures the report does not hold from `pool_of` over all loci.
std::vector<float> printed_pool(const RunState& rs, const Work& w,
                                const std::vector<LocusPart>& parts);

// After the gene-pool report of kind `mal`: the intervals block of the results (nothing when
// `iv` is null, the intervals being off), the section of the tabular file, and the long table
// rows of every gene-pool value with the limits of the measures that have them.
void interval_report(RunState& rs, const Work& w, const std::vector<LocusPart>& parts,
                     const std::vector<float>& pool, const Intervals* iv);
void interval_table(RunState& rs, const Work& w, const std::vector<LocusPart>& parts,
                    const std::vector<float>& pool, const Intervals* iv);
void interval_rows(RunState& rs, const Work& w, const std::vector<LocusPart>& parts,
                   const std::vector<float>& pool, const Intervals* iv);

}  // namespace tolm
