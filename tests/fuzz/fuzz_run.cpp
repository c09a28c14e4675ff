// Fuzz target: a whole run of the main driver over a fuzzed input file, with every analysis
// chosen from the console (answers fed in), the results and the tabular file written into a
// private temporary directory. The input's size picks the locus configuration (all single loci
// or one combination of all loci), whether gametic sex is ignored, whether the differentiation
// snails are drawn, and a small allele limit now and then, so that every path of the analyses
// meets fuzzed counts. What must hold: no crash, no endless loop, no read or write outside a
// table; a run ends with a stop (normal or error) like the real program.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "io/freefmt.h"
#include "core/runstate.h"
#include "run/tolm.h"

namespace {

// Small sizes keep each run quick; the sizes themselves are the reader's business.
constexpr int kMostDemes = 8, kMostLoci = 5;

std::string run_dir;

void remove_dir() {
  if (!run_dir.empty() && std::system(("rm -rf '" + run_dir + "'").c_str()) != 0) return;
}

// A private directory for the files of the runs, removed when the fuzzer ends.
const std::string& make_dir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string t = std::string(tmp ? tmp : "/tmp") + "/tolm-fuzz-run-XXXXXX";
  if (!mkdtemp(t.data())) std::abort();
  run_dir = t + "/";
  std::atexit(remove_dir);
  return run_dir;
}

void clear_dir(const std::string& dir) {
  // the files of a run: input, configuration, results, tabular file and snails
  for (const char* f : {"pop.dat", "pop.dat.cfg", "pop.dat-out.txt", "pop.dat-tab.txt"})
    std::remove((dir + f).c_str());
  const std::string snails = dir + "pop.dat-Snails";
  if (access(snails.c_str(), F_OK) == 0) {
    if (std::system(("rm -rf '" + snails + "'").c_str()) != 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string& dir = make_dir();
  const std::string text(reinterpret_cast<const char*>(data), size);
  int v[2] = {0, 0};
  const size_t eol = text.find('\n');
  if (eol == std::string::npos) return 0;
  if (tolm::io::parse_ints(text.substr(0, eol), nullptr, v, 2) != tolm::io::Rd::ok) return 0;
  if (v[0] < 1 || v[1] < 1 || v[0] > kMostDemes || v[1] > kMostLoci) return 0;

  clear_dir(dir);
  const std::string file = dir + "pop.dat";
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);

  const bool multilocus = size % 2 == 1;
  const bool ignore_sex = (size / 2) % 2 == 1;
  const bool snails = (size / 4) % 4 == 1;
  tolm::StartInfo si;
  si.file = file;
  si.isys = 1;
  si.adate = "Date 01-Jan-2020 00:00:00     ";
  si.nnp = v[0];
  si.nnl = v[1];
  si.nnc = v[1] + 1;
  si.mxall = (size / 16) % 3 == 2 ? 3 : 250;

  // prefix, locus configuration, the four frequency distributions, gametic sex; analyses 1 to 7
  // with the refinements of evenness and differentiation; 8 to 10; all demes, results to a
  // file, all demes in one line; no further pass; the closing line
  std::string answers = std::string("\n") + (multilocus ? "3" : "0") + "\ny\ny\ny\ny\n" +
                        (ignore_sex ? "y" : "n") + "\n" + "y\ny\ny\ny\ny\ny\ny\n" +
                        (snails ? "y\ny\ny\n" : "n\n") + "y\n" + "y\ny\ny\n" + "0\nf\n0\nn\n\n";

  tolm::RunState rs;
  // The exact tests run as in a real run, with short chains so that one input stays quick.
  rs.opt.chain_given = true;
  rs.opt.dememorisation = 100;
  rs.opt.batches = 5;
  rs.opt.iterations = 100;
  rs.opt.threads = 1;
  rs.con().capture();
  rs.u(5).feed(answers);
  if (rs.u(10).open_in(file) != 0) return 0;
  std::string rec1;
  rs.u(10).read_line(rec1);
  try {
    tolm::tolmmain(rs, si);
  } catch (const tolm::ProgramStop&) {
  }
  return 0;
}
