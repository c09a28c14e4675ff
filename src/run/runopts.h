// Options of a run that the console questions do not cover: how foreign input files are read,
// the exact tests and the intervals, the added outputs (long table, figures, HTML report), the
// number of threads, and the count files. Each is given on the command line as "-name=value"
// (or "-name" alone for a switch); the console dialogue, batch files and the configuration file
// never set them, so stored batch files answer the same questions as before.
//
// The one list of these options (`run_options()`) serves the parser, `--help` and the manual
// page alike. Every member has the value a run uses when its option is not given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolm {

struct RunOptions {
  // Reading foreign input files.
  std::string format;      // "" (found from the content and the extension) or a format name
  std::string popmap;      // two-column map file: sample, deme name
  std::string structure;   // layout of a STRUCTURE file where the file cannot tell it
  std::string convert;     // write the file read as a TOLM input file to this name and stop

  // Exact tests.
  bool exact = true;         // exact Hardy-Weinberg, homogeneity and product tests
  long dememorisation = 10000;  // steps of the Markov chain before the first batch
  long batches = 100;
  long iterations = 5000;       // steps per batch
  uint64_t seed = 20150101;     // one seed for every random draw of the run
  bool seed_given = false;

  // Intervals of the gene-pool measures.
  bool ci = true;           // jackknife over loci (and the bootstrap when asked)
  long bootstrap = 0;       // bootstrap replicates over loci (0: none)
  bool bootstrap_individuals = false;  // resample individuals within demes instead of loci

  // Added outputs.
  bool long_table = true;                // <prefix>-long.tsv
  std::vector<std::string> figures;      // of "svg", "pdf", "png"
  bool report_html = false;              // <prefix>-report.html

  // Running.
  int threads = 0;       // 0: the number of cores
  bool quiet = false;    // no record echo while counting
  bool force = false;    // overwrite existing output files

  // Count files.
  std::string emit;                  // "counts": write <out>.counts and stop before the analyses
  std::vector<std::string> merge;    // count files to merge in place of an input file
  std::vector<std::string> regions;  // CHR:FROM-TO of an indexed VCF or BCF
  std::string samples;               // file of the samples to count

  // The options a run was given, in their order, as typed (for the head of the reports).
  std::vector<std::string> given;
};

// One option of the list: its name without the leading "-", the form of its value ("" for a
// switch), its group in `--help` and what it does.
struct OptionInfo {
  const char* name;
  const char* value;
  const char* group;
  const char* help;
};

// The options of the list, in the order `--help` shows them.
const std::vector<OptionInfo>& run_options();

// True when `arg` ("-name=value" or "-name") is an option of the list.
bool is_run_option(const std::string& arg);

// Sets the option `arg` in `o`. False with a message in `err` (naming the option) when the
// value cannot be used.
bool apply_run_option(RunOptions& o, const std::string& arg, std::string& err);

}  // namespace tolm
