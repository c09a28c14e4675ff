// Messages of the run: the one writer of question and message lines, of the messages that go
// to the console and the results file alike, and of the stops after a message.
//
// Reads `param.iunit` (where the results go) and `param.idowidget` (message boxes in widget
// mode); writes the console (channel 6) and the results (channel 8 when it is a file). A console
// line begins with one blank column unless its text already begins with a blank. Messages are
// framed by "** " and " **" by their callers, which know where a frame ends; the status code of
// a failed file operation follows "cause=" (in a sentence) or "   cause =" (a line of its own),
// written by cause() and cause_line().
#pragma once

#include <string>
#include <string_view>

#include "core/runstate.h"

namespace tolm {

// A question or message line on the console.
void say(RunState& rs, const std::string& text);
// A line on the console and, when the results go to a file, the same line in the results.
void say_both(RunState& rs, std::string_view text);
// "cause=" with the status code and the system's reason: "cause=2 (No such file or directory)".
std::string cause(int code);
// The line "   cause =" with the status code in 6 columns and the system's reason.
std::string cause_line(int code);
// A separator line of 80 dots.
void dots80(RunState& rs);
// Shows `box` as a message box in widget mode ("|" separates its lines), writes an empty line
// and `console` on the console, and stops the run with status 1.
[[noreturn]] void stop_msg(RunState& rs, const std::string& console, const std::string& box);

}  // namespace tolm
