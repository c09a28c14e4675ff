// The long table <prefix>-long.tsv: every value of a run, one row each, in one tab-separated
// file that R's read.delim and pandas' read_csv read in one call.
//
// Columns, in this order: pass, combination, loci, kind, deme, deme_name, other_deme, type,
// measure, value, ci_low, ci_high, df, p_value, p_se, method. An undefined value (NaN, or a
// value at or below the missing-value threshold -9.0) is an empty cell; numbers are written in
// the shortest form that reads back to the same value (floats as floats, so 0.3611f is
// "0.3611"). No padding, no trailing tab, "\n" line ends.
//
// The analyses call long_row() / long_pool_row() (or the short forms long_deme(), long_deme_n()
// and long_whole() for a value about one display deme or the whole population) with the measure
// and the value exactly as they computed it, where they compute it; the context
// (pass `idurch`, combination `kc`, its loci from `loccmb`/`locnam`, kind `mal`, deme names
// from `prbnam`) is taken from the run state at the time of the call. The file is opened by the
// main driver when the results of a pass are about to be written and closed at the end of the
// run. When `keep` is set, the rows are also kept in memory for the figures and the HTML
// report, which take their numbers from here and never parse an output file.
#pragma once

#include <string>

#include "core/longtab.h"

namespace tolm {

struct RunState;
struct Work;

// Adds a row about the current pass, combination `kc` and kind `mal` of the run: fills pass,
// combination, loci, kind and deme_name (from `deme`, when not set) and writes it. Does nothing
// when the long table is not open.
void long_row(RunState& rs, const Work& w, LongRow r);
// The same for a row the caller fills again for its next row: completed in place, the fields
// filled here then standing for the next row too, and written without a copy.
void long_row_again(RunState& rs, const Work& w, LongRow& r);
// The same for a row of the gene pool: combination empty, loci "pool".
void long_pool_row(RunState& rs, const Work& w, LongRow r);

// True when rows are wanted at all (the file is open, or the rows are kept in memory): callers
// skip building rows otherwise.
bool long_wanted(const RunState& rs);

// A row of the current section about display deme d (1..`maxp`; its deme number is `nprb`(d)),
// with an optional type or second display deme (0: none). `value` is taken as computed.
void long_deme(RunState& rs, const Work& w, const char* measure, int d, float value,
               const std::string& type = std::string(), int other = 0);
void long_deme_n(RunState& rs, const Work& w, const char* measure, int d, long count,
                 const std::string& type = std::string());
// A row of the current section about the whole population (deme empty).
void long_whole(RunState& rs, const Work& w, const char* measure, float value);

}  // namespace tolm
