#include "core/runopts.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

namespace tolm {

namespace {

// clang-format off
const std::vector<OptionInfo> kOptions = {
    {"input", "FILE", "Choices (a run without questions)",
     "the input file: the run asks no question, every choice comes from the options below "
     "(defaults: all single loci, all demes, all kinds, all analyses, results file)"},
    {"config", "FILE", "Choices (a run without questions)",
     "take the choices saved in this configuration file (e.g. data.dat.cfg) for the options "
     "not given"},
    {"loci", "all|LIST", "Choices (a run without questions)",
     "single loci to analyse: all, or loci by number or name (e.g. 1,3,Pgm)"},
    {"combinations", "all|LIST", "Choices (a run without questions)",
     "multilocus combinations instead: all (one combination of all loci), or combinations "
     "of loci joined by + (e.g. 1+2+3,2+4)"},
    {"demes", "all|LIST", "Choices (a run without questions)",
     "demes for output: all, or demes by number or name (e.g. 1,4,North)"},
    {"kinds", "all|LIST", "Choices (a run without questions)",
     "frequency distributions, separated by commas: all, none, or any of maternal, paternal, "
     "alleles, genotypes"},
    {"gametic-sex", "use|ignore", "Choices (a run without questions)",
     "use the gametic sex given in the data (default) or ignore it"},
    {"analyses", "all|LIST", "Choices (a run without questions)",
     "analyses, separated by commas: all, or any of frequencies, diversity, delta-t, "
     "evenness, distance, differentiation, homogeneity, heterozygosity, hardy-weinberg, "
     "product (or their numbers 1 to 10)"},
    {"evenness", "LIST", "Choices (a run without questions)",
     "evenness for finite and/or infinite population size, or none (default finite,infinite)"},
    {"weighting", "LIST", "Choices (a run without questions)",
     "subpopulation differentiation with demes weighted by size and/or equally, or none "
     "(default size,equal)"},
    {"snails", "LIST", "Choices (a run without questions)",
     "snail diagrams of subpopulation differentiation as eps and/or wmf files, or none "
     "(default eps,wmf)"},
    {"results", "file|screen", "Choices (a run without questions)",
     "results to <prefix>-out.txt (default) or to the screen"},
    {"out", "PREFIX", "Choices (a run without questions)",
     "prefix of the output files (default: the input file's name)"},
    {"width", "N", "Choices (a run without questions)",
     "demes per line of the results file (default 10; 0: all demes on one line)"},
    {"format", "NAME", "Input",
     "read the input file as genepop, fstat, genetix, structure, genalex, vcf or tolm "
     "(default: found from the file)"},
    {"popmap", "FILE", "Input", "demes of the samples of a VCF or STRUCTURE file: lines \"sample deme\""},
    {"structure", "LAYOUT", "Input",
     "layout of a STRUCTURE file: onerow or tworows, with label and pop when those columns are "
     "present (e.g. tworows,label,pop)"},
    {"convert", "FILE", "Input", "write the file read as a TOLM input file and stop"},
    {"exact", "off|on|D,B,I", "Tests",
     "exact tests: off, on (default), or the Markov chain's dememorisation steps, batches and "
     "iterations per batch (default 10000,100,5000; the tests of every pair of demes take "
     "1000,20,1000 unless the settings are given)"},
    {"seed", "N", "Tests", "seed of every random draw of the run (default 20150101)"},
    {"ci", "off|on", "Intervals", "jackknife intervals of the gene-pool measures (default on)"},
    {"bootstrap", "B", "Intervals",
     "also B bootstrap replicates over loci, e.g. -bootstrap=1000 (default 0: none)"},
    {"bootstrap-individuals", "", "Intervals",
     "bootstrap over individuals within demes in place of loci, B from -bootstrap (default "
     "1000); keeps the genotypes while counting"},
    {"long", "off|on", "Outputs", "the long table <prefix>-long.tsv (default on)"},
    {"figures", "LIST", "Outputs", "figures for print, any of svg,pdf,png (default none)"},
    {"report", "html", "Outputs", "a report to open in a browser: <prefix>-report.html"},
    {"threads", "N", "Running",
     "threads of the counting, the exact tests and the analyses of locus combinations "
     "(default: the number of cores); every number gives the same outputs"},
    {"quiet", "", "Running", "no echo of the records while counting"},
    {"force", "", "Running", "overwrite existing output files"},
    {"emit", "counts", "Count files", "write the count tables to <prefix>.counts and stop"},
    {"merge", "A,B,...|@FILE", "Count files", "analyse the merged count tables of these files"},
    {"region", "CHR:FROM-TO", "Count files", "count only this region of an indexed VCF or BCF"},
    {"regions-file", "FILE", "Count files", "count only the regions listed in FILE, one a line"},
    {"samples", "FILE", "Count files", "count only the samples listed in FILE, one a line"},
};
// clang-format on

const std::vector<OptionInfo> kStart = {
    {"BATCHFILE", "", "Dialogue",
     "answers to the console questions, one per line, read instead of the keyboard (the first "
     "line is the name of the input file); an input file named here is taken as the input "
     "file and the questions are asked on the keyboard"},
    {"nogui", "", "Dialogue", "console dialogue (also -nomenu, -keyboard, -console)"},
    {"gui", "", "Dialogue", "dialog windows, the default without arguments (also -menu)"},
    {"col", "N", "Dialogue", "demes per line of the result tables in dialog mode (0: all)"},
    {"maxall", "N", "Dialogue", "largest number of alleles or types per locus (default 250)"},
    {"-help", "", "Dialogue", "this text"},
    {"-version", "", "Dialogue", "the version"},
};

const char* const kChoice[] = {"input",  "config",      "loci",     "combinations", "demes",
                               "kinds",  "gametic-sex", "analyses", "evenness",     "weighting",
                               "snails", "results",     "out",      "width"};

// The ten analyses in their order, and the four kinds of frequency distribution.
const char* const kAnalysis[10] = {
    "frequencies",     "diversity",   "delta-t",        "evenness",       "distance",
    "differentiation", "homogeneity", "heterozygosity", "hardy-weinberg", "product"};
const char* const kKind[4] = {"maternal", "paternal", "alleles", "genotypes"};

// "-name=value" -> name and value; "-name" -> name and no value.
void split(const std::string& arg, std::string& name, std::string& value, bool& has_value) {
  size_t b = arg.rfind("--", 0) == 0 ? 2 : 1;
  size_t eq = arg.find('=');
  has_value = eq != std::string::npos;
  name = arg.substr(b, has_value ? eq - b : std::string::npos);
  value = has_value ? arg.substr(eq + 1) : std::string();
}

const OptionInfo* find(const std::string& name) {
  for (const auto& o : kOptions)
    if (name == o.name) return &o;
  return nullptr;
}

bool to_long(const std::string& s, long lo, long& v) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long x = std::strtol(s.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || x < lo) return false;
  v = x;
  return true;
}

std::vector<std::string> list(const std::string& s) {
  std::vector<std::string> out;
  size_t a = 0;
  while (a <= s.size()) {
    size_t c = s.find(',', a);
    if (c == std::string::npos) c = s.size();
    if (c > a) out.push_back(s.substr(a, c - a));
    a = c + 1;
  }
  return out;
}

// A list of the words `words` (any order, "all" for every one, "none" for none; with
// `numbers` also their numbers 1..n) -> n answers y/n. False naming the word not known.
bool word_list(const std::string& v, const char* const* words, int n, bool numbers, std::string& yn,
               std::string& bad) {
  yn.assign(static_cast<size_t>(n), 'n');
  if (v == "all") return yn.assign(static_cast<size_t>(n), 'y'), true;
  if (v == "none") return true;
  std::vector<std::string> items = list(v);
  if (items.empty()) return bad = v, false;
  for (const std::string& w : items) {
    int k = -1;
    for (int i = 0; i < n; ++i)
      if (w == words[i]) k = i;
    long num = 0;
    if (k < 0 && numbers && to_long(w, 1, num) && num <= n) k = static_cast<int>(num - 1);
    if (k < 0) return bad = w, false;
    yn[static_cast<size_t>(k)] = 'y';
  }
  return true;
}

std::string joined(const char* const* words, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += (i ? "," : "") + std::string(words[i]);
  return s;
}

bool on_off(const std::string& v, bool& b) {
  if (v == "on" || v == "yes") return b = true, true;
  if (v == "off" || v == "no") return b = false, true;
  return false;
}

}  // namespace

const std::vector<OptionInfo>& run_options() {
  return kOptions;
}
const std::vector<OptionInfo>& start_options() {
  return kStart;
}

std::string option_name(const std::string& arg) {
  std::string name, value;
  bool has = false;
  split(arg, name, value, has);
  return name;
}

bool is_choice_option(const std::string& name) {
  for (const char* c : kChoice)
    if (name == c) return true;
  return false;
}

bool is_run_option(const std::string& arg) {
  if (arg.size() < 2 || arg[0] != '-') return false;
  std::string name, value;
  bool has;
  split(arg, name, value, has);
  return find(name) != nullptr;
}

bool apply_run_option(RunOptions& o, const std::string& arg, std::string& err) {
  std::string name, v;
  bool has = false;
  split(arg, name, v, has);
  const OptionInfo* info = find(name);
  if (!info) {
    err = "unknown option \"" + arg + "\"";
    return false;
  }
  const bool sw = info->value[0] == '\0';
  if (sw && has) {
    err = "option \"-" + name + "\" takes no value";
    return false;
  }
  if (!sw && (!has || v.empty())) {
    err = "option \"-" + name + "\" needs a value: -" + name + "=" + info->value;
    return false;
  }
  auto bad = [&](const std::string& what) {
    err = "option \"" + arg + "\": " + what;
    return false;
  };
  long n = 0;
  std::string w;
  // Choices of a run given -input=
  if (name == "input") return o.input = v, true;
  if (name == "config") return o.config = v, true;
  if (name == "loci") return o.loci = v, true;
  if (name == "combinations") return o.combinations = v, true;
  if (name == "demes") return o.demes = v, true;
  if (name == "out") return o.out = v, true;
  if (name == "kinds")
    return word_list(v, kKind, 4, false, o.kinds, w)
               ? true
               : bad("\"" + w + "\" is no kind; expected all, none or any of " + joined(kKind, 4));
  if (name == "analyses")
    return word_list(v, kAnalysis, 10, true, o.analyses, w)
               ? true
               : bad("\"" + w + "\" is no analysis; expected all or any of " +
                     joined(kAnalysis, 10) + " (or 1 to 10)");
  if (name == "evenness") {
    static const char* const k[2] = {"finite", "infinite"};
    return word_list(v, k, 2, false, o.evenness, w) ? true
                                                    : bad("expected finite, infinite or none");
  }
  if (name == "weighting") {
    static const char* const k[2] = {"size", "equal"};
    return word_list(v, k, 2, false, o.weighting, w) ? true : bad("expected size, equal or none");
  }
  if (name == "snails") {
    static const char* const k[2] = {"eps", "wmf"};
    return word_list(v, k, 2, false, o.snails, w) ? true : bad("expected eps, wmf or none");
  }
  if (name == "gametic-sex") {
    if (v != "use" && v != "ignore") return bad("expected use or ignore");
    o.gametic_sex = v == "ignore" ? 1 : 0;
    return true;
  }
  if (name == "results") {
    if (v != "file" && v != "screen") return bad("expected file or screen");
    o.results = v[0] == 'f' ? 'f' : 's';
    return true;
  }
  if (name == "width") {
    if (!to_long(v, 0, n) || n > 100000)
      return bad("the width must be a whole number of demes, 0 or more");
    o.width = static_cast<int>(n);
    return true;
  }
  if (name == "format") {
    static const char* known[] = {"genepop", "fstat", "genetix", "structure",
                                  "genalex", "vcf",   "tolm"};
    for (const char* k : known)
      if (v == k) return o.format = v, true;
    return bad("the format must be one of genepop, fstat, genetix, structure, genalex, vcf, tolm");
  }
  if (name == "popmap") return o.popmap = v, true;
  if (name == "structure") return o.structure = v, true;
  if (name == "convert") return o.convert = v, true;
  if (name == "exact") {
    if (on_off(v, o.exact)) return true;
    std::vector<std::string> p = list(v);
    long d, b, i;
    if (p.size() != 3 || !to_long(p[0], 0, d) || !to_long(p[1], 1, b) || !to_long(p[2], 1, i))
      return bad(
          "expected off, on, or three whole numbers D,B,I (dememorisation steps, "
          "batches, iterations per batch)");
    o.exact = true;
    o.chain_given = true;
    o.dememorisation = d;
    o.batches = b;
    o.iterations = i;
    return true;
  }
  if (name == "seed") {
    if (!to_long(v, 0, n)) return bad("the seed must be a whole number of at least 0");
    o.seed = static_cast<uint64_t>(n);
    o.seed_given = true;
    return true;
  }
  if (name == "ci") return on_off(v, o.ci) ? true : bad("expected on or off");
  if (name == "bootstrap") {
    if (!to_long(v, 0, n)) return bad("the number of replicates must be a whole number");
    o.bootstrap = n;
    return true;
  }
  if (name == "bootstrap-individuals") return o.bootstrap_individuals = true, true;
  if (name == "long") return on_off(v, o.long_table) ? true : bad("expected on or off");
  if (name == "figures") {
    o.figures.clear();
    for (const std::string& f : list(v)) {
      if (f != "svg" && f != "pdf" && f != "png")
        return bad("figure formats are svg, pdf and png, \"" + f + "\" is none of them");
      o.figures.push_back(f);
    }
    return true;
  }
  if (name == "report") {
    if (v != "html") return bad("the only report format is html");
    o.report_html = true;
    return true;
  }
  if (name == "threads") {
    if (!to_long(v, 1, n) || n > 1024) return bad("the number of threads must be 1 to 1024");
    o.threads = static_cast<int>(n);
    return true;
  }
  if (name == "quiet") return o.quiet = true, true;
  if (name == "force") return o.force = true, true;
  if (name == "emit") {
    if (v != "counts") return bad("the only thing to emit is counts");
    o.emit = v;
    return true;
  }
  if (name == "merge") {
    o.merge = list(v);
    return o.merge.empty() ? bad("no count file named") : true;
  }
  if (name == "region") return o.regions.push_back(v), true;
  if (name == "regions-file") return o.regions.push_back("@" + v), true;
  if (name == "samples") return o.samples = v, true;
  return bad("not handled");
}

int run_threads(const RunOptions& o) {
  const int n = o.threads > 0 ? o.threads : static_cast<int>(std::thread::hardware_concurrency());
  return std::max(1, n);
}

}  // namespace tolm
