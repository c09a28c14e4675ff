// The four widget dialogs (first dialog, existing output, menu, snails) and their callbacks.
//
// Used in widget mode only (`idowidget` 1), through the widget layer. Read and write the record
// `wd` (the dialog's state: lists of loci and demes, prefix, check boxes `iprog`, `ifrqstr`,
// evenness, snail and format boxes), which the main driver turns into the answers of `names`
// and `param` after OK; `sel` takes the answer of the existing-output dialog. The menu's help
// text is the heading written on channel 44. A dialog returns only with a usable `wd`: a bad
// list of loci or demes, or an empty prefix, is shown in a message box and asked again.
#pragma once

#include <string>

#include "core/runstate.h"

namespace tolm {

void wdfirst(RunState& rs, const std::string& infil);
void wdoutfile(RunState& rs, int& isel, std::string& prefix, std::string& newfil);
void wdmenu(RunState& rs, int nloc, int ndem, int ioldcfg, int isys);
void wdsnail(RunState& rs);

}  // namespace tolm
