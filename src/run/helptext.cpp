// The usage text of --help and the manual page tolm(1), both made from the one list of the
// options (run_options() and start_options()), so that they always name the same options.
#include <cstdio>
#include <string>
#include <vector>

#include "core/runopts.h"
#include "run/tolm.h"

namespace tolm {

namespace {

const char* const kAbout =
    "TOLM reads an input file of multilocus genotypes sampled in several demes and writes "
    "frequencies, measures of variation within and between demes, heterozygosity and tests to "
    "a results file (<prefix>-out.txt), a tab-separated table (<prefix>-tab.txt), a long table "
    "(<prefix>-long.tsv) and differentiation snails (<prefix>-Snails/*.eps, *.wmf). The choices "
    "are made in dialog windows, in the console dialogue (from the keyboard or a batch file), or "
    "all at once by options (-input= and the choices beside it), which ask no question.";

const char* const kExit =
    "0 after a normal end; 1 after a stop for an error (input that cannot be read, an output "
    "that cannot be written, or output files that exist already in a run given -input= without "
    "-force); 2 for a bad command line (an unknown or repeated option, a value that cannot be "
    "used, options that conflict, a locus or deme that does not exist).";

struct Example {
  const char* command;
  const char* what;
};
const Example kExamples[] = {
    {"tolm -input=microbov.dat -loci=all -analyses=all -out=run1 -force",
     "every analysis of every single locus, all demes, into run1-out.txt, run1-tab.txt, "
     "run1-long.tsv and run1-Snails/"},
    {"tolm -input=microbov.dat -config=microbov.dat.cfg -out=run2",
     "the choices saved by an earlier run on the same input file"},
    {"tolm microbov.dat", "the console dialogue on this input file"},
};

// "-name=VALUE", "-name", "--help" or "BATCHFILE" as the list names it.
std::string shown(const OptionInfo& o) {
  const std::string n = o.name;
  if (n == "BATCHFILE") return n;
  std::string s = "-" + n;
  if (o.value[0] != '\0') s += "=" + std::string(o.value);
  return s;
}

// The groups of the lists in the order of their first option.
std::vector<std::pair<std::string, std::vector<const OptionInfo*>>> groups() {
  std::vector<std::pair<std::string, std::vector<const OptionInfo*>>> g;
  for (const auto* l : {&start_options(), &run_options()})
    for (const OptionInfo& o : *l) {
      size_t i = 0;
      while (i < g.size() && g[i].first != o.group) ++i;
      if (i == g.size()) g.push_back({o.group, {}});
      g[i].second.push_back(&o);
    }
  return g;
}

// `text` broken into lines of at most `width` characters, each after `indent` blanks (the
// first line after `first` instead).
std::string wrap(const std::string& text, size_t width, const std::string& first,
                 const std::string& indent) {
  std::string out, line = first;
  size_t a = 0;
  bool empty = true;
  while (a < text.size()) {
    size_t b = text.find(' ', a);
    if (b == std::string::npos) b = text.size();
    const std::string word = text.substr(a, b - a);
    if (!empty && line.size() + 1 + word.size() > width) {
      out += line + "\n";
      line = indent;
      empty = true;
    }
    line += (empty ? "" : " ") + word;
    empty = false;
    a = b + 1;
  }
  return out + line + "\n";
}

// Text for roff: backslashes and hyphens escaped, no line starting with a control character.
std::string roff(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

}  // namespace

void usage(std::FILE* f) {
  std::string s =
      "Usage: tolm [BATCHFILE|INPUTFILE] [-nogui|-gui] [-col=N] [-maxall=N] [OPTION...]\n"
      "       tolm -input=FILE [CHOICE...] [OPTION...]\n\n";
  s += wrap(kAbout, 79, "", "");
  for (const auto& g : groups()) {
    s += "\n" + g.first + ":\n";
    for (const OptionInfo* o : g.second) {
      std::string head = "  " + shown(*o);
      head += head.size() < 26 ? std::string(26 - head.size(), ' ') : "\n" + std::string(26, ' ');
      s += wrap(o->help, 79, head, std::string(26, ' '));
    }
  }
  s += "\n" + wrap(std::string("Exit status: ") + kExit, 79, "", "");
  s += "\nExamples:\n";
  for (const Example& e : kExamples) s += "  " + std::string(e.command) + "\n";
  s += "\nThe manual page tolm(1) says the same at more length.\n";
  std::fputs(s.c_str(), f);
}

void manpage(std::FILE* f) {
  std::string s;
  s += ".TH TOLM 1 \"January 2015\" \"TOLM 3.0\" \"User Commands\"\n";
  s += ".SH NAME\ntolm \\- genetic structure of subdivided populations from multilocus "
       "genotypes\n";
  s += ".SH SYNOPSIS\n.B tolm\n[\\fIBATCHFILE\\fR|\\fIINPUTFILE\\fR] [\\fB\\-nogui\\fR|"
       "\\fB\\-gui\\fR] [\\fB\\-col=\\fIN\\fR] [\\fB\\-maxall=\\fIN\\fR] [\\fIOPTION\\fR...]\n"
       ".br\n.B tolm\n\\fB\\-input=\\fIFILE\\fR [\\fICHOICE\\fR...] [\\fIOPTION\\fR...]\n";
  s += ".SH DESCRIPTION\n" + roff(kAbout) + "\n";
  s += ".PP\nWithout arguments TOLM opens its dialog windows (the console dialogue where no "
       "display is available). A batch file holds the answers to the console questions, one a "
       "line. A run given \\fB\\-input=\\fR asks nothing: every choice not given as an option "
       "takes its default, no configuration file is read unless \\fB\\-config=\\fR names one, "
       "and the configuration file of its choices is written beside the input file as after "
       "every run.\n";
  s += ".SH OPTIONS\n";
  for (const auto& g : groups()) {
    s += ".SS " + roff(g.first) + "\n";
    for (const OptionInfo* o : g.second) {
      std::string head = std::string(o->name) == "BATCHFILE" ? "\\fIBATCHFILE\\fR"
                                                             : "\\fB\\-" + roff(o->name) + "\\fR";
      if (o->value[0] != '\0') head += "\\fB=\\fI" + roff(o->value) + "\\fR";
      s += ".TP\n" + head + "\n" + roff(o->help) + "\n";
    }
  }
  s += ".SH EXIT STATUS\n" + roff(kExit) + "\n";
  s += ".SH FILES\n.TP\n\\fIINPUT\\fB.cfg\\fR\nthe choices of the last run on the input file "
       "INPUT, offered again by the next run (and read by \\fB\\-config=\\fR)\n"
       ".TP\n\\fIPREFIX\\fB\\-out.txt\\fR, \\fIPREFIX\\fB\\-tab.txt\\fR, "
       "\\fIPREFIX\\fB\\-long.tsv\\fR, \\fIPREFIX\\fB\\-Snails/\\fR\nresults, tabular file, long "
       "table and snail diagrams, beside the input file\n";
  s += ".SH EXAMPLES\n";
  for (const Example& e : kExamples) s += ".TP\n.B " + roff(e.command) + "\n" + roff(e.what) + "\n";
  s += ".PP\nThe examples directory installed with TOLM (share/doc/tolm/examples) holds the data "
       "set microbov.dat and batch files for the console dialogue.\n";
  std::fputs(s.c_str(), f);
}

}  // namespace tolm
