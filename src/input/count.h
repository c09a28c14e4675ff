// Reading the data records of the input file and counting haplotypes and genotypes per deme
// into the scratch channels 20 to 23 (26: heterozygosity).
#pragma once

#include <string>

#include "run/runstate.h"

namespace tolm {

// Counts the whole input file (unit 10); ierr returns the number of unreadable records.
void xcount(RunState& rs, Work& w, int& ierr, const std::string& fcard, int nlread);

}  // namespace tolm
