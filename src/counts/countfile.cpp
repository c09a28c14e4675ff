// Count files on disk and their merge (layout: docs/count-files.md).
#include "counts/countfile.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>

namespace tolm::counts {

namespace {

constexpr char kMagic[8] = {'T', 'O', 'L', 'M', 'C', 'N', 'T', '\n'};
// Bounds that no count file of a real run comes near; a larger value is a damaged file.
constexpr int64_t kMostItems = 1LL << 31;

// ---- encoding: little-endian integers, texts as length and bytes ----

struct Out {
  std::string b;
  void i32(int64_t v) {
    uint32_t u = static_cast<uint32_t>(static_cast<int32_t>(v));
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<char>((u >> (8 * k)) & 0xff));
  }
  void i64(int64_t v) {
    uint64_t u = static_cast<uint64_t>(v);
    for (int k = 0; k < 8; ++k) b.push_back(static_cast<char>((u >> (8 * k)) & 0xff));
  }
  void str(const std::string& s) {
    i32(static_cast<int64_t>(s.size()));
    b += s;
  }
};

struct In {
  const std::string& b;
  size_t at = 0;
  bool bad = false;
  bool take(size_t n) {
    if (bad || b.size() - at < n) return bad = true, false;
    return true;
  }
  int64_t i32() {
    if (!take(4)) return 0;
    uint32_t u = 0;
    for (int k = 0; k < 4; ++k)
      u |= static_cast<uint32_t>(static_cast<unsigned char>(b[at + k])) << (8 * k);
    at += 4;
    return static_cast<int32_t>(u);
  }
  int64_t i64() {
    if (!take(8)) return 0;
    uint64_t u = 0;
    for (int k = 0; k < 8; ++k)
      u |= static_cast<uint64_t>(static_cast<unsigned char>(b[at + k])) << (8 * k);
    at += 8;
    return static_cast<int64_t>(u);
  }
  // A size: 0..most, else the file is damaged.
  size_t size(int64_t most = kMostItems) {
    int64_t v = i32();
    if (v < 0 || v > most) bad = true;
    return bad ? 0 : static_cast<size_t>(v);
  }
  std::string str() {
    size_t n = size(1 << 20);
    if (!take(n)) return {};
    std::string s = b.substr(at, n);
    at += n;
    return s;
  }
};

uint32_t checksum(const std::string& b, size_t n) {
  uLong c = crc32(0L, Z_NULL, 0);
  for (size_t at = 0; at < n;) {  // in pieces: the length zlib takes is 32 bits wide
    const size_t k = std::min<size_t>(n - at, 1u << 30);
    c = crc32(c, reinterpret_cast<const Bytef*>(b.data() + at), static_cast<uInt>(k));
    at += k;
  }
  return static_cast<uint32_t>(c);
}

void encode(const CountTables& t, Out& o) {
  o.b.append(kMagic, sizeof kMagic);
  o.i32(t.version);
  o.str(t.program);
  o.str(t.input);
  o.str(t.input_format);
  o.i32(t.np());
  for (const auto& d : t.demes) o.str(d);
  o.i32(static_cast<int64_t>(t.loci.size()));
  for (const auto& l : t.loci) o.str(l);
  o.i32(t.loctyp);
  o.i32(t.notord);
  o.i32(t.unreadable);
  o.i32(static_cast<int64_t>(t.combs.size()));
  for (const auto& c : t.combs) {
    o.i32(c.nrloc());
    for (int l : c.loci) o.i32(l);
    for (int s : c.sex) o.i32(s);
  }
  for (const auto& c : t.combs) {
    o.i32(c.nptr1);
    o.i32(c.nptr2);
    for (int32_t a : c.haps) o.i32(a);
    for (int32_t h : c.gens) o.i32(h);
    for (int64_t v : c.c20) o.i64(v);
    for (int64_t v : c.c22) o.i64(v);
    for (int64_t v : c.c26) o.i64(v);
  }
}

// Section 2 of the layout: the tables of one combination, checked against its sizes.
bool decode_tables(In& in, Combination& c, size_t np, std::string& err) {
  const size_t r = c.loci.size();
  c.nptr1 = static_cast<int>(in.size());
  c.nptr2 = static_cast<int>(in.size());
  const size_t n1 = static_cast<size_t>(c.nptr1), n2 = static_cast<size_t>(c.nptr2);
  // every value takes at least 4 bytes: sizes beyond what is left are damage, not memory to ask
  const size_t left = in.b.size() - in.at;
  if (in.bad || n1 * r > left / 4 || (n1 + 1) * np * 3 > left / 8 || n2 * 2 > left / 4 ||
      (n2 + 1) * np > left / 8) {
    err = "the tables are cut short";
    return false;
  }
  c.haps.resize(n1 * r);
  for (auto& a : c.haps) a = static_cast<int32_t>(in.i32());
  c.gens.resize(n2 * 2);
  for (auto& h : c.gens) {
    h = static_cast<int32_t>(in.i32());
    if (h < 1 || h > c.nptr1) in.bad = true;
  }
  c.c20.resize((n1 + 1) * np * 3);
  for (auto& v : c.c20) v = in.i64();
  c.c22.resize((n2 + 1) * np);
  for (auto& v : c.c22) v = in.i64();
  c.c26.resize(np * (r + 3));
  for (auto& v : c.c26) v = in.i64();
  // counts are never negative and fit the 32-bit records of the count store
  auto count = [](int64_t v) { return v >= 0 && v <= std::numeric_limits<int32_t>::max(); };
  for (const auto* v : {&c.c20, &c.c22, &c.c26})
    if (!std::all_of(v->begin(), v->end(), count)) in.bad = true;
  if (in.bad) err = "the tables are cut short, hold a type that does not exist or a count below 0";
  return !in.bad;
}

bool decode(const std::string& b, CountTables& t, std::string& err) {
  In in{b};
  if (b.size() < sizeof kMagic + 4 || std::memcmp(b.data(), kMagic, sizeof kMagic) != 0) {
    err = "not a TOLM count file";
    return false;
  }
  in.at = sizeof kMagic;
  t.version = static_cast<int>(in.i32());
  if (t.version != kFormatVersion) {
    err = "count file format version " + std::to_string(t.version) + ", this program reads " +
          std::to_string(kFormatVersion);
    return false;
  }
  if (b.size() < sizeof kMagic + 8 ||
      checksum(b, b.size() - 4) != static_cast<uint32_t>(In{b, b.size() - 4}.i32())) {
    err = "damaged: the checksum does not match the content";
    return false;
  }
  t.program = in.str();
  t.input = in.str();
  t.input_format = in.str();
  const size_t np = in.size(1 << 24);
  if (np > b.size() / 4) in.bad = true;  // every name takes 4 bytes at least
  t.demes.resize(in.bad ? 0 : np);
  for (auto& d : t.demes) d = in.str();
  const size_t nl = in.size(1 << 28);
  if (nl > b.size()) in.bad = true;
  t.loci.resize(in.bad ? 0 : nl);
  for (auto& l : t.loci) l = in.str();
  t.loctyp = static_cast<int>(in.i32());
  t.notord = static_cast<int>(in.i32());
  t.unreadable = static_cast<int>(in.i32());
  const size_t nc = in.size(static_cast<int64_t>(nl) + 1);
  if (in.bad || np < 1 || nl < 1 || nc < 1) {
    err = "damaged: the header is cut short or holds impossible sizes";
    return false;
  }
  t.combs.resize(nc);
  for (auto& c : t.combs) {
    const size_t r = in.size(static_cast<int64_t>(nl));
    c.loci.resize(r);
    for (int& l : c.loci) {
      l = static_cast<int>(in.i32());
      if (l < 1 || static_cast<size_t>(l) > nl) in.bad = true;
    }
    c.sex.resize(in.bad ? 0 : np);
    for (int& s : c.sex) s = in.i32() == 1 ? 1 : 0;
    if (in.bad || r < 1) {
      err = "damaged: a locus combination names a locus that does not exist";
      return false;
    }
  }
  for (auto& c : t.combs)
    if (!decode_tables(in, c, np, err)) {
      err = "damaged: " + err;
      return false;
    }
  if (in.at + 4 != b.size()) {
    err = "damaged: " + std::to_string(b.size() - 4 - in.at) + " bytes follow the tables";
    return false;
  }
  return true;
}

}  // namespace

int CountTables::mxnrlc() const {
  int m = 0;
  for (const auto& c : combs) m = std::max(m, c.nrloc());
  return m;
}

bool write_counts(const CountTables& t, const std::string& path, std::string& err) {
  Out o;
  encode(t, o);
  o.i32(static_cast<int32_t>(checksum(o.b, o.b.size())));
  gzFile f = gzopen(path.c_str(), "wb6");
  if (!f) {
    err = "cannot be opened for writing (" + std::string(std::strerror(errno)) + ")";
    return false;
  }
  size_t at = 0;
  bool ok = true;
  while (ok && at < o.b.size()) {
    const unsigned n = static_cast<unsigned>(std::min<size_t>(o.b.size() - at, 1u << 30));
    ok = gzwrite(f, o.b.data() + at, n) == static_cast<int>(n);
    at += n;
  }
  if (gzclose(f) != Z_OK) ok = false;
  if (!ok) err = "cannot be written whole (disk full?)";
  return ok;
}

bool read_counts(const std::string& path, CountTables& t, std::string& err) {
  gzFile f = gzopen(path.c_str(), "rb");
  if (!f) {
    err = "cannot be opened (" + std::string(std::strerror(errno)) + ")";
    return false;
  }
  std::string b;
  char buf[1 << 16];
  int n = 0;
  while ((n = gzread(f, buf, sizeof buf)) > 0) b.append(buf, static_cast<size_t>(n));
  int zerr = Z_OK;
  const char* msg = gzerror(f, &zerr);
  const bool failed = n < 0 || zerr != Z_OK;  // Z_BUF_ERROR: the stream is cut short
  const std::string why = failed ? std::string(msg ? msg : "read error") : "";
  gzclose(f);
  if (failed) {
    err = "damaged: it cannot be decompressed (" + why + ")";
    return false;
  }
  return decode(b, t, err);
}

bool count_file_list(const std::vector<std::string>& given, std::vector<std::string>& files,
                     std::string& err) {
  files.clear();
  if (given.size() == 1 && !given[0].empty() && given[0][0] == '@') {
    const std::string list = given[0].substr(1);
    std::ifstream f(list);
    if (!f) {
      err = "the list of count files \"" + list + "\" cannot be opened";
      return false;
    }
    std::string line;
    while (std::getline(f, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t a = line.find_first_not_of(" \t");
      if (a == std::string::npos || line[a] == '#') continue;
      files.push_back(line.substr(a, line.find_last_not_of(" \t") + 1 - a));
    }
    if (files.empty()) err = "the list of count files \"" + list + "\" names no file";
    return !files.empty();
  }
  for (const auto& g : given) {
    if (!g.empty() && g[0] == '@') {
      err = "give either a list of count files or one @FILE, not both";
      return false;
    }
    files.push_back(g);
  }
  return true;
}

// ---- merge ----

namespace {

std::string both(const std::string& a, const std::string& b) {
  return "\"" + a + "\" and \"" + b + "\"";
}

// The locus names of a combination, for messages and for finding it again.
std::string comb_text(const CountTables& t, const Combination& c) {
  std::string s;
  for (int l : c.loci) s += (s.empty() ? "" : "+") + t.loci[static_cast<size_t>(l - 1)];
  return s;
}

bool add_count(int64_t& into, int64_t v) {
  into += v;
  return into <= std::numeric_limits<int32_t>::max();
}

// Sums combination `y` (individuals of a later file) into `x`: the types of `y` that `x` does
// not know yet follow those of `x` in the order of their numbers in `y`, so that the numbering
// is the one a single run over the files in this order gives (first appearance).
bool sum_combination(Combination& x, const Combination& y, size_t np) {
  const size_t r = x.loci.size();
  std::map<std::vector<int32_t>, int> hix;
  for (int h = 1; h <= x.nptr1; ++h)
    hix.emplace(std::vector<int32_t>(x.haps.begin() + (h - 1) * static_cast<long>(r),
                                     x.haps.begin() + h * static_cast<long>(r)),
                h);
  std::vector<int> hmap(static_cast<size_t>(y.nptr1) + 1, 0);
  for (int h = 1; h <= y.nptr1; ++h) {
    std::vector<int32_t> key(y.haps.begin() + (h - 1) * static_cast<long>(r),
                             y.haps.begin() + h * static_cast<long>(r));
    auto it = hix.find(key);
    if (it == hix.end()) {
      it = hix.emplace(key, ++x.nptr1).first;
      x.haps.insert(x.haps.end(), key.begin(), key.end());
      x.c20.resize((static_cast<size_t>(x.nptr1) + 1) * np * 3, 0);
    }
    hmap[static_cast<size_t>(h)] = it->second;
  }
  std::map<std::pair<int, int>, int> gix;
  for (int g = 1; g <= x.nptr2; ++g)
    gix.emplace(std::make_pair(x.gens[(g - 1) * 2], x.gens[(g - 1) * 2 + 1]), g);
  std::vector<int> gmap(static_cast<size_t>(y.nptr2) + 1, 0);
  for (int g = 1; g <= y.nptr2; ++g) {
    auto key = std::make_pair(hmap[static_cast<size_t>(y.gens[(g - 1) * 2])],
                              hmap[static_cast<size_t>(y.gens[(g - 1) * 2 + 1])]);
    auto it = gix.find(key);
    if (it == gix.end()) {
      it = gix.emplace(key, ++x.nptr2).first;
      x.gens.push_back(key.first);
      x.gens.push_back(key.second);
      x.c22.resize((static_cast<size_t>(x.nptr2) + 1) * np, 0);
    }
    gmap[static_cast<size_t>(g)] = it->second;
  }
  bool ok = true;
  for (size_t h = 0; h <= static_cast<size_t>(y.nptr1); ++h)
    for (size_t k = 0; k < np * 3; ++k)
      ok &= add_count(x.c20[static_cast<size_t>(hmap[h]) * np * 3 + k], y.c20[h * np * 3 + k]);
  for (size_t g = 0; g <= static_cast<size_t>(y.nptr2); ++g)
    for (size_t k = 0; k < np; ++k)
      ok &= add_count(x.c22[static_cast<size_t>(gmap[g]) * np + k], y.c22[g * np + k]);
  for (size_t k = 0; k < x.c26.size(); ++k) ok &= add_count(x.c26[k], y.c26[k]);
  // The gametic-sex flag of a deme is that of the latest locus list: take the later file's
  // where it counted individuals of the deme.
  for (size_t kp = 0; kp < np; ++kp) {
    int64_t n = 0;
    for (size_t g = 0; g <= static_cast<size_t>(y.nptr2); ++g) n += y.c22[g * np + kp];
    if (n > 0) x.sex[kp] = y.sex[kp];
  }
  return ok;
}

}  // namespace

bool merge_tables(CountTables& a, const std::string& aname, const CountTables& b,
                  const std::string& bname, std::string& err) {
  const std::string files = both(aname, bname);
  if (a.unreadable > 0 || b.unreadable > 0) {
    const auto& [t, name] = a.unreadable > 0 ? std::pair(&a, aname) : std::pair(&b, bname);
    err = "\"" + name + "\": " + std::to_string(t->unreadable) +
          " records of its input file were unreadable, its counts are not used";
    return false;
  }
  if (a.demes != b.demes) {
    size_t k = 0;
    while (k < a.demes.size() && k < b.demes.size() && a.demes[k] == b.demes[k]) ++k;
    err =
        files + " have different demes: " +
        (k < a.demes.size() && k < b.demes.size()
             ? "deme " + std::to_string(k + 1) + " is \"" + a.demes[k] + "\" in the one, \"" +
                   b.demes[k] + "\" in the other"
             : std::to_string(a.demes.size()) + " demes against " + std::to_string(b.demes.size()));
    return false;
  }
  if (a.notord != b.notord) {
    err = files + " differ in the gametic sex: ignored in one, kept in the other";
    return false;
  }
  const size_t np = a.demes.size();
  if (a.loci == b.loci) {
    // 1. shards of individuals: the same combinations, summed
    if (a.combs.size() != b.combs.size()) {
      err = files + " have different locus combinations (" + std::to_string(a.combs.size()) +
            " against " + std::to_string(b.combs.size()) + ")";
      return false;
    }
    for (size_t k = 0; k < a.combs.size(); ++k)
      if (a.combs[k].loci != b.combs[k].loci) {
        err = files + " have different locus combinations: combination " + std::to_string(k + 1) +
              " is " + comb_text(a, a.combs[k]) + " in the one, " + comb_text(b, b.combs[k]) +
              " in the other";
        return false;
      }
    for (size_t k = 0; k < a.combs.size(); ++k)
      if (!sum_combination(a.combs[k], b.combs[k], np)) {
        err = "the counts of " + files + " together exceed what the tables can hold";
        return false;
      }
    if (a.input != b.input) a.input.clear();
    if (a.input_format != b.input_format) a.input_format.clear();
    return true;
  }
  // 2. shards of loci: side by side
  // Other loci: put beside. Locus names (cut to 12 characters) cannot tell whether two files
  // share a locus, so shards of loci are taken as disjoint.
  if (a.mxnrlc() > 1 || b.mxnrlc() > 1) {
    err = files +
          " hold different loci and multilocus combinations: multilocus combinations "
          "shard by individuals only (every locus of an individual in each file)";
    return false;
  }
  const int off = static_cast<int>(a.loci.size());
  a.loci.insert(a.loci.end(), b.loci.begin(), b.loci.end());
  for (Combination c : b.combs) {
    for (int& l : c.loci) l += off;
    a.combs.push_back(std::move(c));
  }
  a.loctyp = a.loctyp == 0 && b.loctyp == 0 ? 0 : 1;
  if (a.input != b.input) a.input.clear();
  if (a.input_format != b.input_format) a.input_format.clear();
  return true;
}

}  // namespace tolm::counts
