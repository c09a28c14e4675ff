// The exact p-values of one pass, as kept in the run state (`rs.exact_kept`) from the tests of
// each combination until the summary after the gene pool writes them and empties the list.
//
// Plain data, nothing read or written here. Each record names its test completely (measure,
// kind, combination, demes), so the summary and the Fisher combinations need nothing else.
#pragma once

#include <string>
#include <vector>

namespace tolm {

enum class ExactMethod { none, enumeration, chain };

struct ExactRecord {
  std::string measure;  // long-table name: "hardy_weinberg_exact", "homogeneity_exact_pair", ...
  int mal = 0, kc = 0;  // kind of distribution and locus combination
  int locus = 0;        // locus number of a single-locus combination, else 0
  int deme = 0, other = 0;  // data deme numbers; 0 when the test is about all demes
  double p = 0, se = 0;
  ExactMethod method = ExactMethod::none;
};
using ExactRecords = std::vector<ExactRecord>;

}  // namespace tolm
