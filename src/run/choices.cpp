// A run without questions: its command line, and the choices of the dialogue made from its
// options once the header of the input file has named the loci and demes.
#include "run/choices.h"

#include <set>
#include <vector>

#include "dialog/choose.h"
#include "dialog/config.h"
#include "io/fixw.h"
#include "io/freefmt.h"

namespace tolm {

using io::trim;

void command_line_stop(RunState& rs, const std::string& what) {
  rs.con().nl();
  say(rs, "** Command line: " + what + ". Execution terminated **");
  stop(rs, 2);
}

namespace {

// Whole number of at least `lo`, nothing else in the text.
bool whole(const std::string& s, long lo, long& v) {
  if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos)
    return false;
  v = std::stol(s);
  return v >= lo;
}

std::vector<std::string> split_at(const std::string& s, char sep) {
  std::vector<std::string> out;
  size_t a = 0;
  for (;;) {
    size_t c = s.find(sep, a);
    out.push_back(s.substr(a, c == std::string::npos ? std::string::npos : c - a));
    if (c == std::string::npos) return out;
    a = c + 1;
  }
}

// A locus or deme named by its number (1..n) or its name (`names`, trailing blanks ignored).
// 0 when it does not exist.
int find_entry(const std::string& item, const Arr1<std::string>& names, int n) {
  long v = 0;
  if (whole(item, 1, v)) return v <= n ? static_cast<int>(v) : 0;
  for (int i = 1; i <= n; ++i)
    if (trim(names(i)) == item && !item.empty()) return i;
  return 0;
}

std::string name_list(const Arr1<std::string>& names, int n) {
  std::string s;
  for (int i = 1; i <= n && i <= 12; ++i)
    s += (i > 1 ? ", " : "") + std::to_string(i) + " " + trim(names(i));
  if (n > 12) s += ", ...";
  return s;
}

// The entries of a list of `option` (numbers or names, separated by `sep`), each once.
std::vector<int> entries(RunState& rs, const std::string& option, const std::string& text, char sep,
                         const Arr1<std::string>& names, int n, const char* what,
                         const char* whats) {
  std::vector<int> v;
  std::set<int> seen;
  for (const std::string& raw : split_at(text, sep)) {
    const std::string item = io::ltrim(trim(raw));
    const int k = find_entry(item, names, n);
    if (k == 0)
      command_line_stop(rs, "-" + option + ": " + what + " \"" + item +
                                "\" does not exist (the input file has " + std::to_string(n) + " " +
                                whats + ": " + name_list(names, n) + ")");
    if (!seen.insert(k).second)
      command_line_stop(rs, "-" + option + ": " + what + " \"" + item + "\" is named twice");
    v.push_back(k);
  }
  return v;
}

// 1. Loci: single loci or multilocus combinations.
void choose_loci(RunState& rs, Work& w) {
  Param& p = rs.param;
  const RunOptions& o = rs.opt;
  if (!o.loci.empty() && !o.combinations.empty())
    command_line_stop(rs, "-loci= and -combinations= both choose the loci: give one of them");
  std::vector<std::vector<int>> comb;
  if (!o.loci.empty()) {
    p.loctyp = o.loci == "all" ? 0 : 1;
    if (p.loctyp == 1)
      for (int l : entries(rs, "loci=" + o.loci, o.loci, ',', w.locnam, p.nl, "locus", "loci"))
        comb.push_back({l});
  } else if (!o.combinations.empty()) {
    p.loctyp = o.combinations == "all" ? 3 : 2;
    if (p.loctyp == 2) {
      for (const std::string& c : split_at(o.combinations, ','))
        comb.push_back(
            entries(rs, "combinations=" + o.combinations, c, '+', w.locnam, p.nl, "locus", "loci"));
      if (static_cast<int>(comb.size()) > w.nnc)
        command_line_stop(rs, "-combinations=" + o.combinations + ": more than " +
                                  std::to_string(w.nnc) + " combinations");
    }
  } else if (!o.config.empty()) {
    if (p.loctyp == 1 || p.loctyp == 2)
      command_line_stop(rs, "-config=" + o.config +
                                " chooses some of the loci (locus configuration " +
                                std::to_string(p.loctyp) +
                                "), which it does not name: give them with -loci= or "
                                "-combinations=");
  } else {
    p.loctyp = 0;
  }
  if (p.loctyp == 0 || p.loctyp == 3) {
    const int nc = p.loctyp == 0 ? p.nl : 1;
    comb.assign(static_cast<size_t>(nc), {});
    for (int l = 1; l <= p.nl; ++l)
      comb[p.loctyp == 0 ? static_cast<size_t>(l - 1) : 0].push_back(l);
  }
  p.nc = static_cast<int>(comb.size());
  p.mxnrlc = 0;
  for (int k = 1; k <= p.nc; ++k) {
    const std::vector<int>& c = comb[static_cast<size_t>(k - 1)];
    w.nrloc(k) = static_cast<int>(c.size());
    for (int i = 1; i <= w.nrloc(k); ++i) w.loccmb(k, i) = c[static_cast<size_t>(i - 1)];
    p.mxnrlc = std::max(p.mxnrlc, w.nrloc(k));
  }
}

// 2. Demes for output.
void choose_demes(RunState& rs, Work& w) {
  Param& p = rs.param;
  const std::string& d = rs.opt.demes;
  p.isp = d.empty() || d == "all" ? 0 : 1;
  std::vector<int> v;
  if (p.isp == 1) v = entries(rs, "demes=" + d, d, ',', w.prbnam, p.np, "deme", "demes");
  if (p.np == 1 || p.isp == 0) {
    v.clear();
    for (int i = 1; i <= p.np; ++i) v.push_back(i);
  } else {
    p.nsp = static_cast<int>(v.size());
  }
  p.maxp = static_cast<int>(v.size());
  for (int i = 1; i <= p.maxp; ++i) w.nprb(i) = v[static_cast<size_t>(i - 1)];
}

// Two answers y/n of a refinement into `a` and `b`.
void pair_of(const std::string& yn, char& a, char& b) {
  a = yn[0];
  b = yn[1];
}

}  // namespace

void options_command_line(RunState& rs, int argc, char** argv, int& ncol, int& mxall) {
  std::set<std::string> seen;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.empty() || a[0] != '-')
      command_line_stop(rs,
                        "\"" + a + "\" is not an option; a run given -input= reads no batch file");
    const std::string name = option_name(a);
    if (!seen.insert(name).second) command_line_stop(rs, "option -" + name + " is given twice");
    if (name == "gui" || name == "menu")
      command_line_stop(rs, "-" + name + " opens dialog windows, a run given -input= asks nothing");
    if (name == "nogui" || name == "nomenu" || name == "keyboard" || name == "console") {
      if (a.find('=') != std::string::npos)
        command_line_stop(rs, "option -" + name + " takes no value");
      continue;
    }
    if (name == "col" || name == "maxall") {
      long v = 0;
      const size_t eq = a.find('=');
      if (eq == std::string::npos || !whole(a.substr(eq + 1), name == "col" ? 0 : 1, v))
        command_line_stop(rs, "option \"" + a + "\": " +
                                  (name == "col" ? "the width must be a whole number, 0 or more"
                                                 : "the allele limit must be a whole number, 1 "
                                                   "or more"));
      (name == "col" ? ncol : mxall) = static_cast<int>(v);
      continue;
    }
    if (!is_run_option(a)) command_line_stop(rs, "unknown option \"" + a + "\"");
  }
  const RunOptions& o = rs.opt;
  const std::string& in = o.input;
  if (in.size() > 256)
    command_line_stop(rs, "-input=: the file name is longer than 256 characters");
  if (!io::file_exists(in)) command_line_stop(rs, "-input=" + in + ": no such file");
  if (o.out.size() > 80 || o.out.find_first_not_of(' ') == std::string::npos)
    if (!o.out.empty())
      command_line_stop(rs, "-out=: the prefix must be 1 to 80 characters, not blank");
  if (o.width >= 0 && o.results == 's')
    command_line_stop(rs, "-width= sets the width of a results file, not of -results=screen");
}

void options_config(RunState& rs) {
  const std::string& f = rs.opt.config;
  if (f.empty()) return;
  std::string what;
  int rc = load_cfg(rs, f, what);
  if (rc != 0)
    command_line_stop(rs, "-config=" + f + ": " + what + " (cause=" + std::to_string(rc) + ")");
}

void apply_choices(RunState& rs, Work& w, int& nprogs, int& nfrqst) {
  Param& p = rs.param;
  Names& n = rs.names;
  const RunOptions& o = rs.opt;
  const bool cfg = !o.config.empty();
  choose_loci(rs, w);
  choose_demes(rs, w);

  // 3. frequency distributions and analyses (the configuration file's, or all)
  if (!o.kinds.empty() || !cfg)
    for (int i = 1; i <= 4; ++i) n.frqstr(i) = o.kinds.empty() ? 'y' : o.kinds[i - 1];
  if (!o.analyses.empty() || !cfg)
    for (int i = 1; i <= 10; ++i) n.aprog(i) = o.analyses.empty() ? 'y' : o.analyses[i - 1];
  nprogs = 0;
  for (int i = 1; i <= 10; ++i) {
    if (yes(n.aprog(i))) n.aprog(i) = 'y';
    if (n.aprog(i) == 'y') ++nprogs;
  }
  frqdst(rs, nfrqst);
  if (o.gametic_sex >= 0) p.notord = o.gametic_sex;
  if (!cfg && o.gametic_sex < 0) p.notord = 0;

  // 4. refinements and snails, each only beside its analysis
  const bool even = n.aprog(prog::evenness) == 'y', diff = n.aprog(prog::subdiff) == 'y';
  if (!o.evenness.empty() && !even)
    command_line_stop(rs, "-evenness= refines the analysis evenness, which -analyses= leaves out");
  if (!o.weighting.empty() && !diff)
    command_line_stop(rs,
                      "-weighting= refines the analysis differentiation, which -analyses= "
                      "leaves out");
  if (!o.snails.empty() && o.snails != "nn" && !diff)
    command_line_stop(rs,
                      "-snails= draws the analysis differentiation, which -analyses= "
                      "leaves out");
  if (even) {
    if (!o.evenness.empty()) {
      pair_of(o.evenness, n.evefin, n.eveinf);
    } else if (!cfg) {
      n.evefin = n.eveinf = 'y';
    } else {
      if (yes(n.evefin)) n.evefin = 'y';
      if (yes(n.eveinf)) n.eveinf = 'y';
    }
  }
  p.idoeps = p.idowmf = 0;
  if (diff) {
    n.spdfin = n.spdinf = 'y';
    if (!o.weighting.empty()) pair_of(o.weighting, n.spdfin, n.spdinf);
    const std::string s = o.snails.empty() ? "yy" : o.snails;
    p.idoeps = s[0] == 'y' ? 1 : 0;
    p.idowmf = s[1] == 'y' ? 1 : 0;
  }

  // 5. the check of the choices, before anything is written
  const bool structure = n.aprog(prog::heterozygosity) == 'y' ||
                         n.aprog(prog::hardyweinberg) == 'y' || n.aprog(prog::product) == 'y';
  const std::string from = !o.analyses.empty() ? "-analyses=" : "-config=" + o.config;
  if (nprogs <= 0) command_line_stop(rs, from + " chooses no analysis");
  if (nfrqst <= 0 && !structure)
    command_line_stop(rs, (!o.kinds.empty() ? std::string("-kinds=") : "-config=" + o.config) +
                              " chooses no frequency distribution for the analyses chosen");

  // 6. where the results go
  n.outunit = o.results == 's' ? 's' : 'f';
}

void guard_outputs(RunState& rs) {
  const RunOptions& o = rs.opt;
  if (o.force) return;
  const Names& n = rs.names;
  const Param& p = rs.param;
  const std::string base = trim(n.filpath) + trim(n.filnam);
  bool tab = n.aprog(prog::heterozygosity) == 'y';
  for (int i = 1; i <= 7; ++i) tab = tab || n.aprog(i) == 'y';
  std::vector<std::string> outs;
  if (n.outunit == 'f') outs.push_back(base + "-out.txt");
  if (tab) outs.push_back(n.outunit == 'f' ? base + "-tab.txt" : "tolmout.txt");
  if (o.long_table) outs.push_back(base + "-long.tsv");
  if (o.report_html) outs.push_back(base + "-report.html");
  if (n.aprog(prog::subdiff) == 'y' && (p.idoeps == 1 || p.idowmf == 1) && n.outunit == 'f')
    outs.push_back(base + "-Snails");
  for (const std::string& f : outs) {
    if (!io::path_exists(f)) continue;
    rs.con().nl();
    say(rs, "** Output file " + f +
                " exists already: give -force to overwrite it, or another prefix with -out=. "
                "Execution terminated **");
    stop(rs, 1);
  }
}

bool options_output(RunState& rs, int ncol, int iwidstd) {
  Param& p = rs.param;
  Names& n = rs.names;
  if (n.outunit == 's') {
    p.iunit = ch::console;
    p.iwidth = iwidstd;
    n.outtab = "tolmout.txt";
    return true;
  }
  p.iunit = ch::results;
  const std::string base = trim(n.filpath) + trim(n.filnam);
  n.outfil = base + "-out.txt";
  n.outtab = base + "-tab.txt";
  n.outfin = base + "-fin.txt";
  n.outinf = base + "-inf.txt";
  n.snaildir = base + "-Snails";
  const int rc =
      rs.u(ch::results)
          .open_out(n.outfil, rs.opt.force ? io::OpenMode::unknown : io::OpenMode::fresh);
  if (rc != 0) {
    p.io = rc;
    say(rs, "** Error opening " + io::fa(n.outfil, 256) + "**");
    say(rs, "   cause=" + std::to_string(rc));
    return false;
  }
  const int width = rs.opt.width >= 0 ? rs.opt.width : ncol;
  p.iwidth = width == 0 ? p.maxp : width;
  return true;
}

}  // namespace tolm
