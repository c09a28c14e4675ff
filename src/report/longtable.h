// The long table <prefix>-long.tsv: every value of a run, one row each, in one tab-separated
// file that R's read.delim and pandas' read_csv read in one call.
//
// Columns, in this order: pass, combination, loci, kind, deme, deme_name, other_deme, type,
// measure, value, ci_low, ci_high, df, p_value, p_se, method. An undefined value (NaN, or a
// value at or below the missing-value threshold -9.0) is an empty cell; numbers are written in
// the shortest form that reads back to the same value (floats as floats, so 0.3611f is
// "0.3611"). No padding, no trailing tab, "\n" line ends.
//
// The analyses call long_row() / long_pool_row() (or the short forms long_deme(), long_deme_n()
// and long_whole() for a value about one display deme or the whole population) with the measure
// and the value exactly as they computed it, where they compute it; the context
// (pass `idurch`, combination `kc`, its loci from `loccmb`/`locnam`, kind `mal`, deme names
// from `prbnam`) is taken from the run state at the time of the call. The file is opened by the
// main driver when the results of a pass are about to be written and closed at the end of the
// run. When `keep` is set, the rows are also kept in memory for the figures and the HTML
// report, which take their numbers from here and never parse an output file.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace tolm {

struct RunState;
struct Work;

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
  bool is_open() const { return f_ != nullptr; }
  const std::string& path() const { return path_; }
  // Writes one row (and keeps it when `keep` is set).
  void add(const LongRow& r);
  // Closes the file; returns 0 or the system's error code of a failed write or close.
  int close();

  bool keep = false;
  std::vector<LongRow> rows;

 private:
  std::FILE* f_ = nullptr;
  std::string path_;
  std::string tmp_;  // the temporary name the table is written under until it is closed
  int err_ = 0;
};

// One formatted cell of a number: "" for NaN or a missing-value marker (<= -9.0).
std::string long_cell(double v);
std::string long_cell(float v);

// The kind's name in the long table: 1 maternal, 2 paternal, 3 alleles, 4 genotypes.
const char* long_kind(int mal);

// Adds a row about the current pass, combination `kc` and kind `mal` of the run: fills pass,
// combination, loci, kind and deme_name (from `deme`, when not set) and writes it. Does nothing
// when the long table is not open.
void long_row(RunState& rs, const Work& w, LongRow r);
// The same for a row of the gene pool: combination empty, loci "pool".
void long_pool_row(RunState& rs, const Work& w, LongRow r);

// True when rows are wanted at all (the file is open, or the rows are kept in memory): callers
// skip building rows otherwise.
bool long_wanted(const RunState& rs);

// A 32-bit value as the double that prints as the float's own shortest form, so that 0.3611f
// reaches the file as "0.3611" and not as the digits of its binary widening. The marker and NaN
// pass through (and become empty cells).
double long_float(float v);

// A row of the current section about display deme d (1..`maxp`; its deme number is `nprb`(d)),
// with an optional type or second display deme (0: none). `value` is taken as computed.
void long_deme(RunState& rs, const Work& w, const char* measure, int d, float value,
               const std::string& type = std::string(), int other = 0);
void long_deme_n(RunState& rs, const Work& w, const char* measure, int d, long count,
                 const std::string& type = std::string());
// A row of the current section about the whole population (deme empty).
void long_whole(RunState& rs, const Work& w, const char* measure, float value);

}  // namespace tolm
