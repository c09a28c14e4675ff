// The header of the input file after its first record: the locus names, the deme names and the
// read-format record, and the list of names on the console.
//
// Reads unit 10 (the input file) from record 2 and writes the console. Fills `locnam` (12
// characters) and `prbnam` (40 characters) of every locus and deme of the header, `nlread`
// and `fcard` (the read format, "*" for free format). A header that ends early, an unreadable
// record or a read format that cannot be used stops the run with a message naming the record.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void namein(RunState& rs, Work& w, std::string& fcard, int& nlread);

}  // namespace tolm
