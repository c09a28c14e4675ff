// Sorting of the counted haplotypes (channel 24) and genotypes (channel 25) into output order.
//
// Reads the alleles of each haplotype (channel 21) and the haplotype pairs of each genotype
// (channel 23); writes, per combination kc, the type at each output position k (rec24 / rec25 in
// core/records.h) and sets `isort1` / `isort2`. The order is ascending by allele numbers; it is
// total (distinct types have distinct keys), so it is the one order there is.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void bsort1(RunState& rs, Work& w, int mxlex);
void bsort2(RunState& rs, Work& w, int mxlex);

}  // namespace tolm
