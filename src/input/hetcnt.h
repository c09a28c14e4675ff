// Heterozygosity counting while the input file is read, called by the counting reader for
// every genotype record when heterozygosity (analysis 8) is chosen.
//
// Reads the alleles of the current record (`la`) and the combinations it covers (`kmbnow`,
// `ncnow`); adds `nadd` to channel 26 (record layout rec26 in core/records.h): per combination
// and deme, individuals heterozygous at exactly k loci, identified at every locus, or not.
// Sets `kc` and `kl` as it goes. The report of these counts is hetout (analysis/hetgrd.h).
#pragma once

#include "core/runstate.h"

namespace tolm {

// The heterozygosity counts of the current record for combination `kc` alone.
void het_one(RunState& rs, Work& w, int kc);
void hetcnt(RunState& rs, Work& w);

}  // namespace tolm
