// Count files: the count tables of a run (per locus combination: demes by type, for every kind)
// written to "<prefix>.counts" by -emit=counts, read back and merged by -merge=.
//
// `CountTables` holds what the counting leaves in the count store (channels 20 to 23 and 26)
// and in the work arrays (`nptr1`, `nptr2`, `kmbord`), per combination and without the record
// arithmetic; it reads and writes nothing of the run state itself (countrun.h does).
// What always holds of a `CountTables` that `read_counts` returns or `merge_tables` builds:
// every combination names loci 1..`loci.size()`; `haps` has `nptr1` entries of `nrloc`
// alleles; `c20` holds (nptr1 + 1) x demes x 3 counts (type 0 = unknown first), `gens`
// nptr2 pairs of haplotype numbers 1..nptr1, `c22` (nptr2 + 1) x demes counts, `c26`
// demes x (nrloc + 3) counts; `sex` demes flags 0/1. The layout on disk is docs/count-files.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolm::counts {

constexpr int kFormatVersion = 1;
constexpr const char* kProgramVersion = "TOLM 3.0";

struct Combination {
  std::vector<int> loci;  // locus numbers 1..nl, in the order of the combination
  int nptr1 = 0, nptr2 = 0;
  std::vector<int32_t> haps;  // allele of locus j of haplotype h at (h - 1) * nrloc + j - 1
  std::vector<int64_t> c20;   // (h * np + kp - 1) * 3 + m - 1, h = 0..nptr1
  std::vector<int32_t> gens;  // (g - 1) * 2 + 0/1: first and second haplotype of genotype g
  std::vector<int64_t> c22;   // g * np + kp - 1, g = 0..nptr2
  std::vector<int64_t> c26;   // (kp - 1) * (nrloc + 3) + r - 1: heterozygous at r - 1 loci,
                              // r = nrloc + 2 complete, nrloc + 3 with a missing allele
  std::vector<int> sex;       // per deme: 1 gametic sex specified for every locus
  int nrloc() const { return static_cast<int>(loci.size()); }
};

struct CountTables {
  int version = kFormatVersion;
  std::string program = kProgramVersion;
  std::string input;         // the input file counted
  std::string input_format;  // title of its format ("" for a TOLM input file)
  std::vector<std::string> demes;
  std::vector<std::string> loci;
  int loctyp = 0;  // locus configuration 0..3 of the counting run
  int notord = 0;  // 1: gametic sex was ignored
  int unreadable = 0;
  std::vector<Combination> combs;
  int mxnrlc() const;
  int np() const { return static_cast<int>(demes.size()); }
};

// Writes `t` to `path` (gzip-compressed). False with the reason when it cannot.
bool write_counts(const CountTables& t, const std::string& path, std::string& err);
// Reads a count file. False with what is wrong (unreadable, damaged, another version).
bool read_counts(const std::string& path, CountTables& t, std::string& err);

// Merges `b` (read from file `bname`) into `a` (from the files before, the last `aname`):
// the same loci and demes are summed, other loci put beside. False with a message naming both
// files and what differs; `a` is then unusable.
bool merge_tables(CountTables& a, const std::string& aname, const CountTables& b,
                  const std::string& bname, std::string& err);

// The count files of -merge=: the list itself, or "@FILE" (one name a line, "#" lines and
// empty lines skipped). False with the reason.
bool count_file_list(const std::vector<std::string>& given, std::vector<std::string>& files,
                     std::string& err);

}  // namespace tolm::counts
