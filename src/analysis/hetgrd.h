// Heterozygosity: counted while the input file is read (`hetcnt`), reported per combination
// (`hetout`).
//
// Channel 26 holds, per combination `kc` and deme, a block of `mxnrlc` + 3 records: record
// k + 1 (k = 0..`mxnrlc`) counts the completely identified individuals heterozygous at exactly k
// loci of the combination, record `mxnrlc` + 2 all completely identified ones, `mxnrlc` + 3 the
// others. `hetcnt` adds `nadd` per individual (from `la`, `kmbnow`, `ncnow`); `hetout` reads the
// blocks (and for a single locus the genotypes of channels 22 and 23), writes the results unit
// and the long table, and leaves `nknow`, `nunkno`, `het`, `chet`, `phet` per output deme for
// the tabular file.
//
// Holds always: a deme without completely identified individuals carries the marker `astrix` in
// `het`, `chet` and `phet`; `chet` is the marker for a monomorphic locus and for several loci.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void hetout(RunState& rs, Work& w);

}  // namespace tolm
