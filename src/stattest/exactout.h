// The exact tests of a run: they are started beside the chi-square tests of homogeneity and of
// genotypic structure, print their "Exact test" blocks after those tests' result blocks, write
// their rows to the long table, and after the gene pool the summary of the Hardy-Weinberg
// p-values (loci by demes), the Fisher combinations over demes and over loci, and the section
// of the tabular file.
//
// Reads the counts of scratch channels 20, 22, 23 and 24/25 of the current combination `kc`,
// kind `mal`, and the analysis demes `nprb`/`maxp`; reads `rs.opt` (exact, chain settings,
// seed, threads); writes to `iunit`, to unit 29 and to the long table. The p-values of a pass
// are kept in `rs.exact_kept` until `exgpl` has written them; every test draws its random numbers
// from the run's seed and the test's own identity, so results do not depend on the threads.
#pragma once

#include <string>
#include <vector>

#include "core/runstate.h"
#include "stattest/exact.h"

namespace tolm {

// True when the run makes exact tests at all (`-exact=off` not given).
bool exact_on(const RunState& rs);

// Chain settings of the run.
ChainSettings exact_settings(const RunState& rs);

// One line of an "Exact test" block.
struct ExLine {
  std::string label;
  double p = 0, se = 0;
  ExactMethod method = ExactMethod::none;
};
// Writes the block: a title line, a rule and one line per test.
void exblock(RunState& rs, const std::vector<ExLine>& lines);

// Homogeneity of the current combination and kind among the analysis demes, and for every
// pair of them: computes, prints the block, writes the long-table rows.
void exhom(RunState& rs, Work& w);

// Genotype tables of every analysis deme of the current single-locus combination, tested
// ahead of the deme loop of the structure tests (in parallel).
struct DemeExact {
  bool hw_done = false, prod_done = false;
  ExactResult hw, prod;
};
std::vector<DemeExact> exstr(RunState& rs, Work& w, bool dohw, bool doprod);
// Prints the blocks of one deme's tests and keeps their p-values: `which` 0 Hardy-Weinberg
// probability test, 1 heterozygote deficit and excess, 2 product structure.
void exstr_block(RunState& rs, Work& w, const DemeExact& d, int which);

// The summary after the gene pool: the table of Hardy-Weinberg p-values, the combinations,
// the tabular section; then the kept p-values of the pass are dropped.
void exgpl(RunState& rs, Work& w);

// Long-table rows of a chi-square test (`name`_G and `name`_X2) with their p-values.
void chisq_rows(RunState& rs, const Work& w, const std::string& name, int deme, float g, float x2,
                int ndf);

}  // namespace tolm
