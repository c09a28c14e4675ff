// Count files in a run: -emit=counts writes the count tables of the run after counting and
// ends it; -merge= reads and merges count files at start-up and stands them in for the input
// file and its counting.
//
// Reads and writes of the run state: `emit_counts` counts (channels 20 to 23, 26; `nptr1`,
// `nptr2`, `kmbord`, `sexspc`) and writes "<filpath><filnam>.counts"; `merge_start` writes a
// header-only TOLM input file (demes, loci, read format) in place of the input file and keeps
// the merged tables; `load_merged` fills channels 20 to 26 and the same work arrays from them,
// for the combinations the run has settled, exactly as counting the data would.
#pragma once

#include <string>

#include "core/runstate.h"
#include "counts/countfile.h"

namespace tolm::counts {

// The count tables of the run from the count store, as the counting has left it.
CountTables tables_of_run(RunState& rs, Work& w, const std::string& input, int unreadable);

// Counts the input file for every kind and heterozygosity, writes the count file and stops.
[[noreturn]] void emit_counts(RunState& rs, Work& w, const std::string& fcard, int nlread,
                              const std::string& input);

// Called once the choices are settled, before any output is opened: -emit=counts counts and
// writes the count file and ends the run; a merged run checks that every combination it asks
// for was counted in the files (a message and the end of the run if not).
void before_output(RunState& rs, Work& w, const std::string& fcard, int nlread,
                   const std::string& input);

// Start-up of a run given -merge=: reads and merges the count files (a mismatch stops the run
// with its message), writes the header of an input file for the merged demes and loci and
// returns its name in `header`, and the name of the input file the counts came from in
// `input` (the first count file's name when they came from different files).
void merge_start(RunState& rs, std::string& header, std::string& input);

// True when the run stands on merged count files.
bool merged_run();

// Fills the count store from the merged tables for the combinations of the run, in place of
// counting. Stops the run with a message when a combination was not counted in the files.
void load_merged(RunState& rs, Work& w);

}  // namespace tolm::counts
