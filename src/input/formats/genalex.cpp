// GenAlEx files (comma-separated, also ";" or TAB): row 1 the numbers of loci, samples and demes
// and the size of each deme; row 2 a title and the deme names; row 3 the column heads with the
// locus names over the first column of each locus; then one row per individual: label, deme
// name, two columns per locus (0: missing).
#include <algorithm>

#include "input/formats/dataset.h"

namespace tolm::fmt_in {

Dataset read_genalex(const std::string& path) {
  Where w{"GenAlEx", path};
  LineReader r(path, w);
  Dataset d;
  std::string line;

  // 1. row 1: loci, samples, demes, deme sizes
  if (!r.next(line))
    w.fail("the file is empty (three header rows, then one row per individual expected)");
  char sep = line.find(',') != std::string::npos   ? ','
             : line.find(';') != std::string::npos ? ';'
                                                   : '\t';
  std::vector<std::string> h = split_on(line, sep);
  long v[3] = {0, 0, 0};
  const char* what[3] = {"the number of loci", "the number of samples", "the number of demes"};
  for (size_t i = 0; i < 3; ++i)
    if (i >= h.size() || !to_int(h[i], v[i]) || v[i] < 1)
      w.fail(1, "field " + std::to_string(i + 1) + ": " + what[i] + " expected, found \"" +
                    (i < h.size() ? h[i] : "") + "\"");
  const size_t nl = static_cast<size_t>(v[0]), np = static_cast<size_t>(v[2]);
  if (np > 100000 || nl > 10000000) w.fail(1, "more demes or loci than a file can hold");
  std::vector<long> size(np, 0);
  for (size_t k = 0; k < np; ++k)
    if (3 + k >= h.size() || !to_int(h[3 + k], size[k]) || size[k] < 0)
      w.fail(1, "field " + std::to_string(4 + k) + ": the size of deme " + std::to_string(k + 1) +
                    " expected");

  // 2. row 2: deme names; row 3: locus names
  if (!r.next(line)) w.fail(r.number(), "the file ends before row 2 (title and deme names)");
  std::vector<std::string> t = split_on(line, sep);
  for (size_t k = 0; k < np; ++k) {
    if (3 + k >= t.size() || t[3 + k].empty())
      w.fail(2, "field " + std::to_string(4 + k) + ": the name of deme " + std::to_string(k + 1) +
                    " expected");
    if (std::find(d.demes.begin(), d.demes.end(), t[3 + k]) != d.demes.end())
      w.fail(2, "field " + std::to_string(4 + k) + ": deme name \"" + t[3 + k] + "\" given twice");
    d.demes.push_back(t[3 + k]);
    d.deme_line.push_back(0);
  }
  if (!r.next(line)) w.fail(r.number(), "the file ends before row 3 (the column heads)");
  t = split_on(line, sep);
  for (size_t l = 0; l < nl; ++l) {
    if (2 + 2 * l >= t.size())
      w.fail(3, "field " + std::to_string(3 + 2 * l) + ": the name of locus " +
                    std::to_string(l + 1) + " expected");
    d.loci.push_back(t[2 + 2 * l]);
  }

  // 3. individuals
  std::vector<long> found(np, 0);
  while (r.next(line)) {
    t = split_on(line, sep);
    if (std::all_of(t.begin(), t.end(), [](const std::string& s) { return s.empty(); })) continue;
    Dataset::Individual ind;
    ind.line = r.number();
    ind.label = t[0];
    const std::string who = "individual " + ind.label;
    if (t.size() < 2) w.fail(r.number(), who + ", field 2: the deme name expected");
    auto it = std::find(d.demes.begin(), d.demes.end(), t[1]);
    if (it == d.demes.end())
      w.fail(r.number(), who + ", field 2: deme \"" + t[1] + "\" is not among the demes of row 2");
    ind.deme = static_cast<int>(it - d.demes.begin());
    ++found[static_cast<size_t>(ind.deme)];
    size_t cols = t.size();
    while (cols > 2 + 2 * nl && t[cols - 1].empty()) --cols;
    if (cols != 2 + 2 * nl)
      w.fail(r.number(), who + ": " + std::to_string(nl) + " loci expected, " +
                             std::to_string((cols - 2) / 2) + " genotypes found (" +
                             std::to_string(cols - 2) + " allele columns)");
    size_t base = d.alleles.size();
    d.alleles.resize(base + 2 * nl);
    for (size_t c = 0; c < 2 * nl; ++c) {
      long a = 0;
      if (!to_int(t[2 + c], a) || a < 0)
        w.fail(r.number(), who + ", locus " + d.loci[c / 2] + " (field " + std::to_string(3 + c) +
                               "): unknown allele code \"" + t[2 + c] +
                               "\" (an allele number, 0 for missing, expected)");
      d.alleles[base + c] = a == 0 ? kMissing : static_cast<int32_t>(a);
    }
    d.inds.push_back(std::move(ind));
  }

  // 4. the sizes of row 1
  if (static_cast<long>(d.inds.size()) != v[1])
    w.fail(r.number(), std::to_string(v[1]) + " samples expected (row 1), " +
                           std::to_string(d.inds.size()) + " found: is the file complete?");
  for (size_t k = 0; k < np; ++k)
    if (found[k] != size[k])
      w.fail(r.number(), "deme \"" + d.demes[k] + "\": " + std::to_string(size[k]) +
                             " individuals expected (row 1), " + std::to_string(found[k]) +
                             " found");
  return d;
}

}  // namespace tolm::fmt_in
