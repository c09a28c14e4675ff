// Fuzz target: reading the configuration file (written to a temporary file, since the reader
// opens it by name), in console mode (with the options table and its question) and in widget
// mode. What must hold: no crash, no endless loop; and a file that was read without complaint
// gives the same answers again when they are written back and read once more.
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dialog/choose.h"
#include "dialog/config.h"
#include "core/runstate.h"

namespace {

using tolm::RunState;

std::string temp_name(const char* what) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/tolm-fuzz-" + std::to_string(getpid()) + what;
}

bool write_file(const std::string& name, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

// The answers the file stands for: those that the writer stores (the refinements of evenness
// and of subpopulation differentiation, the frequency distributions and the gametic-sex setting
// only where their analyses are chosen). Empty when an answer is a control character, which a
// text line cannot carry back unchanged at its end.
std::string stored_answers(const RunState& rs) {
  const tolm::Names& n = rs.names;
  std::string s = std::to_string(rs.param.loctyp) + "|";
  bool any = false;
  for (int i = 1; i <= 10; ++i) {
    s += n.aprog(i);
    if (i <= 7 && n.aprog(i) == 'y') any = true;
  }
  if (tolm::yes(n.aprog(4))) s += std::string("|") + n.evefin + n.eveinf;
  if (tolm::yes(n.aprog(6))) s += std::string("|") + n.spdfin + n.spdinf;
  if (any) {
    s += "|";
    for (int i = 1; i <= 4; ++i) s += n.frqstr(i);
    s += std::to_string(rs.param.notord);
  }
  for (char c : s)
    if (!std::isprint(static_cast<unsigned char>(c))) return std::string();
  return s;
}

void read_config(RunState& rs, const std::string& name, int widget) {
  rs.con().capture();
  rs.u(5).feed("n\n");
  rs.param.idowidget = widget;
  rs.names.config = name;
  try {
    tolm::redcfg(rs);
  } catch (const tolm::ProgramStop&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string name = temp_name(".cfg"), again = temp_name("-again.cfg");
  if (!write_file(name, data, size)) return 0;
  RunState console;
  read_config(console, name, 0);

  RunState rs;
  read_config(rs, name, 1);
  if (rs.param.io != 0) return 0;  // the file was refused as a whole
  const std::string first = stored_answers(rs);
  if (first.empty()) return 0;
  rs.names.config = again;
  tolm::makcfg(rs);
  RunState back;
  read_config(back, again, 1);
  if (back.param.io != 0 || stored_answers(back) != first) __builtin_trap();
  return 0;
}
