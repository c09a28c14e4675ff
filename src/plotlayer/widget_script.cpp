// The scripted backend: the user's actions come from a queue filled by the tests.
#include "plotlayer/widget_script.h"

#include <deque>
#include <stdexcept>

namespace tolm::wg {

namespace {

struct Action {
  enum Kind { type, tick, untick, choose, ok, file, confirm } kind;
  int id = 0;
  std::string text;
  int pos = 0;
  std::string name;  // check-box text standing for the identifier
};

class Script : public Backend {
 public:
  std::deque<Action> queue;
  std::vector<Shown> log;
  int idle = 0;

  bool available() override { return true; }

  void show(Dialog& d) override {
    log.push_back({"dialog", d.title, ""});
    // A dialog that keeps coming back with nothing left to answer it would never end.
    if (queue.empty() && ++idle > 50) throw std::runtime_error("scripted dialogs: no actions left");
    if (!queue.empty()) idle = 0;
    while (!queue.empty()) {
      Action a = queue.front();
      queue.pop_front();
      if (a.kind == Action::ok) return;
      if (!apply(d, a)) report("script", "Not allowed ID " + std::to_string(a.id));
    }
  }

  std::string select_file(const std::string& title, const std::string& name,
                          const std::string&) override {
    log.push_back({"file", title, name});
    if (queue.empty() || queue.front().kind != Action::file) return {};
    std::string path = queue.front().text;
    queue.pop_front();
    return path;
  }

  void message(const std::string& title, const std::string& text) override {
    log.push_back({"message", title, text});
    if (!queue.empty() && queue.front().kind == Action::confirm) queue.pop_front();
  }

 private:
  // Keystrokes of a field that reports every change: the old content is cleared, then the new
  // text grows character by character.
  static bool type_keys(Dialog& d, int id, const std::string& text) {
    Widget* w = d.find(id);
    if (!w || w->kind != Kind::text) return false;
    if (!w->on_change) return user_text(id, text);
    if (!w->text.empty()) user_text(id, "");
    for (size_t n = 1; n <= text.size(); ++n) user_text(id, text.substr(0, n));
    return true;
  }

  static bool apply(Dialog& d, Action a) {
    if (!a.name.empty())
      for (const Widget& w : d.widgets)
        if (w.kind == Kind::check && w.text == a.name) a.id = w.id;
    switch (a.kind) {
      case Action::type:
        return type_keys(d, a.id, a.text);
      case Action::tick:
        return user_check(a.id, 1);
      case Action::untick:
        return user_check(a.id, 0);
      case Action::choose:
        return user_choose(a.id, a.pos);
      default:
        return false;  // a file choice or confirmation where a dialog waits for its OK
    }
  }
};

Script* script = nullptr;

Script& current() {
  if (!script) use_script();
  return *script;
}

void push(Action a) {
  current().queue.push_back(std::move(a));
}

}  // namespace

void use_script() {
  auto s = std::make_unique<Script>();
  script = s.get();
  set_backend(std::move(s));
}

void use_default() {
  script = nullptr;
  set_backend(nullptr);
}

void script_type(int id, const std::string& text) {
  push({Action::type, id, text, 0, ""});
}
void script_tick(int id) {
  push({Action::tick, id, "", 0, ""});
}
void script_untick(int id) {
  push({Action::untick, id, "", 0, ""});
}
void script_tick(const std::string& text) {
  push({Action::tick, 0, "", 0, text});
}
void script_untick(const std::string& text) {
  push({Action::untick, 0, "", 0, text});
}
void script_choose(int id, int pos) {
  push({Action::choose, id, "", pos, ""});
}
void script_ok() {
  push({Action::ok, 0, "", 0, ""});
}
void script_file(const std::string& path) {
  push({Action::file, 0, path, 0, ""});
}
void script_confirm() {
  push({Action::confirm, 0, "", 0, ""});
}
size_t script_pending() {
  return current().queue.size();
}
const std::vector<Shown>& script_log() {
  return current().log;
}

}  // namespace tolm::wg
