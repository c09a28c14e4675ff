// Console dialogue: the yes test, the questions of analyses 1 to 7, the gametic-sex question,
// the normalisation of the frequency-distribution answers and the closing of the scratch files.
//
// Also the small services every console question of the program uses: writing a question or
// message line (one blank column, then the text, unless the text already begins with a blank),
// reading a one-character answer and reading numbers in free format. Answers come from unit 5;
// at the end of input the run stops with a message (it never asks again without end).
#pragma once

#include <string>

#include "core/message.h"
#include "core/runstate.h"

namespace tolm {

bool yes(const std::string& wasnun);
inline bool yes(char c) {
  return c == 'Y' || c == 'y' || c == 'J' || c == 'j' || c == '1';
}
void choose(RunState& rs);
void gamsex(RunState& rs);
void frqdst(RunState& rs, int& nfrqst);
void clsfil(RunState& rs);
// As clsfil, ending the run with `status` (1 after a failure of the run, 0 otherwise).
void clsfil(RunState& rs, int status);

// A question the answer of which follows on the same line (no line end).
void prompt(RunState& rs, const std::string& text);
// Writes the question and reads the first character of the answer line, asking again while the
// line cannot be read.
char ask_char(RunState& rs, const std::string& question);
// Reads n integers in free format from the next answer line (a list may go on over further
// lines). False when the answer is not a list of numbers.
bool read_numbers(RunState& rs, int* out, int n);
// A question the answer of which follows on the same line (no line end).
void prompt(RunState& rs, const std::string& text);
// Writes the question and reads one number, asking again while the answer is not a number.
int ask_number(RunState& rs, const std::string& question);

// "** Answer not recognizable. Try again ... **"
void not_recognizable(RunState& rs);

}  // namespace tolm
