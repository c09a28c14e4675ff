// Test builder: a run state and its work arrays from a few lines of text, in place of setting
// every member by hand in each test.
//
// One instruction a line ('#' starts a comment); every key but `demes` may be left out:
//   demes 3              data demes; all shown in data order
//   shown 3 1            the demes shown, in display order (`nprb`, `maxp`)
//   names P1 P2 P3       deme names by data deme
//   loci 2 LocA LocB     loci, and their names; each locus is a combination of
//                        its own (`nrloc` 1, `loccmb`(k, 1) = k) unless `combinations` says
//   combinations 3       `nc` (default: the number of loci) and `mxnrlc` (default 1):
//   mxnrlc 2
//   mxall 20             type limit of the work arrays (default 250)
//   iwidth 6             demes side by side in the report (default: as a run state starts)
//   choose 2356          analyses chosen (`aprog`: one digit each, 0 for 10)
//   sexspc no            every combination and deme without gametic-sex specification
//   deme 1: 98/100 100/100 ?/?
//                        genotypes of data deme 1 at locus 1 (combination 1), maternal allele
//                        first, "?/?" for an individual of unknown genotype: counted into the
//                        scratch channels 20 to 25 with the record layout of the counting step
//                        (types numbered by first appearance, output order ascending by
//                        alleles) and into `nsam`.
// The results (unit 8, `iunit`), the tabular file (29) and the console (6) are captured.
#pragma once

#include <string>
#include <vector>

#include "core/runstate.h"

namespace tolm::testing_build {

// Builds rs and w from `text`; a line it cannot read fails the calling test.
void build(RunState& rs, Work& w, const std::string& text);

// The lines of a captured text.
std::vector<std::string> lines_of(const std::string& s);

}  // namespace tolm::testing_build
