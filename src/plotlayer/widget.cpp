// Placeholder until the widget layer is built: no windows, the console is used.
#include "plotlayer/widget.h"

#include <cstdio>

namespace tolm {

bool widgets_available() { return false; }
std::string dwgfil(const std::string&, const std::string&, const std::string&) { return {}; }
void dwgmsg(const std::string& text) { std::printf("%s\n", text.c_str()); }
void swgtit(const std::string&) {}

}  // namespace tolm
