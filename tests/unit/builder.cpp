// Test builder: a run state and its work arrays from a few lines of text.
#include "builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <sstream>
#include <utility>

namespace tolm::testing_build {

namespace {

struct Spec {
  int np = 1, nl = 1, nc = 0, mxnrlc = 1, mxall = 250, iwidth = -1;
  std::vector<int> shown;
  std::vector<std::string> names, loci;
  std::string choose;
  bool nosex = false;
  // per data deme: the genotypes as allele pairs, {0, 0} for an unknown one
  std::map<int, std::vector<std::pair<int, int>>> genos;
};

std::pair<int, int> pair_of(const std::string& g) {
  if (g == "?/?") return {0, 0};
  const size_t slash = g.find('/');
  EXPECT_NE(slash, std::string::npos) << "builder: genotype " << g;
  if (slash == std::string::npos) return {0, 0};
  return {std::stoi(g.substr(0, slash)), std::stoi(g.substr(slash + 1))};
}

Spec parse(const std::string& text) {
  Spec s;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream ls(line);
    std::string key;
    if (!(ls >> key)) continue;
    std::vector<std::string> v;
    for (std::string t; ls >> t;) v.push_back(t);
    auto num = [&](size_t i) { return i < v.size() ? std::stoi(v[i]) : 0; };
    if (key == "demes") {
      s.np = num(0);
    } else if (key == "shown") {
      for (size_t i = 0; i < v.size(); ++i) s.shown.push_back(num(i));
    } else if (key == "names") {
      s.names = v;
    } else if (key == "loci") {
      s.nl = num(0);
      s.loci.assign(v.begin() + (v.empty() ? 0 : 1), v.end());
    } else if (key == "combinations") {
      s.nc = num(0);
    } else if (key == "mxnrlc") {
      s.mxnrlc = num(0);
    } else if (key == "mxall") {
      s.mxall = num(0);
    } else if (key == "iwidth") {
      s.iwidth = num(0);
    } else if (key == "choose") {
      s.choose = v.empty() ? "" : v[0];
    } else if (key == "sexspc") {
      s.nosex = !v.empty() && v[0] == "no";
    } else if (key == "deme") {
      const int kp = std::stoi(v.empty() ? "0" : v[0]);  // "1:" reads as 1
      auto& g = s.genos[kp];
      for (size_t i = 1; i < v.size(); ++i) g.push_back(pair_of(v[i]));
    } else {
      ADD_FAILURE() << "builder: unknown line \"" << line << "\"";
    }
  }
  if (s.nc == 0) s.nc = s.nl;
  if (s.shown.empty()) {
    s.shown.resize(static_cast<size_t>(s.np));
    std::iota(s.shown.begin(), s.shown.end(), 1);
  }
  return s;
}

// The genotypes of combination 1 (locus 1), counted as the reader counts them.
void count(RunState& rs, Work& w, const Spec& s) {
  const long np = s.np, nc = s.nc, kc = 1, mx = s.mxnrlc;
  // types by first appearance over the demes in data order
  std::vector<int> alleles;                 // haplotype index - 1 -> allele
  std::vector<std::pair<int, int>> gtypes;  // genotype index - 1 -> haplotype indexes
  auto hap = [&](int a) {
    auto it = std::find(alleles.begin(), alleles.end(), a);
    if (it != alleles.end()) return static_cast<int>(it - alleles.begin()) + 1;
    alleles.push_back(a);
    return static_cast<int>(alleles.size());
  };
  auto r20 = [&](long h, long kp, long m) { return 3 * (np * (nc * h + kc - 1) + kp - 1) + m; };
  auto add = [&](int ch, long r, int n) { swrite(rs, ch, r, sread(rs, ch, r) + n); };
  for (const auto& [kp, list] : s.genos) {
    for (auto [a1, a2] : list) {
      w.nsam(kp) += 1;  // display position = data deme unless `shown` reorders; fixed below
      if (a1 == 0 || a2 == 0) {
        add(22, np * (kc - 1) + kp, 1);
        add(20, r20(0, kp, 1), 1);
        add(20, r20(0, kp, 2), 1);
        add(20, r20(0, kp, 3), 2);
        continue;
      }
      const int h1 = hap(a1), h2 = hap(a2);
      auto it = std::find(gtypes.begin(), gtypes.end(), std::make_pair(h1, h2));
      const long g = it != gtypes.end()
                         ? (it - gtypes.begin()) + 1
                         : (gtypes.push_back({h1, h2}), static_cast<long>(gtypes.size()));
      add(22, np * (nc * g + kc - 1) + kp, 1);
      add(20, r20(h1, kp, 1), 1);
      add(20, r20(h2, kp, 2), 1);
      add(20, r20(h1, kp, 3), 1);
      add(20, r20(h2, kp, 3), 1);
    }
  }
  const int T = static_cast<int>(alleles.size()), G = static_cast<int>(gtypes.size());
  for (int h = 1; h <= T; ++h) swrite(rs, 21, mx * (nc * h + kc - 1) + 1, alleles[h - 1]);
  for (int g = 1; g <= G; ++g) swrite23(rs, nc * g + kc, gtypes[g - 1].first, gtypes[g - 1].second);
  std::vector<int> hord(static_cast<size_t>(T)), gord(static_cast<size_t>(G));
  std::iota(hord.begin(), hord.end(), 1);
  std::iota(gord.begin(), gord.end(), 1);
  std::sort(hord.begin(), hord.end(),
            [&](int a, int b) { return alleles[a - 1] < alleles[b - 1]; });
  auto key = [&](int g) {
    return std::make_pair(alleles[gtypes[g - 1].first - 1], alleles[gtypes[g - 1].second - 1]);
  };
  std::sort(gord.begin(), gord.end(), [&](int a, int b) { return key(a) < key(b); });
  for (int i = 1; i <= T; ++i) swrite(rs, 24, nc * i + kc, hord[i - 1]);
  for (int i = 1; i <= G; ++i) swrite(rs, 25, nc * i + kc, gord[i - 1]);
  w.nptr1(kc) = T;
  w.nptr2(kc) = G;
}

}  // namespace

void build(RunState& rs, Work& w, const std::string& text) {
  const Spec s = parse(text);
  Param& p = rs.param;
  w.create(s.np, s.nl, s.nl + 1, s.mxall);
  p.np = s.np;
  p.nl = s.nl;
  p.nc = s.nc;
  p.kc = 1;
  p.mxnrlc = s.mxnrlc;
  p.maxp = static_cast<int>(s.shown.size());
  if (s.iwidth >= 0) p.iwidth = s.iwidth;
  p.iunit = 8;
  for (int ch : {8, 29, 6}) rs.u(ch).capture();
  for (int ch = 20; ch <= 27; ++ch) rs.scratch.open(ch);
  for (size_t i = 0; i < s.shown.size(); ++i) w.nprb(static_cast<long>(i) + 1) = s.shown[i];
  for (int kp = 1; kp <= std::min(s.np, static_cast<int>(s.names.size())); ++kp)
    w.prbnam(kp) = s.names[static_cast<size_t>(kp - 1)];
  for (int l = 1; l <= std::min(s.nl, static_cast<int>(s.loci.size())); ++l)
    w.locnam(l) = s.loci[static_cast<size_t>(l - 1)];
  for (int k = 1; k <= std::min(s.nc, s.nl); ++k) {
    w.nrloc(k) = 1;
    w.loccmb(k, 1) = k;
  }
  for (char c : s.choose) rs.names.aprog(c == '0' ? 10 : c - '0') = 'y';
  if (s.nosex)
    for (int kc = 1; kc <= s.nc; ++kc)
      for (int kp = 1; kp <= s.np; ++kp) w.sexspc(kc, kp) = " no";
  if (s.genos.empty()) return;
  count(rs, w, s);
  // `nsam` is per display position: move the data demes' sizes there
  std::vector<int> size(static_cast<size_t>(s.np) + 1, 0);
  for (int kp = 1; kp <= s.np; ++kp) size[static_cast<size_t>(kp)] = w.nsam(kp);
  for (int i = 1; i <= p.maxp; ++i) w.nsam(i) = size[static_cast<size_t>(w.nprb(i))];
}

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> v;
  size_t a = 0;
  while (a < s.size()) {
    size_t e = s.find('\n', a);
    if (e == std::string::npos) e = s.size();
    v.push_back(s.substr(a, e - a));
    a = e + 1;
  }
  return v;
}

}  // namespace tolm::testing_build
