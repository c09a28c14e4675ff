// Record formats: reading integer records with a format specification of fixed-width field
// descriptors, as the read-format record of an input file gives it.
//
// Accepted descriptors (either letter case, blanks anywhere are insignificant):
//   Iw, Iw.m   an integer in w columns (m has no effect on reading)
//   nX         skip n columns (a bare X skips one)
//   Tc         go to column c of the record;  TLn / TRn  n columns left / right
//   /          go on with the next line of the unit (column 1)
//   r(...)     a group repeated r times; groups nest; r before I, X and / repeats them
// Items are separated by commas (optional next to a slash). Text after the closing parenthesis
// is ignored. Within an integer field blanks are ignored and an all-blank field reads 0; a line
// shorter than the fields it is read with reads as if padded with blanks. When the values
// wanted outnumber the fields, reading goes on in the next line from the last top-level group
// (or from the start when there is none), as with classic format reversion.
//
// A specification is compiled once into a flat list of operations; reading a record walks that
// list. A specification that cannot be interpreted is rejected by compile() with a description
// of the fault; reading never loops without end (every repeated part reads a number, or its
// repeats are bounded at compile time).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/units.h"

namespace tolm::io {

class RecordFormat {
 public:
  // Parses `spec`. On failure returns false and sets `why` to a description of the fault (in
  // the program's message language, naming the column of the specification).
  // `need` (when above 0) is the number of values a record will be read for: a specification
  // with fewer fields whose repeated part holds no integer field is rejected here.
  bool compile(std::string_view spec, std::string& why, long need = 0);

  // Reads n integers from a record whose first line is `first`, taking further lines of `more`
  // at "/" and at reversion (`more` may be null: then a further line reads as the end of the
  // unit). Returns Rd::ok, Rd::error (a field that does not hold an integer of 32 bits, or a
  // read failure of the unit), or Rd::eof (the unit ended inside the record). `lines` receives
  // the number of further lines taken; `fault` (may be null) what made a record unreadable.
  Rd read(std::string_view first, Unit* more, int* out, int n, int* lines = nullptr,
          ReadFault* fault = nullptr) const;

  // Number of integer fields of one pass through the specification (repeats expanded).
  long fields() const { return fields_; }

 private:
  enum class Op : uint8_t { integer, right, left, tab, slash, begin, end };
  struct Step {
    Op op;
    long v;     // width, count or column; repeat count of a group
    int match;  // begin <-> end of a group
  };
  std::vector<Step> steps_;
  int revert_ = 0;             // first step of the part read again after the last step
  bool revert_reads_ = false;  // that part holds an integer field
  long fields_ = 0;
  friend class FormatParser;
};

}  // namespace tolm::io
