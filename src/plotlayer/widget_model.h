// Inside the widget layer: the dialog under construction or last shown, and the interface of
// the backends that show it (FLTK windows, or a script of user actions for the tests).
//
// widgets[id - 1] is the widget with identifier id; a container lists its children in
// creation order. A backend never changes a value itself: it reports what the user did through
// user_text / user_check / user_choose, which update the dialog and call the widget's callback
// exactly when its value changed, as the window system would.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plotlayer/widget.h"

namespace tolm::wg {

enum class Kind { window, box, label, text, list, check, ok };
enum class Layout { vert, hori, form };
enum class Just { left, center, right };

struct Rgb {
  float r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct Widget {
  int id = 0;
  Kind kind = Kind::label;
  int parent = 0;  // 0 for the window
  int depth = 1;   // nesting level of a container; the window is 1
  Layout layout = Layout::vert;
  std::string text;                // label, check-box text, text-field content
  std::vector<std::string> items;  // list items
  int pos = 0;                     // selected list position, 1-based
  int state = 0;                   // check box: 1 ticked
  int width = 0;                   // characters
  float xspc = 0, yspc = 0;        // spacing before the widget, in character units
  Rgb fore;                        // colour of the text
  Just just = Just::center;        // labels and buttons
  bool frame = false;              // container drawn with a frame
  bool on_change = false;          // text field reports every change
  WidgetCallback cb;
  std::string reported;  // text field: content last reported to the callback
  std::vector<int> children;
};

struct Dialog {
  std::string title;
  std::string help;
  bool help_entry = false;
  Rgb back{1, 1, 1};
  Rgb ltext{1, 1, 1};
  int focus = 0;
  bool building = false;  // between wgini and the end of wgfin
  bool shown = false;     // wgfin is running
  std::vector<Widget> widgets;

  Widget* find(int id) {
    return id >= 1 && id <= static_cast<int>(widgets.size()) ? &widgets[id - 1] : nullptr;
  }
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual bool available() = 0;
  // Shows the dialog until OK; the user's changes come back through user_*.
  virtual void show(Dialog& d) = 0;
  virtual std::string select_file(const std::string& title, const std::string& name,
                                  const std::string& mask) = 0;
  virtual void message(const std::string& title, const std::string& text) = 0;
};

// What the user did to widget id; each returns false when id is not such a widget.
bool user_text(int id, const std::string& text);
bool user_check(int id, int state);
bool user_choose(int id, int pos);

// The dialog under construction, being shown, or last shown.
Dialog& dialog();
// Reports misuse of the layer (routine name and text) and keeps it for the tests.
void report(const std::string& routine, const std::string& text);
// Misuse messages reported since the last call.
std::vector<std::string> take_reports();

void set_backend(std::unique_ptr<Backend> b);
#ifdef TOLM_WITH_FLTK
std::unique_ptr<Backend> make_fltk_backend();
#endif

// Lines of a "|"-separated text.
std::vector<std::string> split_bar(const std::string& text);

}  // namespace tolm::wg
