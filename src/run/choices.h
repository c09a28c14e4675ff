// A run without questions: the command line of a run given -input= and the choices its options
// make in place of the console dialogue.
//
// The options fill the same members of the run state that the dialogue fills (`loctyp`, the
// locus combinations `nc`, `nrloc`, `loccmb`, `mxnrlc`, the demes for output `isp`, `nprb`,
// `maxp`, the answers `frqstr`, `aprog`, `evefin`, `eveinf`, `spdfin`, `spdinf`, `notord`, the
// snail switches `idoeps`, `idowmf`, and `outunit`, `iunit`, `iwidth` and the output file names),
// so that counting, analyses and every output run unchanged and an options run writes what the
// console run with the same answers writes. The checks of the dialogue are kept; what the
// dialogue would ask again stops an options run before any output with a message naming the
// option and status 2. Nothing here reads from unit 5.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

// Stops the run for a bad command line: "** Command line: <what>. Execution terminated **",
// status 2.
[[noreturn]] void command_line_stop(RunState& rs, const std::string& what);

// The arguments of a run given -input= (argv[1..argc-1]), read whole: every one must be an
// option of the lists, none given twice, no batch file and no dialog windows. Sets `ncol` and
// `mxall` from -col= and -maxall=. Stops with status 2 otherwise.
void options_command_line(RunState& rs, int argc, char** argv, int& ncol, int& mxall);

// Loads the configuration file of -config= (when given) as the defaults of the options; status 2
// when it cannot be read.
void options_config(RunState& rs);

// Once the names of the header are read: every choice of the dialogue from the options (and the
// configuration file of -config=). `nprogs` and `nfrqst` as the dialogue counts them.
void apply_choices(RunState& rs, Work& w, int& nprogs, int& nfrqst);

// Before anything is written: without -force an output file of the run that exists already
// stops the run (status 1) and leaves it untouched.
void guard_outputs(RunState& rs);

// In place of the output question of a pass: the output unit, the file names, the results file
// (opened new, or overwritten with -force) and the width. False when the results file cannot be
// opened.
bool options_output(RunState& rs, int ncol, int iwidstd);

}  // namespace tolm
