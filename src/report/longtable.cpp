#include "report/longtable.h"

#include "core/runstate.h"
#include "io/fixw.h"
#include "io/units.h"

namespace tolm {

namespace {

// The length of a name without its trailing blanks.
size_t trimmed(const std::string& name) {
  size_t n = name.size();
  while (n > 0 && name[n - 1] == ' ') --n;
  return n;
}

void fill_deme(const Work& w, LongRow& r) {
  if (r.deme_name.empty() && r.deme >= 1 && r.deme <= w.nnp) {
    const std::string& name = w.prbnam(r.deme);
    r.deme_name.assign(name, 0, trimmed(name));
  }
}

// long_row on a row the caller built: filled in place and written.
void add_row(RunState& rs, const Work& w, LongRow& r) {
  const Param& p = rs.param;
  if (r.pass == 0) r.pass = p.idurch < 1 ? 1 : p.idurch;
  if (r.combination == 0) r.combination = p.kc;
  if (r.loci.empty() && p.kc >= 1 && p.kc <= w.nnc) {
    for (int i = 1; i <= w.nrloc(p.kc); ++i) {
      if (i > 1) r.loci += '+';
      const std::string& name = w.locnam(w.loccmb(p.kc, i));
      r.loci.append(name, 0, trimmed(name));
    }
  }
  if (r.kind.empty()) r.kind = long_kind(p.mal);
  fill_deme(w, r);
  rs.longtab.add(r);
}

}  // namespace

void long_row(RunState& rs, const Work& w, LongRow r) {
  long_row_again(rs, w, r);
}

void long_row_again(RunState& rs, const Work& w, LongRow& r) {
  if (long_wanted(rs)) add_row(rs, w, r);
}

bool long_wanted(const RunState& rs) {
  return rs.longtab.is_open() || rs.longtab.keep;
}

void long_deme(RunState& rs, const Work& w, const char* measure, int d, float value,
               const std::string& type, int other) {
  if (!long_wanted(rs)) return;
  LongRow r;
  r.deme = w.nprb(d);
  if (other > 0) r.other_deme = w.nprb(other);
  r.type = type;
  r.measure = measure;
  r.value = long_float(value);
  add_row(rs, w, r);
}

void long_deme_n(RunState& rs, const Work& w, const char* measure, int d, long count,
                 const std::string& type) {
  if (!long_wanted(rs)) return;
  LongRow r;
  r.deme = w.nprb(d);
  r.type = type;
  r.measure = measure;
  r.value = static_cast<double>(count);
  add_row(rs, w, r);
}

void long_whole(RunState& rs, const Work& w, const char* measure, float value) {
  if (!long_wanted(rs)) return;
  LongRow r;
  r.measure = measure;
  r.value = long_float(value);
  add_row(rs, w, r);
}

void long_pool_row(RunState& rs, const Work& w, LongRow r) {
  if (!rs.longtab.is_open() && !rs.longtab.keep) return;
  const Param& p = rs.param;
  if (r.pass == 0) r.pass = p.idurch < 1 ? 1 : p.idurch;
  r.combination = 0;
  r.loci = "pool";
  if (r.kind.empty()) r.kind = long_kind(p.mal);
  fill_deme(w, r);
  rs.longtab.add(r);
}

}  // namespace tolm
