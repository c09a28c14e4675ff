// Fuzz target: reading an input file from its first record to the sorted counts, as a run does
// it (record 1 as the start-up reads it, the names and the read format, the data records and
// their counts, the sorting of the types). The console and the results file are captured; a
// stop of the run (a header that cannot be used) is an ordinary outcome.
//
// What must hold of every input: no crash, no endless loop, no read or write outside a table,
// and counts that agree with each other (per deme and combination, the first contributions
// sum to the second ones; the output order is a permutation of the types found).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/namein.h"
#include "input/bsort.h"
#include "input/count.h"
#include "io/freefmt.h"
#include "core/runstate.h"

namespace {

using tolm::RunState;
using tolm::Work;

// The sizes of a run are bounded only by memory; small ones keep every run quick.
constexpr int kMostDemes = 24, kMostLoci = 24;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// The combinations of the four ways of running: all single loci; one combination of all loci;
// each of them with heterozygosity counted as well (the second with heterozygosity alone).
void combinations(RunState& rs, Work& w, int mode) {
  tolm::Param& p = rs.param;
  const int nl = p.nl;
  if (mode % 2 == 0) {
    p.nc = nl;
    p.mxnrlc = 1;
    for (int kc = 1; kc <= nl; ++kc) {
      w.nrloc(kc) = 1;
      w.loccmb(kc, 1) = kc;
    }
  } else {
    p.nc = 1;
    p.mxnrlc = nl;
    w.nrloc(1) = nl;
    for (int l = 1; l <= nl; ++l) w.loccmb(1, l) = l;
  }
  const bool het = mode >= 2;
  rs.names.aprog(8) = het ? 'y' : 'n';
  p.nurhet = mode == 3 ? 1 : 0;
}

void check_counts(RunState& rs, Work& w) {
  const tolm::Param& p = rs.param;
  for (int kc = 1; kc <= p.nc; ++kc) {
    if (p.nurhet == 1 && w.nrloc(kc) >= 2) continue;
    const long nh = w.nptr1(kc);
    for (int kp = 1; kp <= p.np; ++kp) {
      long long first = 0, second = 0;
      for (long h = 0; h <= nh; ++h) {
        const long base = 3 * (p.np * (p.nc * h + kc - 1) + kp - 1);
        first += tolm::sread(rs, 20, base + 1);
        second += tolm::sread(rs, 20, base + 2);
      }
      check(first == second);
    }
    // the output orders are permutations of the types found
    std::vector<char> seen(static_cast<size_t>(nh) + 1, 0);
    for (long i = 1; i <= nh; ++i) {
      const int h = tolm::sread(rs, 24, p.nc * i + kc);
      check(h >= 1 && h <= nh && !seen[static_cast<size_t>(h)]);
      seen[static_cast<size_t>(h)] = 1;
    }
    const long ng = w.nptr2(kc);
    std::vector<char> gseen(static_cast<size_t>(ng) + 1, 0);
    for (long i = 1; i <= ng; ++i) {
      const int g = tolm::sread(rs, 25, p.nc * i + kc);
      check(g >= 1 && g <= ng && !gseen[static_cast<size_t>(g)]);
      gseen[static_cast<size_t>(g)] = 1;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RunState rs;
  rs.con().capture();
  rs.u(8).capture();
  rs.u(5).feed("");
  rs.u(10).feed(std::string(reinterpret_cast<const char*>(data), size));

  // record 1: demes and loci
  std::string rec1;
  int v[2] = {0, 0};
  if (rs.u(10).read_line(rec1) != tolm::io::Rd::ok) return 0;
  if (tolm::io::parse_ints(rec1, nullptr, v, 2) != tolm::io::Rd::ok) return 0;
  if (v[0] < 1 || v[1] < 1 || v[0] > kMostDemes || v[1] > kMostLoci) return 0;

  Work w;
  w.create(v[0], v[1], v[1] + 1, 8);  // the reading does not depend on the allele limit
  tolm::Param& p = rs.param;
  p.np = v[0];
  p.nl = v[1];
  p.idurch = 1;
  p.icount = 1;
  p.iunit = 8;
  p.notord = (size / 4) % 2 == 1 ? 1 : 0;
  combinations(rs, w, static_cast<int>(size % 4));
  for (int ch = 20; ch <= 27; ++ch) rs.scratch.open(ch);

  try {
    std::string fcard;
    int nlread = 0;
    tolm::namein(rs, w, fcard, nlread);
    int ierr = 0;
    tolm::xcount(rs, w, ierr, fcard, nlread);
    if (ierr == 0) {
      int mx1 = 0, mx2 = 0;
      for (int kc = 1; kc <= p.nc; ++kc) {
        if (w.nptr1(kc) > mx1) mx1 = w.nptr1(kc);
        if (w.nptr2(kc) > mx2) mx2 = w.nptr2(kc);
      }
      tolm::bsort1(rs, w, mx1);
      tolm::bsort2(rs, w, mx2);
      check_counts(rs, w);
    }
  } catch (const tolm::ProgramStop&) {
  }
  return 0;
}
