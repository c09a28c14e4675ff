#include "report/longtable.h"

#include <utility>

#include "core/runstate.h"
#include "io/fixw.h"
#include "io/units.h"

namespace tolm {

namespace {
void fill_deme(const Work& w, LongRow& r) {
  if (r.deme_name.empty() && r.deme >= 1 && r.deme <= w.nnp)
    r.deme_name = io::trim(w.prbnam(r.deme));
}
}  // namespace

void long_row(RunState& rs, const Work& w, LongRow r) {
  if (!rs.longtab.is_open() && !rs.longtab.keep) return;
  const Param& p = rs.param;
  if (r.pass == 0) r.pass = p.idurch < 1 ? 1 : p.idurch;
  if (r.combination == 0) r.combination = p.kc;
  if (r.loci.empty() && p.kc >= 1 && p.kc <= w.nnc) {
    for (int i = 1; i <= w.nrloc(p.kc); ++i) {
      if (i > 1) r.loci += '+';
      r.loci += io::trim(w.locnam(w.loccmb(p.kc, i)));
    }
  }
  if (r.kind.empty()) r.kind = long_kind(p.mal);
  fill_deme(w, r);
  rs.longtab.add(r);
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
  long_row(rs, w, std::move(r));
}

void long_deme_n(RunState& rs, const Work& w, const char* measure, int d, long count,
                 const std::string& type) {
  if (!long_wanted(rs)) return;
  LongRow r;
  r.deme = w.nprb(d);
  r.type = type;
  r.measure = measure;
  r.value = static_cast<double>(count);
  long_row(rs, w, std::move(r));
}

void long_whole(RunState& rs, const Work& w, const char* measure, float value) {
  if (!long_wanted(rs)) return;
  LongRow r;
  r.measure = measure;
  r.value = long_float(value);
  long_row(rs, w, std::move(r));
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
