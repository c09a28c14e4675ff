// The report kit: titles and the head row of the deme blocks.
#include "report/kit.h"

#include <algorithm>

#include "io/fixw.h"

namespace tolm::kit {

void title(io::Unit& o, char c, std::string_view text) {
  char line[kTitleRule];  // the rule above and below, without a string of its own
  std::fill(line, line + kTitleRule, c);
  const std::string_view rule(line, kTitleRule);
  o.nl();
  o.line(rule);
  o.line(text);
  o.line(rule);
}

void title(io::Unit& o, char c, const std::vector<std::string>& lines) {
  const std::string rule = io::rep(c, kTitleRule);
  o.nl();
  o.line(rule);
  for (const std::string& s : lines) o.line(s);
  o.line(rule);
}

void subtitle(io::Unit& o, std::string_view text, int width) {
  const std::string rule = io::rep('-', width);
  o.nl();
  o.line(rule);
  o.line(text);
  o.line(rule);
}

std::string deme_row(const Work& w, int first, int last, bool trailing) {
  auto num = [&](int i) { return io::fi(w.nprb(i), 5); };
  if (trailing) return row_after(io::rpad("Deme", 15), first, last, "     ", num);
  return row(io::rpad("Deme", 15), first, last, "     ", num);
}

}  // namespace tolm::kit
