// Frequency distributions of one locus combination and one kind: a block of sample descriptors
// per deme, then the absolute and the relative table of the types in their sorted order.
//
// Reads the haplotype count, allele and order files (channels 20, 21, 24) for the haplotype
// kinds (`mal` 1 to 3) and the genotype count, definition and order files (22, 23, 25) for the
// genotypes (`mal` 4); writes to the results unit. Leaves the unknown count of every output deme
// in `n0`, and marks `nogpdif`(`mal`) when a deme has no identified individual. Also holds
// `alpha`, the sample-size measure shared with the tabular file.
#include "analysis/frqout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/parsub.h"
#include "core/records.h"
#include "io/fixw.h"
#include "report/kit.h"
#include "report/longtable.h"

namespace tolm {

namespace {

using io::fa;
using io::ff;
using io::fi;
using io::rep;

// alpha in thousandths for samples of 1 to 116
const int16_t alphan[116] = {
    1000, 1000, 1000, 1000, 1000, 402, 350, 334, 334, 334, 288, 266, 251, 251, 251, 228, 215,
    204,  201,  201,  191,  181,  174, 167, 167, 167, 158, 152, 147, 143, 143, 143, 136, 132,
    128,  126,  126,  124,  120,  117, 114, 112, 112, 111, 107, 105, 103, 101, 101, 101, 97,
    95,   94,   92,   91,   91,   89,  88,  86,  85,  84,  84,  83,  81,  80,  79,  78,  77,
    77,   76,   75,   74,   73,   72,  72,  71,  70,  69,  68,  67,  67,  67,  66,  65,  64,
    64,   63,   63,   63,   62,   61,  60,  60,  59,  59,  59,  58,  58,  57,  56,  56,  56,
    56,   55,   54,   54,   53,   53,  53,  53,  52,  52,  51,  51,  51,  51};

// entry i: the smallest sample whose alpha is at most i thousandths (1 to 7 are never reached)
const int16_t nalpha[50] = {10000, 10000, 10000, 10000, 10000, 10000, 10000, 972, 850, 754,
                            675,   612,   558,   513,   474,   440,   410,   384, 361, 341,
                            321,   304,   289,   275,   264,   251,   241,   229, 220, 212,
                            204,   197,   190,   183,   177,   171,   167,   161, 155, 152,
                            147,   142,   139,   134,   132,   127,   125,   121, 118, 117};

// One section of one table: the type written over as many lines as its entries need.
void put_type(io::Unit& o, int pos, const std::vector<std::string>& entries, int per_line) {
  std::string s = fi(pos, 4) + ". {";
  int on_line = 0;
  for (const std::string& e : entries) {
    if (on_line == per_line) {
      o.line(s);
      s = rep(' ', 6);
      on_line = 0;
    }
    s += e;
    ++on_line;
  }
  o.line(s + " }");
}

}  // namespace

float alpha(int n) {
  if (n <= 0) return kMissing;  // nothing identified: the measure is undefined
  if (n > 971) return 0.008f;
  if (n <= 116) return static_cast<float>(alphan[n - 1]) * 0.001f;
  for (int i = 49; i >= 1; --i)
    if (n < nalpha[i - 1]) return static_cast<float>(i + 1) * 0.001f;
  return 0.008f;
}

char aless(int n) {
  return n > 971 ? '<' : ' ';
}

namespace {

// The counts of one combination and kind, types by demes: row i holds the type at output
// position i (`order`[i], below 1 for a position without a type) with its count in every output
// deme. Read once, so that the blocks of demes read one row per type instead of reading all over
// the count store.
struct FreqTable {
  int ntypes = 0, maxp = 0;
  std::vector<int> order;       // 1..ntypes
  std::vector<int32_t> counts;  // ntypes x maxp
  const int32_t* row(int i) const {
    return &counts[static_cast<size_t>(i - 1) * static_cast<size_t>(maxp)];
  }
};

// What a section needs of its combination and kind.
struct Section {
  int kc, mal, maxp, nr, ksex;
  bool haplo;
};

FreqTable load_table(RunState& rs, const Work& w, const Section& x) {
  const Param& p = rs.param;
  FreqTable f;
  f.ntypes = x.haplo ? w.nptr1(x.kc) : w.nptr2(x.kc);
  f.maxp = x.maxp;
  f.order.assign(static_cast<size_t>(f.ntypes) + 1, 0);
  f.counts.assign(static_cast<size_t>(f.ntypes) * static_cast<size_t>(x.maxp), 0);
  for (int i = 1; i <= f.ntypes; ++i) {
    const int t = sread(rs, x.haplo ? 24 : 25, rec24(p, i, x.kc));
    f.order[static_cast<size_t>(i)] = t;
    if (t < 1) continue;
    int32_t* row = &f.counts[static_cast<size_t>(i - 1) * static_cast<size_t>(x.maxp)];
    for (int j = 1; j <= x.maxp; ++j) {
      const int kp = w.nprb(j);
      row[j - 1] = x.haplo ? sread(rs, ch::hapcnt, rec20(p, t, x.kc, kp, x.mal))
                           : sread(rs, ch::gencnt, rec22(p, t, x.kc, kp));
    }
  }
  return f;
}

// Relative frequency of count c in output deme j: of the identified genes of the haplotype
// kinds, of the identified individuals of the genotypes.
float freq(const Work& w, const Section& x, int j, int c) {
  const float ident = static_cast<float>(w.nsam(j) - w.n0(j));
  if (x.haplo)
    return static_cast<float>(c) / std::max(0.00001f, ident * static_cast<float>(x.ksex));
  return static_cast<float>(c) / std::max(0.000001f, ident);
}

// 2. Descriptor blocks: sex specification, sizes, alpha and the unknown counts of every deme.
void descriptors(RunState& rs, Work& w, const Section& x) {
  Param& p = rs.param;
  io::Unit& o = rs.out();
  for (int j = 1; j <= x.maxp; ++j) {
    w.nsum(j) = w.nsam(j) - w.n0(j);
    if (x.haplo && w.nsum(j) == 0)
      pool_step(rs, w, {PoolStep::no_pool, PoolStep::set, 0, x.mal, 0});
  }
  auto int_row = [&](const char* label, int j1, int j2, auto value) {
    o.line(kit::row_after(fa(label, 15), j1, j2, "     ", [&](int j) { return fi(value(j), 5); }));
  };
  auto alpha_row = [&](const char* label, int j1, int j2, int factor) {
    o.line(kit::row_after(fa(label, 13), j1, j2, "   ", [&](int j) {
      const int n = factor * w.nsum(j);
      return aless(n) + ff(alpha(n), 6, 3);
    }));
  };
  kit::blocks(o, x.maxp, p.iwidth, "", [&](int j1, int j2) {
    o.line(kit::deme_row(w, j1, j2, true));
    o.line(kit::row_after(fa("Gam.sex.spec.?", 15), j1, j2, "     ", [&](int j) {
      const std::string& t = w.sexspc(x.kc, w.nprb(j));
      return "  " + fa(t.empty() ? " no" : t, 3);
    }));
    int_row("Deme_size", j1, j2, [&](int j) { return w.nsam(j); });
    int_row("No._identified", j1, j2, [&](int j) { return w.nsum(j); });
    alpha_row("alpha", j1, j2, 1);
    if (x.mal == kind::alleles) alpha_row("alpha-HWP", j1, j2, 2);
    int_row("No._unknown", j1, j2, [&](int j) { return w.n0(j); });
  });
}

// 3. The absolute (rel 0) or relative (rel 1) table, in blocks of demes; a block without
// identified individuals is left out. `nsum` holds the counts of the row being written and
// `nsumsp` their running sums.
void table(RunState& rs, Work& w, const Section& x, const FreqTable& f, int rel) {
  const Param& p = rs.param;
  io::Unit& o = rs.out();
  const int iw = std::max(1, p.iwidth);
  const char* heading = !x.haplo ? "Genotype" : x.nr == 1 ? "Allele" : "Haplotype";
  // entries per line of a long multilocus type
  const int per_line = x.haplo ? (10 * std::max(iw, 10) + 9) / 3 : (10 * iw + 9) / 5;
  auto allele = [&](long h, int locus) { return sread(rs, ch::hapall, rec21(p, h, x.kc, locus)); };

  kit::subtitle(o, rel ? "Relative_frequency_distribution" : "Absolute_frequency_distribution");
  auto shown = [&](int j1, int j2) {
    bool any = false;
    for (int j = j1; j <= j2; ++j) any = any || w.nsam(j) > w.n0(j);
    return any;
  };
  kit::blocks_shown(o, x.maxp, p.iwidth, "", shown, [&](int j1, int j2) {
    o.line(kit::deme_row(w, j1, j2, true));
    o.line(heading);

    for (int i = 1; i <= f.ntypes; ++i) {
      const int t = f.order[static_cast<size_t>(i)];
      if (t < 1) continue;
      const int32_t* row = f.row(i);
      bool present = false;
      for (int j = j1; j <= j2; ++j) {
        const int c = row[j - 1];
        w.nsum(j) = c;
        w.nsumsp(j) += c;
        present = present || c != 0;
      }
      if (!present) continue;

      // the per-deme cells of the row
      auto cells = [&](int int_width, int int_gap) {
        std::string s;
        s.reserve(static_cast<size_t>(10 * (j2 - j1 + 1) + 8));
        for (int j = j1; j <= j2; ++j) {
          if (rel) {
            s += ' ';
            s += ff(freq(w, x, j, w.nsum(j)), 6, 3);
            s += "   ";
          } else {
            io::append_int(s, w.nsum(j), int_width);
            s.append(static_cast<size_t>(int_gap), ' ');
          }
        }
        return s;
      };

      int32_t h1 = t, h2 = 0;
      if (!x.haplo) sread23(rs, rec23(p, t, x.kc), h1, h2);
      if (x.nr == 1) {
        if (x.haplo)
          o.line(fi(allele(h1, 1), 4) + rep(' ', rel ? 9 : 11) + cells(5, 5));
        else
          o.line(fi(allele(h1, 1), 4) + " x" + fi(allele(h2, 1), 4) + rep(' ', rel ? 3 : 5) +
                 cells(5, 5));
        continue;
      }
      std::vector<std::string> entries;
      for (int l = 1; l <= x.nr; ++l) {
        w.ihtv1(l) = allele(h1, l);
        if (x.haplo) {
          entries.push_back(fi(w.ihtv1(l), 3));
        } else {
          w.ihtv2(l) = allele(h2, l);
          entries.push_back(fi(w.ihtv1(l), 3) + " " + fi(w.ihtv2(l), 3) + "  ");
        }
      }
      put_type(o, i, entries, per_line);
      if (x.haplo || rel)
        o.line(rep(' ', 13) + cells(7, 3));
      else
        o.line(rep(' ', 15) + cells(5, 5));
    }

    if (!rel) {
      o.line(kit::row_after(rep(' ', 11), j1, j2, "", [](int) { return "   " + rep('-', 7); }));
      o.line(
          kit::row_after(rep(' ', 15), j1, j2, "     ", [&](int j) { return fi(w.nsumsp(j), 5); }));
    }
  });
}

// 4. The same values as rows of the long table: the descriptors of every deme, then each type
//    that occurs in some output deme, with its count and relative frequency in every deme (the
//    frequency of a deme without identified individuals is undefined).
void long_rows(RunState& rs, Work& w, const Section& x, const FreqTable& f) {
  const Param& p = rs.param;
  if (!long_wanted(rs)) return;
  auto allele = [&](long h, int locus) { return sread(rs, ch::hapall, rec21(p, h, x.kc, locus)); };
  for (int j = 1; j <= x.maxp; ++j) {
    const int ident = w.nsam(j) - w.n0(j);
    long_deme_n(rs, w, "sample_size", j, w.nsam(j));
    long_deme_n(rs, w, "identified", j, ident);
    long_deme_n(rs, w, "unknown", j, w.n0(j));
    long_deme(rs, w, "alpha", j, alpha(ident));
    // the tabular file gives alpha-HWP for every kind of a single-locus run
    if (x.mal == kind::alleles || p.loctyp < 2) long_deme(rs, w, "alpha_hwp", j, alpha(2 * ident));
  }
  for (int i = 1; i <= f.ntypes; ++i) {
    const int t = f.order[static_cast<size_t>(i)];
    if (t < 1) continue;
    const int32_t* row = f.row(i);
    if (std::all_of(row, row + x.maxp, [](int32_t c) { return c == 0; })) continue;
    int32_t h1 = t, h2 = 0;
    if (!x.haplo) sread23(rs, rec23(p, t, x.kc), h1, h2);
    // the alleles as the tables give them inside { }, never cut to a width: one blank apart,
    // and two between the loci of a genotype
    std::string type;
    for (int l = 1; l <= x.nr; ++l) {
      type += (l == 1 ? "" : x.haplo ? " " : "  ") + std::to_string(allele(h1, l));
      if (!x.haplo) type += " " + std::to_string(allele(h2, l));
    }
    for (int j = 1; j <= x.maxp; ++j) {
      const int c = row[j - 1];
      long_deme_n(rs, w, "count", j, c, type);
      long_deme(rs, w, "relative_frequency", j, w.nsam(j) > w.n0(j) ? freq(w, x, j, c) : NAN, type);
    }
  }
}

}  // namespace

void frqout(RunState& rs, Work& w) {
  const Param& p = rs.param;
  const int kc = p.kc, mal = p.mal;
  const Section x{kc, mal, p.maxp, w.nrloc(kc), mal == kind::alleles ? 2 : 1, mal <= kind::alleles};

  // 1. Unknown counts per output deme
  for (int j = 1; j <= x.maxp; ++j) {
    const int kp = w.nprb(j);
    if (x.haplo)
      w.n0(j) = sread(rs, ch::hapcnt, rec20(p, 0, kc, kp, mal)) / x.ksex;
    else
      w.n0(j) = sread(rs, ch::gencnt, rec22(p, 0, kc, kp));
    w.nsumsp(j) = 0;
  }

  descriptors(rs, w, x);                                       // 2
  const FreqTable f = load_table(rs, w, x);                    // the counts in output order
  for (int rel = 0; rel <= 1; ++rel) table(rs, w, x, f, rel);  // 3
  long_rows(rs, w, x, f);                                      // 4
}

}  // namespace tolm
