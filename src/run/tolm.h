// Start-up and the main driver: date stamp, command line, and tolmmain, which leads one input
// file through choices, counting, analyses and output and ends the run.
//
// The start-up settles the run mode (`idowidget`), the batch file on unit 5, the input file on
// channel 10 and the sizes nnp, nnl, nnc, mxall of the work arrays, then hands them to tolmmain
// in StartInfo. tolmmain owns the run from there: it writes every channel of the run (results 8,
// tabular 29, configuration 1, scratch 20 to 27) and never returns; each run ends in stop().
#pragma once

#include <cstdio>
#include <string>

#include "core/heading.h"
#include "core/runstate.h"

namespace tolm {

// "Date dd-Mon-yyyy hh:mm:ss", padded to 30 characters.
std::string time_and_date();
// Settings handed from the start-up to the main driver.
struct StartInfo {
  int nnp = 0, nnl = 0, nnc = 0, mxall = 250;
  std::string file, path, cfgprefix, adate;
  int ncol = 10, iwidstd = 10, idowd = 0;
  int isys = 2;
};
// The main driver; ends the run by stop().
[[noreturn]] void tolmmain(RunState& rs, StartInfo& si);
// Start-up; returns the exit status. Console on stdout, standard input on unit 5.
int tolm_run(RunState& rs, int argc, char** argv);
// Usage text of --help, and the manual page tolm(1) in roff; both list every option.
void usage(std::FILE* f);
void manpage(std::FILE* f);
// Splits an input file name into directory (with its separator) and default prefix.
void split_name(const std::string& file, std::string& path, std::string& prefix);

}  // namespace tolm
