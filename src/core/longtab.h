// The rows of the long table <prefix>-long.tsv and the file they are written to: the data
// part of the long table, held by the run state (`rs.longtab`). The writers that fill a row
// from the run state's current pass, combination and kind are in report/longtable.h.
//
// A row holds one value of a run with its context; NaN (or a value at or below the
// missing-value threshold -9.0) is an empty cell. A table is written under a temporary name and
// takes its own name only when closed without error, so a cut file never looks complete. When
// `keep` is set every row written is also kept in `rows`, in the order written.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tolm {

struct LongRow {
  int pass = 0;
  int combination = 0;  // 0: empty (gene-pool rows)
  std::string loci;     // names joined by "+", or "pool"
  std::string kind;     // maternal, paternal, alleles, genotypes; empty when the row has none
  int deme = 0;         // deme number in the input file; 0: the whole population
  std::string deme_name;
  int other_deme = 0;  // second deme of a pairwise value; 0: none
  std::string type;    // allele, haplotype or genotype as written inside { }, trimmed
  std::string measure;
  double value = NAN;
  double ci_low = NAN, ci_high = NAN;
  int df = -1;  // -1: empty
  double p_value = NAN, p_se = NAN;
  std::string method;
};

class LongTable {
 public:
  ~LongTable();
  // Opens `path` for a new run (truncating it). False with the system's error code in `err`.
  bool open(const std::string& path, int& err);
  bool is_open() const { return f_ != nullptr || capture_; }
  const std::string& path() const { return path_; }
  // Writes one row (and keeps it when `keep` is set).
  void add(const LongRow& r);
  // Closes the file; returns 0 or the system's error code of a failed write or close.
  int close();

  // A table that gathers its rows in memory instead of a file: the share of one locus
  // combination analysed beside others, handed to the run's table in order by put_rows().
  void capture();
  std::string take_captured();           // the rows formatted since the last call
  void put_rows(std::string_view text);  // rows formatted elsewhere, added as they stand

  bool keep = false;
  std::vector<LongRow> rows;

 private:
  std::FILE* f_ = nullptr;
  std::string path_;
  std::string tmp_;  // the temporary name the table is written under until it is closed
  // Writes the rows gathered in `line_` to the file.
  void flush_rows();
  static constexpr size_t kBlock = 1 << 16;  // rows are written in blocks of about this size
  int err_ = 0;
  bool capture_ = false;
  std::string line_;  // rows not yet written, the last one being formatted
};

// One formatted cell of a number: "" for NaN or a missing-value marker (<= -9.0).
std::string long_cell(double v);
std::string long_cell(float v);

// The kind's name in the long table: 1 maternal, 2 paternal, 3 alleles, 4 genotypes.
const char* long_kind(int mal);

// A 32-bit value as the double that prints as the float's own shortest form, so that 0.3611f
// reaches the file as "0.3611" and not as the digits of its binary widening. The marker and NaN
// pass through (and become empty cells).
double long_float(float v);

}  // namespace tolm
