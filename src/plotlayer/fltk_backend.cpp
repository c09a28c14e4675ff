// The dialogs as FLTK windows. This is the only file that knows FLTK (and, to see whether a
// display can be reached before FLTK would end the program for want of one, Xlib).
//
// A dialog is laid out once from its widget tree: containers stack their children vertically or
// side by side, widths are in characters of the dialog font, spacing in character units. Every
// change the user makes goes back to the layer through user_text / user_check / user_choose.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "plotlayer/widget_model.h"

namespace tolm::wg {

namespace {

constexpr Fl_Font kFont = FL_HELVETICA;
constexpr Fl_Fontsize kSize = 14;
constexpr int kRowH = 24;    // height of a label, text field, check box or button
constexpr int kGap = 3;      // between neighbours, before any spacing of their own
constexpr int kPad = 5;      // inside a framed container
constexpr int kMargin = 10;  // inside the window
constexpr int kListRows = 6;

Fl_Color fl(const Rgb& c) {
  auto v = [](float x) { return static_cast<uchar>(std::lround(x * 255.0f)); };
  return fl_rgb_color(v(c.r), v(c.g), v(c.b));
}

// "@" starts a symbol in FLTK labels; ours are plain text.
std::string plain(const std::string& s) {
  std::string r;
  for (char c : s) {
    r += c;
    if (c == '@') r += '@';
  }
  return r;
}

struct Metrics {
  int cw = 7;   // average character width
  int ch = 16;  // character height
};

Metrics metrics() {
  fl_font(kFont, kSize);
  Metrics m;
  m.cw = std::max(1, static_cast<int>(std::lround(fl_width("abcdefghijklmnopqrstuvwxyz") / 26)));
  m.ch = fl_height();
  return m;
}

int text_w(const std::string& s) {
  fl_font(kFont, kSize);
  return static_cast<int>(std::ceil(fl_width(s.c_str())));
}

struct Size {
  int w = 0, h = 0;
};

// The window of a dialog, with the help entry in its pop-up menu (right mouse button).
class DialogWindow : public Fl_Double_Window {
 public:
  DialogWindow(int w, int h, const char* t) : Fl_Double_Window(w, h, t) {}
  const Dialog* dlg = nullptr;
  bool done = false;
  int handle(int e) override;
};

void text_window(const std::string& title, const std::vector<std::string>& lines, bool mono);

int DialogWindow::handle(int e) {
  if (e == FL_PUSH && Fl::event_button() == FL_RIGHT_MOUSE && dlg && dlg->help_entry) {
    Fl_Menu_Item menu[] = {{"Help", 0, nullptr, nullptr, 0, 0, 0, 0, 0},
                           {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0}};
    const Fl_Menu_Item* m = menu->popup(Fl::event_x(), Fl::event_y());
    if (m) text_window(dlg->title + " - Help", split_bar(dlg->help), true);
    return 1;
  }
  return Fl_Double_Window::handle(e);
}

// Builds the FLTK widgets of one dialog and carries the user's changes back to the layer.
class Builder {
 public:
  Builder(Dialog& d) : d_(d), m_(metrics()) {
    // Labels given the same width form a column: they all take the widest one's room, so the
    // widgets after them line up even where a text is wider than its characters' average.
    for (const Widget& w : d_.widgets)
      if (w.kind == Kind::label && w.width > 0) {
        int& c = column_[w.width];
        c = std::max({c, w.width * m_.cw, text_w(w.text) + 8});
      }
  }

  Size measure(const Widget& w) {
    Size s;
    int want = w.width > 0 ? w.width * m_.cw : 0;
    switch (w.kind) {
      case Kind::label:
        s = {w.width > 0 ? column_[w.width] : text_w(w.text) + 8, kRowH};
        break;
      case Kind::text:
        s = {want > 0 ? want : 20 * m_.cw, kRowH};
        break;
      case Kind::list: {
        int iw = 0;
        for (const std::string& it : w.items) iw = std::max(iw, text_w(it));
        int rows = std::clamp(static_cast<int>(w.items.size()), 1, kListRows);
        s = {std::max(want, iw + 30), rows * (m_.ch + 2) + 6};
        break;
      }
      case Kind::check:
        s = {std::max(want, text_w(w.text) + 30), kRowH};
        break;
      case Kind::ok:
        s = {want > 0 ? want : 80, kRowH + 4};
        break;
      case Kind::window:
      case Kind::box: {
        bool hori = w.layout == Layout::hori;
        for (size_t i = 0; i < w.children.size(); ++i) {
          const Widget& c = d_.widgets[w.children[i] - 1];
          Size cs = measure(c);
          int before = i == 0 ? 0 : kGap;
          if (hori) {
            s.w += before + spc_x(c) + cs.w;
            s.h = std::max(s.h, cs.h);
          } else {
            s.h += before + spc_y(c) + cs.h;
            s.w = std::max(s.w, spc_x(c) + cs.w);
          }
        }
        int pad = w.kind == Kind::window ? kMargin : (w.frame ? kPad : 0);
        s.w += 2 * pad;
        s.h += 2 * pad;
        break;
      }
    }
    sizes_[w.id] = s;
    return s;
  }

  DialogWindow* build() {
    Widget& top = d_.widgets[0];
    Size s = measure(top);
    auto* win = new DialogWindow(s.w, s.h, nullptr);
    win->copy_label(d_.title.c_str());
    win->dlg = &d_;
    win->color(fl(d_.back));
    win->callback([](Fl_Widget* wdg, void*) {
      // Closing the window keeps the values shown, as OK does.
      static_cast<DialogWindow*>(wdg)->done = true;
    });
    place(top, 0, 0, s.w);
    win->end();
    win->set_modal();
    return win;
  }

  void focus() {
    auto it = fl_.find(d_.focus);
    if (it != fl_.end()) it->second->take_focus();
  }

  // The content of every text field as the user left it.
  void read_back() {
    for (auto& [id, f] : fl_)
      if (d_.widgets[id - 1].kind == Kind::text) user_text(id, static_cast<Fl_Input*>(f)->value());
  }

 private:
  int spc_x(const Widget& w) const { return static_cast<int>(std::lround(w.xspc * m_.cw)); }
  int spc_y(const Widget& w) const { return static_cast<int>(std::lround(w.yspc * m_.ch)); }

  static void on_text(Fl_Widget* f, void* id) {
    user_text(static_cast<int>(reinterpret_cast<intptr_t>(id)), static_cast<Fl_Input*>(f)->value());
  }
  static void on_check(Fl_Widget* f, void* id) {
    user_check(static_cast<int>(reinterpret_cast<intptr_t>(id)),
               static_cast<Fl_Check_Button*>(f)->value());
  }
  static void on_list(Fl_Widget* f, void* id) {
    int i = static_cast<int>(reinterpret_cast<intptr_t>(id));
    auto* b = static_cast<Fl_Hold_Browser*>(f);
    if (b->value() == 0) {  // a click beside the items keeps the choice
      b->value(gwglis(i));
      return;
    }
    user_choose(i, b->value());
  }
  static void on_ok(Fl_Widget* f, void*) { static_cast<DialogWindow*>(f->window())->done = true; }

  // Places w with its upper left corner at (x, y); `avail` is the width its parent offers.
  void place(const Widget& w, int x, int y, int avail) {
    Size s = sizes_[w.id];
    void* ud = reinterpret_cast<void*>(static_cast<intptr_t>(w.id));
    Fl_Widget* f = nullptr;
    switch (w.kind) {
      case Kind::label: {
        auto* b = new Fl_Box(x, y, s.w, s.h);
        b->copy_label(plain(w.text).c_str());
        b->align(FL_ALIGN_INSIDE | FL_ALIGN_CLIP |
                 (w.just == Just::left    ? FL_ALIGN_LEFT
                  : w.just == Just::right ? FL_ALIGN_RIGHT
                                          : FL_ALIGN_CENTER));
        b->labelcolor(fl(w.fore));
        f = b;
        break;
      }
      case Kind::text: {
        auto* in = new Fl_Input(x, y, s.w, s.h);
        in->value(w.text.c_str());
        in->color(fl(d_.ltext));
        in->textcolor(fl(w.fore));
        in->textfont(kFont);
        in->textsize(kSize);
        in->when(w.on_change ? FL_WHEN_CHANGED : FL_WHEN_RELEASE);
        in->callback(on_text, ud);
        f = in;
        break;
      }
      case Kind::list: {
        auto* b = new Fl_Hold_Browser(x, y, s.w, s.h);
        for (const std::string& it : w.items) b->add(plain(it).c_str());
        b->value(w.pos);
        b->color(fl(d_.ltext));
        b->textcolor(fl(w.fore));
        b->textsize(kSize);
        b->when(FL_WHEN_CHANGED);
        b->callback(on_list, ud);
        f = b;
        break;
      }
      case Kind::check: {
        auto* c = new Fl_Check_Button(x, y, s.w, s.h);
        c->copy_label(plain(w.text).c_str());
        c->value(w.state);
        c->labelcolor(fl(w.fore));
        c->labelsize(kSize);
        c->when(FL_WHEN_CHANGED);
        c->callback(on_check, ud);
        f = c;
        break;
      }
      case Kind::ok: {
        int bw = std::min(s.w, avail);
        int bx = w.just == Just::left ? x : x + (avail - bw) / 2;
        auto* b = new Fl_Return_Button(bx, y, bw, s.h, "OK");
        b->callback(on_ok);
        f = b;
        break;
      }
      case Kind::window:
      case Kind::box: {
        int pad = w.kind == Kind::window ? kMargin : (w.frame ? kPad : 0);
        if (w.kind == Kind::box && w.frame) {
          auto* fr = new Fl_Box(FL_ENGRAVED_FRAME, x, y, avail, s.h, nullptr);
          (void)fr;
        }
        int cx = x + pad, cy = y + pad;
        int inner = (w.kind == Kind::window ? s.w : avail) - 2 * pad;
        for (size_t i = 0; i < w.children.size(); ++i) {
          const Widget& c = d_.widgets[w.children[i] - 1];
          Size cs = sizes_[c.id];
          int before = i == 0 ? 0 : kGap;
          if (w.layout == Layout::hori) {
            cx += before + spc_x(c);
            place(c, cx, cy, cs.w);
            cx += cs.w;
          } else {
            cy += before + spc_y(c);
            place(c, cx + spc_x(c), cy, inner - spc_x(c));
            cy += cs.h;
          }
        }
        return;
      }
    }
    if (f) {
      f->labelfont(kFont);
      fl_[w.id] = f;
    }
  }

  Dialog& d_;
  Metrics m_;
  std::map<int, Size> sizes_;
  std::map<int, int> column_;  // label width in characters -> pixels
  std::map<int, Fl_Widget*> fl_;
};

// A modal window showing lines of text with an OK button; returns when it is confirmed.
void text_window(const std::string& title, const std::vector<std::string>& lines, bool mono) {
  Fl_Font font = mono ? FL_COURIER : kFont;
  fl_font(font, kSize);
  int w = 200, h = 0;
  std::string label;
  for (size_t i = 0; i < lines.size(); ++i) {
    w = std::max(w, static_cast<int>(fl_width(lines[i].c_str())) + 2 * kMargin + 10);
    label += (i ? "\n" : "") + plain(lines[i]);
    h += fl_height();
  }
  Fl_Double_Window win(w, h + 3 * kMargin + kRowH + 4);
  win.copy_label(title.c_str());
  Fl_Box box(kMargin, kMargin, w - 2 * kMargin, h);
  box.copy_label(label.c_str());
  box.labelfont(font);
  box.labelsize(kSize);
  box.align(FL_ALIGN_INSIDE | FL_ALIGN_TOP | (mono ? FL_ALIGN_LEFT : FL_ALIGN_CENTER));
  Fl_Return_Button ok((w - 80) / 2, h + 2 * kMargin, 80, kRowH + 4, "OK");
  bool done = false;
  ok.callback([](Fl_Widget*, void* p) { *static_cast<bool*>(p) = true; }, &done);
  win.callback([](Fl_Widget*, void* p) { *static_cast<bool*>(p) = true; }, &done);
  win.end();
  win.set_modal();
  win.show();
  ok.take_focus();
  while (!done && win.shown()) Fl::wait();
  win.hide();
  Fl::flush();
}

class FltkBackend : public Backend {
 public:
  bool available() override {
    if (checked_) return ok_;
    checked_ = true;
    if (Display* x = XOpenDisplay(nullptr)) {
      XCloseDisplay(x);
      ok_ = true;
    }
    return ok_;
  }

  void show(Dialog& d) override {
    if (!available()) return;
    Builder b(d);
    DialogWindow* win = b.build();
    win->show();
    b.focus();
    while (!win->done && win->shown()) Fl::wait();
    b.read_back();
    win->hide();
    Fl::flush();
    delete win;
  }

  std::string select_file(const std::string& title, const std::string& name,
                          const std::string& mask) override {
    if (!available()) return {};
    Fl_File_Chooser fc(name.empty() ? "." : name.c_str(), mask.empty() ? "*" : mask.c_str(),
                       Fl_File_Chooser::SINGLE, title.c_str());
    fc.show();
    while (fc.shown()) Fl::wait();
    const char* v = fc.value();
    return v ? std::string(v) : std::string();
  }

  void message(const std::string& title, const std::string& text) override {
    if (!available()) {
      for (const std::string& l : split_bar(text)) std::fprintf(stderr, "%s\n", l.c_str());
      return;
    }
    text_window(title, split_bar(text), false);
  }

 private:
  bool checked_ = false;
  bool ok_ = false;
};

}  // namespace

std::unique_ptr<Backend> make_fltk_backend() {
  return std::make_unique<FltkBackend>();
}

}  // namespace tolm::wg
