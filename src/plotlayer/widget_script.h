// The scripted widget backend: dialogs answered from a queue of user actions instead of a
// window, for the tests.
//
// use_script() installs a fresh backend with an empty queue; widgets_available() is then true.
// Each wgfin applies the queued actions in order up to and including the next "press OK"
// (an empty queue closes the dialog as OK would), calling the callbacks as a window would: a
// check box or list only when its value changes; a text field once with the completed text, or,
// after ("CHANGE", "CALLBACK"), once per keystroke. A file dialog takes the next action when it
// is a file choice (otherwise it counts as cancelled); a message box takes the next action when
// it is a confirmation. Every window shown is recorded in the log.
#pragma once

#include <string>
#include <vector>

#include "plotlayer/widget_model.h"

namespace tolm::wg {

void use_script();
// Back to the FLTK windows (or none) after a test.
void use_default();

void script_type(int id, const std::string& text);  // replaces the content of a text field
void script_tick(int id);
void script_untick(int id);
// The same for the check box showing that text, found when the action is taken.
void script_tick(const std::string& text);
void script_untick(const std::string& text);
void script_choose(int id, int pos);
void script_ok();
void script_file(const std::string& path);  // "" cancels the file dialog
void script_confirm();
// Actions not yet taken.
size_t script_pending();

struct Shown {
  std::string kind;  // "dialog", "message", "file"
  std::string title;
  std::string text;  // message text, or the file dialog's preset name
};
const std::vector<Shown>& script_log();

}  // namespace tolm::wg
