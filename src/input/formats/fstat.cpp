// FSTAT files: a first line with the numbers of demes and loci, the highest allele number and the
// digits per allele; one locus name a line; then one line per individual: its deme number and
// one genotype per locus, the two alleles written as one number of 2 x digits (0: missing).
#include "input/formats/dataset.h"

namespace tolm::fmt_in {

Dataset read_fstat(const std::string& path) {
  Where w{"FSTAT", path};
  LineReader r(path, w);
  Dataset d;
  std::string line;

  // 1. first line
  if (!r.next(line))
    w.fail(
        "the file is empty (a first line with the numbers of demes, loci, the highest allele "
        "and the digits per allele expected)");
  std::vector<std::string> h = split_ws(line);
  long v[4] = {0, 0, 0, 0};
  const char* what[4] = {"demes", "loci", "the highest allele number", "digits per allele"};
  for (size_t i = 0; i < 4; ++i) {
    if (i >= h.size())
      w.fail(1,
             std::string("4 numbers expected (demes, loci, highest allele, digits per allele), ") +
                 std::to_string(h.size()) + " found");
    if (!to_int(h[i], v[i]) || v[i] < 1)
      w.fail(1, std::string("field ") + std::to_string(i + 1) + ": the number of " + what[i] +
                    " expected, found \"" + h[i] + "\"");
  }
  if (v[3] > 3) w.fail(1, "field 4: 1, 2 or 3 digits per allele expected, found " + h[3]);
  const size_t np = static_cast<size_t>(v[0]), nl = static_cast<size_t>(v[1]);
  const long maxall = v[2];
  long scale = 1;
  for (long i = 0; i < v[3]; ++i) scale *= 10;
  if (np > 100000 || nl > 10000000) w.fail(1, "more demes or loci than a file can hold");

  // 2. locus names
  for (size_t l = 0; l < nl; ++l) {
    if (!r.next(line))
      w.fail(r.number(), "the file ends after " + std::to_string(l) + " of " + std::to_string(nl) +
                             " locus names");
    d.loci.push_back(trim_ws(line));
  }
  for (size_t k = 0; k < np; ++k) d.demes.push_back(std::to_string(k + 1));

  // 3. individuals
  while (r.next(line)) {
    std::vector<std::string> t = split_ws(line);
    if (t.empty()) continue;
    Dataset::Individual ind;
    ind.line = r.number();
    ind.label = std::to_string(d.inds.size() + 1);
    const std::string who = "individual " + ind.label;
    long deme = 0;
    if (!to_int(t[0], deme) || deme < 1 || deme > static_cast<long>(np))
      w.fail(r.number(), who + ", field 1: a deme number from 1 to " + std::to_string(np) +
                             " expected, found \"" + t[0] + "\"");
    ind.deme = static_cast<int>(deme - 1);
    if (t.size() - 1 != nl)
      w.fail(r.number(), who + ": " + std::to_string(nl) + " loci expected, " +
                             std::to_string(t.size() - 1) + " genotypes found");
    size_t base = d.alleles.size();
    d.alleles.resize(base + 2 * nl);
    for (size_t l = 0; l < nl; ++l) {
      const std::string& g = t[l + 1];
      const std::string at =
          who + ", locus " + std::to_string(l + 1) + " (field " + std::to_string(l + 2) + "): ";
      long x = 0;
      if (!is_uint(g) || !to_int(g, x))
        w.fail(r.number(), at + "unknown allele code \"" + g + "\" (digits expected)");
      if (x >= scale * scale)
        w.fail(r.number(),
               at + "genotype \"" + g + "\" has more than " + std::to_string(2 * v[3]) + " digits");
      long a[2] = {x / scale, x % scale};
      for (int s = 0; s < 2; ++s) {
        if (a[s] > maxall)
          w.fail(r.number(), at + "unknown allele code " + std::to_string(a[s]) +
                                 ", above the highest allele number " + std::to_string(maxall) +
                                 " of line 1");
        d.alleles[base + 2 * l + static_cast<size_t>(s)] =
            a[s] == 0 ? kMissing : static_cast<int32_t>(a[s]);
      }
    }
    d.inds.push_back(std::move(ind));
  }
  return d;
}

}  // namespace tolm::fmt_in
