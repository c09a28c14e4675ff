// What every reader of a foreign genotype file hands on: the loci, the demes and the diploid
// genotypes of the individuals, with the text labels and line numbers kept for messages. One
// writer turns it into a TOLM input file; the readers never write files themselves.
//
// Reads and writes nothing of the run state. What always holds of a `Dataset` handed to
// `check_dataset`: the genotypes are kept in one of two layouts, never both. Either every
// individual has 2 x `loci.size()` alleles in `alleles` (first and second allele of each locus in
// locus order), an allele a number >= 0 or `kMissing`; or (files read site by site: VCF)
// `by_locus` holds one `LocusCodes` per locus with 2 codes per individual, 0 missing, else the
// allele number, and `alleles` is empty. Every individual's `deme` lies in 0..`demes.size()` - 1.
//
// A reader that meets bad input throws `BadInput` with a text naming the file, the line and the
// field; `convert_to_tolm` turns it into the message of the run, so nothing is written or counted
// from a file that failed.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "input/formats/formats.h"
#include "io/units.h"

namespace tolm::fmt_in {

constexpr int kMissing = -1;  // a missing allele, as TOLM's own files mark it (any negative)
constexpr int kDefaultMaxAlleles = 250;

struct BadInput : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The genotypes of one locus, individual after individual, two codes each (0: missing, else the
// allele number), in the smallest of three layouts that holds them: two bits a code, four codes a
// byte (code k in bits 2 * (k % 4) of byte k / 4) while every code is below 4 (a site of at most
// three alleles); one byte a code while every code is below 255; else two bytes.
struct LocusCodes {
  std::vector<uint8_t> small;
  std::vector<uint8_t> narrow;
  std::vector<uint16_t> wide;
  size_t n = 0;  // codes held
  // The layout for the codes c[0..n), the highest of them `top`.
  template <typename Code>
  static LocusCodes of(const Code* c, size_t n, unsigned top);
  size_t size() const { return n; }
  uint16_t at(size_t k) const {
    if (!small.empty()) return (small[k / 4] >> (2 * (k % 4))) & 3u;
    return narrow.empty() ? wide[k] : narrow[k];
  }
  // The codes k0..k1 - 1 into out.
  void get(size_t k0, size_t k1, uint16_t* out) const;
};

struct Dataset {
  std::vector<std::string> loci;   // names as the file gives them
  std::vector<std::string> demes;  // names, in the order of deme numbers
  std::vector<long> deme_line;     // line that opens each deme (0: none), for messages
  struct Individual {
    int deme = 0;       // 0-based
    std::string label;  // as in the file (for messages)
    long line = 0;      // first line of the individual in the file
  };
  std::vector<Individual> inds;
  std::vector<int32_t> alleles;      // 2 x loci per individual, individual after individual
  std::vector<LocusCodes> by_locus;  // or the same, locus after locus (see above)
  std::vector<std::string> notes;    // console lines about what was left out or found
};

// The place in a file a message is about: "Genepop file "x.gen", line 57".
struct Where {
  std::string title;  // "Genepop"
  std::string file;
  [[noreturn]] void fail(long line, const std::string& what) const;
  [[noreturn]] void fail(const std::string& what) const;  // about the whole file
};

// Lines of a text file without their line ends (LF or CRLF), numbered from 1.
class LineReader {
 public:
  LineReader(const std::string& path, const Where& w);
  bool next(std::string& line);  // false at the end of the file
  long number() const { return n_; }
  bool ended_without_newline() const { return no_newline_; }

 private:
  std::ifstream in_;
  long n_ = 0;
  bool no_newline_ = false;
};

std::string trim_ws(const std::string& s);
std::vector<std::string> split_ws(const std::string& s);
std::vector<std::string> split_on(const std::string& s, char sep);  // fields trimmed
bool is_uint(const std::string& s);
// A whole integer token; false when it is not one or does not fit.
bool to_int(const std::string& s, long& v);

// The map file of -popmap=: lines "sample deme" (blanks or TABs; the deme name is the rest of
// the line), "#" lines and empty lines skipped. Deme numbers follow the first appearance of each
// deme name.
struct PopMap {
  std::map<std::string, int> deme_of;  // sample -> 0-based deme
  std::vector<std::string> demes;
};
PopMap read_popmap(const std::string& path);
// Leaves out the demes of the map file `popmap` that no individual of the file `path` belongs
// to, with a note.
void drop_unused_demes(Dataset& d, const std::string& popmap, const std::string& path);

// Readers, one per format.
Dataset read_genepop(const std::string& path);
Dataset read_fstat(const std::string& path);
Dataset read_genetix(const std::string& path);
Dataset read_structure(const std::string& path, const RunOptions& o);
Dataset read_genalex(const std::string& path);
Dataset read_vcf(const std::string& path, const RunOptions& o);

// Throws `BadInput` for a file without individuals or a deme without individuals; notes a locus
// with more alleles than TOLM counts by default.
void check_dataset(Dataset& d, const Where& w);
// Writes the TOLM input file; throws `BadInput` when it cannot be written.
void write_tolm(const Dataset& d, const std::string& out);
// The same TOLM input file held in memory, line by line (the data set is kept, not its text): the
// text of each line is what write_tolm writes, and the deme lists and individuals give their
// values without text.
std::shared_ptr<const io::LineSource> held_tolm(Dataset&& d);

}  // namespace tolm::fmt_in
