// Locus combinations and output choices: appar settles which loci are analysed, singly or
// combined (and in widget mode the demes for output); output settles where the results go,
// forms the output file names, opens the results file and asks the width of the tables.
#include "dialog/intrfc.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "dialog/choose.h"
#include "io/fixw.h"
#include "io/freefmt.h"
#include "plotlayer/widget.h"

namespace tolm {

using io::fi;
using io::trim;

namespace {

const char* const kWhich =
    "   Which loci (separated by commas and using as many lines as necessary) ? : ";

// A list of the widget menu: "All", or numbers in free format ending with the text or at the
// first 0. Returns the numbers chosen; `all` tells the "All" case apart.
bool widget_list(const std::string& text, int nmax, std::vector<int>& chosen, bool& all) {
  std::string t = io::ltrim(text);
  chosen.clear();
  all = t.size() >= 3 && std::tolower(static_cast<unsigned char>(t[0])) == 'a' &&
        std::tolower(static_cast<unsigned char>(t[1])) == 'l' &&
        std::tolower(static_cast<unsigned char>(t[2])) == 'l';
  if (all) {
    for (int i = 1; i <= nmax; ++i) chosen.push_back(i);
    return true;
  }
  std::vector<int> v(static_cast<size_t>(nmax), 0);
  if (nmax < 1 || io::parse_ints(t, nullptr, v.data(), nmax) == io::Rd::error) return false;
  for (int x : v) {
    if (x == 0) break;
    chosen.push_back(x);
  }
  return true;
}

// A list of the widget menu that names nothing usable ends the run with a message box: the
// menu has been left and there is nobody to ask again.
[[noreturn]] void widget_reject(RunState& rs, const std::string& what) {
  dwgmsg(" " + what + " |  Execution terminated  ");
  stop(rs, 1);
}

void widget_lists(RunState& rs, Work& w, std::vector<int>& loci) {
  Param& p = rs.param;
  bool all_loci = false, all_demes = false;
  std::vector<int> demes;
  if (!widget_list(rs.wd.aloclist, w.nnl, loci, all_loci) || loci.empty())
    widget_reject(rs, "No valid locus numbers in \"" + trim(rs.wd.aloclist) + "\"");
  for (int l : loci)
    if (l < 1 || l > p.nl) widget_reject(rs, "Locus " + std::to_string(l) + " does not exist");
  if (!widget_list(rs.wd.ademlist, w.nnp, demes, all_demes) || demes.empty())
    widget_reject(rs, "No valid deme numbers in \"" + trim(rs.wd.ademlist) + "\"");
  for (int d : demes)
    if (d < 1 || d > w.nnp) widget_reject(rs, "Deme " + std::to_string(d) + " does not exist");
  for (size_t i = 0; i < demes.size(); ++i) w.nprb(static_cast<long>(i + 1)) = demes[i];
  p.maxp = static_cast<int>(demes.size());
  p.np = w.nnp;
  if (rs.wd.locsimu == 1)
    p.loctyp = all_loci ? 0 : 1;
  else
    p.loctyp = all_loci ? 3 : 2;
}

// Reads `count` locus numbers answering kWhich; asks again while the answer is not numbers.
void ask_loci(RunState& rs, std::vector<int>& v, int count) {
  v.assign(static_cast<size_t>(count), 0);
  for (;;) {
    prompt(rs, kWhich);
    if (read_numbers(rs, v.data(), count)) return;
  }
}

// A count of 1 to nmax answering `question`; above nmax gives `too_many`.
int ask_count(RunState& rs, const std::string& question, int nmax, const std::string& too_many) {
  for (;;) {
    int v = ask_number(rs, question);
    if (v > nmax)
      say(rs, too_many);
    else if (v < 1)
      not_recognizable(rs);
    else
      return v;
  }
}

// Finds the first number of `v` outside 1..nl (0 included).
bool bad_locus(const std::vector<int>& v, int nl, int& bad) {
  for (int x : v)
    if (x < 1 || x > nl) {
      bad = x;
      return true;
    }
  return false;
}

void locus_missing(RunState& rs, int l) {
  say(rs, "** Locus " + std::to_string(l) + " does not exist. Try again ... **");
}

}  // namespace

void appar(RunState& rs, Work& w) {
  Param& p = rs.param;
  std::vector<int> listed;
  const bool widget = p.idowidget == 1;
  if (widget) widget_lists(rs, w, listed);

  switch (p.loctyp) {
    case 0:
      p.nc = p.nl;
      for (int k = 1; k <= p.nl; ++k) {
        w.nrloc(k) = 1;
        w.loccmb(k, 1) = k;
      }
      p.mxnrlc = 1;
      break;

    case 1: {
      std::vector<int> v;
      if (widget) {
        v = listed;
      } else {
        for (;;) {
          int nc =
              ask_count(rs, "Number of different single loci (max." + fi(p.nl, 3) + ") ? : ", p.nl,
                        "** Too many loci. Try again ... **");
          ask_loci(rs, v, nc);
          int bad = 0;
          if (!bad_locus(v, p.nl, bad)) break;
          locus_missing(rs, bad);
        }
      }
      // More single loci than loci cannot be listed (a locus named twice in the widget list).
      if (static_cast<int>(v.size()) > w.nnc) v.resize(static_cast<size_t>(w.nnc));
      p.nc = static_cast<int>(v.size());
      for (int k = 1; k <= p.nc; ++k) {
        w.nrloc(k) = 1;
        w.loccmb(k, 1) = v[static_cast<size_t>(k - 1)];
      }
      p.mxnrlc = 1;
      break;
    }

    case 2:
      if (widget) {
        if (static_cast<int>(listed.size()) > w.nnl) listed.resize(static_cast<size_t>(w.nnl));
        p.nc = 1;
        w.nrloc(1) = static_cast<int>(listed.size());
        for (int i = 1; i <= w.nrloc(1); ++i) w.loccmb(1, i) = listed[static_cast<size_t>(i - 1)];
        p.mxnrlc = w.nrloc(1);
        break;
      }
      p.nc = ask_count(
          rs, "Number of different multilocus combinations (max." + fi(w.nnc, 3) + ") ? : ", w.nnc,
          "** Too many locus combinations. Try again ... **");
      for (bool again = true; again;) {
        again = false;
        p.mxnrlc = 0;
        for (int j = 1; j <= p.nc && !again; ++j) {
          w.nrloc(j) = ask_count(
              rs,
              "Combination" + fi(j, 3) + " :  How many gene loci (max." + fi(p.nl, 3) + ") ? : ",
              p.nl, "** Too many gene loci. Try again **");
          std::vector<int> v;
          ask_loci(rs, v, w.nrloc(j));
          int bad = 0;
          if (bad_locus(v, p.nl, bad)) {
            locus_missing(rs, bad);
            again = true;
            break;
          }
          for (int i = 1; i <= w.nrloc(j); ++i) w.loccmb(j, i) = v[static_cast<size_t>(i - 1)];
          p.mxnrlc = std::max(p.mxnrlc, w.nrloc(j));
        }
      }
      break;

    default:  // 3: one combination of all loci
      p.nc = 1;
      w.nrloc(1) = p.nl;
      for (int i = 1; i <= p.nl; ++i) w.loccmb(1, i) = i;
      p.mxnrlc = p.nl;
      break;
  }
}

namespace {

void form_names(RunState& rs) {
  Names& n = rs.names;
  const std::string base = trim(n.filpath) + trim(n.filnam);
  n.outfil = base + "-out.txt";
  n.outtab = base + "-tab.txt";
  n.outfin = base + "-fin.txt";
  n.outinf = base + "-inf.txt";
  n.snaildir = base + "-Snails";
}

// The results file could not be opened: the caller finds channel 8 closed.
void open_failed(RunState& rs, int rc) {
  rs.param.io = rc;
  say(rs, "** Error opening " + io::fa(rs.names.outfil, 256) + "**");
  say(rs, "   " + cause(rc));
}

// Continues the results file of an earlier pass behind a separator.
bool append_results(RunState& rs) {
  io::Unit& u = rs.u(ch::results);
  if (rs.param.idowidget != 1) say(rs, "-- Searching for end of output file ...");
  if (!u.is_open() || u.path() != rs.names.outfil) {
    int rc = u.open_out(rs.names.outfil, io::OpenMode::append);
    if (rc != 0) {
      open_failed(rs, rc);
      return false;
    }
  } else if (int rc = u.commit(); rc != 0) {
    // The earlier passes' results take their name before this pass adds to them.
    open_failed(rs, rc);
    return false;
  }
  u.put("\n\n\n");
  u.line(" " + std::string(75, '_'));
  u.put("\n\n\n");
  return true;
}

// Opens the results file, asking what to do with an existing one. False after a failure.
bool open_results(RunState& rs, std::string& prefix) {
  Names& n = rs.names;
  for (;;) {
    rs.param.iunit = ch::results;
    form_names(rs);
    if (!io::path_exists(n.outfil)) {
      int rc = rs.u(ch::results).open_out(n.outfil, io::OpenMode::fresh);
      if (rc != 0) open_failed(rs, rc);
      return rc == 0;
    }
    char a = 'o';
    if (rs.param.idowidget != 1) {
      rs.con().nl();
      for (;;) {
        say(rs, R"(Output file already exists: "O" : overwrite old output, "P" : )"
                R"(enter new prefix : )");
        a = ask_char(rs, "Option ? : ");
        a = static_cast<char>(std::tolower(static_cast<unsigned char>(a)));
        if (a == 'o' || a == 'p') break;
        not_recognizable(rs);
      }
    }
    if (a == 'o') {
      int rc = rs.u(ch::results).open_out(n.outfil, io::OpenMode::old);
      if (rc != 0) open_failed(rs, rc);
      return rc == 0;
    }
    // A blank prefix names no file: ask again.
    std::string line;
    do {
      prompt(rs, "Enter new prefix for output files : ");
      if (!read_answer(rs, line)) line.clear();
      line = io::ltrim(trim(line.substr(0, 256)));
    } while (line.empty());
    prefix = line;
    n.filnam = prefix;
  }
}

// 7. The width of the tables, as number of demes per line.
void ask_width(RunState& rs) {
  Param& p = rs.param;
  for (;;) {
    dots80(rs);
    say(rs, "Width of output (min. of 75 characters/line) as number of demes per line ? : ");
    say(rs, "     No. demes/line = 1/10 * (No. characters/line - 15)");
    say(rs, "For example:");
    const int chars = std::max(10 * p.maxp + 15, 75);
    say(rs, R"(      "0"  for ALL )" + fi(p.maxp, 3) + " demes (" + fi(chars, 3) + " chars/line)");
    say(rs, R"(     "6"  for       6 demes ( 75 chars/line as for DIN A4 paper upright))");
    say(rs, R"(     "10" for      10 demes (115 chars/line as for DIN A4 paper crosswise))");
    say(rs, R"(     "11" for      11 demes (125 chars/line as in condensed mode))");
    prompt(rs, "Option ? : ");
    int v = 0;
    if (!read_numbers(rs, &v, 1)) continue;
    if (v < 0) {
      not_recognizable(rs);
      continue;
    }
    p.iwidth = v == 0 ? p.maxp : v;
    return;
  }
}

}  // namespace

void output(RunState& rs, int ncol, int iwidstd, std::string& prefix) {
  Param& p = rs.param;
  Names& n = rs.names;
  const bool widget = p.idowidget == 1;

  // 1. a later pass may keep the output of the earlier one
  if (p.idurch > 1) {
    dots80(rs);
    if (n.outunit == 's') {
      if (yes(ask_char(rs, "Continue outputting on screen ? : "))) return;
    } else if (n.outunit == 'f') {
      if (yes(ask_char(rs, "Continue writing output to file " + io::fa(n.outfil, 256) + " ? : "))) {
        if (append_results(rs) && !widget) ask_width(rs);
        return;
      }
    }
    // Chosen anew: the results file of the earlier pass is complete.
    if (rs.u(ch::results).is_open()) rs.u(ch::results).close();
  }

  // 2./3. the output unit
  if (widget) {
    n.outunit = 'f';
    p.iwidth = ncol >= 1 ? ncol : p.maxp;
  } else {
    for (;;) {
      dots80(rs);
      say(rs, R"(Output unit ?             "S" : screen             "F" : file)");
      char a = ask_char(rs, "Option ? : ");
      if (a == 'S') a = 's';
      if (a == 'F') a = 'f';
      n.outunit = a;
      if (a == 's') {
        p.iunit = ch::console;
        p.iwidth = iwidstd;
        n.outtab = "tolmout.txt";
        return;
      }
      if (a == 'f') break;
      not_recognizable(rs);
    }
  }

  // 4./5. the results file
  if (!open_results(rs, prefix) || widget) return;
  ask_width(rs);
}

}  // namespace tolm
