// Genetix files: the number of loci and the number of demes (first field of lines 1 and 2); per
// locus a name line and a line with the number of its alleles and their 3-digit codes; per deme
// a name line, a line with its size and that many individuals: a 10-character label, then one
// 6-digit genotype per locus (000: missing allele).
#include <set>

#include "input/formats/dataset.h"

namespace tolm::fmt_in {

namespace {

long count_field(const Where& w, LineReader& r, const std::string& what) {
  std::string line;
  if (!r.next(line)) {
    if (r.number() == 0)
      w.fail(
          "the file is empty (the numbers of loci and demes, the loci with their alleles and "
          "the demes expected)");
    w.fail(r.number(), "the file ends where " + what + " is expected");
  }
  std::vector<std::string> t = split_ws(line);
  long v = 0;
  if (t.empty() || !to_int(t[0], v) || v < 0)
    w.fail(r.number(), what + " expected, found \"" + trim_ws(line).substr(0, 40) + "\"");
  return v;
}

}  // namespace

Dataset read_genetix(const std::string& path) {
  Where w{"Genetix", path};
  LineReader r(path, w);
  Dataset d;
  std::string line;

  // 1. numbers of loci and demes
  const long nl = count_field(w, r, "the number of loci");
  const long np = count_field(w, r, "the number of demes");
  if (nl < 1 || np < 1) w.fail(r.number(), "at least one locus and one deme expected");

  // 2. loci: name, then the count and the codes of its alleles
  std::vector<std::set<int>> known(static_cast<size_t>(nl));
  for (long l = 0; l < nl; ++l) {
    if (!r.next(line))
      w.fail(r.number(), "the file ends at locus " + std::to_string(l + 1) + " of " +
                             std::to_string(nl) + " (its name expected)");
    d.loci.push_back(trim_ws(line));
    if (!r.next(line))
      w.fail(r.number(), "the file ends at locus " + std::to_string(l + 1) +
                             " (the number of its alleles and their codes expected)");
    std::vector<std::string> t = split_ws(line);
    long n = 0;
    if (t.empty() || !to_int(t[0], n) || n < 0)
      w.fail(r.number(), "locus " + d.loci.back() + ": the number of its alleles expected");
    if (static_cast<long>(t.size()) - 1 != n)
      w.fail(r.number(), "locus " + d.loci.back() + ": " + std::to_string(n) +
                             " allele codes expected, " + std::to_string(t.size() - 1) + " found");
    for (size_t i = 1; i < t.size(); ++i) {
      long a = 0;
      if (!is_uint(t[i]) || !to_int(t[i], a) || a < 1 || a > 999)
        w.fail(r.number(), "locus " + d.loci.back() + ", field " + std::to_string(i + 1) +
                               ": an allele code of 3 digits expected, found \"" + t[i] + "\"");
      known[static_cast<size_t>(l)].insert(static_cast<int>(a));
    }
  }

  // 3. demes: name, size, individuals
  const size_t nls = static_cast<size_t>(nl);
  for (long k = 0; k < np; ++k) {
    if (!r.next(line))
      w.fail(r.number(), "the file ends before deme " + std::to_string(k + 1) + " of " +
                             std::to_string(np) + " (its name expected)");
    d.demes.push_back(trim_ws(line));
    d.deme_line.push_back(r.number());
    const long n = count_field(w, r, "the size of deme " + std::to_string(k + 1));
    for (long i = 0; i < n; ++i) {
      if (!r.next(line))
        w.fail(r.number(), "the file ends in deme " + std::to_string(k + 1) + " after " +
                               std::to_string(i) + " of its " + std::to_string(n) + " individuals");
      Dataset::Individual ind;
      ind.deme = static_cast<int>(k);
      ind.line = r.number();
      // the label fills the first 10 columns; a label without blanks may be longer
      std::vector<std::string> g = split_ws(line.size() > 10 ? line.substr(10) : "");
      ind.label = trim_ws(line.substr(0, 10));
      if (g.size() != nls) {
        std::vector<std::string> all = split_ws(line);
        if (all.size() == nls + 1) {
          ind.label = all[0];
          g.assign(all.begin() + 1, all.end());
        }
      }
      const std::string who = "individual " + ind.label;
      if (g.size() != nls)
        w.fail(r.number(), who + ": " + std::to_string(nl) + " loci expected, " +
                               std::to_string(g.size()) + " genotypes found");
      size_t base = d.alleles.size();
      d.alleles.resize(base + 2 * nls);
      for (size_t l = 0; l < nls; ++l) {
        const std::string at = who + ", locus " + d.loci[l] + ": ";
        if (!is_uint(g[l]) || g[l].size() != 6)
          w.fail(r.number(), at + "genotype \"" + g[l] + "\": 6 digits expected");
        for (size_t s = 0; s < 2; ++s) {
          int a = std::stoi(g[l].substr(3 * s, 3));
          if (a != 0 && !known[l].count(a))
            w.fail(r.number(), at + "unknown allele code " + g[l].substr(3 * s, 3) +
                                   " (not among the alleles listed for the locus)");
          d.alleles[base + 2 * l + s] = a == 0 ? kMissing : a;
        }
      }
      d.inds.push_back(std::move(ind));
    }
  }
  while (r.next(line))
    if (!trim_ws(line).empty())
      w.fail(r.number(), "text after the last of the " + std::to_string(np) + " demes");
  return d;
}

}  // namespace tolm::fmt_in
