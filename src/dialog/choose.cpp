// Console dialogue: the yes test, the choice of analyses 1 to 7 with their refinements, the
// gametic-sex question, the normalisation of the frequency-distribution answers, and the closing
// of the scratch files that ends a run.
#include "dialog/choose.h"

#include "io/fixw.h"
#include "io/freefmt.h"

namespace tolm {

void prompt(RunState& rs, const std::string& text) {
  if (!text.empty() && text[0] == ' ')
    rs.con().put(text);
  else
    rs.con().put(" " + text);
}

char ask_char(RunState& rs, const std::string& question) {
  for (;;) {
    prompt(rs, question);
    std::string line;
    if (read_answer(rs, line)) return answer_char(line);
  }
}

bool read_numbers(RunState& rs, int* out, int n) {
  std::string line;
  if (!read_answer(rs, line)) return false;
  io::Rd r = io::parse_ints(line, &rs.u(ch::keyboard), out, n);
  // The list ran into the end of input: read_answer reports it and ends the run.
  if (r == io::Rd::eof) read_answer(rs, line);
  return r == io::Rd::ok;
}

int ask_number(RunState& rs, const std::string& question) {
  for (;;) {
    prompt(rs, question);
    int v = 0;
    if (read_numbers(rs, &v, 1)) return v;
  }
}

void not_recognizable(RunState& rs) {
  say(rs, "** Answer not recognizable. Try again ... **");
}

bool yes(const std::string& w) {
  return !w.empty() && yes(w[0]);
}

void choose(RunState& rs) {
  Names& n = rs.names;
  say(rs, R"(Choice of calculations (Answer "Y" (yes) or "N" (no)))");
  rs.con().nl();
  n.aprog(prog::frequencies) = ask_char(rs, "   Frequency distributions ? : ");

  rs.con().nl();
  say(rs, "   Measures of variation within demes");
  say(rs, "   " + std::string(34, '-'));
  n.aprog(prog::diversity) = ask_char(rs, "   Diversity v_2 ? : ");
  n.aprog(prog::totaldiff) = ask_char(rs, "   Total population differentiation  delta_T? : ");
  n.aprog(prog::evenness) = ask_char(rs, "   Evenness : ");
  if (yes(n.aprog(prog::evenness))) {
    char a = ask_char(rs, "     -    finite population size ? : ");
    n.evefin = yes(a) ? 'y' : a;
    a = ask_char(rs, "     -  infinite population size ? : ");
    n.eveinf = yes(a) ? 'y' : a;
  }

  rs.con().nl();
  say(rs, "   Measures of variation between demes");
  say(rs, "   " + std::string(35, '-'));
  n.aprog(prog::distance) = ask_char(rs, "   Genetic distance d_0 ? : ");
  n.aprog(prog::subdiff) = ask_char(rs, "   Subpopulation differentiation D_j, delta : ");
  if (yes(n.aprog(prog::subdiff))) {
    char a = ask_char(rs, "     -  subpopulations weighted proportional to deme size ? : ");
    n.spdfin = yes(a) ? 'y' : a;
    a = ask_char(rs, "     -  subpopulations equally weighted ? : ");
    n.spdinf = yes(a) ? 'y' : a;
  }
  n.aprog(prog::homogeneity) =
      ask_char(rs, "   Test of homogeneity of the frequency distributions ? : ");
}

void gamsex(RunState& rs) {
  rs.param.notord = 0;
  rs.con().line(std::string(66, '.'));
  // Asked again on an unreadable line, as every other question is.
  std::string line;
  do {
    say(rs, "Ignore gametic sex, if specified in data ?");
  } while (!read_answer(rs, line));
  if (yes(answer_char(line))) rs.param.notord = 1;
}

void frqdst(RunState& rs, int& nfrqst) {
  nfrqst = 0;
  for (int i = 1; i <= 4; ++i) {
    char& f = rs.names.frqstr(i);
    if (yes(f)) f = 'y';
    if (f == 'y') ++nfrqst;
  }
}

void clsfil(RunState& rs) {
  clsfil(rs, 0);
}

void clsfil(RunState& rs, int status) {
  int last = 0;
  for (int ch = io::Scratch::kFirst; ch <= io::Scratch::kLast; ++ch) {
    int rc = rs.scratch.close(ch);
    rs.param.mind(ch) = 0;
    if (rc != 0) {
      rs.param.io = rc;
      say(rs, "** Error closing direct access file " + std::to_string(ch) + " **");
      rs.con().line("  " + cause(rc));
    }
    last = rc;
  }
  if (last == 0 || options_run(rs.opt)) press_return_stop(rs, status);
  // Channel 27 could not be closed: the caller writes the final press-return line.
  say(rs, R"(** Press  "Return" or "Enter" to terminate program **)");
  std::string line;
  rs.con().flush();
  rs.u(ch::keyboard).read_line(line);
}

}  // namespace tolm
