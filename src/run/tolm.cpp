// Start-up: the heading and date stamp, the command line, the run mode, the input file and its
// first record; then the main driver takes over.
#include "run/tolm.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <stdexcept>

#include "counts/countrun.h"
#include "dialog/choose.h"
#include "graphics/wdmenu.h"
#include "input/formats/formats.h"
#include "io/fixw.h"
#include "io/freefmt.h"
#include "plotlayer/widget.h"
#include "run/choices.h"

namespace tolm {

using io::fi;
using io::trim;

namespace {

bool blank5(const std::string& s) {
  for (size_t i = 0; i < 5 && i < s.size(); ++i)
    if (s[i] != ' ') return false;
  return true;
}

// Reads the number behind an option such as "-col=" in free format.
bool option_value(const std::string& arg, size_t skip, int& v) {
  std::string rest = arg.substr(skip);
  return io::parse_ints(rest, nullptr, &v, 1) == io::Rd::ok;
}

[[noreturn]] void startup(RunState& rs, int argc, char** argv);

// True when the file named where a batch file is expected is an input file: it reads as a TOLM
// input header, or as a file of another format whose first line does not name a file (as the
// first answer of a batch file does).
bool input_not_batch(const std::string& name) {
  if (looks_like_tolm(name)) return true;
  std::string why;
  if (detect_format(name, why) == Format::unknown) return false;
  std::FILE* f = std::fopen(name.c_str(), "r");
  if (!f) return false;
  char buf[300] = {};
  const bool got = std::fgets(buf, sizeof buf, f) != nullptr;
  std::fclose(f);
  std::string first =
      got ? io::ltrim(trim(std::string(buf).substr(0, std::strcspn(buf, "\r\n")))) : "";
  return first.empty() || !io::file_exists(first);
}

}  // namespace

std::string time_and_date() {
  static const char* mon[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  std::string s = fmt::format("Date {:02d}-{}-{:04d} {:02d}:{:02d}:{:02d}", tm.tm_mday,
                              mon[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return io::rpad(s, 30);
}

void split_name(const std::string& file, std::string& path, std::string& prefix) {
  std::string infil = trim(file);
  size_t n = infil.size();
  if (n > 0 && (infil[n - 1] == '/' || infil[n - 1] == '\\')) --n;
  size_t s = 0;  // position (1-based) of the last separator, 0 when none
  for (size_t i = n; i >= 1; --i) {
    char& c = infil[i - 1];
    if (c == '/' || c == '\\') {
      s = i;
      break;
    }
    if (c == ' ') c = '_';
  }
  prefix = io::ltrim(infil.substr(s, n - s));
  path = io::ltrim(infil.substr(0, s));
}

namespace {
int no_memory(RunState& rs) {
  rs.con().line(" ** Not enough memory for the tables of this input file. Execution terminated **");
  return 1;
}
}  // namespace

int tolm_run(RunState& rs, int argc, char** argv) {
  rs.msgbox = dwgmsg;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      usage(stdout);
      return 0;
    }
    if (a == "--manpage") {  // the build writes the manual page with it
      manpage(stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("TOLM 3.0 (January 2015)\n");
      return 0;
    }
  }
  rs.con().attach_out(stdout);
  rs.u(ch::keyboard).attach_in(stdin);
  rs.u(ch::keyboard).tie(&rs.con(), !isatty(fileno(stdin)));
  int status = 0;
  try {
    startup(rs, argc, argv);
  } catch (const ProgramStop& s) {
    status = s.status;
  } catch (const std::bad_alloc&) {
    status = no_memory(rs);
  } catch (const std::length_error&) {
    status = no_memory(rs);
  }
  rs.units.flush_all();
  std::fflush(stdout);
  if (!rs.input_copy.empty()) std::remove(rs.input_copy.c_str());
  return status;
}

namespace {

// Steps 2 to 9 of a run with the dialogue: the arguments as the dialogue reads them, the batch
// file, the run mode, -col= and -maxall=, and the input file (dialog or console question).
void dialogue_start(RunState& rs, int argc, char** argv, StartInfo& si, int& idowidget) {
  std::string batfil;      // empty: no batch file was looked for
  bool data_file = false;  // an input file stood where the batch file is expected

  // 2. arguments
  std::string comarg[11];
  size_t arglen[11] = {};
  int ncomarg = 0;
  for (int i = 1; i <= 10 && i < argc; ++i) {
    std::string a = std::string(argv[i]).substr(0, 256);
    if (blank5(a)) break;
    if (i >= 2 && a == comarg[i - 1]) break;
    comarg[i] = a;
    arglen[i] = std::strlen(argv[i]);
    ncomarg = i;
  }

  // 3. batch file
  if (ncomarg == 0) {
    idowidget = 1;
  } else {
    batfil = " ";
    bool found = false;
    for (int i = 1; i <= ncomarg; ++i) {
      if (comarg[i][0] == '-') continue;
      found = true;
      batfil = io::ltrim(comarg[i]);
      // An input file named where the batch file is expected: the questions follow on the
      // keyboard.
      if (arglen[i] <= 256 && input_not_batch(batfil)) {
        say(rs, "** " + batfil +
                    " is an input file, not a batch file: it is read, and the questions are "
                    "asked on the keyboard **");
        si.file = batfil;
        data_file = true;
        break;
      }
      // A longer name would be cut to another file's name: refused as one that cannot be
      // opened.
      int rc = arglen[i] > 256 ? ENAMETOOLONG : rs.u(ch::keyboard).open_in(batfil);
      rs.u(ch::keyboard).tie(&rs.con(), true);
      if (rc != 0) {
        rs.param.io = rc;
        say(rs, "** Error opening file containing batch input, cause=" + std::to_string(rc) +
                    io::os_reason(rc));
        rs.u(ch::keyboard).attach_in(stdin);
        press_return_stop(rs, 1);
      }
      break;
    }
    if (data_file)
      idowidget = 0;
    else if (!found)
      idowidget = 1;
  }
  rs.param.idowidget = idowidget;

  // 6. mode switches (settled before the options, so that their messages reach the chosen
  // dialogue)
  static const struct {
    const char* sw;
    int mode;
  } kSwitch[] = {{"-nogui", 0},   {"-nomenu", 0}, {"-keyboard", 0},
                 {"-console", 0}, {"-gui", 1},    {"-menu", 1}};
  for (int i = 1; i <= ncomarg; ++i)
    for (const auto& s : kSwitch)
      if (comarg[i].rfind(s.sw, 0) == 0) {
        idowidget = s.mode;
        break;
      }
  if (idowidget == 1 && !widgets_available()) {
    rs.con().nl();
    say(rs,
        "** Dialog windows are not available here (no display or no window system); "
        "the console dialogue is used **");
    idowidget = 0;
  }
  rs.param.idowidget = idowidget;

  // 4. width option
  si.ncol = si.iwidstd;
  for (int i = 1; i <= ncomarg; ++i) {
    if (comarg[i].rfind("-col=", 0) != 0) continue;
    int v = 0;
    if (!option_value(comarg[i], 5, v))
      stop_msg(rs, "** Width option \"" + comarg[i] + "\" is not a number. Execution terminated **",
               " Width option is not a number |    Execution terminated     ");
    if (v < 0)
      stop_msg(rs, "** Width must be greater than 0 Execution terminated **",
               " Width must be non-negative |    Execution terminated     ");
    si.ncol = v;
    break;
  }

  // 5. allele limit
  for (int i = 1; i <= ncomarg; ++i) {
    if (comarg[i].rfind("-maxall=", 0) != 0) continue;
    int v = 0;
    if (!option_value(comarg[i], 8, v))
      stop_msg(rs, "** Allele limit \"" + comarg[i] + "\" is not a number. Execution terminated **",
               " Allele limit is not a number |    Execution terminated     ");
    if (v < 1)
      stop_msg(rs, "** Maximum No. alleles must be greater than 0 Execution terminated **",
               " Maximum No. alleles must be greater than 0 |            Execution terminated   "
               "          ");
    si.mxall = v;
    break;
  }

  // 7. widget mode: file dialog and first dialog
  if (idowidget == 1) {
    if (si.file.empty()) si.file = trim(dwgfil("Select input file", "", "*"));
    if (si.file.empty()) {
      dwgmsg(" No input file selected |  Execution terminated  ");
      stop(rs, 1);
    }
    split_name(si.file, si.path, rs.wd.prefix);
    si.cfgprefix = rs.wd.prefix;
    for (;;) {
      wdfirst(rs, si.file);
      std::string res = trim(si.path) + trim(rs.wd.prefix) + "-out.txt";
      std::string newprefix = rs.wd.prefix;
      if (!io::file_exists(res)) break;
      int isel = 0;
      wdoutfile(rs, isel, rs.wd.prefix, newprefix);
      if (isel == 1) break;
    }
  }

  rs.param.idowidget = idowidget;

  // 9. console question for the input file (asked whenever the dialogue runs on the console;
  // switches alone with a last "-gui" behave as no arguments at all)
  if (idowidget == 0 && !data_file && si.file.empty()) {
    idowidget = 0;
    rs.param.idowidget = 0;
    rs.con().nl();
    int itry = 0;
    for (;;) {
      rs.con().put(" Enter name of input file (max. 256 characters) ? : ");
      std::string line;
      ++itry;
      if (!read_answer(rs, line)) continue;
      si.file = io::ltrim(trim(line));
      // A longer name is never cut to another file's name.
      if (si.file.size() > 256)
        say(rs, "** File name longer than 256 characters. Try again ... **");
      else if (!si.file.empty() && io::file_exists(si.file))
        break;
      else
        say(rs, "** File does not exist. Try again ... **");
      si.file.clear();
      if (itry >= 6) stop(rs, 1);
    }
  }
}

void startup(RunState& rs, int argc, char** argv) {
  // 1. defaults, heading, date stamp
#ifdef _WIN32
  const int isys = 2;
#else
  const int isys = 1;
#endif
  StartInfo si;
  si.isys = isys;
  si.iwidstd = 10;
  si.mxall = 250;
  int idowidget = 0;
  heading(rs, ch::console, isys);
  si.adate = time_and_date();
  rs.con().line(si.adate);

  // 1a. the options of the run beyond the dialogue ("-name=value"); a bad one stops at once
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (!is_run_option(a)) continue;
    std::string err;
    if (!apply_run_option(rs.opt, a, err)) command_line_stop(rs, err);
    rs.opt.given.push_back(a);
  }
  // count files merged stand in for the input file
  std::string merged_input;
  if (!rs.opt.merge.empty()) {
    if (!rs.opt.input.empty()) command_line_stop(rs, "give either -input= or -merge=, not both");
    for (const std::string& a : rs.opt.given) {
      const std::string name = option_name(a);
      for (const char* r :
           {"format", "popmap", "structure", "convert", "region", "regions-file", "samples"})
        if (name == r)
          command_line_stop(rs, "option \"" + a +
                                    "\" applies to reading an input file; give it to the runs "
                                    "that write the count files, not with -merge=");
    }
    counts::merge_start(rs, rs.input_copy, merged_input);
    // choices given as options make a run without questions; otherwise the dialogue makes them
    // (a batch file then gives no input file name)
    for (const std::string& a : rs.opt.given)
      if (is_choice_option(option_name(a))) rs.opt.input = rs.input_copy;
  }
  for (const std::string& a : rs.opt.given)
    if (!options_run(rs.opt) && is_choice_option(option_name(a)))
      command_line_stop(rs, "option \"" + a +
                                "\" makes a choice of a run without questions: give the input "
                                "file with -input=");

  if (options_run(rs.opt)) {
    // A run given -input=: every argument is read, nothing is asked.
    options_command_line(rs, argc, argv, si.ncol, si.mxall);
    idowidget = 0;
    rs.param.idowidget = 0;
    si.file = merged_input.empty() ? rs.opt.input : merged_input;
  } else {
    si.file = merged_input;
    dialogue_start(rs, argc, argv, si, idowidget);
  }

  // 9a. a file of another format is read through a TOLM copy of it, held in memory
  std::shared_ptr<const io::LineSource> held;
  if (merged_input.empty()) {
    std::string title, err, notes;
    Prepared pr = prepare_input(si.file, rs.opt, title, err, notes, held);
    if (!notes.empty()) rs.con().put(notes);
    if (pr == Prepared::failed) {
      rs.con().nl();
      say(rs, "** " + err + " **");
      press_return_stop(rs, 1);
    }
    if (!title.empty()) say(rs, "-- Input file \"" + trim(si.file) + "\" read as " + title);
    if (pr == Prepared::convert_only) {
      say(rs, "Converted input --> " + rs.opt.convert);
      stop(rs, 0);
    }
    if (pr == Prepared::held) {
      rs.input_file = trim(si.file);
      rs.input_format = title;
    }
  }

  // 10. open the input file (or the copy held in memory, which stands under its name)
  int rc = 0;
  if (held)
    rs.u(ch::input).open_source(std::move(held), rs.input_file);
  else
    rc = rs.u(ch::input).open_in(rs.input_copy.empty() ? si.file : rs.input_copy);
  if (rc != 0) {
    rs.param.io = rc;
    say(rs, "** Error opening \"" + trim(si.file) + "\" **");
    rs.con().line(cause_line(rc));
    press_return_stop(rs, 1);
  }

  // 11. first record: demes and loci
  int v[2] = {0, 0};
  std::string rec1;
  io::Rd r = rs.u(ch::input).read_line(rec1);
  if (r == io::Rd::ok) r = io::parse_ints(rec1, nullptr, v, 2);
  if (r == io::Rd::eof) {
    say(rs, "** Input file \"" + si.file +
                "\" ends before record 1, which must hold the numbers of demes and loci **");
    press_return_stop(rs, 1);
  }
  if (r != io::Rd::ok) {
    rs.param.io = EINVAL;
    say(rs, "** Error reading record" + io::free_int(1) +
                " of header, cause=" + io::free_int(rs.param.io));
    say(rs, "** Input file \"" + si.file +
                "\", record 1: two integers expected, the numbers of demes and loci **");
    press_return_stop(rs, 1);
  }
  if (v[0] < 1 || v[1] < 1) {
    say(rs, "** Input file \"" + si.file + "\", record 1: the numbers of demes (" +
                std::to_string(v[0]) + ") and loci (" + std::to_string(v[1]) +
                ") must both be at least 1 **");
    press_return_stop(rs, 1);
  }

  if (v[1] == INT_MAX) {  // one combination slot more than loci must still be countable
    say(rs, "** Input file \"" + si.file + "\", record 1: " + std::to_string(v[1]) +
                " loci are more than the tables can hold **");
    press_return_stop(rs, 1);
  }

  // 12. hand over to the main driver
  si.nnp = v[0];
  si.nnl = v[1];
  si.nnc = si.nnl + 1;
  si.idowd = idowidget;
  tolmmain(rs, si);
}

}  // namespace

}  // namespace tolm
