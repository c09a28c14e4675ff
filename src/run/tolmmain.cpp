// The main driver: leads one input file from its header to the finished results. It gathers the
// choices (widget menu, configuration file or console questions), counts and sorts the data once
// per run, writes the head of the results, runs the analyses per locus combination and the gene
// pool, and then starts another pass over the same counts or closes the files and ends the run.

#include <algorithm>

#include "analysis/frqpar.h"
#include "analysis/gnpool.h"
#include "counts/countrun.h"
#include "dialog/choose.h"
#include "dialog/config.h"
#include "dialog/intrfc.h"
#include "graphics/wdmenu.h"
#include "input/bsort.h"
#include "input/count.h"
#include "input/namein.h"
#include "io/fixw.h"
#include "plotlayer/widget.h"
#include "report/figures.h"
#include "report/html.h"
#include "run/choices.h"
#include "run/lociwork.h"
#include "run/tolm.h"
#include "stattest/exactout.h"

namespace tolm {

using io::fa;
using io::fi;
using io::trim;

namespace {

// The driver's own values of a run.
struct Drive {
  StartInfo& si;
  Work w;
  std::string fcard;
  int nlread = 0;
  int ioldcfg = 0;
  int nprogs = 0;
  int nfrqst = 0;
  int ierr = 0;
  int status = 0;  // exit status: 1 once a failure has ended the run's work
  // What the counts of the scratch files were made for.
  bool counted_het = false;
  int counted_nurhet = 0;
  int counted_notord = 0;
};

bool console(const RunState& rs) {
  return rs.param.idowidget != 1;
}

char norm(char& a) {
  if (yes(a)) a = 'y';
  return a;
}

// --- set-up ---

void setup(RunState& rs, Drive& d) {
  Param& p = rs.param;
  Names& n = rs.names;
  StartInfo& si = d.si;
  d.w.create(si.nnp, si.nnl, si.nnc, si.mxall);
  n.filnam.clear();
  n.infil.clear();
  n.outfil.clear();
  n.outtab.clear();
  n.outfin.clear();
  n.outinf.clear();
  n.config.clear();
  p.isystem = static_cast<int16_t>(si.isys);
  p.idowidget = si.idowd;
  p.idurch = 1;
  p.np = si.nnp;
  p.nl = si.nnl;
  p.astrix = kMissing;
  p.astrix1 = kMissingNA;
  p.nogpdif.fill(0);

  // directory and output prefix
  if (options_run(rs.opt)) {
    split_name(si.file, n.filpath, rs.wd.prefix);
    si.cfgprefix = rs.wd.prefix;
    if (!rs.opt.out.empty()) rs.wd.prefix = rs.opt.out;
  } else if (console(rs)) {
    split_name(si.file, n.filpath, rs.wd.prefix);
    si.cfgprefix = rs.wd.prefix;
    std::string line;
    do {
      prompt(rs, "Enter prefix for names of output files [default=" + trim(rs.wd.prefix) + "] : ");
    } while (!read_answer(rs, line));
    if (line.find_first_not_of(' ') < 5) rs.wd.prefix = trim(line.substr(0, 80));
  } else {
    n.filpath = si.path;
  }
  n.filnam = rs.wd.prefix;

  // the configuration file is named after the input file, whatever the output prefix
  n.config = trim(n.filpath) + trim(si.cfgprefix) + ".cfg";
  d.ioldcfg = 0;
  // A run given -input= reads only the configuration file it is given.
  if (options_run(rs.opt)) {
    options_config(rs);
  } else if (io::file_exists(n.config)) {
    redcfg(rs);
    d.ioldcfg = 1;
  }
}

void widget_menu(RunState& rs, Drive& d) {
  Names& n = rs.names;
  Wd& wd = rs.wd;
  d.nfrqst = 0;
  for (int i = 1; i <= 4; ++i) {
    wd.ifrqstr(i) = yes(n.frqstr(i)) ? 1 : 0;
    if (n.frqstr(i) == 'y') ++d.nfrqst;
  }
  for (int i = 1; i <= 10; ++i) wd.iprog(i) = yes(n.aprog(i)) ? 1 : 0;
  wd.ievefin = wd.ieveinf = wd.ispdfin = wd.ispdinf = wd.inotord = 0;
  rs.param.notord = 0;
  wd.locsimu = rs.param.loctyp;

  wdmenu(rs, d.si.nnl, d.si.nnp, d.ioldcfg, d.si.isys);

  d.nfrqst = 0;
  for (int i = 1; i <= 4; ++i) {
    n.frqstr(i) = wd.ifrqstr(i) == 1 ? 'y' : 'n';
    if (wd.ifrqstr(i) == 1) ++d.nfrqst;
  }
  d.nprogs = 0;
  for (int i = 1; i <= 10; ++i) {
    n.aprog(i) = wd.iprog(i) == 1 ? 'y' : 'n';
    if (wd.iprog(i) == 1) ++d.nprogs;
  }
  n.evefin = wd.ievefin == 1 ? 'y' : 'n';
  n.eveinf = wd.ieveinf == 1 ? 'y' : 'n';
  rs.param.notord = wd.inotord;
}

void snail_choice(RunState& rs) {
  Param& p = rs.param;
  Names& n = rs.names;
  Wd& wd = rs.wd;
  if (n.aprog(prog::subdiff) != 'y') return;
  wd.ispdfin = wd.ispdinf = 1;
  n.spdfin = n.spdinf = 'y';
  p.idoeps = p.idowmf = 1;
  if (console(rs)) return;
  wd.iwdspdfin = wd.iwdspdinf = wd.iwdeps = wd.iwdwmf = 1;
  wdsnail(rs);
  if (wd.iwdspdfin == 0) {
    n.spdfin = 'n';
    wd.ispdfin = 0;
  }
  if (wd.iwdspdinf == 0) {
    n.spdinf = 'n';
    wd.ispdinf = 0;
  }
  if (wd.iwdeps == 0) p.idoeps = 0;
  if (wd.iwdwmf == 0) p.idowmf = 0;
}

void locus_configuration(RunState& rs) {
  dots80(rs);
  say(rs, R"(Locus configuration ?   "0" : all single loci    "2" : multilocus - some loci)");
  say(rs, R"(                        "1" : some single loci   "3" : multilocus - all loci)");
  for (;;) {
    int v = ask_number(rs, "Option ? : ");
    if (v >= 0 && v <= 3) {
      rs.param.loctyp = v;
      return;
    }
    not_recognizable(rs);
  }
}

// --- questions of a pass ---

void frequency_questions(RunState& rs, Drive& d) {
  Names& n = rs.names;
  say(rs, R"(Choice of frequency distributions (Answer "Y" (yes) or "N" (no)))");
  n.frqstr(kind::maternal) =
      ask_char(rs, "   Allele/haplotype frequencies among maternal contributions ? : ");
  n.frqstr(kind::paternal) =
      ask_char(rs, "   Allele/haplotype frequencies among paternal contributions ? : ");
  n.frqstr(kind::alleles) = ask_char(rs, "   Allele/haplotype frequencies ? : ");
  n.frqstr(kind::genotypes) = ask_char(rs, "   Genotype frequencies ? : ");
  frqdst(rs, d.nfrqst);
  gamsex(rs);
}

void analysis_questions(RunState& rs, Drive& d) {
  Names& n = rs.names;
  choose(rs);
  d.nprogs = 0;
  for (int i = 1; i <= 7; ++i)
    if (norm(n.aprog(i)) == 'y') ++d.nprogs;
  // Subpopulation differentiation chosen on the console draws its snails too, as in the
  // dialog windows, for the weightings answered yes.
  if (n.aprog(prog::subdiff) == 'y') rs.param.idoeps = rs.param.idowmf = 1;
  rs.con().nl();
  say(rs, "   Analysis of genotypic structure");
  say(rs, "   -------------------------------");
  n.aprog(prog::heterozygosity) = ask_char(rs, "   Heterozygosity ? : ");
  say(rs, "   Tests of single locus structure :");
  rs.con().nl();
  n.aprog(prog::hardyweinberg) =
      ask_char(rs, "      Test of Hardy-Weinberg structure and heterozygosity ? : ");
  n.aprog(prog::product) =
      ask_char(rs, "      Test of product structure (only if gametic sex is specified) ? : ");
  for (int i = 8; i <= 10; ++i)
    if (norm(n.aprog(i)) == 'y') ++d.nprogs;
}

void pass_questions(RunState& rs, Drive& d) {
  Param& p = rs.param;
  Names& n = rs.names;
  if (!console(rs)) return;
  // frequency distributions
  dots80(rs);
  if (p.idurch > 1) {
    if (!yes(ask_char(rs, "Same frequency distributions ? : "))) {
      for (int i = 1; i <= 4; ++i) n.frqstr(i) = 'n';
      frequency_questions(rs, d);
    }
  } else {
    frequency_questions(rs, d);
  }
  // analyses
  dots80(rs);
  if (p.idurch > 1 && yes(ask_char(rs, "Same calculations ? : "))) return;
  analysis_questions(rs, d);
}

// Ends the run when nothing is left to calculate.
void check_choices(RunState& rs, Drive& d) {
  Param& p = rs.param;
  const Names& n = rs.names;
  const bool structure = n.aprog(prog::heterozygosity) == 'y' ||
                         n.aprog(prog::hardyweinberg) == 'y' || n.aprog(prog::product) == 'y';
  if (d.nprogs <= 0 || (d.nfrqst <= 0 && !structure)) {
    if (console(rs)) {
      rs.con().nl();
      say(rs, "** No calculations chosen.  Execution terminated **");
    } else {
      dwgmsg(" No calculations chosen |  Execution terminated  ");
    }
    stop(rs, 1);
  }
  if (p.icount == 0) p.icount = 1;
  p.nurhet = d.nprogs == 1 && n.aprog(prog::heterozygosity) == 'y' ? 1 : 0;
  makcfg(rs);
}

void deme_list(RunState& rs, Drive& d, io::Unit& u) {
  for (int i = 1; i <= rs.param.np; ++i) u.line("Deme  " + fi(i, 3) + " : " + trim(d.w.prbnam(i)));
}

// False when the number of demes cannot be read: the choices are then checked again.
bool demes_for_output(RunState& rs, Drive& d) {
  Param& p = rs.param;
  Work& w = d.w;
  for (;;) {
    dots80(rs);
    deme_list(rs, d, rs.con());
    rs.con().nl();
    say(rs, R"(Demes for output ?      "0" : all demes        "1" : some demes)");
    prompt(rs, "Option ? : ");
    if (!read_numbers(rs, &p.isp, 1)) continue;
    if (p.isp == 0 || p.isp == 1) break;
    not_recognizable(rs);
  }
  p.maxp = 0;
  if (p.np == 1 || p.isp == 0) {
    for (int i = 1; i <= p.np; ++i) w.nprb(i) = i;
    p.maxp = p.np;
    return true;
  }
  for (;;) {
    prompt(rs, " How many demes (max." + fi(p.np, 4) + ") ? : ");
    if (!read_numbers(rs, &p.nsp, 1)) return false;
    if (p.nsp > p.np)
      say(rs, "** Too many demes. Try again ... **");
    else if (p.nsp < 1)
      not_recognizable(rs);
    else
      break;
  }
  std::vector<int> v(static_cast<size_t>(p.nsp), 0);
  for (;;) {
    prompt(rs, "   Which demes (separated by commas and using as many lines as necessary) ? : ");
    if (!read_numbers(rs, v.data(), p.nsp)) continue;
    auto bad = std::find_if(v.begin(), v.end(), [&](int x) { return x < 1 || x > p.np; });
    if (bad == v.end()) break;
    say(rs, "** Deme " + std::to_string(*bad) + " does not exist. Try again ... **");
  }
  for (int i = 1; i <= p.nsp; ++i) w.nprb(i) = v[static_cast<size_t>(i - 1)];
  p.maxp = p.nsp;
  return true;
}

// --- counting ---

// A file operation failed: the status code follows the message, the run closes.
void failure_end(RunState& rs, Drive& d) {
  rs.con().line(cause_line(rs.param.io));
  rs.param.icount = 2;
  d.status = 1;
}

// The tabular file with its three header lines; false after a failure.
bool open_tabular(RunState& rs, Drive& d) {
  io::Unit& t = rs.u(ch::tabular);
  int rc = t.open_out(trim(rs.names.outtab), io::OpenMode::unknown);
  if (rc != 0) {
    rs.param.io = rc;
    say(rs, "** Error opening tabular output file " + fa(rs.names.outtab, 256) + " **");
    failure_end(rs, d);
    return false;
  }
  t.line("TOLM_INPUT__FILE \"" + trim(d.si.file) + "\"");
  t.line("TOLM_OUTPUT_FILE \"" + trim(rs.names.outfil) + "\"");
  t.line(fa(d.si.adate, 30));
  return true;
}

// Which parts of the analyses run in this pass.
void analysis_switches(RunState& rs) {
  Param& p = rs.param;
  const Names& n = rs.names;
  p.idoparsub = 0;
  for (int i = 1; i <= 7; ++i)
    if (n.aprog(i) == 'y') p.idoparsub = 1;
  p.idopartab = p.idoparsub == 1 || n.aprog(prog::heterozygosity) == 'y' ? 1 : 0;
}

// Opens the scratch files and counts the input file. False when the pass cannot go on.
bool count_data(RunState& rs, Drive& d) {
  Param& p = rs.param;
  for (int c = ch::first_scratch; c <= ch::last_scratch; ++c) {
    if (c == ch::hetcnt && rs.names.aprog(prog::heterozygosity) != 'y') continue;
    int rc = rs.scratch.open(c);
    if (rc != 0) {
      p.io = rc;
      say(rs, "** Error opening direct access file " + std::to_string(c) + " **");
      failure_end(rs, d);
      return false;
    }
  }
  if (p.idopartab == 1 && !rs.u(ch::tabular).is_open() && !open_tabular(rs, d)) return false;
  dots80(rs);
  d.ierr = 0;
  // A count on a later pass is a count afresh, not the reuse of earlier counts.
  const int idurch = p.idurch;
  p.idurch = 1;
  if (counts::merged_run())
    counts::load_merged(rs, d.w);
  else
    xcount(rs, d.w, d.ierr, d.fcard, d.nlread);
  p.idurch = idurch;
  if (d.ierr > 0) {
    p.icount = 2;
    d.status = 1;
    return false;
  }
  d.counted_het = rs.names.aprog(prog::heterozygosity) == 'y';
  d.counted_nurhet = p.nurhet;
  d.counted_notord = p.notord;
  return true;
}

// A later pass may ask for what the counts of the first pass left out: heterozygosity, the
// multilocus types (not counted for heterozygosity alone), or the other treatment of the
// gametic sex. Then the scratch files are dropped and the data counted again.
void recount_if_needed(RunState& rs, Drive& d) {
  Param& p = rs.param;
  if (p.icount != 2) return;
  const bool het = rs.names.aprog(prog::heterozygosity) == 'y' && !d.counted_het;
  const bool types = d.counted_nurhet == 1 && p.nurhet == 0 && p.mxnrlc > 1;
  if (!het && !types && p.notord == d.counted_notord) return;
  say(rs, "-- The counts of the first pass do not serve these calculations: counting again");
  for (int c = ch::first_scratch; c <= ch::last_scratch; ++c) {
    rs.scratch.close(c);
    p.mind(c) = 0;
  }
  p.isort1 = p.isort2 = 0;
  p.icount = 1;
}

void sort_types(RunState& rs, Drive& d) {
  Param& p = rs.param;
  const Names& n = rs.names;
  Work& w = d.w;
  auto y = [&](int i) { return n.aprog(i) == 'y'; };
  if (p.isort1 == 0 && (y(1) || y(7) || y(9) || y(10))) {
    say(rs, "-- Sorting haplotypes ...");
    int mx = 0;
    for (int k = 1; k <= p.nc; ++k) mx = std::max(mx, w.nptr1(k));
    bsort1(rs, w, mx);
    p.isort1 = 1;
  }
  if (p.isort2 == 0 && (((y(1) || y(7)) && n.frqstr(kind::genotypes) == 'y') || y(9) || y(10))) {
    say(rs, "-- Sorting genotypes ...");
    int mx = 0;
    for (int k = 1; k <= p.nc; ++k) mx = std::max(mx, w.nptr2(k));
    bsort2(rs, w, mx);
    p.isort2 = 1;
  }
}

// --- results ---

void results_head(RunState& rs, Drive& d) {
  Param& p = rs.param;
  Work& w = d.w;
  io::Unit& u = rs.out();
  const std::string rule(72, '-');
  heading(rs, p.iunit, d.si.isys);
  u.line(rule);
  u.line("Input_file: " + trim(d.si.file));
  if (!rs.input_format.empty()) u.line("Input_format: " + rs.input_format);
  u.line(d.si.adate);
  if (exact_on(rs) &&
      (rs.names.aprog(prog::homogeneity) == 'y' || rs.names.aprog(prog::hardyweinberg) == 'y' ||
       rs.names.aprog(prog::product) == 'y'))
    u.line("Seed_of_exact_tests: " + std::to_string(rs.opt.seed));
  u.nl();
  deme_list(rs, d, u);
  if (p.mxnrlc == 1) {
    u.nl();
    for (int k = 1; k <= p.nc; ++k) {
      int l = w.loccmb(k, 1);
      u.line("Locus " + fi(l, 3) + " : " + fa(w.locnam(l), 12));
    }
  } else {
    for (int k = 1; k <= p.nc; ++k) {
      u.nl();
      for (int i = 1; i <= w.nrloc(k); ++i) {
        int l = w.loccmb(k, i);
        std::string lead = i == 1 ? "Combination_No. " + fi(k, 3) + " : Locus "
                                  : std::string(19, ' ') + "   Locus ";
        u.line(lead + fi(l, 3) + " - " + fa(w.locnam(l), 12));
      }
    }
  }
  u.line(rule);
  u.line("Abbreviations");
  u.line(rule);
  u.line("O_or_E           Observed_or_Expected_absolute_frequency_in_a_test");
  u.line("{_}              Denotes_multilocus_haplotype_or_genotype");
  u.line("NA               Denotes_undefinable_parameter_value");
  u.line(R"(Gam.sex.spec.?   Abbreviation_of_"Gametic_sex_specification?")");
  u.line(R"(               = "yes",_if_maternal/paternal_alleles_distinguishable)");
  u.line(R"(               = "no"_,_otherwise.)");
  u.line("alpha            All_alleles/haplotypes/genotypes_of_relative_frequency");
  u.line(R"(                 not_less_than_"alpha"_in_deme_appear_in_sample)");
  u.line("                 (with replacement) with_probability>=0.95");
  u.line("alpha-HWP        As_above,_if_genotypes_in_deme_are_in");
  u.line("                 Hardy-Weinberg-Proportions_(HWP)");
}

void combinations(RunState& rs, Drive& d) {
  Param& p = rs.param;
  Work& w = d.w;
  auto progress = [&](int kc) {
    if (rs.names.outunit == 's') return;
    if (p.mxnrlc == 1) {
      int l = w.loccmb(kc, 1);
      rs.con().line("    - for_Locus " + fi(l, 3) + " : " + fa(w.locnam(l), 12));
    } else {
      for (int i = 1; i <= w.nrloc(kc); ++i) {
        int l = w.loccmb(kc, i);
        std::string lead = i == 1 ? "    - for_Combination_No. " + fi(kc, 3) + ":  Locus "
                                  : std::string(29, ' ') + "   Locus ";
        rs.con().line(lead + fi(l, 3) + " - " + fa(w.locnam(l), 12));
      }
    }
  };
  analyse_loci(rs, w, progress);
}

// The long table of the run, opened once beside the results (for results on the screen too,
// then named after the input file); later passes add their rows to it.
void open_long_table(RunState& rs) {
  // The HTML report shows the figures of the run, so it asks for them as SVG.
  if (rs.opt.report_html &&
      std::find(rs.opt.figures.begin(), rs.opt.figures.end(), "svg") == rs.opt.figures.end())
    rs.opt.figures.push_back("svg");
  rs.longtab.keep = !rs.opt.figures.empty() || rs.opt.report_html;
  if (!rs.opt.long_table || rs.longtab.is_open()) return;
  const std::string path = trim(rs.names.filpath) + trim(rs.names.filnam) + "-long.tsv";
  int err = 0;
  if (!rs.longtab.open(path, err)) {
    rs.param.io = err;
    say(rs, "** Error opening long table " + path + ", " + cause(err) + " **");
  }
}

void results(RunState& rs, Drive& d) {
  Param& p = rs.param;
  const Names& n = rs.names;
  auto y = [&](int i) { return n.aprog(i) == 'y'; };
  say(rs, "-- Calculating and outputting results ...");
  inpool(rs, d.w);
  p.iwithn = y(2) || y(3) || y(4) ? 1 : 0;
  p.ibetwn = y(5) || y(6) || y(7) ? 1 : 0;
  if (p.iunit == ch::console && !options_run(rs.opt)) {
    prompt(rs, "Type any key to view output : ");
    std::string line;
    read_answer(rs, line);
  }
  if (p.idurch <= 1) {
    results_head(rs, d);
    open_long_table(rs);
  }
  combinations(rs, d);
  if ((y(2) || y(3) || y(5) || y(6)) && p.mxnrlc == 1 && p.nc > 1 &&
      (p.nyw == 1 || p.nym == 1 || p.nys == 1)) {
    rs.con().line("    - for_gene_pool");
    pargpl(rs, d.w);
  }
  exgpl(rs, d.w);
}

// --- end of the run ---

void closing(RunState& rs, Drive& d) {
  Param& p = rs.param;
  Names& n = rs.names;
  if (p.iunit == ch::results && rs.u(ch::results).is_open()) {
    rs.u(ch::results).put("\n\n\n\n");
    int rc = rs.u(ch::results).close();
    if (rc != 0) {
      p.io = rc;
      say(rs, "** Error closing output file " + fa(n.outfil, 256) + " **");
      failure_end(rs, d);
      return;
    }
  }
  // The tabular file stays the one opened on the first pass, even when the results of a later
  // pass go elsewhere: report the file that was written.
  const bool tabular = rs.u(ch::tabular).is_open();
  const std::string tabname = tabular ? rs.u(ch::tabular).path() : trim(n.outtab);
  if (tabular) {
    int rc = rs.u(ch::tabular).close();
    if (rc != 0) {
      p.io = rc;
      say(rs, "** Error closing tabular output file " + fa(n.outtab, 256) + " **");
      failure_end(rs, d);
      return;
    }
  }
  const std::string longname = rs.longtab.path();
  const bool longtab = rs.longtab.is_open();
  if (longtab) {
    int rc = rs.longtab.close();
    if (rc != 0) {
      p.io = rc;
      say(rs, "** Error writing long table " + longname + ", " + cause(rc) + " **");
      d.status = 1;
    }
  }
  if (p.nurhet == 1 || d.ierr > 0) p.icount = 2;
  if (console(rs)) dots80(rs);
  // Snails are drawn only for subpopulation differentiation.
  const bool snails =
      (p.idoeps == 1 || p.idowmf == 1) && n.aprog(prog::subdiff) == 'y' && n.outunit == 'f';
  if (n.outunit == 'f') say(rs, "Complete output --> " + trim(n.outfil));
  if (tabular) say(rs, "Tabular output  --> " + tabname);
  if (longtab) say(rs, "Long table      --> " + longname);
  if (snails && rs.snail_failures == 0)
    say(rs, "Snail diagrams  --> In directory " + trim(n.snaildir));
  if (snails && rs.snail_failures > 0)
    say(rs, "Snail diagrams  --> not written, see the messages above");
  write_overview_figures(rs);
  write_html_report(rs, d.w, d.si.file, d.si.adate);
  if (!console(rs)) {
    std::string text = "Complete output --> " + trim(n.outfil);
    if (tabular) text += "| |Tabular output  --> " + tabname;
    if (snails) text += "| |Snail diagrams  --> In directory " + trim(n.snaildir);
    swgtit("TOLM - Output files");
    dwgmsg(text);
  }
}

[[noreturn]] void end_run(RunState& rs, Drive& d) {
  if (rs.output_failures > 0) d.status = 1;
  if (rs.param.icount == 2) clsfil(rs, d.status);
  // A run given -input= waits for nobody.
  if (options_run(rs.opt)) stop(rs, d.status);
  say(rs, R"(** Press "Return" or "Enter" to terminate program **)");
  std::string line;
  rs.con().flush();
  rs.u(ch::keyboard).read_line(line);
  rs.u(ch::keyboard).close();
  stop(rs, d.status);
}

}  // namespace

void tolmmain(RunState& rs, StartInfo& si) {
  Param& p = rs.param;
  Names& n = rs.names;
  Drive d{si, {}, {}, 0, 0, 0, 0, 0, 0};
  setup(rs, d);
  if (!console(rs)) widget_menu(rs, d);
  bool preset = false;
  if (options_run(rs.opt)) {
    // Every choice comes from the options; nothing is written before they are checked.
    namein(rs, d.w, d.fcard, d.nlread);
    apply_choices(rs, d.w, d.nprogs, d.nfrqst);
    guard_outputs(rs);
    preset = true;
  } else {
    snail_choice(rs);
    namein(rs, d.w, d.fcard, d.nlread);
    if (console(rs)) locus_configuration(rs);
    appar(rs, d.w);
  }
  if (yes(n.vorein) && !options_run(rs.opt)) {
    // The options of the configuration file stand for the questions of the first pass.
    d.nprogs = 0;
    for (int i = 1; i <= 10; ++i)
      if (norm(n.aprog(i)) == 'y') ++d.nprogs;
    frqdst(rs, d.nfrqst);
    gamsex(rs);
    preset = true;
  }

  for (;;) {
    if (!preset) pass_questions(rs, d);
    preset = false;
    // An unreadable number of demes returns to the check of the choices.
    do {
      check_choices(rs, d);
    } while (console(rs) && p.idurch == 1 && !options_run(rs.opt) && !demes_for_output(rs, d));

    if (p.idurch == 1) counts::before_output(rs, d.w, d.fcard, d.nlread, si.file);
    if (options_run(rs.opt))
      options_output(rs, si.ncol, si.iwidstd);
    else
      output(rs, si.ncol, si.iwidstd, rs.wd.prefix);
    if (p.iunit == ch::results && !rs.u(ch::results).is_open()) {
      // Results are never written to nowhere: the run closes.
      p.icount = 2;
      d.status = 1;
      end_run(rs, d);
    }

    bool usable = true;
    analysis_switches(rs);
    if (p.idurch > 1) recount_if_needed(rs, d);
    if (p.icount == 1) {
      usable = count_data(rs, d);
      if (!usable && d.ierr == 0) end_run(rs, d);  // a file could not be opened
    } else if (p.idopartab == 1 && !rs.u(ch::tabular).is_open() && !open_tabular(rs, d)) {
      end_run(rs, d);
    }
    if (usable) {
      sort_types(rs, d);
      results(rs, d);
    }

    dots80(rs);
    // Unusable counts end the run: another pass would analyse them.
    if (usable && console(rs) && !options_run(rs.opt)) {
      say(rs, "Additional calculations using same input file and locus configuration ? : ");
      if (yes(ask_char(rs, "Option ? : "))) {
        // The tabular file of the passes so far takes its name; the next pass goes on in it.
        if (rs.u(ch::tabular).is_open() && rs.u(ch::tabular).commit() != 0) ++rs.output_failures;
        ++p.idurch;
        continue;
      }
    }
    break;
  }
  closing(rs, d);
  end_run(rs, d);
}

}  // namespace tolm
