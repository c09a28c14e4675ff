// The widget routines: the dialog model, the checks of the layer and the hand-over to the
// backend that shows the dialog (FLTK windows, or the script of the tests).
#include "plotlayer/widget.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "io/fixw.h"
#include "plotlayer/widget_model.h"

namespace tolm {

namespace wg {

namespace {

constexpr int kMaxDepth = 8;
constexpr size_t kTitleLen = 132;
constexpr size_t kLabelLen = 80;
constexpr size_t kTextLen = 256;

// Without a window system: not available; a message box still reaches the user as text.
class NoWindows : public Backend {
 public:
  bool available() override { return false; }
  void show(Dialog&) override {}
  std::string select_file(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  void message(const std::string&, const std::string& text) override {
    for (const std::string& l : split_bar(text)) std::fprintf(stderr, "%s\n", l.c_str());
  }
};

// The settings that style routines leave for the widgets created after them.
struct Style {
  std::string title;
  std::string help;
  bool help_entry = false;
  bool frame = false;
  bool on_change = false;
  Just just_button = Just::center;
  Just just_label = Just::center;
  Rgb back{0.85f, 0.85f, 0.85f};
  Rgb fore{0, 0, 0};
  Rgb ltext{1, 1, 1};
  float xspc = 0, yspc = 0;
  int width = 0;  // 0: the widget's natural width
};

struct Layer {
  Style style;
  Dialog dlg;
  std::unique_ptr<Backend> backend;
  std::vector<std::string> reports;
};

Layer& layer() {
  static Layer l;
  return l;
}

Backend& backend() {
  Layer& l = layer();
  if (!l.backend) {
#ifdef TOLM_WITH_FLTK
    l.backend = make_fltk_backend();
#else
    l.backend = std::make_unique<NoWindows>();
#endif
  }
  return *l.backend;
}

std::string cut(const std::string& s, size_t n) {
  return s.substr(0, std::min(n, s.size()));
}

// The first four characters of a keyword, upper case.
std::string key(const std::string& s) {
  std::string k;
  for (size_t i = 0; i < s.size() && k.size() < 4; ++i)
    k += static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
  return k;
}

float unit(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}

// Creating routines and their settings belong to a dialog under construction, not yet shown.
bool building(const char* routine) {
  if (layer().dlg.building && !layer().dlg.shown) return true;
  report(routine, "Routine must be used between wgini and wgfin");
  return false;
}

// The parent of a new widget: a container of the dialog under construction.
Widget* container(const char* routine, int parent) {
  Widget* p = layer().dlg.find(parent);
  if (!p || (p->kind != Kind::window && p->kind != Kind::box)) {
    report(routine, "Not allowed ID");
    return nullptr;
  }
  return p;
}

// The parent of a widget about to be created, or null when the call is refused.
Widget* creating(const char* routine, int parent) {
  return building(routine) ? container(routine, parent) : nullptr;
}

int add(Widget w, Widget& parent) {
  Dialog& d = layer().dlg;
  const Style& s = layer().style;
  w.id = static_cast<int>(d.widgets.size()) + 1;
  w.parent = parent.id;
  w.fore = s.fore;
  w.width = s.width;
  w.xspc = s.xspc;
  w.yspc = s.yspc;
  w.frame = s.frame;
  parent.children.push_back(w.id);  // parent stays valid: the push below may move it
  d.widgets.push_back(std::move(w));
  return d.widgets.back().id;
}

Widget* query(const char* routine, int id, Kind kind) {
  Widget* w = layer().dlg.find(id);
  if (!w || w->kind != kind) {
    report(routine, "Not allowed ID");
    return nullptr;
  }
  return w;
}

void fire(Widget& w) {
  if (!w.cb) return;
  WidgetCallback cb = w.cb;  // the callback may query the dialog, which keeps its widgets
  cb(w.id);
}

}  // namespace

Dialog& dialog() {
  return layer().dlg;
}

void report(const std::string& routine, const std::string& text) {
  std::string m = " ** " + text + " (" + routine + ") **";
  layer().reports.push_back(m);
  std::fprintf(stderr, "%s\n", m.c_str());
}

std::vector<std::string> take_reports() {
  std::vector<std::string> r;
  r.swap(layer().reports);
  return r;
}

void set_backend(std::unique_ptr<Backend> b) {
  layer().backend = std::move(b);
}

std::vector<std::string> split_bar(const std::string& text) {
  std::vector<std::string> lines;
  size_t b = 0;
  for (;;) {
    size_t e = text.find('|', b);
    lines.push_back(text.substr(b, e == std::string::npos ? std::string::npos : e - b));
    if (e == std::string::npos) break;
    b = e + 1;
  }
  return lines;
}

bool user_text(int id, const std::string& text) {
  Widget* w = dialog().find(id);
  if (!w || w->kind != Kind::text) return false;
  w->text = cut(text, kTextLen);
  if (w->text != w->reported) {
    w->reported = w->text;
    fire(*w);
  }
  return true;
}

bool user_check(int id, int state) {
  Widget* w = dialog().find(id);
  if (!w || w->kind != Kind::check) return false;
  state = state ? 1 : 0;
  if (w->state != state) {
    w->state = state;
    fire(*w);
  }
  return true;
}

bool user_choose(int id, int pos) {
  Widget* w = dialog().find(id);
  if (!w || w->kind != Kind::list || pos < 1 || pos > static_cast<int>(w->items.size()))
    return false;
  if (w->pos != pos) {
    w->pos = pos;
    fire(*w);
  }
  return true;
}

}  // namespace wg

using namespace wg;

bool widgets_available() {
  return backend().available();
}

std::string dwgfil(const std::string& title, const std::string& name, const std::string& filter) {
  return backend().select_file(io::trim(cut(title, kLabelLen)), io::trim(cut(name, kTextLen)),
                               io::trim(cut(filter, kLabelLen)));
}

void dwgmsg(const std::string& text) {
  std::string title = layer().style.title.empty() ? "TOLM" : layer().style.title;
  layer().style.title.clear();
  backend().message(title, text);
}

void swgtit(const std::string& title) {
  layer().style.title = cut(title, kTitleLen);
}

void swghlp(const std::string& text) {
  layer().style.help = text;
}

void swgpop(const std::string& opt) {
  std::string k = key(opt);
  if (k == "HELP")
    layer().style.help_entry = true;
  else if (k == "NOHE")
    layer().style.help_entry = false;
  else
    report("swgpop", "Not allowed keyword " + io::trim(opt));
}

void swgopt(const std::string& value, const std::string& option) {
  Style& s = layer().style;
  std::string o = key(option), v = key(value);
  if (o == "FRAM" && (v == "ON" || v == "OFF"))
    s.frame = v == "ON";
  else if (o == "VERI" && (v == "NONE" || v == "FULL"))
    ;  // typed input is never checked by the layer: the dialogs check what they read back
  else if (o == "CALL" && (v == "CHAN" || v == "ENTE"))
    s.on_change = v == "CHAN";
  else
    report("swgopt", "Not allowed keyword " + io::trim(value) + ", " + io::trim(option));
}

void swgjus(const std::string& just, const std::string& target) {
  std::string j = key(just), t = key(target);
  Just v = j == "LEFT" ? Just::left : j == "RIGH" ? Just::right : Just::center;
  if ((j != "LEFT" && j != "RIGH" && j != "CENT") || (t != "BUTT" && t != "LABE")) {
    report("swgjus", "Not allowed keyword " + io::trim(just) + ", " + io::trim(target));
    return;
  }
  (t == "BUTT" ? layer().style.just_button : layer().style.just_label) = v;
}

void swgclr(float r, float g, float b, const std::string& target) {
  Style& s = layer().style;
  Rgb c{unit(r), unit(g), unit(b)};
  std::string t = key(target);
  if (t == "BACK")
    s.back = c;
  else if (t == "FORE")
    s.fore = c;
  else if (t == "LTEX")
    s.ltext = c;
  else
    report("swgclr", "Not allowed keyword " + io::trim(target));
}

void swgspc(float xspc, float yspc) {
  if (xspc < 0 || yspc < 0) {
    report("swgspc", "Non positive paramter");
    return;
  }
  layer().style.xspc = xspc;
  layer().style.yspc = yspc;
}

void swgwth(int nwth) {
  if (nwth <= 0) {
    report("swgwth", "Non positive paramter");
    return;
  }
  layer().style.width = nwth;
}

int wgini(const std::string& layout) {
  Layer& l = layer();
  if (l.dlg.building) {
    report("wgini", "A dialog is already open");
    return 0;
  }
  std::string k = key(layout);
  if (k != "VERT" && k != "HORI" && k != "FORM") report("wgini", "Not allowed keyword " + layout);
  l.dlg = Dialog();
  l.dlg.title = l.style.title.empty() ? "TOLM" : l.style.title;
  l.dlg.help = l.style.help;
  l.dlg.help_entry = l.style.help_entry;
  l.dlg.back = l.style.back;
  l.dlg.ltext = l.style.ltext;
  l.dlg.building = true;
  Widget w;
  w.id = 1;
  w.kind = Kind::window;
  w.layout = k == "HORI" ? Layout::hori : k == "FORM" ? Layout::form : Layout::vert;
  w.fore = l.style.fore;
  w.width = l.style.width;
  w.frame = l.style.frame;
  l.dlg.widgets.push_back(w);
  return 1;
}

int wgbas(int parent, const std::string& layout) {
  Widget* p = creating("wgbas", parent);
  if (!p) return 0;
  if (p->depth + 1 > kMaxDepth) {
    report("wgbas", "Too many nested widgets");
    return 0;
  }
  std::string k = key(layout);
  if (k != "VERT" && k != "HORI" && k != "FORM") {
    report("wgbas", "Not allowed keyword " + layout);
    k = "VERT";
  }
  Widget w;
  w.kind = Kind::box;
  w.depth = p->depth + 1;
  w.layout = k == "HORI" ? Layout::hori : k == "FORM" ? Layout::form : Layout::vert;
  return add(std::move(w), *p);
}

int wglab(int parent, const std::string& text) {
  Widget* p = creating("wglab", parent);
  if (!p) return 0;
  Widget w;
  w.kind = Kind::label;
  w.text = io::trim(cut(text, kLabelLen));
  w.just = layer().style.just_label;
  return add(std::move(w), *p);
}

int wgtxt(int parent, const std::string& text) {
  Widget* p = creating("wgtxt", parent);
  if (!p) return 0;
  Widget w;
  w.kind = Kind::text;
  w.text = io::trim(cut(text, kTextLen));
  w.reported = w.text;
  w.on_change = layer().style.on_change;
  return add(std::move(w), *p);
}

int wglis(int parent, const std::string& items, int isel) {
  Widget* p = creating("wglis", parent);
  if (!p) return 0;
  Widget w;
  w.kind = Kind::list;
  for (const std::string& it : split_bar(items)) w.items.push_back(io::trim(it));
  int n = static_cast<int>(w.items.size());
  if (isel < 1) {
    report("wglis", "Non positive paramter");
    isel = 1;
  } else if (isel > n) {
    report("wglis", "List position out of range");
    isel = n;
  }
  w.pos = isel;
  return add(std::move(w), *p);
}

int wgbut(int parent, const std::string& text, int ival) {
  Widget* p = creating("wgbut", parent);
  if (!p) return 0;
  Widget w;
  w.kind = Kind::check;
  w.text = io::trim(cut(text, kLabelLen));
  w.state = ival ? 1 : 0;
  w.just = layer().style.just_button;
  return add(std::move(w), *p);
}

int wgok(int parent) {
  Widget* p = creating("wgok", parent);
  if (!p) return 0;
  Widget w;
  w.kind = Kind::ok;
  w.text = "OK";
  w.just = layer().style.just_button;
  return add(std::move(w), *p);
}

void swgcbk(int id, WidgetCallback cb) {
  if (!building("swgcbk")) return;
  Widget* w = dialog().find(id);
  if (!w || w->kind == Kind::window || w->kind == Kind::box || !cb) {
    report("swgcbk", "Not allowed ID");
    return;
  }
  w->cb = std::move(cb);
}

void swgfoc(int id) {
  if (!building("swgfoc")) return;
  if (!dialog().find(id) || id == 1) {
    report("swgfoc", "Not allowed ID");
    return;
  }
  dialog().focus = id;
}

void wgfin() {
  Layer& l = layer();
  if (!l.dlg.building || l.dlg.shown) {
    report("wgfin", "Routine must be used between wgini and wgfin");
    return;
  }
  l.dlg.shown = true;
  backend().show(l.dlg);
  // Completed input that the window did not report yet (OK pressed while typing) counts.
  for (Widget& w : l.dlg.widgets)
    if (w.kind == Kind::text && w.text != w.reported) {
      w.reported = w.text;
      fire(w);
    }
  l.dlg.shown = false;
  l.dlg.building = false;
  l.style.title.clear();
  l.style.help.clear();
  l.style.help_entry = false;
}

int gwglis(int id) {
  Widget* w = query("gwglis", id, Kind::list);
  return w ? w->pos : 0;
}

int gwgbut(int id) {
  Widget* w = query("gwgbut", id, Kind::check);
  return w ? w->state : 0;
}

std::string gwgtxt(int id) {
  Widget* w = query("gwgtxt", id, Kind::text);
  return w ? io::trim(w->text) : std::string();
}

}  // namespace tolm
