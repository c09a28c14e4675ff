#include "core/message.h"

#include "io/fixw.h"
#include "io/units.h"

namespace tolm {

void say(RunState& rs, const std::string& text) {
  if (!text.empty() && text[0] == ' ')
    rs.con().line(text);
  else
    rs.con().line(" " + text);
}

void say_both(RunState& rs, std::string_view text) {
  rs.con().line(text);
  if (rs.param.iunit != ch::console) rs.out().line(text);
}

void dots80(RunState& rs) {
  rs.con().line(std::string(80, '.'));
}

std::string cause(int code) {
  return "cause=" + std::to_string(code) + io::os_reason(code);
}

std::string cause_line(int code) {
  return "   cause =" + io::fi(code, 6) + io::os_reason(code);
}

void stop_msg(RunState& rs, const std::string& console, const std::string& box) {
  if (rs.param.idowidget == 1 && rs.msgbox) rs.msgbox(box);
  rs.con().nl();
  say(rs, console);
  stop(rs, 1);
}

}  // namespace tolm
