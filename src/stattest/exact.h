// Exact tests on counted tables: Hardy-Weinberg proportions of one deme's genotypes, and the
// independence of the rows and columns of a contingency table (types by demes for homogeneity,
// maternal by paternal allele for product structure).
//
// Pure functions: nothing of the run state is read or written; the callers build the tables
// from the counts and draw the seed of each test from `rs.opt.seed` and the identity of what
// it tests (`test_key`), so a p-value does not depend on the order of the tests or on threads.
//
// A test sums the null probabilities of the tables, among those with the observed margins,
// that are no more probable than the observed one (relative tolerance 1e-7). Two alleles: the
// heterozygote recurrence; otherwise every table is enumerated when their number stays below
// `kEnumNodesHw` or `kEnumNodes` steps of the enumeration, else the Metropolis chain that swaps one
// unit between two cells of each kind (dememorisation steps, then batches of iterations) estimates
// p and its standard error from the spread of the batch estimates (batch means). On sparse tables
// the chain counts its idle steps (proposals that take an empty cell) in runs and draws only the
// live proposals; a step changes 2-4 cells and its probability ratio comes from them alone.
// The heterozygote deficit and excess tests order the tables by the score sum_i n_ii / n_i
// (n_i the count of allele i).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "core/exactrec.h"

namespace tolm {

struct ChainSettings {
  long dememorisation = 10000;
  long batches = 100;
  long iterations = 5000;
};

struct ExactResult {
  ExactMethod method = ExactMethod::none;  // none: nothing to test (fewer than two classes)
  double p = 0, se = 0;                    // probability test
  double p_deficit = 0, se_deficit = 0;    // Hardy-Weinberg only: heterozygote deficit
  double p_excess = 0, se_excess = 0;      // and excess
  bool one_sided = false;                  // the deficit and excess tests were made
};

// Largest number of steps of a complete enumeration before the chain takes over: genotype
// tables (whose enumeration is slower to pay off) and contingency tables.
constexpr long kEnumNodesHw = 100000;
constexpr long kEnumNodes = 1000000;
constexpr long kEnumNodesPair = 50000;  // the tables of two demes, which are many

// Work of the bounds a two-row enumeration builds before its first step: for each column, each
// count of the first row it can take times the units of the first row (`n1`, the smaller row).
// Above kTwoRowWork (large counts: thousands of genes in a deme) the bounds alone would cost more
// than the chain, and the enumeration could not finish within its nodes anyway, so the table
// goes to the chain at once.
constexpr double kTwoRowWork = 4e6;
double two_row_work(int n1, const std::vector<int>& cols);

// Least number of steps a complete enumeration takes, from the margins alone: before any other
// table it visits every filling of its first column (x_i <= caps[i], summing to `total`), so
// their number is a floor on its steps; a table whose floor passes the node bound goes to the
// chain at once, as the enumeration would after the bound. Counts saturate at kFloorCap.
constexpr uint64_t kFloorCap = 1ULL << 32;
uint64_t fillings(const std::vector<int>& caps, int total);
// The same for genotype tables with allele counts `c` (at least three alleles): the fillings of
// the first allele's genotypes (its homozygote, and its heterozygote with each later allele).
uint64_t hw_fillings(const std::vector<int>& c);

// Seed of one test from the run's seed and the numbers that name the test.
uint64_t test_key(uint64_t seed, std::initializer_list<long> ids);

// Hardy-Weinberg test of the genotypes of one deme. `g` is k x k, row-major, the count of
// genotype {i, j} in g[i*k + j] with i <= j (the lower triangle is ignored); alleles without
// copies are dropped.
ExactResult hw_exact(const std::vector<int>& g, int k, const ChainSettings& cs, uint64_t key,
                     long enum_nodes = kEnumNodesHw);

// Test of independence of an r x c table (row-major); empty rows and columns are dropped.
ExactResult table_exact(const std::vector<int>& t, int r, int c, const ChainSettings& cs,
                        uint64_t key, long enum_nodes = kEnumNodes);

// Text of a method for the results file and the long table.
const char* method_text(ExactMethod m);       // "Complete_enumeration", "Markov_chain"
const char* method_long_name(ExactMethod m);  // "exact-enumeration", "exact-mcmc"

}  // namespace tolm
