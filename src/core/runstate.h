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
#include <string>

#include "io/scratch.h"
#include "io/units.h"
#include "core/longtab.h"
#include "core/bounded.h"
#include "core/runopts.h"

namespace tolm {

// Run switches, sizes, loop indices, counters and limits.
struct Param {
  float astrix = -9.999f;  // marker of an undefinable value (printed "-9.999", "NA" in tables)
  float astrix1 = -9.0f;   // values at or below it are "NA" in the tabular file
  int ibetwn = 0;          // a measure between demes (analysis 5, 6 or 7) is chosen
  int icount = 0;          // 0 nothing to count, 1 to be counted this pass, 2 counted
  int idoparsub = 0;       // any of analyses 1..7 chosen
  int idopartab = 0;       // parameter tables and the tabular file are produced
  int idowidget = 0;       // 1 widget dialogs, 0 console dialogue
  int idoeps = 0;          // snails as EPS files
  int idowmf = 0;          // snails as WMF files
  int idurch = 0;          // number of the current pass
  Fix<int, 1, 4> igpdif;   // per kind: demes without data in the gene-pool accumulation
  int io = 0;              // status code of the last checked input/output operation
  int isort1 = 0;          // haplotypes sorted
  int isort2 = 0;          // genotypes sorted
  int isp = 0;             // demes for output: 0 all, 1 some
  int ispdif = 0;          // a deme of the current analysis has no data
  int iunit = 0;           // channel of the results: 6 console, 8 results file
  int iwidth = 6;          // demes per line of the result tables
  int iwithn = 0;          // a measure within demes (analysis 2, 3 or 4) is chosen
  int kc = 0;              // current locus combination
  int kl = 0;              // current locus
  int kog = 0;             // working count of the structure tests
  int kp = 0;              // current deme
  int ks = 0;              // second number of the current data record
  int loctyp = 0;          // locus configuration 0..3
  int mal = 0;             // kind of distribution: 1 maternal, 2 paternal, 3 all, 4 genotypes
  int maxp = 0;            // number of demes chosen for output
  int mind20 = 0, mind21 = 0, mind22 = 0, mind23 = 0;  // extents of the scratch channels
  int mind24 = 0, mind25 = 0, mind26 = 0, mind27 = 0;
  int minexp = 5;   // smallest expected count accepted in a test
  int mxa = 0;      // running maximum of the counting step
  int mxdgfr = 100;  // degrees-of-freedom limit of the tests
  int mxnrlc = 0;   // largest number of loci in one combination
  int nadd = 0;     // individuals the current data record stands for
  int nc = 0;       // number of locus combinations
  int ncard = 0;    // number of the input record last read
  int ncnow = 0;    // entries of `kmbnow` in use
  int ndat = 0;     // 1: second number of a genotype record is a count
  int nl = 0;       // loci in the input file
  int nl1 = 0;      // loci in the current locus list
  Fix<int, 1, 3> nogpdif;  // per kind 1..3: no gene-pool differentiation computable
  int notord = 0;   // 1: gametic sex in the data is ignored
  int np = 0;       // demes in the input file
  int nsp = 0;      // answer to "How many demes"
  int nsumn = 0;    // working sum of counts
  int nurhet = 0;   // heterozygosity is the only analysis
  int nyg = 0;      // genotype frequencies computed for this combination
  int nym = 0;      // paternal frequencies computable
  int nys = 0;      // allele/haplotype frequencies computed
  int nyw = 0;      // maternal frequencies computable
  int16_t isystem = 2;  // system code: 1 Linux build, 2 Windows build

  int& mind(int ch) {
    switch (ch) {
      case 20: return mind20;
      case 21: return mind21;
      case 22: return mind22;
      case 23: return mind23;
      case 24: return mind24;
      case 25: return mind25;
      case 26: return mind26;
      default: return mind27;
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

struct RunState {
  Param param;
  Names names;
  Wd wd;
  Sel sel;
  io::Units units;
  io::Scratch scratch;
  RunOptions opt;      // choices given as command-line options
  LongTable longtab;   // <prefix>-long.tsv
  std::string input_format;  // title of a foreign input format ("Genepop", ...); empty: TOLM's
  std::string input_file;    // the input file as the user named it
  std::string input_copy;    // the TOLM file converted from it; removed at the end of the run
  int output_failures = 0;   // outputs that could not be written; the run then ends with status 1
  int snail_failures = 0;    // of them, snail folders or files

  io::Unit& u(int ch) { return units[ch]; }
  io::Unit& con() { return units[6]; }        // the console
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

// The work arrays of the analyses, with the bounds of the run's sizes.
struct Work {
  int nnp = 0, nnl = 0, nnc = 0, mxall = 0;

  // per deme (reals)
  Arr1<float> aevfin, aevinf, chet, cj, deltat, div, djfin, djinf, het, phet, revfin, revinf, x;
  // per deme (integers)
  Arr1<int> mnfin1, mnfin2, mninf1, mninf2, mxityp, n0, nhet, nknow, nlsum, nposty, nprb, nsam,
      nsum, nsumsp, nunkno;
  Arr1<float> ga;                                     // nnp(nnp+1)/2: unordered pairs of demes
  Arr2<float> gpcj, gpdet, gpdiv, gpfin, gpinf, hgdiv;  // [1:nnp, 1:3]: (deme, kind)
  Arr2<float> gpga;                                   // [1:nnp(nnp+1)/2, 1:3]
  // per combination slot
  Arr1<int> ihta, ihtb, kmbnow, nptr1, nptr2, nrloc;
  // per locus
  Arr1<int> ihtv1, ihtv2, loc, locord;
  Arr1<std::string> locnam;  // 12 characters
  Arr1<std::string> prbnam;  // 40 characters
  Arr2<int> loccmb;          // [1:nnc, 1:nnl]
  Arr2<int> kmbord;          // [1:nnc, 1:nnp]: (kc, kp) gametic sex specified
  Arr2<std::string> sexspc;  // [1:nnc, 1:nnp]: (kc, kp), 3 characters
  Arr2<int> la;              // [1:nnl+1, 1:2]
  Arr2<int> ls;              // [1:nnl, 1:2]
  Arr1<int> irealt, lextyp;  // [1:mxall]
  Arr1<int> nada;            // [0:mxall]
  Arr1<float> pm, pw;        // [0:max(mxall, nnp)]: per type, or per deme in the tests
  Arr2<int> ng;              // [0:mxall, 0:nnp]
  Arr2<float> xpec;          // [0:mxall, 0:max(mxall, nnp)]

  float delfin = 0, delinf = 0;
  Fix<float, 1, 3> gpdfin, gpdinf;

  void create(int nnp_, int nnl_, int nnc_, int mxall_);
};

}  // namespace tolm
