// Options of a run given on the command line as "-name=value" (or "-name" alone for a switch):
//
// - the choices of a run without questions (-input= and the options beside it): every answer
//   of the dialogue, so that a run can be repeated exactly; only a run given -input= takes them;
// - what the console questions do not cover: how foreign input files are read, the exact tests
//   and the intervals, the added outputs (long table, figures, HTML report), the number of
//   threads, and the count files.
//
// The console dialogue, batch files and the configuration file never set them, so stored batch
// files answer the same questions as before.
//
// The one list of these options (`run_options()`, with `start_options()` for the arguments the
// start-up reads itself) serves the parser, `--help` and the manual page alike. Every member has
// the value a run uses when its option is not given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tolm {

struct RunOptions {
  // Choices of a run given -input= (empty or negative: not given). The lists of loci and demes
  // are kept as typed: they name loci and demes of the input file, known once its header is read.
  std::string input;         // the input file; a run given it asks no question
  std::string config;        // a configuration file whose choices stand for the options not given
  std::string loci;          // "all" or single loci "1,3,Pgm"
  std::string combinations;  // "all" (one combination of all loci) or "1+2,2+3+Pgm"
  std::string demes;         // "all" or demes for output "1,North"
  std::string kinds;         // 4 answers y/n: maternal, paternal, alleles, genotypes
  std::string analyses;      // 10 answers y/n, in the order of the ten analyses
  std::string evenness;      // 2 answers y/n: finite, infinite population size
  std::string weighting;     // 2 answers y/n: weights by deme size, equal weights
  std::string snails;        // 2 answers y/n: EPS, WMF files
  int gametic_sex = -1;      // 1 ignore the gametic sex of the data, 0 use it
  char results = ' ';        // "f" results file, "s" screen
  int width = -1;            // demes per line of the results file (0: all demes)
  std::string out;           // output prefix

  // Reading foreign input files.
  std::string format;     // "" (found from the content and the extension) or a format name
  std::string popmap;     // two-column map file: sample, deme name
  std::string structure;  // layout of a STRUCTURE file where the file cannot tell it
  std::string convert;    // write the file read as a TOLM input file to this name and stop

  // Exact tests.
  bool exact = true;            // exact Hardy-Weinberg, homogeneity and product tests
  long dememorisation = 10000;  // steps of the Markov chain before the first batch
  long batches = 100;
  long iterations = 5000;    // steps per batch
  bool chain_given = false;  // the chain's settings were given: the pair tests use them too
  uint64_t seed = 20150101;  // one seed for every random draw of the run
  bool seed_given = false;

  // Intervals of the gene-pool measures.
  bool ci = true;                      // jackknife over loci (and the bootstrap when asked)
  long bootstrap = 0;                  // bootstrap replicates over loci (0: none)
  bool bootstrap_individuals = false;  // resample individuals within demes instead of loci

  // Added outputs.
  bool long_table = true;            // <prefix>-long.tsv
  std::vector<std::string> figures;  // of "svg", "pdf", "png"
  bool report_html = false;          // <prefix>-report.html

  // Running.
  int threads = 0;     // 0: the number of cores
  bool quiet = false;  // no record echo while counting
  bool force = false;  // overwrite existing output files

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
// The arguments the start-up reads itself (batch file, mode switches, -col=, -maxall=, --help):
// listed for `--help` and the manual page, not parsed by apply_run_option.
const std::vector<OptionInfo>& start_options();

// True when the run was given -input=: it asks no question and waits for no key.
inline bool options_run(const RunOptions& o) {
  return !o.input.empty();
}
// The name of option `arg` without its dashes and value ("-loci=1,2" -> "loci").
std::string option_name(const std::string& arg);
// True for the options that make a choice of the dialogue (allowed only beside -input=).
bool is_choice_option(const std::string& name);

// The threads a run may use: -threads=N, else the number of cores; at least 1.
int run_threads(const RunOptions& o);

// True when `arg` ("-name=value" or "-name") is an option of the list.
bool is_run_option(const std::string& arg);

// Sets the option `arg` in `o`. False with a message in `err` (naming the option) when the
// value cannot be used.
bool apply_run_option(RunOptions& o, const std::string& arg, std::string& err);

}  // namespace tolm
