#include "analysis/partab.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "analysis/frqout.h"
#include "core/records.h"
#include "graphics/snailone.h"
#include "graphics/snailprint.h"
#include "io/fixw.h"

namespace tolm {

using io::fa;
using io::ff;
using io::fi;

namespace {

const char* const kAlleleTitle[4] = {"MATERNAL_ALLELE_FREQUENCIES", "PATERNAL_ALLELE_FREQUENCIES",
                                     "ALLELE_FREQUENCIES", "GENOTYPE_FREQUENCIES"};
const char* const kHaploTitle[4] = {"MATERNAL_HAPLOTYPE_FREQUENCIES",
                                    "PATERNAL_HAPLOTYPE_FREQUENCIES", "HAPLOTYPE_FREQUENCIES",
                                    "GENOTYPE_FREQUENCIES"};
// Kind names of the snail captions, indexed by mal + 4 for a combination of several loci.
const char* const kDiffCollect[8] = {
    "Maternal Alleles",    "Paternal Alleles",    "Alleles",    "Genotypes",
    "Maternal Haplotypes", "Paternal Haplotypes", "Haplotypes", "Genotypes"};

const std::string kNA = "       NA";

// A number left-aligned in n columns (asterisks when it does not fit).
std::string left(long v, int n) {
  return io::rpad(io::ltrim(fi(v, n)), static_cast<size_t>(n));
}

void cell(io::Unit& t, const std::string& s) {
  t.put(s);
  t.put('\t');
}

// The locus line of a heading: number and name of locus l.
void locus_line(io::Unit& t, const Work& w, int l) {
  t.line("LOCUS_NO. " + left(l, 3) + "\t\"" + io::trim(w.locnam(l)) + "\"");
}

// The head row of the frequency and distance tables: the numbers of the shown demes.
void deme_row(io::Unit& t, const RunState& rs, const Work& w) {
  cell(t, "Deme_No. ");
  for (int d = 1; d <= rs.param.maxp; ++d) cell(t, fi(w.nprb(d), 9));
  t.nl();
}

// Makes the directory of the snail files unless it is there, and makes sure a file can be
// written in it. The name goes to the file system as it stands, never through a command
// interpreter, so quotes or '$' in a prefix are plain characters. Returns false (after saying so
// on the console and counting a failed output) when the snails cannot be written.
// The drawing layers keep state of their own: combinations analysed side by side draw their
// snails one at a time.
std::mutex snail_lock;

bool make_snaildir(RunState& rs) {
  const std::lock_guard<std::mutex> hold(snail_lock);
  namespace fs = std::filesystem;
  const std::string dir = io::trim(rs.names.snaildir);
  std::error_code ec;
  if (!dir.empty()) {
    fs::file_status st = fs::status(dir, ec);
    if (fs::is_directory(st))
      ec.clear();
    else if (fs::exists(st))
      ec = std::make_error_code(std::errc::not_a_directory);
    else if (!fs::create_directories(dir, ec) && !ec && !fs::is_directory(dir, ec))
      ec = std::make_error_code(std::errc::no_such_file_or_directory);
    if (!ec) {
      std::FILE* f = nullptr;
      const std::string probe = io::open_temp_beside(dir + "/snail", f);
      if (f) {
        std::fclose(f);
        std::remove(probe.c_str());
        io::temp_done(probe);
        return true;
      }
      ec = std::error_code(errno ? errno : EACCES, std::generic_category());
    }
  } else {
    ec = std::make_error_code(std::errc::no_such_file_or_directory);
  }
  rs.con().line(" ** Error creating directory for snail diagrams \"" + dir +
                "\" - snails not drawn **");
  rs.con().line("   cause =" + fi(ec.value(), 6) + io::os_reason(ec.value()));
  ++rs.output_failures;
  ++rs.snail_failures;
  return false;
}

// One snail from the tabulated cells of columns jc, jd (per deme) and jdel (delta, first row).
void draw_snail(RunState& rs, Work& w, const Arr2<std::string>& aresu, int jc, int jd, int jdel,
                const std::string& heading, const char* cjtype, bool classic) {
  const int maxp = rs.param.maxp;
  Arr1<int> nsnailp(1, maxp, 0);
  Arr1<float> snailcj(1, maxp, 0.0f), snaildj(1, maxp, 0.0f);
  float snaildel;
  if (aresu(1, jdel).substr(7, 2) == "NA") {
    snaildel = -9999.0f;
  } else {
    for (int d = 1; d <= maxp; ++d) {
      nsnailp(d) = w.nprb(d);
      snailcj(d) = cellval(aresu(d, jc));
      snaildj(d) = cellval(aresu(d, jd));
    }
    snaildel = cellval(aresu(1, jdel));
  }
  const std::lock_guard<std::mutex> hold(snail_lock);
  snailprint(rs, w, heading, cjtype, nsnailp, snailcj, snaildj, snaildel);
  if (!classic) return;
  const int failed =
      snailone(heading, rs.names.snaildir, rs.names.filnam, cjtype, nsnailp, snailcj, snaildj,
               snaildel, maxp, rs.param.isystem, rs.param.idoeps, rs.param.idowmf);
  rs.output_failures += failed;
  rs.snail_failures += failed;
}

// The measures table of a section: column j of `aresu` (one row per output deme) is headed by
// `colhed`[j]; the columns of the snails are remembered (0: not in the table).
struct Measures {
  std::vector<std::string> colhed = {"Deme_No. ", " DemeName"};
  Arr2<std::string> aresu;
  int nval = 1;
  int jcfin = 0, jdfin = 0, jdelfin = 0, jcinf = 0, jdinf = 0, jdelinf = 0;
  explicit Measures(int maxp) : aresu(1, maxp, 1, 21, kNA) {}
  int next(const char* head) {
    colhed.push_back(head);
    return ++nval;
  }
};

// 2. Column plan and cells of the measures table, from the measures the analyses left.
Measures measures(RunState& rs, Work& w, int ipool) {
  const Param& p = rs.param;
  const Names& nm = rs.names;
  const int maxp = p.maxp, mal = p.mal;
  const float astrix1 = p.astrix1;
  auto chosen = [&](int k) { return nm.aprog(k) == 'y'; };
  Measures m(maxp);
  Arr2<std::string>& aresu = m.aresu;
  if (ipool == 0) {
    const int j = m.next(" DemeSize");
    for (int d = 1; d <= maxp; ++d) aresu(d, j) = fi(w.nsum(d), 9);
  }
  if (chosen(prog::frequencies) && ipool == 0) {
    // For the alleles of identified individuals nsum counts genes, two per individual; alpha
    // is of the identified individuals and alpha-HWP of their genes, as in the results file.
    auto ident = [&](int d) { return mal == kind::alleles ? w.nsum(d) / 2 : w.nsum(d); };
    int j = m.next("    Alpha");
    for (int d = 1; d <= maxp; ++d) aresult(aresu, alpha(ident(d)), d, j);
    if (p.loctyp < 2) {
      j = m.next("Alpha-HWP");
      for (int d = 1; d <= maxp; ++d) aresult(aresu, alpha(2 * ident(d)), d, j);
    }
  }
  if (chosen(prog::diversity)) {
    const int j = m.next("v2-Divers");
    for (int d = 1; d <= maxp; ++d) aresult(aresu, ipool ? w.gpdiv(d, mal) : w.div(d), d, j);
  }
  if (chosen(prog::totaldiff)) {
    const int j = m.next("   deltaT");
    for (int d = 1; d <= maxp; ++d) aresult(aresu, w.deltat(d), d, j);
  }
  if (chosen(prog::evenness) && ipool == 0) {
    auto evenness = [&](const char* h1, const char* h2, const char* h3, const Arr1<float>& aev,
                        const Arr1<float>& rev, const Arr1<int>& mn) {
      const int j1 = m.next(h1), j2 = m.next(h2), j3 = m.next(h3);
      for (int d = 1; d <= maxp; ++d) {
        aresult(aresu, aev(d), d, j1);
        aresult(aresu, rev(d), d, j2);
        aresult(aresu, aev(d) <= astrix1 ? p.astrix : static_cast<float>(mn(d)), d, j3);
      }
    };
    if (nm.evefin == 'y')
      evenness("EvnFinAbs", "EvnFinRel", "EvnFinNum", w.aevfin, w.revfin, w.mnfin1);
    if (nm.eveinf == 'y')
      evenness("EvnInfAbs", "EvnInfRel", "EvnInfNum", w.aevinf, w.revinf, w.mninf1);
  }
  if (maxp > 1 && chosen(prog::subdiff) && nm.spdfin == 'y') {
    m.jcfin = m.next(" CjDemSiz");
    m.jdfin = m.next(" DjDemSiz");
    m.jdelfin = m.next(" deltaDmS");
    const float del = ipool ? w.gpdfin(mal) : w.delfin;
    for (int d = 1; d <= maxp; ++d) {
      aresult(aresu, ipool ? w.gpcj(d, mal) : w.cj(d), d, m.jcfin);
      aresult(aresu, w.djfin(d), d, m.jdfin);
      aresult(aresu, del, d, m.jdelfin);
    }
  }
  if (maxp > 1 && chosen(prog::subdiff) && nm.spdinf == 'y') {
    m.jcinf = m.next(" CjEquSiz");
    m.jdinf = m.next(" DjEquSiz");
    m.jdelinf = m.next(" deltaEqS");
    const float del = ipool ? w.gpdinf(mal) : w.delinf;
    for (int d = 1; d <= maxp; ++d) {
      aresult(aresu, del <= astrix1 ? p.astrix : 1.0f / static_cast<float>(maxp), d, m.jcinf);
      aresult(aresu, w.djinf(d), d, m.jdinf);
      aresult(aresu, del, d, m.jdelinf);
    }
  }
  if (ipool == 0 && mal == kind::genotypes && chosen(prog::heterozygosity)) {
    if (w.nrloc(p.kc) == 1) {
      const int j1 = m.next("PropHeter"), j2 = m.next("CondHeter");
      for (int d = 1; d <= maxp; ++d) {
        aresult(aresu, w.het(d), d, j1);
        aresult(aresu, w.chet(d), d, j2);
      }
    } else {
      const int j = m.next("MeanHeter");
      for (int d = 1; d <= maxp; ++d) aresult(aresu, w.phet(d), d, j);
    }
  }
  return m;
}

// 3. Heading of the section; returns the captions of its two snails (sizes proportional, equal).
std::pair<std::string, std::string> heading(RunState& rs, const Work& w, int ipool) {
  const Param& p = rs.param;
  io::Unit& t = rs.u(29);
  const int kc = p.kc, mal = p.mal;
  // The haplotype titles belong to a combination of several loci only, so a single locus after
  // one keeps its allele titles.
  const bool several = ipool == 0 && w.nrloc(kc) > 1;
  const int naddcollect = several ? 4 : 0;
  const std::string collect = fa(several ? kHaploTitle[mal - 1] : kAlleleTitle[mal - 1], 30);
  const std::string kind = kDiffCollect[mal + naddcollect - 1];
  std::string tail;
  t.line("");
  if (ipool == 0) {
    if (w.nrloc(kc) == 1) {
      const std::string num = left(w.loccmb(kc, 1), 3);
      t.line("LOCUS_NO. " + num + "\t\"" + io::trim(w.locnam(w.loccmb(kc, 1))) + "\"");
      tail = "__Locus_" + num;
    } else {
      t.line(p.nc < 2 ? std::string("MULTILOCUS_COMBINATION_OF_LOCI:")
                      : "LOCUS_COMBINATION_N0._" + left(kc, 3));
      tail = "__Combination_" + std::to_string(kc) + "__Loci_";
      for (int i = 1; i <= w.nrloc(kc); ++i) tail += fi(w.loccmb(kc, i), 3);
      for (int i = 1; i <= w.nrloc(kc); ++i) locus_line(t, w, w.loccmb(kc, i));
    }
    t.line(collect);
  } else {
    t.line("GENE_POOL - " + collect);
    tail = "___Gene_Pool";
    for (int k = 1; k <= p.nc; ++k) locus_line(t, w, w.loccmb(k, 1));
  }
  return {"DemPopSiz-" + kind + tail, "EquPopSiz-" + kind + tail};
}

// The types of a combination and kind in output order, with their counts in every output deme
// and their alleles as the table writes them inside { }.
struct TypeTable {
  int ntyp = 0, maxp = 0;
  std::vector<int32_t> counts;     // ntyp x maxp
  std::vector<std::string> types;  // 1..ntyp: "    \"{ ... }\""
  int32_t count(int i, int d) const {
    return counts[static_cast<size_t>(i - 1) * static_cast<size_t>(maxp) +
                  static_cast<size_t>(d - 1)];
  }
};

TypeTable load_types(RunState& rs, Work& w) {
  const Param& p = rs.param;
  const int kc = p.kc, mal = p.mal;
  const bool geno = mal == kind::genotypes;
  const int nrl = w.nrloc(kc);
  TypeTable tt;
  tt.ntyp = geno ? w.nptr2(kc) : w.nptr1(kc);
  tt.maxp = p.maxp;
  tt.counts.assign(static_cast<size_t>(tt.ntyp) * static_cast<size_t>(tt.maxp), 0);
  tt.types.assign(static_cast<size_t>(tt.ntyp) + 1, "");
  auto allele = [&](long h, int j) {
    return static_cast<int>(sread(rs, ch::hapall, rec21(p, h, kc, j)));
  };
  for (int i = 1; i <= tt.ntyp; ++i) {
    const long ty = sread(rs, geno ? 25 : 24, rec24(p, i, kc));
    bool any = false;
    for (int d = 1; d <= tt.maxp; ++d) {
      const long kp = w.nprb(d);
      const int n = geno ? sread(rs, ch::gencnt, rec22(p, ty, kc, kp))
                         : sread(rs, ch::hapcnt, rec20(p, ty, kc, kp, mal));
      tt.counts[static_cast<size_t>(i - 1) * static_cast<size_t>(tt.maxp) +
                static_cast<size_t>(d - 1)] = n;
      any = any || n != 0;
    }
    if (!any) continue;
    std::string types = "    \"{ ";
    if (geno) {
      int32_t h1 = 0, h2 = 0;
      sread23(rs, rec23(p, ty, kc), h1, h2);
      for (int j = 1; j <= nrl; ++j) {
        w.ihtv1(j) = allele(h1, j);
        w.ihtv2(j) = allele(h2, j);
        types += fi(w.ihtv1(j), 3) + " " + fi(w.ihtv2(j), 3) + "  ";
      }
    } else {
      for (int j = 1; j <= nrl; ++j) {
        w.ihtv1(j) = allele(ty, j);
        types += fi(w.ihtv1(j), 3) + " ";
      }
    }
    tt.types[static_cast<size_t>(i)] = types + "}\"";
  }
  return tt;
}

// 4. Absolute and relative frequencies of the types in sorted order. A relative frequency is of
// the deme's summed counts; its column sum is the sum of the frequencies as printed before
// rounding, in type order.
void freq_tables(RunState& rs, Work& w, const TypeTable& tt) {
  const Param& p = rs.param;
  io::Unit& t = rs.u(29);
  const int maxp = p.maxp;
  const bool geno = p.mal == kind::genotypes;
  Arr1<float> xsum(1, maxp, 0.0f), xxsum(1, maxp, 0.0f);
  for (int pass = 1; pass <= 2; ++pass) {
    const bool absolute = pass == 1;
    t.line("");
    if (geno)
      t.line(absolute ? "Absolute_frequency_distribution:" : "Relative_frequency_distribution:");
    else
      t.line(absolute ? "Absolute_frequencies:" : "Relative_frequencies:");
    deme_row(t, rs, w);
    for (int i = 1; i <= tt.ntyp; ++i) {
      rs.names.anum = left(i, 3);
      bool any = false;
      for (int d = 1; d <= maxp; ++d) {
        const int n = tt.count(i, d);
        w.nsum(d) = n;
        w.nsumsp(d) += n;
        if (absolute) xsum(d) += static_cast<float>(n);
        any = any || n != 0;
      }
      if (!any) continue;
      cell(t, "Type_" + rs.names.anum + " ");
      for (int d = 1; d <= maxp; ++d) {
        if (absolute) {
          cell(t, fi(w.nsum(d), 9));
        } else if (xsum(d) > 0.0f) {
          const float f = static_cast<float>(w.nsum(d)) / xsum(d);
          xxsum(d) += f;
          cell(t, ff(f, 9, 3));
        } else {
          cell(t, kNA);  // no identified type in the deme: no frequency to give
        }
      }
      t.line(tt.types[static_cast<size_t>(i)]);
    }
    cell(t, "Sum       ");
    for (int d = 1; d <= maxp; ++d) {
      if (absolute)
        cell(t, fi(w.nsumsp(d), 9));
      else
        cell(t, xsum(d) > 0.0f ? ff(xxsum(d), 9, 3) : kNA);
    }
    t.nl();
  }
}

// 5. The measures table.
void measures_table(RunState& rs, const Work& w, const Measures& m) {
  io::Unit& t = rs.u(29);
  t.line("");
  t.line("Measures_of_genetic_variation:");
  cell(t, m.colhed[0]);
  cell(t, m.colhed[1] + std::string(13, ' '));
  for (int j = 2; j <= m.nval; ++j) cell(t, m.colhed[static_cast<size_t>(j)]);
  t.nl();
  for (int d = 1; d <= rs.param.maxp; ++d) {
    const int kp = w.nprb(d);
    cell(t, left(kp, 9));
    cell(t, "\"" + fa(w.prbnam(kp), 20) + "\"");
    for (int j = 2; j <= m.nval; ++j) cell(t, m.aresu(d, j));
    t.nl();
  }
}

// 7. The distance triangle, diagonal included.
void distance_table(RunState& rs, const Work& w, int ipool) {
  io::Unit& t = rs.u(29);
  t.line("");
  t.line(ipool == 0 ? "Genetic_distance_d_0" : "Gene-pool_distance_d_0");
  deme_row(t, rs, w);
  for (int l = 1; l <= rs.param.maxp; ++l) {
    rs.names.anum = left(w.nprb(l), 3);
    cell(t, rs.names.anum + "       ");
    for (int ll = 1; ll <= l; ++ll) cell(t, acell(w.ga((l - 1) * l / 2 + ll)));
    t.nl();
  }
}

}  // namespace

std::string acell(float x) {
  if (x <= kMissingNA) return kNA;
  return ff(x, 9, 4);
}

void aresult(Arr2<std::string>& aresu, float x, int i, int j) {
  aresu(i, j) = acell(x);
}

float cellval(const std::string& c) {
  const char* s = c.c_str();
  char* end = nullptr;
  float v = std::strtof(s, &end);
  return end == s ? 0.0f : v;
}

void partab(RunState& rs, Work& w, int ipool) {
  const Param& p = rs.param;
  const Names& nm = rs.names;
  const int maxp = p.maxp;
  auto chosen = [&](int k) { return nm.aprog(k) == 'y'; };
  for (int d = 1; d <= maxp; ++d) w.nsumsp(d) = 0;

  const Measures m = measures(rs, w, ipool);                                           // 2
  const auto [headfin, headinf] = heading(rs, w, ipool);                               // 3
  if (ipool == 0 && chosen(prog::frequencies)) freq_tables(rs, w, load_types(rs, w));  // 4
  measures_table(rs, w, m);                                                            // 5

  // 6. Snails, from the cells as tabulated (values rounded to 4 decimals): the EPS and WMF
  // snails in their folder, and the snails for print when figures are asked.
  const bool classic =
      maxp > 1 && chosen(prog::subdiff) && (p.idoeps == 1 || p.idowmf == 1) && make_snaildir(rs);
  if (classic || (maxp > 1 && chosen(prog::subdiff) && !rs.opt.figures.empty())) {
    if (nm.spdfin == 'y')
      draw_snail(rs, w, m.aresu, m.jcfin, m.jdfin, m.jdelfin, headfin, "fin", classic);
    if (nm.spdinf == 'y')
      draw_snail(rs, w, m.aresu, m.jcinf, m.jdinf, m.jdelinf, headinf, "inf", classic);
  }

  if (chosen(prog::distance)) distance_table(rs, w, ipool);  // 7
}

}  // namespace tolm
