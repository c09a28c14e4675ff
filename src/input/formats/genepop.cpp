// Genepop files: a title line, the locus names (one a line, or comma-separated), then demes each
// opened by a "Pop" line and individuals "label , genotype genotype ...", a genotype being two
// alleles of 2 or 3 digits each (all zero: missing).
#include <cctype>

#include "input/formats/dataset.h"

namespace tolm::fmt_in {

namespace {

// "Pop", "POP", "pop Name", "Pop, Name": true with the name (possibly empty).
bool pop_line(const std::string& t, std::string& name) {
  if (t.size() < 3) return false;
  for (int i = 0; i < 3; ++i)
    if (std::tolower(static_cast<unsigned char>(t[static_cast<size_t>(i)])) != "pop"[i])
      return false;
  if (t.size() > 3 && t[3] != ' ' && t[3] != '\t' && t[3] != ',' && t[3] != ':') return false;
  name = trim_ws(t.substr(3));
  while (!name.empty() && (name[0] == ',' || name[0] == ':')) name = trim_ws(name.substr(1));
  return true;
}

// 2. one genotype token into two alleles; `width` is the digits per allele the file uses (0
// until the first genotype sets it)
void genotype(const Where& w, long line, const std::string& who, size_t locus, const std::string& g,
              int& width, long& width_line, int32_t* out) {
  const std::string at = who + ", locus " + std::to_string(locus + 1) + ": ";
  if (!is_uint(g)) w.fail(line, at + "unknown allele code \"" + g + "\" (digits expected)");
  if (g.find_first_not_of('0') == std::string::npos && g.size() <= 6) {
    out[0] = out[1] = kMissing;
    return;
  }
  if (g.size() != 4 && g.size() != 6)
    w.fail(line, at + "genotype \"" + g + "\" has " + std::to_string(g.size()) +
                     " digits, 4 or 6 expected (two alleles of 2 or 3 digits)");
  int wd = static_cast<int>(g.size() / 2);
  if (width == 0) {
    width = wd;
    width_line = line;
  } else if (wd != width) {
    w.fail(line, at + "genotype \"" + g + "\" has " + std::to_string(g.size()) + " digits, " +
                     std::to_string(2 * width) + " expected as in the genotypes of line " +
                     std::to_string(width_line));
  }
  for (int s = 0; s < 2; ++s) {
    int v = std::stoi(g.substr(static_cast<size_t>(s * wd), static_cast<size_t>(wd)));
    out[s] = v == 0 ? kMissing : v;
  }
}

}  // namespace

Dataset read_genepop(const std::string& path) {
  Where w{"Genepop", path};
  LineReader r(path, w);
  Dataset d;
  std::string line;
  if (!r.next(line))
    w.fail("the file is empty (a title line, locus names and \"Pop\" lines expected)");

  // 1. locus names up to the first "Pop" line
  std::string name;
  bool in_pop = false;
  while (r.next(line)) {
    std::string t = trim_ws(line);
    if (t.empty()) continue;
    if (pop_line(t, name)) {
      in_pop = true;
      break;
    }
    if (t.find(',') != std::string::npos) {
      for (const auto& n : split_on(t, ','))
        if (!n.empty()) d.loci.push_back(n);
    } else {
      d.loci.push_back(t);
    }
  }
  if (!in_pop)
    w.fail(r.number(),
           "the file ends before its first \"Pop\" line (locus names, then \"Pop\" "
           "and the individuals of each deme expected)");
  if (d.loci.empty()) w.fail(r.number(), "no locus names before the first \"Pop\" line");
  const size_t nl = d.loci.size();

  // 3. demes and their individuals
  std::vector<bool> named;
  auto open_deme = [&](const std::string& n) {
    d.demes.push_back(n);
    d.deme_line.push_back(r.number());
    named.push_back(!n.empty());
  };
  open_deme(name);
  int width = 0;
  long width_line = 0;
  while (r.next(line)) {
    std::string t = trim_ws(line);
    if (t.empty()) continue;
    if (pop_line(t, name)) {
      open_deme(name);
      continue;
    }
    size_t comma = t.find(',');
    if (comma == std::string::npos)
      w.fail(r.number(),
             "\"label , genotypes\" or \"Pop\" expected, found \"" + t.substr(0, 40) + "\"");
    Dataset::Individual ind;
    ind.deme = static_cast<int>(d.demes.size()) - 1;
    ind.label = trim_ws(t.substr(0, comma));
    ind.line = r.number();
    std::vector<std::string> g = split_ws(t.substr(comma + 1));
    const std::string who = "individual " + ind.label;
    if (g.size() != nl)
      w.fail(r.number(), who + ": " + std::to_string(nl) + " loci expected, " +
                             std::to_string(g.size()) + " genotypes found");
    size_t base = d.alleles.size();
    d.alleles.resize(base + 2 * nl);
    for (size_t l = 0; l < nl; ++l)
      genotype(w, r.number(), who, l, g[l], width, width_line, d.alleles.data() + base + 2 * l);
    if (!named[static_cast<size_t>(ind.deme)] && d.demes.back().empty()) d.demes.back() = ind.label;
    d.inds.push_back(std::move(ind));
  }
  if (r.ended_without_newline() && !d.inds.empty() && d.inds.back().line == r.number())
    d.notes.push_back("The last line of \"" + path +
                      "\" has no line end: check that the file is complete");
  for (size_t k = 0; k < d.demes.size(); ++k)
    if (d.demes[k].empty()) d.demes[k] = "Pop " + std::to_string(k + 1);
  return d;
}

}  // namespace tolm::fmt_in
