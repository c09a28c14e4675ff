// Free-format reader: integers separated by blanks, TABs or commas.
//
// A list that needs more values than its line holds goes on over the following lines of the
// same unit. Reading stops as soon as the wanted number of values is read; the rest of that
// line is ignored. Two commas with nothing between them leave that value unchanged (a null
// value), "r*v" stands for r copies of v, and a "/" ends the list with the remaining values
// unchanged. A token that is not an integer (or does not fit 32 bits) makes the list
// "unreadable" (Rd::error), which is told apart from the end of input (Rd::eof).
#pragma once

#include <string>
#include <string_view>

#include "io/units.h"

namespace tolm::io {

// How a list was read: further lines taken, values found in the first line, and what made it
// unreadable (Rd::error).
struct ListRead {
  int lines = 0;
  int first = 0;
  ReadFault fault;
};

// Parses up to n values from `text`, continuing with further lines of `more` (may be null:
// then a short list ends as Rd::eof). `lines` receives the number of further lines taken.
Rd parse_ints(std::string_view text, Unit* more, int* out, int n, int* lines = nullptr);
Rd parse_ints(std::string_view text, Unit* more, int* out, int n, ListRead& how);

// Reads a fresh line of `u` and parses n values from it (continuing over lines as needed).
Rd read_ints(Unit& u, int* out, int n);

// Convenience for one value.
inline Rd read_int(Unit& u, int& v) {
  return read_ints(u, &v, 1);
}

}  // namespace tolm::io
