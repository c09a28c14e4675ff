// Reading the data records of the input file and counting haplotypes and genotypes per deme
// into the scratch channels 20 to 23 (26: heterozygosity).
//
// Record numbers (h haplotype, g genotype, 0 = unknown; kc combination; kp deme; r = loci of
// kc):
//   20  3*(np*(nc*h + kc - 1) + kp - 1) + m   m = 1 first, 2 second contributions, 3 genes of
//                                             complete genotypes (h = 0: twice the unknown)
//   21  mxnrlc*(nc*h + kc - 1) + j            allele at the j-th locus of haplotype h
//   22  np*(nc*g + kc - 1) + kp               individuals of genotype g
//   23  nc*g + kc                             (first, second) haplotype numbers of genotype g
//   24  nc*i + kc, 25 nc*i + kc               type number at position i of the output order
// Types are numbered in the order of their first appearance in the file, shared by all demes;
// the hash indexes of TypeIndex find a known type without scanning, giving the same numbers.
// Every record read has been written before (the channels are extended with zero records),
// and `mind20`..`mind26` hold the extents.
//
// The locus list, counts mode (`ndat`), `nl1`, `kmbnow` and `ncnow` are those of the latest
// locus-list record, whatever its deme; the gametic-sex flags (`kmbord`, `sexspc`) are kept per
// combination and deme. A locus list that names a locus twice is refused like one that names a
// locus that does not exist. Where gametic sex is not specified the counting makes its own
// canonical copy of each genotype (smaller allele first at every locus); `la` keeps the alleles as
// read.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/runstate.h"
#include "io/fmtspec.h"

namespace tolm {

// Counts the whole input file (unit 10); ierr returns the number of unreadable records.
void xcount(RunState& rs, Work& w, int& ierr, const std::string& fcard, int nlread);

// ---- steps of the counting (used by xcount; declared for the tests) ----

// How the data records are read: free format (`fcard` "*") or with a compiled format.
struct DataFormat {
  int nlread = 0;
  bool free = true;
  io::RecordFormat fmt;
};
// False (with the reason) when `fcard` cannot be used.
bool data_format(const std::string& fcard, int nlread, DataFormat& df, std::string& why);

// Haplotypes and genotypes found so far, per combination, beside the scratch store. Small
// numbers are looked up by direct index: the haplotype of a single-locus allele a
// (0 <= a < kDirectAlleles) at dir1_[kc][a], the genotype of haplotypes (h1, h2) (both below
// kDirectTypes) at dirg_[kc][h1 * side + h2]. The tables grow with the largest number seen, so
// their memory follows the alleles present; other keys go to the hash maps. Every key lives in
// exactly one place, so a look-up finds what was added, whichever path it takes.
class TypeIndex {
 public:
  static constexpr int kDirectAlleles = 4096;
  static constexpr int kDirectTypes = 64;

  void reset(int nc, int np);
  int find_hap(int kc, const int* alleles, int r) const {  // 0 when not found
    if (r == 1 && direct_allele(alleles[0])) {
      const auto& d = dir_[static_cast<size_t>(kc)].hap;
      const auto a = static_cast<size_t>(alleles[0]);
      return a < d.size() ? d[a] : 0;
    }
    return find_hap_hashed(kc, alleles, r);
  }
  void add_hap(int kc, const int* alleles, int r, int h);
  int find_gen(int kc, int h1, int h2) const {  // 0 when not found
    if (direct_type(h1) && direct_type(h2)) {
      const Direct& d = dir_[static_cast<size_t>(kc)];
      if (h1 >= d.side || h2 >= d.side) return 0;
      return d.gen[static_cast<size_t>(h1 * d.side + h2)];
    }
    return find_gen_hashed(kc, h1, h2);
  }
  void add_gen(int kc, int h1, int h2, int g);

  // Counts of the single-locus combinations while the file is read, deme by deme in one flat
  // block per combination (the records of one deme lie together): channel 20 as
  // c20[(kp - 1) * cap + h) * 3 + m - 1], channel 22 as c22[(kp - 1) * capg + g].
  struct Flat {
    int cap = 0, capg = 0;
    std::vector<int32_t> c20, c22;
  };
  int32_t& count20(int kc, long kp, int h, int m) {
    Flat& f = flat_[static_cast<size_t>(kc)];
    if (h >= f.cap) grow20(f, h);
    return f.c20[static_cast<size_t>(((kp - 1) * f.cap + h) * 3 + m - 1)];
  }
  int32_t& count22(int kc, long kp, int g) {
    Flat& f = flat_[static_cast<size_t>(kc)];
    if (g >= f.capg) grow22(f, g);
    return f.c22[static_cast<size_t>((kp - 1) * f.capg + g)];
  }
  // A single-locus combination also counts the genotypes of known, direct haplotypes as pairs
  // (h1, h2) per deme; flush_counts turns them into the counts of channels 20 and 22.
  void count_pairs(int kc) {
    Direct& d = dir_[static_cast<size_t>(kc)];
    if (d.paired) return;
    d.paired = true;
    d.pairs.assign(d.gen.size() * static_cast<size_t>(np_), 0);
  }
  // Counts `nadd` individuals of deme kp with the alleles (a1, a2) (canonical already) at the
  // single locus of kc, when both haplotypes and their genotype are known and direct; false
  // (nothing counted) otherwise.
  bool count_known_pair(int kc, long kp, int a1, int a2, int nadd) {
    Direct& d = dir_[static_cast<size_t>(kc)];
    const auto u1 = static_cast<size_t>(static_cast<unsigned>(a1));
    const auto u2 = static_cast<size_t>(static_cast<unsigned>(a2));
    if (!d.paired || u1 >= d.hap.size() || u2 >= d.hap.size()) return false;
    const int h1 = d.hap[u1], h2 = d.hap[u2];
    if (h1 == 0 || h2 == 0 || h1 >= d.side || h2 >= d.side) return false;
    const auto k = static_cast<size_t>(h1 * d.side + h2);
    int32_t& c = d.pairs[static_cast<size_t>(kp - 1) * d.gen.size() + k];
    if (c == 0 && d.gen[k] == 0) return false;  // the genotype's first appearance
    c += nadd;
    return true;
  }
  // The pair tables of a single-locus combination kc counting pairs, for a run of records
  // counted one after the other: count_known_pair without looking up the tables each time. Valid
  // until a type of kc is added.
  class PairView {
   public:
    bool count(long kp, int a1, int a2, int nadd) const {  // as count_known_pair
      const auto u1 = static_cast<size_t>(static_cast<unsigned>(a1));
      const auto u2 = static_cast<size_t>(static_cast<unsigned>(a2));
      if (u1 >= nhap_ || u2 >= nhap_) return false;
      const int h1 = hap_[u1], h2 = hap_[u2];
      if (h1 == 0 || h2 == 0 || h1 >= side_ || h2 >= side_) return false;
      const auto k = static_cast<size_t>(h1 * side_ + h2);
      int32_t& c = pairs_[static_cast<size_t>(kp - 1) * sq_ + k];
      if (c == 0 && gen_[k] == 0) return false;
      c += nadd;
      return true;
    }

   private:
    friend class TypeIndex;
    const int* hap_ = nullptr;
    const int* gen_ = nullptr;
    int32_t* pairs_ = nullptr;
    size_t nhap_ = 0, sq_ = 0;
    int side_ = 0;
  };
  PairView pair_view(int kc) {
    Direct& d = dir_[static_cast<size_t>(kc)];
    PairView v;
    if (!d.paired) return v;  // counts nothing
    v.hap_ = d.hap.data();
    v.nhap_ = d.hap.size();
    v.gen_ = d.gen.data();
    v.pairs_ = d.pairs.data();
    v.sq_ = d.gen.size();
    v.side_ = d.side;
    return v;
  }
  // Adds the held counts into channels 20 and 22 and drops them.
  void flush_counts(RunState& rs, const Work& w);

 private:
  // Direct tables of a combination: haplotype of allele a at hap[a]; genotype of (h1, h2) at
  // gen[h1 * side + h2]; with `paired`, the individuals of (h1, h2) in deme kp at
  // pairs[(kp - 1) * side * side + h1 * side + h2].
  struct Direct {
    std::vector<int> hap, gen;
    std::vector<int32_t> pairs;
    int side = 0;
    bool paired = false;
  };
  void grow20(Flat& f, int h) const;
  void grow22(Flat& f, int g) const;
  int np_ = 0;
  std::vector<Flat> flat_;
  static bool direct_allele(int a) { return a >= 0 && a < kDirectAlleles; }
  static bool direct_type(int h) { return h >= 0 && h < kDirectTypes; }
  static std::string key(const int* alleles, int r);
  int find_hap_hashed(int kc, const int* alleles, int r) const;
  int find_gen_hashed(int kc, int h1, int h2) const;
  std::vector<std::unordered_map<std::string, int>> hap_;
  std::vector<std::unordered_map<int, int>> hap1_;  // single loci: the allele is the key
  std::vector<std::unordered_map<unsigned long long, int>> gen_;
  std::vector<Direct> dir_;
};

// What the reading of the data section noticed beside the counts, for its closing lines.
struct ReadTally {
  long continued = 0;  // free-format records that went on over further lines
  long indented = 0;   // lines taken as comments (first 10 columns blank) that hold a number
  long genotypes = 0;  // genotype records counted
};

// Progress of a long counting with -quiet: one console line redrawn in place, only on a
// terminal and for an input file above progress_bytes.
constexpr long progress_bytes = 4L << 20;
bool progress_wanted(bool quiet, bool terminal, long size);
// " Counting: 42% of the input file read, 123456 records/s" for pos of size bytes read.
std::string progress_line(long pos, long size, long records, double seconds);

// Reads the data section and drives the counting. With more than one thread (-threads, default
// the number of cores) one thread reads and parses the records in batches while the calling
// thread counts them and writes the echo and the messages, in the order of the file: the
// console, the results and the counts are the same for any number of threads.
void rddata(RunState& rs, Work& w, int& ierr, const DataFormat& df, TypeIndex& ix);
// Counts one genotype record (deme `kp`, `nadd` individuals, alleles in `la`) into 20 to 23.
void cnttyp(RunState& rs, Work& w, TypeIndex& ix);

}  // namespace tolm
