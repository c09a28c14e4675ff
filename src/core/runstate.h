// The run state: the four records shared by every routine of a run, the open units and the
// scratch store, and the work arrays of the analyses.
//
// Exactly one RunState exists per run; every routine takes it first. Texts are held as
// std::string without trailing blanks and padded only when written (a text that was never set
// is empty, which differs from a blank text where it matters, e.g. `batfil`). Answers are single
// characters; ' ' is a blank answer. Reals are 32-bit floats.
//
// The work arrays (struct Work) are created once by the main driver from `nnp` demes, `nnl`
// loci, `nnc` = `nnl` + 1 combination slots and `mxall` types per locus, and live to the end of
// the run. Per-deme arrays of the analyses are indexed by display position 1..`maxp`.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/bounded.h"
#include "core/constants.h"
#include "core/exactrec.h"
#include "core/longtab.h"
#include "core/runopts.h"
#include "io/scratch.h"
#include "io/units.h"

namespace tolm {

// Run switches, sizes, loop indices, counters and limits.
struct Param {
  float astrix = kMissing;     // marker of an undefinable value (printed "-9.999", "NA" in tables)
  float astrix1 = kMissingNA;  // values at or below it are "NA" in the tabular file

  int ibetwn = 0;         // a measure between demes (analysis 5, 6 or 7) is chosen
  int icount = 0;         // 0 nothing to count, 1 to be counted this pass, 2 counted
  int idoparsub = 0;      // any of analyses 1..7 chosen
  int idopartab = 0;      // parameter tables and the tabular file are produced
  int idowidget = 0;      // 1 widget dialogs, 0 console dialogue
  int idoeps = 0;         // snails as EPS files
  int idowmf = 0;         // snails as WMF files
  int idurch = 0;         // number of the current pass
  Fix<int, 1, 4> igpdif;  // per kind: demes without data in the gene-pool accumulation
  int io = 0;             // status code of the last checked input/output operation
  int isort1 = 0;         // haplotypes sorted
  int isort2 = 0;         // genotypes sorted
  int isp = 0;            // demes for output: 0 all, 1 some
  int ispdif = 0;         // a deme of the current analysis has no data
  int iunit = 0;          // channel of the results: 6 console, 8 results file
  int iwidth = 6;         // demes per line of the result tables
  int iwithn = 0;         // a measure within demes (analysis 2, 3 or 4) is chosen
  int kc = 0;             // current locus combination
  int kl = 0;             // current locus
  int kog = 0;            // working count of the structure tests
  int kp = 0;             // current deme
  int ks = 0;             // second number of the current data record
  int loctyp = 0;         // locus configuration 0..3
  int mal = 0;            // kind of distribution: 1 maternal, 2 paternal, 3 all, 4 genotypes
  int maxp = 0;           // number of demes chosen for output
  int mind20 = 0, mind21 = 0, mind22 = 0, mind23 = 0;  // extents of the scratch channels
  int mind24 = 0, mind25 = 0, mind26 = 0, mind27 = 0;
  int minexp = 5;          // smallest expected count accepted in a test
  int mxa = 0;             // running maximum of the counting step
  int mxdgfr = 100;        // degrees-of-freedom limit of the tests
  int mxnrlc = 0;          // largest number of loci in one combination
  int nadd = 0;            // individuals the current data record stands for
  int nc = 0;              // number of locus combinations
  int ncard = 0;           // number of the input record last read
  int ncnow = 0;           // entries of `kmbnow` in use
  int ndat = 0;            // 1: second number of a genotype record is a count
  int nl = 0;              // loci in the input file
  int nl1 = 0;             // loci in the current locus list
  Fix<int, 1, 3> nogpdif;  // per kind 1..3: no gene-pool differentiation computable
  int notord = 0;          // 1: gametic sex in the data is ignored
  int np = 0;              // demes in the input file
  int nsp = 0;             // answer to "How many demes"
  int nsumn = 0;           // working sum of counts
  int nurhet = 0;          // heterozygosity is the only analysis
  int nyg = 0;             // genotype frequencies computed for this combination
  int nym = 0;             // paternal frequencies computable
  int nys = 0;             // allele/haplotype frequencies computed
  int nyw = 0;             // maternal frequencies computable
  int16_t isystem = 2;     // system code: 1 Linux build, 2 Windows build

  int& mind(int ch) {
    switch (ch) {
      case 20:
        return mind20;
      case 21:
        return mind21;
      case 22:
        return mind22;
      case 23:
        return mind23;
      case 24:
        return mind24;
      case 25:
        return mind25;
      case 26:
        return mind26;
      default:
        return mind27;
    }
  }
};

// File names and one-character answers.
struct Names {
  std::string filpath;  // directory of the input file with its final separator
  std::string filnam;   // output prefix
  std::string infil;
  std::string outfil;    // filpath + filnam + "-out.txt"
  std::string outtab;    // filpath + filnam + "-tab.txt", or "tolmout.txt"
  std::string outfin;    // filpath + filnam + "-fin.txt"
  std::string outinf;    // filpath + filnam + "-inf.txt"
  std::string snaildir;  // filpath + filnam + "-Snails"
  std::string config;    // filpath + input prefix + ".cfg"
  std::string modus;     // "HOMOGEN", "HWHETER", "HARDYWB" or "PRODUCT"
  std::string anum;      // repeat count of a layout assembled at run time
  char ap = ' ';
  Fix<char, 1, 10> aprog{{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '}};
  char evefin = ' ';
  char eveinf = ' ';
  Fix<char, 1, 4> frqstr{{' ', ' ', ' ', ' '}};
  char outunit = ' ';  // 's' console, 'f' file
  char spdfin = ' ';
  char spdinf = ' ';
  char vorein = ' ';  // options of the configuration file taken over
};

// State exchanged with the widget dialogs.
struct Wd {
  std::string aloclist;  // "All" or locus numbers
  std::string ademlist;  // "All" or deme numbers
  std::string prefix;    // output prefix
  Fix<int, 1, 4> ifrqstr;
  Fix<int, 1, 10> iprog;
  int ievefin = 0, ieveinf = 0;
  int ispdfin = 0, ispdinf = 0;
  int locsimu = 0;  // 1 single loci, otherwise multilocus
  int inotord = 0;
  Fix<int, 1, 33> indf;   // widget id of a frequency-distribution check box -> 1..4
  Fix<int, 30, 63> indp;  // widget id of an analysis check box -> 1..10
  int iwdspdfin = 0, iwdspdinf = 0;
  int iwdeps = 0, iwdwmf = 0;
};

// The unnamed record of the existing-output dialog.
struct Sel {
  std::string newfil;
  int isel = 0;
};

// Thrown by stop(); main() and the tests catch it. Nothing else crosses module boundaries.
struct ProgramStop {
  int status;
};

// One change a locus combination makes to the gene-pool sums of the work arrays (`gpcj` ...
// `gpdinf`) or to the gene-pool marks of the run switches (`igpdif`, `nogpdif`), with the
// display deme i (or pair) and the kind. A combination analysed beside others records its
// changes; applied to the run's arrays in the order of the combinations (apply_pool_step,
// analysis/parsub.h), they leave the sums as one combination after the other would.
struct PoolStep {
  enum Sum : uint8_t { cj, det, div, hdiv, fin, inf, ga, dfin, dinf, unknown_demes, no_pool };
  enum Op : uint8_t { add, mul, mark, set };
  Sum sum;
  Op op;
  int i;
  int mal;
  float v;
};

struct IndividualTable;  // input/indivkeep.h
struct IndividualCache;  // analysis/indivboot.h

struct RunState {
  Param param;
  Names names;
  Wd wd;
  Sel sel;
  io::Units units;
  io::Scratch scratch;
  RunOptions opt;            // choices given as command-line options
  LongTable longtab;         // <prefix>-long.tsv
  std::string input_format;  // title of a foreign input format ("Genepop", ...); empty: TOLM's
  std::string input_file;    // the input file as the user named it
  std::string input_copy;    // TOLM file read in its place (merged counts); removed at the end
  int output_failures = 0;   // outputs that could not be written; the run then ends with status 1
  int snail_failures = 0;    // of them, snail folders or files
  std::shared_ptr<IndividualTable> individuals;       // genotypes kept for -bootstrap-individuals
  std::shared_ptr<IndividualCache> individual_cache;  // its intervals of the latest gene pool
  ExactRecords exact_kept;  // exact p-values of the pass, until the summary after the gene pool
  // Set while a locus combination is analysed beside others: its changes of the gene-pool sums.
  std::vector<PoolStep>* pool_steps = nullptr;
  // Shows a message box in widget mode ("|" separates lines); set by the start-up to the widget
  // layer's box, so that the layers below it can stop with a box.
  void (*msgbox)(const std::string& text) = nullptr;

  io::Unit& u(int ch) { return units[ch]; }
  io::Unit& con() { return units[ch::console]; }  // the console
  io::Unit& out() { return units[param.iunit]; }  // the results (console or results file)
};

// Flushes every unit and ends the run with the given exit status (0 normal end, 1 error stop).
[[noreturn]] void stop(RunState& rs, int status);

// Writes "** Press "Return" or "Enter" to terminate program **", waits for one line of unit 5
// (the end of input is fine) and stops with `status`.
[[noreturn]] void press_return_stop(RunState& rs, int status);

// Reads the next answer line from unit 5 after flushing the console. At the end of input the
// run stops with a message instead of asking again. Returns false when the line could not be
// read (a read error), true otherwise.
bool read_answer(RunState& rs, std::string& line);

// The first character of an answer line, blank for an empty line.
char answer_char(const std::string& line);

// Scratch store access that keeps the extents `mind20`..`mind27` of the run state.
inline int32_t sread(RunState& rs, int ch, long rec) {
  return rec > rs.param.mind(ch) ? 0 : rs.scratch.get(ch, rec);
}
inline void swrite(RunState& rs, int ch, long rec, int32_t v) {
  rs.scratch.put(ch, rec, v);
  int& m = rs.param.mind(ch);
  if (rec > m) m = static_cast<int>(rec);
}
// Adds n to a count record (a record never written counts 0).
inline void sadd(RunState& rs, int ch, long rec, int32_t n) {
  int& m = rs.param.mind(ch);
  int32_t& r = rs.scratch.ref(ch, rec);
  if (rec > m) {
    r = 0;
    m = static_cast<int>(rec);
  }
  r += n;
}
inline void sread23(RunState& rs, long rec, int32_t& a, int32_t& b) {
  if (rec > rs.param.mind23) {
    a = b = 0;
    return;
  }
  rs.scratch.get2(rec, a, b);
}
inline void swrite23(RunState& rs, long rec, int32_t a, int32_t b) {
  rs.scratch.put2(rec, a, b);
  if (rec > rs.param.mind23) rs.param.mind23 = static_cast<int>(rec);
}

// The work arrays of the analyses, with the bounds of the run's sizes. Made once by the main
// driver (create) and kept to the end of the run; each routine that writes an array writes it
// whole for the section it reports, so nothing carries from one section into the next unless
// said. "Display deme" d is 1..`maxp` (its deme number is `nprb`(d)); kinds are 1..3 where the
// gene pool keeps them. Writers and readers are routines (files in src/).
struct Work {
  int nnp = 0, nnl = 0, nnc = 0, mxall = 0;  // demes, loci, combination slots, types per locus

  // Per display deme [1:nnp], reals.
  Arr1<float> aevfin;  // evenness E_fin: parsub (evenness); read partab, intervals
  Arr1<float> aevinf;  // evenness E_inf: parsub (evenness); read partab, intervals
  Arr1<float> chet;    // heterozygosity corrected for sample size: hetout; read partab
  Arr1<float> cj;      // differentiation D_j of the deme from its complement: parsub; read partab,
                       //   intervals, snailprint
  Arr1<float> deltat;  // total differentiation delta_T: parsub; read partab, gnpool, intervals
  Arr1<float> div;     // diversity v_2: parsub; read partab, intervals
  Arr1<float> djfin;   // D_j as sample (finite): parsub; read partab, gnpool, intervals
  Arr1<float> djinf;   // D_j as population (infinite): parsub; read partab, gnpool, intervals
  Arr1<float> het;     // observed heterozygosity: hetout; read partab, intervals
  Arr1<float> phet;    // heterozygosity expected from the allele frequencies: hetout; read partab
  Arr1<float> revfin;  // relative evenness (finite): parsub; read partab
  Arr1<float> revinf;  // relative evenness (infinite): parsub; read partab
  Arr1<float> x;       // work column of parsub (a type's relative frequency in the deme)
  // Per display deme [1:nnp], integers.
  Arr1<int> mnfin1, mnfin2;  // evenness bounds (finite): parsub (parsub_measures); read partab
  Arr1<int> mninf1, mninf2;  // evenness bounds (infinite): parsub (parsub_measures); read partab
  Arr1<int> mxityp;          // largest count of a type in the deme (rows of channel 27): parsub
  Arr1<int> n0;      // individuals with an unknown type (type 0): frqout; read homtst, gnpool
  Arr1<int> nhet;    // heterozygous individuals: hetout
  Arr1<int> nknow;   // individuals identified at every locus (channel 26): hetout
  Arr1<int> nlsum;   // deme size of the heterozygosity rows: hetout
  Arr1<int> nposty;  // types with a positive count: parsub
  Arr1<int> nprb;    // deme number of display deme d (0 < nprb(d) <= np): choices, the main
                     //   driver; read by every report
  Arr1<int> nsam;    // individuals sampled (the count of maternal contributions): frqpar; read
                     //   frqout, parsub, homtst
  Arr1<int> nsum;    // genes or genotypes counted in the section: frqout, parsub; read partab
  Arr1<int> nsumsp;  // nsum of the paternal kind: frqout; read partab
  Arr1<int> nunkno;  // individuals not identified at every locus (channel 26): hetout
  // Pairs of demes and the gene pool.
  Arr1<float> ga;     // [1:nnp(nnp+1)/2] d_0 of the pair (i, j), j <= i, at j + i(i-1)/2:
                      //   parsub; read partab, gnpool, intervals
  Arr2<float> gpcj;   // [1:nnp, 1:3] (deme, kind) D_j summed over single loci: parsub; gnpool
  Arr2<float> gpdet;  // [1:nnp, 1:3] delta_T summed over single loci: parsub; gnpool
  Arr2<float> gpdiv;  // [1:nnp, 1:3] v_2 summed over single loci: parsub; gnpool, partab
  Arr2<float> gpfin;  // [1:nnp, 1:3] D_j (finite) summed over single loci: parsub; gnpool
  Arr2<float> gpinf;  // [1:nnp, 1:3] D_j (infinite) summed over single loci: parsub; gnpool
  Arr2<float> hgdiv;  // [1:nnp, 1:3] harmonic sum of v_2 over single loci: parsub; gnpool
  Arr2<float> gpga;   // [1:nnp(nnp+1)/2, 1:3] d_0 summed over single loci: parsub; gnpool
  // Per combination slot [1:nnc].
  Arr1<int> kmbnow;  // combinations the current record covers (1..ncnow): xcount; read hetcnt
  Arr1<int> nptr1;   // haplotypes counted in combination kc (0: none): xcount, count files;
                     //   read by every analysis
  Arr1<int> nptr2;   // genotypes counted in combination kc: xcount, count files; read as nptr1
  Arr1<int> nrloc;   // loci in combination kc (1..nnl): appar, choices; read everywhere
  // Per locus [1:nnl].
  Arr1<int> ihtv1, ihtv2;    // work columns of frqout and partab (allele numbers of a type)
  Arr1<int> loc;             // loci of the current locus list: xcount
  Arr1<int> locord;          // order of the loci in the current locus list: xcount
  Arr1<std::string> locnam;  // locus names, 12 characters: namein, choices; read by the reports
  Arr1<std::string> prbnam;  // [1:nnp] deme names by deme number, 40 characters: namein
  LociSet loccmb;            // [1:nnc, 1:nnl] (kc, i) i-th locus of combination kc, stored as
                             //   far as written: appar, choices
  Arr2<int> kmbord;          // [1:nnc, 1:nnp] (kc, kp) 1 gametic sex specified: xcount; read
                             //   frqpar, gnpool, strtst, the count files
  Arr2<std::string> sexspc;  // [1:nnc, 1:nnp] (kc, kp) sex of the contributions, 3 characters:
                             //   xcount; read frqout
  Arr2<int> la;              // [1:nnl+1, 1:2] the two alleles of each locus of the current
                             //   record (negative: missing): xcount; read hetcnt
  Arr2<int> ls;              // [1:nnl, 1:2] locus list of the current record (locus, gametic
                             //   sex): xcount; intervals
  // Per type.
  Arr1<int> irealt;    // [1:mxall] types present in the test's table: homtst, strtst
  Arr1<int> lextyp;    // [1:mxall] output position of a type: strtst
  Arr1<int> nada;      // [0:mxall] work counts of the structure tests and hetout
  Arr1<float> pm, pw;  // [0:max(mxall, nnp)] per type, or per deme in the tests: homtst, strtst
  Arr2<int> ng;        // [0:mxall, 0:nnp] (type, deme) table of the homogeneity test: homtst
  Arr2<float> xpec;    // [0:mxall, 0:max(mxall, nnp)] expected counts: homtst, strtst

  float delfin = 0, delinf = 0;     // mean delta (finite, infinite): parsub; partab, intervals
  Fix<float, 1, 3> gpdfin, gpdinf;  // per kind, gene-pool delta: parsub, gnpool; partab

  void create(int nnp_, int nnl_, int nnc_, int mxall_);
  double bytes() const;  // about what the arrays take
};

// The memory of the machine in bytes, 0 when unknown.
double physical_memory();

}  // namespace tolm
