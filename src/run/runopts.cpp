#include "run/runopts.h"

#include <cerrno>
#include <cstdlib>

namespace tolm {

namespace {

// clang-format off
const std::vector<OptionInfo> kOptions = {
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
     "iterations per batch (default 10000,100,5000)"},
    {"seed", "N", "Tests", "seed of every random draw of the run (default 20150101)"},
    {"ci", "off|on", "Intervals", "jackknife intervals of the gene-pool measures (default on)"},
    {"bootstrap", "B", "Intervals", "also B bootstrap replicates over loci (default 0: none)"},
    {"bootstrap-individuals", "", "Intervals",
     "bootstrap over individuals within demes instead of over loci"},
    {"long", "off|on", "Outputs", "the long table <prefix>-long.tsv (default on)"},
    {"figures", "LIST", "Outputs", "figures for print, any of svg,pdf,png (default none)"},
    {"report", "html", "Outputs", "a report to open in a browser: <prefix>-report.html"},
    {"threads", "N", "Running", "threads (default: the number of cores)"},
    {"quiet", "", "Running", "no echo of the records while counting"},
    {"force", "", "Running", "overwrite existing output files"},
    {"emit", "counts", "Count files", "write the count tables to <prefix>.counts and stop"},
    {"merge", "A,B,...|@FILE", "Count files", "analyse the merged count tables of these files"},
    {"region", "CHR:FROM-TO", "Count files", "count only this region of an indexed VCF or BCF"},
    {"regions-file", "FILE", "Count files", "count only the regions listed in FILE, one a line"},
    {"samples", "FILE", "Count files", "count only the samples listed in FILE, one a line"},
};
// clang-format on

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

bool on_off(const std::string& v, bool& b) {
  if (v == "on" || v == "yes") return b = true, true;
  if (v == "off" || v == "no") return b = false, true;
  return false;
}

}  // namespace

const std::vector<OptionInfo>& run_options() { return kOptions; }

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
      return bad("expected off, on, or three whole numbers D,B,I (dememorisation steps, "
                 "batches, iterations per batch)");
    o.exact = true;
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

}  // namespace tolm
