#include "core/runstate.h"

#include <unistd.h>

#include <algorithm>
#include <new>

namespace tolm {

void stop(RunState& rs, int status) {
  rs.units.flush_all();
  throw ProgramStop{status};
}

void press_return_stop(RunState& rs, int status) {
  // A run given -input= waits for nobody.
  if (options_run(rs.opt)) stop(rs, status);
  rs.con().line(R"( ** Press "Return" or "Enter" to terminate program **)");
  std::string line;
  rs.con().flush();
  rs.u(ch::keyboard).read_line(line);
  stop(rs, status);
}

bool read_answer(RunState& rs, std::string& line) {
  if (options_run(rs.opt)) {
    // Every choice of a run given -input= comes from its options: a question is a fault.
    rs.con().nl();
    rs.con().line(
        " ** A run given -input= asks no question, but one was reached. "
        "Execution terminated **");
    stop(rs, 1);
  }
  rs.con().flush();
  io::Rd r = rs.u(ch::keyboard).read_line(line);
  if (r == io::Rd::eof) {
    rs.con().nl();
    rs.con().line(" ** End of input while an answer was expected. Execution terminated **");
    stop(rs, 1);
  }
  return r == io::Rd::ok;
}

char answer_char(const std::string& line) {
  return line.empty() ? ' ' : line[0];
}

namespace {

// Bytes the work arrays take, counted in floating point: the sizes come from the first record of
// the input file, and a damaged one would overflow any integer count.
double table_bytes(double P, double L, double C, double A) {
  const double AP = std::max(A, P), pairs = P * (P + 1) / 2;
  const double cells = 28 * P + 4 * pairs + 18 * P + 6 * C + 4 * L + C + C * P + 4 * L + 2 +
                       3 * A + 1 + 2 * (AP + 1) + (A + 1) * (P + 1) + (A + 1) * (AP + 1);
  return 4 * cells + static_cast<double>(sizeof(std::string)) * (L + P + C * P);
}

}  // namespace

double physical_memory() {
  const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGE_SIZE);
  return pages > 0 && size > 0 ? static_cast<double>(pages) * static_cast<double>(size) : 0;
}

double Work::bytes() const {
  return table_bytes(nnp, nnl, nnc, mxall);
}

void Work::create(int nnp_, int nnl_, int nnc_, int mxall_) {
  // Tables larger than the machine's memory would only be filled with zeros for a long time
  // before the run fails; refuse them at once, as any allocation that cannot be met.
  const double mem = physical_memory();
  if (mem > 0 && table_bytes(nnp_, nnl_, nnc_, mxall_) > mem) throw std::bad_alloc();
  nnp = nnp_;
  nnl = nnl_;
  nnc = nnc_;
  mxall = mxall_;
  const long P = nnp, L = nnl, C = nnc, A = mxall;
  const long pairs = P * (P + 1) / 2;
  const long AP = std::max(A, P);
  for (auto* a : {&aevfin, &aevinf, &chet, &cj, &deltat, &div, &djfin, &djinf, &het, &phet, &revfin,
                  &revinf, &x})
    a->resize(1, P, 0.0f);
  for (auto* a : {&mnfin1, &mnfin2, &mninf1, &mninf2, &mxityp, &n0, &nhet, &nknow, &nlsum, &nposty,
                  &nprb, &nsam, &nsum, &nsumsp, &nunkno})
    a->resize(1, P, 0);
  ga.resize(1, pairs, 0.0f);
  for (auto* a : {&gpcj, &gpdet, &gpdiv, &gpfin, &gpinf, &hgdiv}) a->resize(1, P, 1, 3, 0.0f);
  gpga.resize(1, pairs, 1, 3, 0.0f);
  for (auto* a : {&kmbnow, &nptr1, &nptr2, &nrloc}) a->resize(1, C, 0);
  for (auto* a : {&ihtv1, &ihtv2, &loc, &locord}) a->resize(1, L, 0);
  locnam.resize(1, L, std::string());
  prbnam.resize(1, P, std::string());
  loccmb.resize(1, C, 1, L, 0);
  kmbord.resize(1, C, 1, P, 0);
  sexspc.resize(1, C, 1, P, std::string());
  la.resize(1, L + 1, 1, 2, 0);
  ls.resize(1, L, 1, 2, 0);
  irealt.resize(1, A, 0);
  lextyp.resize(1, A, 0);
  nada.resize(0, A, 0);
  pm.resize(0, AP, 0.0f);
  pw.resize(0, AP, 0.0f);
  ng.resize(0, A, 0, P, 0);
  xpec.resize(0, A, 0, AP, 0.0f);
}

}  // namespace tolm
