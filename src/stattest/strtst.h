// Tests of genotypic structure per deme and single locus: Hardy-Weinberg, heterozygosity,
// product structure.
//
// For the current combination `kc` (a single locus) and every analysis deme, `strtst` writes the
// deme's counts and runs the chosen tests (`aprog`(9), `aprog`(10)) on the results channel
// `iunit`; the statistics are judged by `test`. Counts come from scratch channel 22, the order of
// the alleles and genotypes from 24 and 25, the genotype pairs from 23 and the allele numbers
// from 21. It sets `kl`, `kp`, `kog` and `modus` ("HARDYWB", "HWHETER", "PRODUCT") and uses
// `pw`, `pm`, `xpec`, `irealt`, `lextyp`, `nada` of the work arrays.
//
// The tables are indexed by allele output position (1..`nptr1`(`kc`)), so a locus with more
// alleles than `mxall` is not tested. Whether gametic sex is known is decided per deme from
// `kmbord`(`kc`, `kp`), never from the last locus list read.
#pragma once

#include <string>

#include "core/runstate.h"
#include "stattest/exactout.h"

namespace tolm {

void strtst(RunState& rs, Work& w);

// Genotype counts of one test: (first position, second position), 0 up to the largest
// position of the locus's alleles both ways.
using Ngeno = Arr2<int>;

// One test of the current deme `kp`, the one named by `modus` ("HARDYWB" or "PRODUCT"); the
// heterozygosity test follows the Hardy-Weinberg one.
// `ex`, when given, holds the deme's exact tests, printed after the chi-square blocks.
void tsthwp(RunState& rs, Work& w, const DemeExact* ex = nullptr);
// Reads the deme's genotype counts into `ngeno` (sized anew to the locus's allele positions,
// its storage reused), forms `pw` and `pm` and returns in `mxkg` the largest allele position
// met in the deme. Only the cells of `pw`, `pm` and `xpec` up to those positions are cleared.
void rdfreq(RunState& rs, Work& w, Ngeno& ngeno, int& mxkg);
// Writes the observed and expected table of the test; `npater` columns listed in `nada`.
void tabout(RunState& rs, Work& w, const Ngeno& ngeno, int mxkg, int npater, int nfac);

}  // namespace tolm
