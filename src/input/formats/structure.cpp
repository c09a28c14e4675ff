// STRUCTURE files: an optional first row of locus names, then per individual one row (two
// columns per locus) or two rows (one allele per locus each): a label column, an optional deme
// column of numbers, the alleles as integers, -9 missing. The layout comes from -structure= where
// given, else from the file: the width of the rows against the locus names, and whether labels
// come in pairs.
#include <algorithm>
#include <set>

#include "input/formats/dataset.h"

namespace tolm::fmt_in {

namespace {

struct Layout {
  int rows = 0;  // 1 or 2 per individual; 0: not known
  bool label = true;
  bool pop = false;
  bool given = false;
};

struct Row {
  long line;
  std::vector<std::string> t;
};

Layout parse_layout(const std::string& s, const Where& w) {
  Layout y;
  y.given = true;
  y.label = false;
  for (const auto& p : split_on(s, ',')) {
    if (p == "onerow")
      y.rows = 1;
    else if (p == "tworows")
      y.rows = 2;
    else if (p == "label")
      y.label = true;
    else if (p == "pop")
      y.pop = true;
    else
      w.fail("-structure=" + s + ": \"" + p + "\" is not one of onerow, tworows, label, pop");
  }
  if (y.rows == 0) w.fail("-structure=" + s + ": onerow or tworows expected");
  return y;
}

bool all_ints(const std::vector<std::string>& t, size_t from) {
  long v = 0;
  for (size_t i = from; i < t.size(); ++i)
    if (!to_int(t[i], v)) return false;
  return true;
}

// Labels equal two by two (rows 1 and 2, 3 and 4, ...; a last row alone is a truncated pair).
bool paired(const std::vector<Row>& rows) {
  if (rows.size() < 2) return false;
  for (size_t i = 0; i + 1 < rows.size(); i += 2)
    if (rows[i].t[0] != rows[i + 1].t[0]) return false;
  return true;
}

}  // namespace

Dataset read_structure(const std::string& path, const RunOptions& o) {
  Where w{"STRUCTURE", path};
  LineReader r(path, w);
  Dataset d;
  std::string line;

  // 1. rows; a first row shorter than the second is the row of locus names
  std::vector<Row> rows;
  while (r.next(line)) {
    Row x{r.number(), split_ws(line)};
    if (!x.t.empty()) rows.push_back(std::move(x));
  }
  if (rows.empty()) w.fail("the file is empty (one or two rows per individual expected)");
  std::vector<std::string> names;
  if (rows.size() >= 2 && rows[0].t.size() < rows[1].t.size()) {
    names = rows[0].t;
    rows.erase(rows.begin());
  }
  const size_t n = rows[0].t.size();

  // 2. layout
  Layout y = o.structure.empty() ? Layout{} : parse_layout(o.structure, w);
  if (!y.given) {
    // without locus names the first column is taken as the labels
    y.rows = paired(rows) ? 2 : 1;
    const size_t L = names.size();
    if (L > 0) {
      // the row count that leaves 0 to 2 leading columns; two rows first where labels pair
      size_t per_row = 0;
      for (int rws : {y.rows, 3 - y.rows}) {
        size_t cells = rws == 1 ? 2 * L : L;
        if (n >= cells && n - cells <= 2 && per_row == 0) {
          y.rows = rws;
          per_row = cells;
        }
      }
      if (per_row == 0)
        w.fail(rows[0].line, std::to_string(n) + " columns do not fit " + std::to_string(L) +
                                 " locus names: give the layout with -structure=");
      const size_t extra = n - per_row;
      y.label = extra >= 1 && !all_ints(rows[0].t, 0);
      y.pop = extra == 2 || (extra == 1 && !y.label);
    } else if (y.rows == 1) {
      y.pop = (n - 1) % 2 == 1;
    } else {
      w.fail(
          "the layout cannot be told from the file (two rows per individual, no row of locus "
          "names): give -structure=tworows,label,pop or -structure=tworows,label");
    }
  }
  const size_t lead = (y.label ? 1u : 0u) + (y.pop ? 1u : 0u);
  if (n <= lead || (y.rows == 1 && (n - lead) % 2))
    w.fail(rows[0].line, std::to_string(n) + " columns do not fit the layout " +
                             (y.rows == 1 ? "onerow" : "tworows") + (y.label ? ",label" : "") +
                             (y.pop ? ",pop" : ""));
  const size_t nl = y.rows == 1 ? (n - lead) / 2 : n - lead;
  if (!names.empty() && names.size() != nl)
    w.fail(rows[0].line, std::to_string(nl) + " loci in the rows, " + std::to_string(names.size()) +
                             " locus names in the first row");
  for (size_t l = 0; l < nl; ++l)
    d.loci.push_back(names.empty() ? "L" + std::to_string(l + 1) : names[l]);

  // 3. demes: from the map file, else from the deme column (numbers, in ascending order)
  PopMap map;
  if (!o.popmap.empty()) {
    map = read_popmap(o.popmap);
    d.demes = map.demes;
    if (!y.label) w.fail("-popmap= needs a label column in the file");
  } else if (!y.pop) {
    w.fail("no deme column: give the demes of the individuals with -popmap=FILE");
  }
  std::set<long> pops;
  const size_t popcol = y.label ? 1 : 0;
  for (const auto& x : rows) {
    long p = 0;
    if (y.pop && x.t.size() > popcol && !to_int(x.t[popcol], p))
      w.fail(x.line, "field " + std::to_string(popcol + 1) + ": a deme number expected, found \"" +
                         x.t[popcol] + "\"");
    if (y.pop) pops.insert(p);
  }
  std::map<long, int> pop_index;
  if (o.popmap.empty())
    for (long p : pops) {
      pop_index[p] = static_cast<int>(d.demes.size());
      d.demes.push_back(std::to_string(p));
    }

  // 4. individuals
  if (rows.size() % static_cast<size_t>(y.rows))
    w.fail(rows.back().line,
           "the file ends after the first row of an individual (two rows per "
           "individual expected)");
  long left_out = 0;
  for (size_t i = 0; i < rows.size(); i += static_cast<size_t>(y.rows)) {
    Dataset::Individual ind;
    ind.line = rows[i].line;
    ind.label = y.label ? rows[i].t[0] : std::to_string(i / static_cast<size_t>(y.rows) + 1);
    const std::string who = "individual " + ind.label;
    for (int k = 0; k < y.rows; ++k) {
      const Row& x = rows[i + static_cast<size_t>(k)];
      if (x.t.size() != n)
        w.fail(x.line,
               who + ": " + std::to_string(nl) + " loci expected, " +
                   std::to_string(x.t.size() < lead ? 0
                                                    : (x.t.size() - lead) / (y.rows == 1 ? 2 : 1)) +
                   " genotypes found (" + std::to_string(x.t.size()) + " columns, " +
                   std::to_string(n) + " expected)");
      if (k == 1 && (x.t[0] != rows[i].t[0] || (y.pop && x.t[popcol] != rows[i].t[popcol])))
        w.fail(x.line, who + ": the second row of the individual expected, found \"" + x.t[0] +
                           "\" (label or deme differ)");
    }
    if (!o.popmap.empty()) {
      auto it = map.deme_of.find(ind.label);
      if (it == map.deme_of.end()) {
        ++left_out;
        continue;
      }
      ind.deme = it->second;
    } else {
      long p = 0;
      to_int(rows[i].t[popcol], p);
      ind.deme = pop_index[p];
    }
    size_t base = d.alleles.size();
    d.alleles.resize(base + 2 * nl);
    for (size_t l = 0; l < nl; ++l)
      for (size_t s = 0; s < 2; ++s) {
        const Row& x = y.rows == 1 ? rows[i] : rows[i + s];
        const size_t col = y.rows == 1 ? lead + 2 * l + s : lead + l;
        long a = 0;
        if (!to_int(x.t[col], a) || (a < 0 && a != -9))
          w.fail(x.line, who + ", locus " + d.loci[l] + " (field " + std::to_string(col + 1) +
                             "): unknown allele code \"" + x.t[col] +
                             "\" (an allele number or -9 expected)");
        d.alleles[base + 2 * l + s] = a < 0 ? kMissing : static_cast<int32_t>(a);
      }
    d.inds.push_back(std::move(ind));
  }
  if (left_out > 0)
    d.notes.push_back(std::to_string(left_out) + " individuals of \"" + path +
                      "\" are not in the map file \"" + o.popmap + "\" and are left out");
  if (!o.popmap.empty()) {
    if (d.inds.empty()) w.fail("no individual of the file is in the map file \"" + o.popmap + "\"");
    drop_unused_demes(d, o.popmap, path);
  }
  return d;
}

}  // namespace tolm::fmt_in
