// The four dialogs of widget mode: the first dialog (input file and output prefix), the check
// for existing output, the main selection dialog and the snail dialog, with the callbacks that
// keep the record `wd` up to date while the user edits.
#include "graphics/wdmenu.h"

#include <vector>

#include "core/heading.h"
#include "io/fixw.h"
#include "io/freefmt.h"
#include "plotlayer/widget.h"

namespace tolm {

using io::trim;

namespace {

constexpr int kWidth = 110;      // default width of the dialogs, in characters
constexpr int kRuleLen = 277;    // rule labels; the layer shows their first 80 characters
constexpr int kHelpLine = 90;    // characters of a heading line taken into the help text
constexpr int kHelpLen = 1269;   // longest help text
constexpr int kCheckLabel = 25;  // label column of the check-box rows of the menu

const char* const kFreqText[5] = {
    nullptr,
    "Maternal allele/haplotype frequencies, if gametic sex is specified in data",
    "Paternal allele/haplotype frequencies, if gametic sex is specified in data",
    "Allele/haplotype frequencies",
    "Genotype frequencies",
};

const char* const kProgText[11] = {
    nullptr,
    "Include frequency distributions and loss probabilities in output",
    "Diversity",
    "Total population differentiation deltaT",
    "Evenness",
    "Genetic distance d0",
    "Subpopulation differentiation Dj, delta",
    "Test of homogeneity",
    "Heterozygosity",
    "Test of Hardy-Weinberg structure + heterozygosity (single locus)",
    "Test of product structure (single locus)",
};

// Group headings of the calculations 2..10, one per group of three.
const char* const kGroupHead[3] = {
    "VARIATION WITHIN DEMES: ", "VARIATION BETWEEN DEMES:", "GENOTYPIC STRUCTURE:      "};

void red() {
  swgclr(1, 0, 0, "FORE");
}
void blue() {
  swgclr(0, 0, 1, "FORE");
}
void black() {
  swgclr(0, 0, 0, "FORE");
}

// The look shared by all four dialogs.
void common_style() {
  swgjus("LEFT", "BUTTON");
  swgjus("LEFT", "LABEL");
  swgclr(0.97f, 0.97f, 1.0f, "BACK");
  swgclr(1, 1, 1, "LTEXT");
  swgopt("ON", "FRAME");
  swgopt("ENTER", "CALLBACK");
  swgspc(0, 0.2f);
  swgwth(kWidth);
  black();
}

// OK with the keyboard focus, then the dialog is shown until it is pressed.
void finish(int win) {
  swgwth(kWidth);
  int ok = wgok(win);
  swgfoc(ok);
  wgfin();
}

// A row of the main window: a label of `lw` characters in its colour, the widget after it
// gets the rest of the width.
int row_label(int win, const std::string& text, int lw, bool prompt) {
  int row = wgbas(win, "HORI");
  if (prompt)
    red();
  else
    black();
  swgwth(lw);
  wglab(row, text);
  swgwth(kWidth - lw);
  return row;
}

std::string rule(const std::string& text) {
  std::string r = std::string(33, '-') + text;
  return r + std::string(kRuleLen - r.size(), '-');
}

// The start-up heading as the help text of the menu: lines of at most 90 characters without
// their trailing blanks, joined by the layer's line separator.
std::string help_text(RunState& rs, int isys) {
  io::Unit& u = rs.u(ch::help);
  u.capture();
  heading(rs, ch::help, isys);
  std::string all = u.take_captured();
  u.close();
  std::string help;
  size_t b = 0;
  bool first = true;
  while (b < all.size()) {
    size_t e = all.find('\n', b);
    if (e == std::string::npos) e = all.size();
    std::string l = trim(all.substr(b, std::min<size_t>(e - b, kHelpLine)));
    help += (first ? "" : "|") + l;
    first = false;
    b = e + 1;
  }
  return help.substr(0, kHelpLen);
}

// Why a typed list of loci or demes cannot be used; empty when it can. `n` is the number of
// loci or demes in the data. The list is read as the main driver reads it: "All", or numbers
// in free format ending at the first 0.
std::string list_fault(const std::string& text, int n, const std::string& field,
                       const std::string& what, const std::string& whats) {
  if (text.rfind("All", 0) == 0 || n < 1) return {};
  std::vector<int> v(static_cast<size_t>(n), 0);
  io::Rd r = io::parse_ints(text, nullptr, v.data(), n);
  if (r == io::Rd::error)
    return " " + field + " \"" + trim(text) + "\" is not a list of " + what +
           " numbers (type \"All\" or numbers such as 1,3,5) ";
  int k = 0;
  while (k < n && v[static_cast<size_t>(k)] != 0) ++k;
  if (k == 0)
    return " " + field + " no " + what + " number given (type \"All\" or numbers such as 1,3,5) ";
  for (int i = 0; i < k; ++i) {
    int x = v[static_cast<size_t>(i)];
    if (x < 1 || x > n)
      return " " + field + " " + what + " " + std::to_string(x) +
             " does not exist (the data have " + whats + " 1 to " + std::to_string(n) + ") ";
  }
  return {};
}

// "all" in any case means the whole data, as "All" does.
void normalise_all(std::string& text) {
  if (text.size() >= 3 && (text[0] == 'a' || text[0] == 'A') &&
      (text[1] == 'l' || text[1] == 'L') && (text[2] == 'l' || text[2] == 'L'))
    text.replace(0, 3, "All");
}

}  // namespace

void wdfirst(RunState& rs, const std::string& infil) {
  const std::string before = rs.wd.prefix;
  // Shown again while the prefix is left empty: the output files need a name.
  for (;;) {
    common_style();
    swgtit("TOLM - Input prefix for output files");
    swgpop("NOHELP");
    int win = wgini("VERT");

    // The input file name in parts of 80 characters, one row each.
    const std::string name = trim(infil);
    for (size_t b = 0; b == 0 || b < name.size(); b += 80) {
      swgspc(0, b == 0 ? 0.2f : 0.0f);
      int row = row_label(win, b == 0 ? "INPUT FILE:" : std::string(11, ' '), 11, false);
      wglab(row, name.substr(b, 80));
    }
    swgspc(0, 0.2f);

    int row = row_label(win, "PREFIX FOR OUTPUT FILES:", 32, true);
    blue();
    int txt = wgtxt(row, rs.wd.prefix);
    swgcbk(txt, [&rs](int id) { rs.wd.prefix = gwgtxt(id); });  // wdprefix
    finish(win);

    if (!io::ltrim(rs.wd.prefix).empty()) return;
    rs.wd.prefix = before;
    swgtit("TOLM - Input prefix for output files");
    dwgmsg(" PREFIX FOR OUTPUT FILES must not be empty | The prefix " + trim(before) +
           " is shown again ");
  }
}

void wdoutfile(RunState& rs, int& isel, std::string& prefix, std::string& newfil) {
  common_style();
  swgtit("TOLM - Check existence of output files using prefix");
  swgpop("NOHELP");
  int win = wgini("VERT");
  int row = row_label(win, "OUTPUT FILE ALREADY EXISTS:", 32, false);
  wglab(row, trim(prefix) + "-out.txt");

  row = row_label(win, "SELECT OPTION:", 32, true);
  blue();
  int lis = wglis(row, "Overwrite existing output files|Enter new prefix for output files", 1);
  rs.sel.isel = 1;
  swgcbk(lis, [&rs](int id) { rs.sel.isel = gwglis(id); });  // wdnewprefix
  finish(win);

  rs.sel.isel = gwglis(lis);
  rs.sel.newfil.clear();
  isel = rs.sel.isel;
  newfil.clear();
}

void wdmenu(RunState& rs, int nloc, int ndem, int ioldcfg, int isys) {
  Wd& wd = rs.wd;
  const std::string help = help_text(rs, isys);
  wd.aloclist = "All " + std::to_string(nloc) + " loci";
  wd.ademlist = "All " + std::to_string(ndem) + " demes";
  int presel = 1;

  // Shown again, with the user's choices kept, until both lists name loci and demes of the data.
  for (;;) {
    common_style();
    swgtit("TOLM - Interactive input");
    swghlp(help);
    swgpop("HELP");
    int win = wgini("VERT");
    red();
    wglab(win, rule(" SELECT CONFIGURATION "));

    int row = row_label(win, "SINGLE LOCI OR MULTILOCUS:", 35, true);
    blue();
    int lis = wglis(row, "Single-locus genetic types|Multilocus genetic types", presel);
    wd.locsimu = presel;
    swgcbk(lis, [&rs](int id) { rs.wd.locsimu = gwglis(id); });  // wdlocsimu

    row = row_label(win, "LIST OF LOCI:", 35, true);
    blue();
    int loci = wgtxt(row, wd.aloclist);
    swgcbk(loci, [&rs](int id) { rs.wd.aloclist = gwgtxt(id); });  // wdloclist

    swgopt("CHANGE", "CALLBACK");
    row = row_label(win, "LIST OF DEMES:       ", 35, true);
    blue();
    int dems = wgtxt(row, wd.ademlist);
    swgcbk(dems, [&rs](int id) { rs.wd.ademlist = gwgtxt(id); });  // wddemlist

    swgwth(kWidth);
    red();
    wglab(win, rule(" SELECT CALCULATIONS "));
    if (ioldcfg == 1) {
      // The configuration file is named after the input file, which the prefix need not be.
      std::string cfg = trim(rs.names.config);
      size_t s = cfg.find_last_of("/\\");
      if (s != std::string::npos) cfg = cfg.substr(s + 1);
      if (cfg.empty()) cfg = trim(wd.prefix) + ".cfg";
      row = row_label(win, "SHOWING SELECTIONS SAVED IN", 35, false);
      wglab(row, cfg);
    }

    // Check-box rows: a label column (the group heading in a group's first row), the box.
    auto check_row = [&](const std::string& head, const char* text, int state, bool first) {
      swgspc(0, first ? 0.2f : 0.0f);
      int r = row_label(win, head, kCheckLabel, true);
      blue();
      return wgbut(r, text, state);
    };

    int fid[5] = {0, 0, 0, 0, 0};
    for (int i = 1; i <= 4; ++i) {
      fid[i] = check_row(i == 1 ? "FREQUENCY DISTRIBUTIONS:  " : "", kFreqText[i], wd.ifrqstr(i),
                         i == 1);
      if (fid[i] >= 1 && fid[i] <= 33) wd.indf(fid[i]) = i;
      swgcbk(fid[i], [&rs](int id) { rs.wd.ifrqstr(rs.wd.indf(id)) = gwgbut(id); });  // wdbutf
    }
    int nid = check_row("", "Ignore gametic sex, if specified in data", wd.inotord, false);
    swgcbk(nid, [&rs](int id) { rs.wd.inotord = gwgbut(id); });  // wdbuts

    int pid[11] = {};
    for (int i = 1; i <= 10; ++i) {
      bool first = i >= 2 && (i - 2) % 3 == 0;
      std::string head = first ? kGroupHead[(i - 2) / 3] : "";
      pid[i] = check_row(head, kProgText[i], wd.iprog(i), first);
      if (pid[i] >= 30 && pid[i] <= 63) wd.indp(pid[i]) = i;
      swgcbk(pid[i], [&rs](int id) { rs.wd.iprog(rs.wd.indp(id)) = gwgbut(id); });  // wdbutp
    }
    swgspc(0, 0.2f);
    finish(win);

    // The final states of the dialog.
    wd.locsimu = gwglis(lis);
    for (int i = 1; i <= 4; ++i) wd.ifrqstr(i) = gwgbut(fid[i]);
    for (int i = 1; i <= 10; ++i) wd.iprog(i) = gwgbut(pid[i]);
    wd.inotord = gwgbut(nid);
    wd.ievefin = wd.ieveinf = wd.iprog(prog::evenness) == 1 ? 1 : 0;

    normalise_all(wd.aloclist);
    normalise_all(wd.ademlist);
    std::string fault = list_fault(wd.aloclist, nloc, "LIST OF LOCI:", "locus", "loci");
    std::string dfault = list_fault(wd.ademlist, ndem, "LIST OF DEMES:", "deme", "demes");
    if (!dfault.empty()) fault += (fault.empty() ? "" : "|") + dfault;
    if (fault.empty()) return;
    swgtit("TOLM - Interactive input");
    dwgmsg(fault);
    presel = wd.locsimu;
  }
}

void wdsnail(RunState& rs) {
  Wd& wd = rs.wd;
  common_style();
  swgtit("TOLM - Draw differentiation snails");
  swgpop("NOHELP");
  int win = wgini("VERT");
  black();
  wglab(win, "FOR SUBPOPULATION DIFFERENTIATION  Dj, delta");
  red();
  wglab(win, "Select one or both methods of calculating relative subpopulation sizes Cj");
  blue();
  int fin = wgbut(win, "Proportional to sample size", 1);
  swgcbk(fin, [&rs](int id) { rs.wd.iwdspdfin = gwgbut(id); });  // wdspdfin
  swgspc(0, 0.4f);
  int inf = wgbut(win, "All equal to (1/No. of subpopulations) ", 1);
  swgcbk(inf, [&rs](int id) { rs.wd.iwdspdinf = gwgbut(id); });  // wdspdinf
  swgspc(0, 0.2f);
  red();
  wglab(win, "Draw subpopulation differentiation snails in one or both of the formats");
  blue();
  int wmf = wgbut(win, "WMF (Windows Metafile)", 1);
  swgcbk(wmf, [&rs](int id) { rs.wd.iwdwmf = gwgbut(id); });  // wdwmf
  int eps = wgbut(win, "EPS (Enhanced Postscript)", 1);
  swgcbk(eps, [&rs](int id) { rs.wd.iwdeps = gwgbut(id); });  // wdeps
  wd.iwdspdfin = wd.iwdspdinf = wd.iwdwmf = wd.iwdeps = 1;
  finish(win);

  wd.iwdspdfin = gwgbut(fin);
  wd.iwdspdinf = gwgbut(inf);
  wd.iwdwmf = gwgbut(wmf);
  wd.iwdeps = gwgbut(eps);
}

}  // namespace tolm
