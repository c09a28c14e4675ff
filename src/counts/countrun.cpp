// Count files in a run: writing them after counting, merging them at start-up, and filling the
// count store from the merged tables.
#include "counts/countrun.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "core/message.h"
#include "core/records.h"
#include "input/count.h"
#include "io/fixw.h"
#include "io/units.h"

namespace tolm::counts {

namespace {

// The merged tables of a run given -merge=, from start-up to the counting step.
CountTables& merged() {
  static CountTables t;
  return t;
}
bool g_merged = false;

[[noreturn]] void fail(RunState& rs, const std::string& what) {
  rs.con().nl();
  say(rs, "** " + what + ". Execution terminated **");
  stop(rs, 1);
}

std::string rtrim(const std::string& s) {
  const size_t e = s.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

// Channel 26 keeps blocks of `mxnrlc` + 3 records per combination and deme.
long rec26(const Param& p, long kc, long kp, long r) {
  return (p.mxnrlc + 3L) * (static_cast<long>(p.np) * (kc - 1) + kp - 1) + r;
}

// A channel afresh, `n` records long (all zero).
void fresh(RunState& rs, int ch, long n) {
  rs.scratch.clear(ch);
  rs.param.mind(ch) = 0;
  if (n <= 0) return;
  if (ch == 23)
    swrite23(rs, n, 0, 0);
  else
    swrite(rs, ch, n, 0);
}

void open_channels(RunState& rs) {
  for (int ch = io::Scratch::kFirst; ch <= io::Scratch::kLast; ++ch) {
    const int rc = rs.scratch.open(ch);
    if (rc != 0) {
      rs.param.io = rc;
      fail(rs, "Error opening direct access file " + std::to_string(ch));
    }
  }
}

}  // namespace

CountTables tables_of_run(RunState& rs, Work& w, const std::string& input, int unreadable) {
  const Param& p = rs.param;
  CountTables t;
  t.input = input;
  t.input_format = rs.input_format;
  for (int kp = 1; kp <= p.np; ++kp) t.demes.push_back(rtrim(w.prbnam(kp)));
  for (int l = 1; l <= p.nl; ++l) t.loci.push_back(rtrim(w.locnam(l)));
  t.loctyp = p.loctyp;
  t.notord = p.notord;
  t.unreadable = unreadable;
  const long np = p.np;
  for (int kc = 1; kc <= p.nc; ++kc) {
    Combination c;
    const int r = w.nrloc(kc);
    for (int j = 1; j <= r; ++j) c.loci.push_back(w.loccmb(kc, j));
    for (int kp = 1; kp <= np; ++kp) c.sex.push_back(w.kmbord(kc, kp) == 1 ? 1 : 0);
    c.nptr1 = w.nptr1(kc);
    c.nptr2 = w.nptr2(kc);
    for (long h = 1; h <= c.nptr1; ++h)
      for (int j = 1; j <= r; ++j) c.haps.push_back(sread(rs, ch::hapall, rec21(p, h, kc, j)));
    for (long h = 0; h <= c.nptr1; ++h)
      for (long kp = 1; kp <= np; ++kp)
        for (int m = 1; m <= 3; ++m) c.c20.push_back(sread(rs, ch::hapcnt, rec20(p, h, kc, kp, m)));
    for (long g = 1; g <= c.nptr2; ++g) {
      int32_t a = 0, b = 0;
      sread23(rs, rec23(p, g, kc), a, b);
      c.gens.push_back(a);
      c.gens.push_back(b);
    }
    for (long g = 0; g <= c.nptr2; ++g)
      for (long kp = 1; kp <= np; ++kp) c.c22.push_back(sread(rs, ch::gencnt, rec22(p, g, kc, kp)));
    for (long kp = 1; kp <= np; ++kp) {
      for (int k = 1; k <= r + 1; ++k) c.c26.push_back(sread(rs, ch::hetcnt, rec26(p, kc, kp, k)));
      c.c26.push_back(sread(rs, ch::hetcnt, rec26(p, kc, kp, p.mxnrlc + 2)));
      c.c26.push_back(sread(rs, ch::hetcnt, rec26(p, kc, kp, p.mxnrlc + 3)));
    }
    t.combs.push_back(std::move(c));
  }
  return t;
}

std::vector<const Combination*> combinations_of_run(RunState& rs, Work& w);

void before_output(RunState& rs, Work& w, const std::string& fcard, int nlread,
                   const std::string& input) {
  if (rs.opt.emit == "counts") emit_counts(rs, w, fcard, nlread, input);
  if (g_merged) combinations_of_run(rs, w);
}

void emit_counts(RunState& rs, Work& w, const std::string& fcard, int nlread,
                 const std::string& input) {
  Param& p = rs.param;
  const std::string path = io::trim(rs.names.filpath) + io::trim(rs.names.filnam) + ".counts";
  if (!rs.opt.force && io::path_exists(path))
    fail(rs, "Output file " + path +
                 " exists already: give -force to overwrite it, or another "
                 "prefix with -out=");
  int ierr = 0;
  CountTables counted;  // the merged tables are written where they are, not copied
  if (!g_merged) {
    open_channels(rs);
    // Every table a later run may ask for: the multilocus types and heterozygosity too.
    rs.names.aprog(prog::heterozygosity) = 'y';
    p.nurhet = 0;
    p.idurch = 1;
    dots80(rs);
    xcount(rs, w, ierr, fcard, nlread);
    counted = tables_of_run(rs, w, input, ierr);
  }
  const CountTables& t = g_merged ? merged() : counted;
  std::string err;
  if (!write_counts(t, path, err)) {
    p.io = errno;
    fail(rs, "Count file " + path + " " + err);
  }
  say(rs, "Count file      --> " + path);
  stop(rs, ierr > 0 ? 1 : 0);
}

void merge_start(RunState& rs, std::string& header, std::string& input) {
  std::vector<std::string> files;
  std::string err;
  if (!count_file_list(rs.opt.merge, files, err)) fail(rs, "-merge=: " + err);
  CountTables& m = merged();
  for (size_t i = 0; i < files.size(); ++i) {
    CountTables t;
    if (!read_counts(files[i], i == 0 ? m : t, err))
      fail(rs, "Count file \"" + files[i] + "\" " + err);
    const CountTables& just = i == 0 ? m : t;
    if (just.unreadable > 0)
      fail(rs, "Count file \"" + files[i] + "\": " + std::to_string(just.unreadable) +
                   " records of its input file were unreadable, its counts are not used");
    if (i > 0 && !merge_tables(m, files[i - 1], t, files[i], err)) fail(rs, err);
  }
  say(rs, "-- " + std::to_string(files.size()) +
              " count files merged: " + std::to_string(m.demes.size()) + " demes, " +
              std::to_string(m.loci.size()) + " loci");
  input = m.input.empty() ? files[0] : m.input;
  rs.input_format = m.input_format;

  // an input file of the merged demes and loci, without data records
  const char* dir = getenv("TMPDIR");
  std::string tmpl = std::string(dir && *dir ? dir : "/tmp") + "/tolm-merge-XXXXXX";
  const int fd = mkstemp(tmpl.data());
  if (fd < 0) fail(rs, "cannot make a temporary file for the merged count files");
  close(fd);
  std::ofstream f(tmpl, std::ios::trunc);
  f << m.demes.size() << ' ' << m.loci.size() << '\n';
  for (const auto& l : m.loci) f << l << '\n';
  for (const auto& d : m.demes) f << d << '\n';
  f << "UNFORMATTED\n";
  f.close();
  if (!f) {
    std::remove(tmpl.c_str());
    fail(rs, "cannot write the temporary file " + tmpl);
  }
  header = tmpl;
  g_merged = true;
}

bool merged_run() {
  return g_merged;
}

// The merged combination of every combination of the run; stops when one was not counted.
std::vector<const Combination*> combinations_of_run(RunState& rs, Work& w) {
  const Param& p = rs.param;
  const CountTables& m = merged();
  if (p.notord != m.notord)
    fail(rs, std::string("The count files were made with the gametic sex ") +
                 (m.notord ? "ignored" : "kept") +
                 ": give the same choice (-gametic-sex=) to the "
                 "merged run");
  std::map<std::vector<int>, size_t> index;
  for (size_t k = 0; k < m.combs.size(); ++k) index.emplace(m.combs[k].loci, k);
  std::vector<const Combination*> use;
  for (int kc = 1; kc <= p.nc; ++kc) {
    std::vector<int> loci;
    std::string names;
    for (int j = 1; j <= w.nrloc(kc); ++j) {
      loci.push_back(w.loccmb(kc, j));
      names += (j > 1 ? "+" : "") + rtrim(w.locnam(w.loccmb(kc, j)));
    }
    auto it = index.find(loci);
    if (it == index.end())
      fail(rs, "The locus combination " + names + " was not counted in the count files" +
                   (loci.size() > 1 ? " (multilocus combinations shard by individuals only: "
                                      "count them whole in every file)"
                                    : ""));
    use.push_back(&m.combs[it->second]);
  }
  return use;
}

void load_merged(RunState& rs, Work& w) {
  Param& p = rs.param;
  const std::vector<const Combination*> use = combinations_of_run(rs, w);

  // the extents the counting leaves
  const long np = p.np, nc = p.nc;
  long mx1 = 0, mx2 = 0;
  for (int kc = 1; kc <= p.nc; ++kc) {
    const Combination& c = *use[static_cast<size_t>(kc - 1)];
    w.nptr1(kc) = w.nptr2(kc) = 0;
    const bool types = !(c.nrloc() >= 2 && p.nurhet == 1);
    if (types) {
      mx1 = std::max<long>(mx1, c.nptr1);
      mx2 = std::max<long>(mx2, c.nptr2);
    }
  }
  fresh(rs, ch::hapcnt, mx1 > 0 ? 3 * np * nc * (mx1 + 1) + 1 : 3 * nc * np + 1);
  fresh(rs, ch::hapall, static_cast<long>(p.mxnrlc) * nc * (mx1 + 1));
  fresh(rs, ch::gencnt, np * nc * (mx2 + 1));
  fresh(rs, ch::genhap, nc * (mx2 + 1));
  if (rs.names.aprog(prog::heterozygosity) == 'y') fresh(rs, ch::hetcnt, np * (p.mxnrlc + 3L) * nc);

  for (int kc = 1; kc <= p.nc; ++kc) {
    const Combination& c = *use[static_cast<size_t>(kc - 1)];
    const int r = c.nrloc();
    for (long kp = 1; kp <= np; ++kp) {
      const int s = c.sex[static_cast<size_t>(kp - 1)];
      w.kmbord(kc, static_cast<int>(kp)) = s;
      w.sexspc(kc, static_cast<int>(kp)) = s == 1 ? "yes" : " no";
    }
    if (rs.names.aprog(prog::heterozygosity) == 'y')
      for (long kp = 1; kp <= np; ++kp) {
        const size_t base = static_cast<size_t>(kp - 1) * static_cast<size_t>(r + 3);
        for (int k = 1; k <= r + 1; ++k)
          swrite(rs, ch::hetcnt, rec26(p, kc, kp, k), static_cast<int32_t>(c.c26[base + k - 1]));
        swrite(rs, ch::hetcnt, rec26(p, kc, kp, p.mxnrlc + 2),
               static_cast<int32_t>(c.c26[base + r + 1]));
        swrite(rs, ch::hetcnt, rec26(p, kc, kp, p.mxnrlc + 3),
               static_cast<int32_t>(c.c26[base + r + 2]));
      }
    if (r >= 2 && p.nurhet == 1) continue;  // as the counting: heterozygosity alone
    w.nptr1(kc) = c.nptr1;
    w.nptr2(kc) = c.nptr2;
    for (long h = 1; h <= c.nptr1; ++h)
      for (int j = 1; j <= r; ++j)
        swrite(rs, ch::hapall, rec21(p, h, kc, j),
               c.haps[static_cast<size_t>((h - 1) * r + j - 1)]);
    size_t i = 0;
    for (long h = 0; h <= c.nptr1; ++h)
      for (long kp = 1; kp <= np; ++kp)
        for (int mm = 1; mm <= 3; ++mm)
          swrite(rs, ch::hapcnt, rec20(p, h, kc, kp, mm), static_cast<int32_t>(c.c20[i++]));
    for (long g = 1; g <= c.nptr2; ++g)
      swrite23(rs, rec23(p, g, kc), c.gens[static_cast<size_t>((g - 1) * 2)],
               c.gens[static_cast<size_t>((g - 1) * 2 + 1)]);
    i = 0;
    for (long g = 0; g <= c.nptr2; ++g)
      for (long kp = 1; kp <= np; ++kp)
        swrite(rs, ch::gencnt, rec22(p, g, kc, kp), static_cast<int32_t>(c.c22[i++]));
  }
  fresh(rs, ch::hapord, nc * (mx1 + 1));
  fresh(rs, ch::genord, nc * (mx2 + 1));
  if (p.icount == 1) p.icount = 2;
}

}  // namespace tolm::counts
