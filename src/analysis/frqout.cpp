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

#include "core/records.h"
#include "io/fixw.h"
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
  if (n <= 0) return -9.999f;  // nothing identified: the measure is undefined
  if (n > 971) return 0.008f;
  if (n <= 116) return static_cast<float>(alphan[n - 1]) * 0.001f;
  for (int i = 49; i >= 1; --i)
    if (n < nalpha[i - 1]) return static_cast<float>(i + 1) * 0.001f;
  return 0.008f;
}

char aless(int n) {
  return n > 971 ? '<' : ' ';
}

void frqout(RunState& rs, Work& w) {
  Param& p = rs.param;
  io::Unit& o = rs.out();
  const int kc = p.kc;
  const int mal = p.mal;
  const int maxp = p.maxp;
  const int nr = w.nrloc(kc);
  const bool haplo = mal <= 3;
  const int ksex = mal == 3 ? 2 : 1;
  const int iw = std::max(1, p.iwidth);

  // 1. Unknown counts per output deme
  for (int j = 1; j <= maxp; ++j) {
    const int kp = w.nprb(j);
    if (haplo)
      w.n0(j) = sread(rs, 20, rec20(p, 0, kc, kp, mal)) / ksex;
    else
      w.n0(j) = sread(rs, 22, rec22(p, 0, kc, kp));
    w.nsumsp(j) = 0;
  }

  auto deme_row = [&](int j1, int j2) {
    std::string s = fa("Deme", 15);
    for (int j = j1; j <= j2; ++j) s += fi(w.nprb(j), 5) + rep(' ', 5);
    o.line(s);
  };
  auto int_row = [&](const char* label, int j1, int j2, auto value) {
    std::string s = fa(label, 15);
    for (int j = j1; j <= j2; ++j) s += fi(value(j), 5) + rep(' ', 5);
    o.line(s);
  };
  auto alpha_row = [&](const char* label, int j1, int j2, int factor) {
    std::string s = fa(label, 13);
    for (int j = j1; j <= j2; ++j) {
      const int n = factor * w.nsum(j);
      s += aless(n);
      s += ff(alpha(n), 6, 3) + rep(' ', 3);
    }
    o.line(s);
  };

  // 2. Descriptor blocks
  for (int j1 = 1; j1 <= maxp; j1 += iw) {
    const int j2 = std::min(maxp, j1 + iw - 1);
    if (j1 > 1) o.nl();
    deme_row(j1, j2);
    std::string s = fa("Gam.sex.spec.?", 15);
    for (int j = j1; j <= j2; ++j) {
      const std::string& t = w.sexspc(kc, w.nprb(j));
      s += "  " + fa(t.empty() ? " no" : t, 3) + rep(' ', 5);
    }
    o.line(s);
    int_row("Deme_size", j1, j2, [&](int j) { return w.nsam(j); });
    for (int j = j1; j <= j2; ++j) {
      w.nsum(j) = w.nsam(j) - w.n0(j);
      if (haplo && w.nsum(j) == 0) p.nogpdif(mal) = 1;
    }
    int_row("No._identified", j1, j2, [&](int j) { return w.nsum(j); });
    alpha_row("alpha", j1, j2, 1);
    if (mal == 3) alpha_row("alpha-HWP", j1, j2, 2);
    int_row("No._unknown", j1, j2, [&](int j) { return w.n0(j); });
  }

  // 3. Absolute, then relative table
  const int ntypes = haplo ? w.nptr1(kc) : w.nptr2(kc);
  const char* heading = !haplo ? "Genotype" : nr == 1 ? "Allele" : "Haplotype";
  // entries per line of a long multilocus type
  const int per_line = haplo ? (10 * std::max(iw, 10) + 9) / 3 : (10 * iw + 9) / 5;

  auto freq = [&](int j, int c) {
    const float ident = static_cast<float>(w.nsam(j) - w.n0(j));
    if (haplo) return static_cast<float>(c) / std::max(0.00001f, ident * static_cast<float>(ksex));
    return static_cast<float>(c) / std::max(0.000001f, ident);
  };
  auto allele = [&](long h, int locus) { return sread(rs, 21, rec21(p, h, kc, locus)); };

  // The counts of every type in output order, read once: the blocks of demes below then read
  // them from one row per type instead of from all over the count store.
  std::vector<int> order(static_cast<size_t>(ntypes) + 1, 0);
  std::vector<int32_t> counts(static_cast<size_t>(ntypes) * static_cast<size_t>(maxp), 0);
  for (int i = 1; i <= ntypes; ++i) {
    const int t = sread(rs, haplo ? 24 : 25, rec24(p, i, kc));
    order[static_cast<size_t>(i)] = t;
    if (t < 1) continue;
    int32_t* row = &counts[static_cast<size_t>(i - 1) * static_cast<size_t>(maxp)];
    for (int j = 1; j <= maxp; ++j) {
      const int kp = w.nprb(j);
      row[j - 1] =
          haplo ? sread(rs, 20, rec20(p, t, kc, kp, mal)) : sread(rs, 22, rec22(p, t, kc, kp));
    }
  }

  for (int rel = 0; rel <= 1; ++rel) {
    o.nl();
    o.line(rep('-', 35));
    o.line(rel ? "Relative_frequency_distribution" : "Absolute_frequency_distribution");
    o.line(rep('-', 35));
    bool first_block = true;
    for (int j1 = 1; j1 <= maxp; j1 += iw) {
      const int j2 = std::min(maxp, j1 + iw - 1);
      bool any = false;
      for (int j = j1; j <= j2; ++j) any = any || w.nsam(j) > w.n0(j);
      if (!any) continue;
      if (!first_block) o.nl();
      first_block = false;
      deme_row(j1, j2);
      o.line(heading);

      for (int i = 1; i <= ntypes; ++i) {
        const int t = order[static_cast<size_t>(i)];
        if (t < 1) continue;
        const int32_t* row = &counts[static_cast<size_t>(i - 1) * static_cast<size_t>(maxp)];
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
          for (int j = j1; j <= j2; ++j) {
            if (rel)
              s += " " + ff(freq(j, w.nsum(j)), 6, 3) + rep(' ', 3);
            else
              s += fi(w.nsum(j), int_width) + rep(' ', int_gap);
          }
          return s;
        };

        int32_t h1 = t, h2 = 0;
        if (!haplo) sread23(rs, rec23(p, t, kc), h1, h2);
        if (nr == 1) {
          if (haplo)
            o.line(fi(allele(h1, 1), 4) + rep(' ', rel ? 9 : 11) + cells(5, 5));
          else
            o.line(fi(allele(h1, 1), 4) + " x" + fi(allele(h2, 1), 4) + rep(' ', rel ? 3 : 5) +
                   cells(5, 5));
          continue;
        }
        std::vector<std::string> entries;
        for (int l = 1; l <= nr; ++l) {
          w.ihtv1(l) = allele(h1, l);
          if (haplo) {
            entries.push_back(fi(w.ihtv1(l), 3));
          } else {
            w.ihtv2(l) = allele(h2, l);
            entries.push_back(fi(w.ihtv1(l), 3) + " " + fi(w.ihtv2(l), 3) + "  ");
          }
        }
        put_type(o, i, entries, per_line);
        if (haplo || rel)
          o.line(rep(' ', 13) + cells(7, 3));
        else
          o.line(rep(' ', 15) + cells(5, 5));
      }

      if (!rel) {
        std::string dash = rep(' ', 11), sum = rep(' ', 15);
        for (int j = j1; j <= j2; ++j) {
          dash += "   " + rep('-', 7);
          sum += fi(w.nsumsp(j), 5) + rep(' ', 5);
        }
        o.line(dash);
        o.line(sum);
      }
    }
  }

  // 4. The same values as rows of the long table: the descriptors of every deme, then each type
  //    that occurs in some output deme, with its count and relative frequency in every deme (the
  //    frequency of a deme without identified individuals is undefined).
  if (!long_wanted(rs)) return;
  for (int j = 1; j <= maxp; ++j) {
    const int ident = w.nsam(j) - w.n0(j);
    long_deme_n(rs, w, "sample_size", j, w.nsam(j));
    long_deme_n(rs, w, "identified", j, ident);
    long_deme_n(rs, w, "unknown", j, w.n0(j));
    long_deme(rs, w, "alpha", j, alpha(ident));
    // the tabular file gives alpha-HWP for every kind of a single-locus run
    if (mal == 3 || p.loctyp < 2) long_deme(rs, w, "alpha_hwp", j, alpha(2 * ident));
  }
  for (int i = 1; i <= ntypes; ++i) {
    const int t = order[static_cast<size_t>(i)];
    if (t < 1) continue;
    const int32_t* row = &counts[static_cast<size_t>(i - 1) * static_cast<size_t>(maxp)];
    if (std::all_of(row, row + maxp, [](int32_t c) { return c == 0; })) continue;
    int32_t h1 = t, h2 = 0;
    if (!haplo) sread23(rs, rec23(p, t, kc), h1, h2);
    // the alleles as the tables give them inside { }, never cut to a width: one blank apart,
    // and two between the loci of a genotype
    std::string type;
    for (int l = 1; l <= nr; ++l) {
      type += (l == 1 ? "" : haplo ? " " : "  ") + std::to_string(allele(h1, l));
      if (!haplo) type += " " + std::to_string(allele(h2, l));
    }
    for (int j = 1; j <= maxp; ++j) {
      const int c = row[j - 1];
      long_deme_n(rs, w, "count", j, c, type);
      long_deme(rs, w, "relative_frequency", j, w.nsam(j) > w.n0(j) ? freq(j, c) : NAN, type);
    }
  }
}

}  // namespace tolm
