// The configuration file: seven short lines next to the input file holding the choices of the
// last run (locus configuration, analyses and their refinements, frequency distributions, the
// gametic-sex setting). makcfg writes it once the choices of a pass are complete; redcfg reads it
// at the start of a run and, on the console, offers its options as a whole.
#include "dialog/config.h"

#include <cerrno>

#include "dialog/choose.h"
#include "io/fixw.h"
#include "io/freefmt.h"

namespace tolm {

namespace {

bool any_analysis(const Names& n) {
  for (int i = 1; i <= 7; ++i)
    if (n.aprog(i) == 'y') return true;
  return false;
}

// The answers a configuration file holds; read whole before any of them is taken over.
struct Options {
  int loctyp = 0;
  char aprog[10];
  char evefin, eveinf, spdfin, spdinf;
  char frqstr[4];
  int notord = 0;
};

// Status code of a line that holds something else than the answers it stands for.
constexpr int kBadValue = 5010;

// Characters 1..n of a line, a short line padded with blanks.
void chars(const std::string& line, char* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = i < static_cast<int>(line.size()) ? line[i] : ' ';
}

// Reads the file into `o`, starting from the answers now in force; lines missing at the end keep
// them. Returns 0, or the status code of the failure with `what` saying what was wrong.
int read_options(RunState& rs, Options& o, std::string& what) {
  io::Unit& u = rs.u(ch::config);
  std::string line;
  for (int k = 1; k <= 7; ++k) {
    io::Rd r = u.read_line(line);
    if (r == io::Rd::eof) return 0;
    if (r == io::Rd::error) {
      what = "line " + std::to_string(k) + " cannot be read";
      return errno ? errno : EIO;
    }
    switch (k) {
      case 1: {
        int v = 0;
        if (io::parse_ints(line, nullptr, &v, 1) != io::Rd::ok || v < 0 || v > 3) {
          what = "line 1 must hold the locus configuration 0, 1, 2 or 3";
          return kBadValue;
        }
        o.loctyp = v;
        break;
      }
      case 2:
        chars(line, o.aprog, 7);
        break;
      case 3: {
        char c[2];
        chars(line, c, 2);
        o.evefin = c[0];
        o.eveinf = c[1];
        break;
      }
      case 4: {
        char c[2];
        chars(line, c, 2);
        o.spdfin = c[0];
        o.spdinf = c[1];
        break;
      }
      case 5:
        chars(line, o.frqstr, 4);
        break;
      case 6: {
        char c = line.empty() ? ' ' : line[0];
        if (c != ' ' && c != '0' && c != '1') {
          what = "line 6 must hold the gametic-sex setting 0 or 1";
          return kBadValue;
        }
        o.notord = c == '1' ? 1 : 0;
        break;
      }
      default:
        chars(line, o.aprog + 7, 3);
        break;
    }
  }
  return 0;
}

std::string box_row(const std::string& left, char a) {
  return left + a + std::string(33, ' ') + "|";
}

void show_options(RunState& rs) {
  const Names& n = rs.names;
  io::Unit& c = rs.con();
  auto A = [&](int i) { return std::string(1, n.aprog(i)); };
  auto F = [&](int i) { return std::string(1, n.frqstr(i)); };
  const std::string rule(78, '-');
  c.nl();
  say(rs, "Option file exists : " + io::fa(n.config, 256));
  c.line(rule);
  c.line("| Frequency distributions                  " + A(1) + " | Maternal frequencies         " +
         F(1) + "|");
  c.line("|.....MEASURES.OF.VARIATION.WITHIN.DEMES.... | Paternal frequencies         " + F(2) +
         "|");
  c.line("| Diversity                                " + A(2) + " | Allele/haplotype frequencies " +
         F(3) + "|");
  c.line("| Total population differentiation deltaT  " + A(3) + " | Genotype frequencies         " +
         F(4) + "|");
  c.line("| Evenness                                 " + A(4) +
         " --------------------------------|");
  if (n.aprog(prog::evenness) == 'y') {
    c.line(box_row("|  - finite population size                ", n.evefin));
    c.line(box_row("|  - infinite population size              ", n.eveinf));
  }
  // Closed like the other rows, so that the box stays 78 columns wide.
  c.line(io::rpad("|....MEASURES.OF.VARIATION.BETWEEN.DEMES....|", 77) + "|");
  c.line(box_row("| Genetic distance                         ", n.aprog(prog::distance)));
  c.line(box_row("| Subpopulation differentiation Dj, delta  ", n.aprog(prog::subdiff)));
  if (n.aprog(prog::subdiff) == 'y') {
    c.line(box_row("|  - weights proportional to sample size   ", n.spdfin));
    c.line(box_row("|  - weights all equal to (1/No. subpops)  ", n.spdinf));
  }
  c.line(box_row("| Test of homogeneity                      ", n.aprog(prog::homogeneity)));
  c.line("|.................ANALYSIS.OF.GENOTYPIC.STRUCTURE....................        |");
  c.line(io::rpad("| Heterozygosity", 68) + A(8) + std::string(8, ' ') + "|");
  c.line("| Test of Hardy-Weinberg structure + heterozygosity (single locus)  " + A(9) +
         std::string(8, ' ') + "|");
  c.line("| Test of product structure                         (single locus)  " + A(10) +
         std::string(8, ' ') + "|");
  c.line(rule);
}

}  // namespace

void makcfg(RunState& rs) {
  const Names& n = rs.names;
  const Param& p = rs.param;
  io::Unit& u = rs.u(ch::config);
  const std::string name = io::trim(n.config);
  int rc = u.open_out(name, io::OpenMode::unknown);
  if (rc == 0) {
    const bool any = any_analysis(n);
    std::string l2, l7;
    for (int i = 1; i <= 7; ++i) l2 += n.aprog(i);
    for (int i = 8; i <= 10; ++i) l7 += n.aprog(i);
    u.line(" " + std::to_string(p.loctyp));
    u.line(l2);
    u.line(yes(n.aprog(prog::evenness)) ? std::string{n.evefin, n.eveinf} : "  ");
    u.line(yes(n.aprog(prog::subdiff)) ? std::string{n.spdfin, n.spdinf} : "  ");
    u.line(any ? std::string{n.frqstr(kind::maternal), n.frqstr(kind::paternal),
                             n.frqstr(kind::alleles), n.frqstr(kind::genotypes)}
               : "    ");
    u.line(any ? std::to_string(p.notord) : " ");
    u.line(l7);
    rc = u.close();
  }
  rs.con().nl();
  if (rc == 0) {
    rs.con().line("Options saved in file " + name);
  } else {
    rs.param.io = rc;
    rs.con().line("Error saving options in " + name);
    rs.con().line("   " + cause(rc));
    ++rs.output_failures;
  }
}

int load_cfg(RunState& rs, const std::string& name, std::string& what, bool* close_failed) {
  Names& n = rs.names;
  Param& p = rs.param;
  io::Unit& u = rs.u(ch::config);
  Options o;
  o.loctyp = p.loctyp;
  for (int i = 0; i < 10; ++i) o.aprog[i] = n.aprog(i + 1);
  for (int i = 0; i < 4; ++i) o.frqstr[i] = n.frqstr(i + 1);
  o.evefin = n.evefin;
  o.eveinf = n.eveinf;
  o.spdfin = n.spdfin;
  o.spdinf = n.spdinf;
  o.notord = p.notord;

  what = "it cannot be opened";
  int rc = u.open_in(name);
  if (rc == 0) rc = read_options(rs, o, what);
  if (rc != 0) {
    // A damaged file is left aside as a whole: none of its answers is taken over.
    const bool cf = u.close() != 0;
    if (close_failed) *close_failed = cf;
    return rc;
  }
  u.close();

  p.loctyp = o.loctyp;
  for (int i = 0; i < 10; ++i) n.aprog(i + 1) = o.aprog[i];
  for (int i = 0; i < 4; ++i) n.frqstr(i + 1) = o.frqstr[i];
  n.evefin = o.evefin;
  n.eveinf = o.eveinf;
  n.spdfin = o.spdfin;
  n.spdinf = o.spdinf;
  p.notord = o.notord;
  return 0;
}

void redcfg(RunState& rs) {
  Names& n = rs.names;
  Param& p = rs.param;
  const std::string name = io::trim(n.config);
  std::string what;
  bool close_failed = false;
  int rc = load_cfg(rs, name, what, &close_failed);
  if (rc != 0) {
    p.io = rc;
    say(rs, "** Error reading .cfg file, " + cause(rc));
    say(rs, "** File " + name + ": " + what + " **");
    say(rs, "** Input desired measures and tests by hand");
    rs.con().nl();
    if (close_failed) say(rs, "** Error reading .cfg file, " + cause(rc));
    return;
  }

  if (p.idowidget == 1) return;
  show_options(rs);
  n.vorein = ask_char(rs, R"(Do you want to use these options ? Answer "Y" (yes) or "N" (no): )");
  if (!yes(n.vorein)) rs.con().nl();
}

}  // namespace tolm
