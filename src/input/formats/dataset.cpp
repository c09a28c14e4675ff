#include "input/formats/dataset.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace tolm::fmt_in {

namespace {

// The four codes of each byte of the small layout, as four 16-bit codes.
struct SmallBytes {
  uint16_t codes[256][4];
  uint8_t present[256];  // bit c set when code c is among the four
  SmallBytes() {
    for (unsigned b = 0; b < 256; ++b) {
      present[b] = 0;
      for (unsigned j = 0; j < 4; ++j) {
        codes[b][j] = static_cast<uint16_t>(b >> (2 * j) & 3u);
        present[b] = static_cast<uint8_t>(present[b] | 1u << codes[b][j]);
      }
    }
  }
};
const SmallBytes& small_bytes() {
  static const SmallBytes t;
  return t;
}

}  // namespace

template <typename Code>
LocusCodes LocusCodes::of(const Code* c, size_t n, unsigned top) {
  LocusCodes l;
  l.n = n;
  if (top < 4) {
    l.small.assign((n + 3) / 4, 0);
    size_t k = 0;
    for (; k + 4 <= n; k += 4)
      l.small[k / 4] = static_cast<uint8_t>((c[k] & 3u) | (c[k + 1] & 3u) << 2 |
                                            (c[k + 2] & 3u) << 4 | (c[k + 3] & 3u) << 6);
    for (; k < n; ++k)
      l.small[k / 4] = static_cast<uint8_t>(l.small[k / 4] | (c[k] & 3u) << (2 * (k % 4)));
  } else if (top < 255) {
    l.narrow.assign(c, c + n);
  } else {
    l.wide.assign(c, c + n);
  }
  return l;
}
template LocusCodes LocusCodes::of(const uint8_t*, size_t, unsigned);
template LocusCodes LocusCodes::of(const uint16_t*, size_t, unsigned);

void LocusCodes::get(size_t k0, size_t k1, uint16_t* out) const {
  if (!small.empty()) {
    const SmallBytes& t = small_bytes();
    size_t k = k0;
    for (; k < k1 && k % 4 != 0; ++k) *out++ = at(k);
    for (; k + 4 <= k1; k += 4, out += 4) std::memcpy(out, t.codes[small[k / 4]], 8);
    for (; k < k1; ++k) *out++ = at(k);
  } else if (!narrow.empty()) {
    std::copy(narrow.begin() + static_cast<long>(k0), narrow.begin() + static_cast<long>(k1), out);
  } else {
    std::copy(wide.begin() + static_cast<long>(k0), wide.begin() + static_cast<long>(k1), out);
  }
}

void Where::fail(long line, const std::string& what) const {
  // "line 57, individual N216: ...", "line 3: the file ends ..."
  static const char* kPlaces[] = {"individual ", "site ", "sample ", "field ", "locus "};
  const char* sep = ": ";
  for (const char* p : kPlaces)
    if (what.rfind(p, 0) == 0) sep = ", ";
  throw BadInput(title + " file \"" + file + "\", line " + std::to_string(line) + sep + what);
}

void Where::fail(const std::string& what) const {
  throw BadInput(title + " file \"" + file + "\": " + what);
}

LineReader::LineReader(const std::string& path, const Where& w) : in_(path, std::ios::binary) {
  if (!in_) w.fail(std::string("cannot be opened (") + std::strerror(errno) + ")");
}

bool LineReader::next(std::string& line) {
  if (!std::getline(in_, line)) return false;
  ++n_;
  no_newline_ = in_.eof();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

std::string trim_ws(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> split_ws(const std::string& s) {
  std::vector<std::string> r;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
    size_t b = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\r') ++i;
    if (i > b) r.push_back(s.substr(b, i - b));
  }
  return r;
}

std::vector<std::string> split_on(const std::string& s, char sep) {
  std::vector<std::string> r;
  size_t b = 0;
  for (;;) {
    size_t e = s.find(sep, b);
    r.push_back(trim_ws(s.substr(b, e == std::string::npos ? std::string::npos : e - b)));
    if (e == std::string::npos) break;
    b = e + 1;
  }
  return r;
}

bool is_uint(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool to_int(const std::string& s, long& v) {
  if (s.empty()) return false;
  size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (!is_uint(s.substr(i))) return false;
  if (s.size() - i > 9) return false;  // keeps every value inside TOLM's 32-bit numbers
  v = std::strtol(s.c_str(), nullptr, 10);
  return true;
}

PopMap read_popmap(const std::string& path) {
  Where w{"Map", path};
  LineReader r(path, w);
  PopMap m;
  std::map<std::string, int> index;
  std::string line;
  while (r.next(line)) {
    std::string t = trim_ws(line);
    if (t.empty() || t[0] == '#') continue;
    size_t e = t.find_first_of(" \t");
    if (e == std::string::npos)
      w.fail(r.number(), "sample \"" + t + "\": a deme name expected after the sample");
    std::string sample = t.substr(0, e), deme = trim_ws(t.substr(e));
    auto [it, fresh] = index.emplace(deme, static_cast<int>(m.demes.size()));
    if (fresh) m.demes.push_back(deme);
    auto [s, added] = m.deme_of.emplace(sample, it->second);
    if (!added && s->second != it->second)
      w.fail(r.number(), "sample \"" + sample + "\" is already in deme \"" +
                             m.demes[static_cast<size_t>(s->second)] + "\"");
  }
  if (m.demes.empty()) w.fail("no line \"sample deme\" found");
  return m;
}

void drop_unused_demes(Dataset& d, const std::string& popmap, const std::string& path) {
  std::vector<int> remap(d.demes.size(), -1);
  for (const auto& i : d.inds) remap[static_cast<size_t>(i.deme)] = 0;
  std::vector<std::string> kept;
  for (size_t k = 0; k < d.demes.size(); ++k)
    if (remap[k] == 0) {
      remap[k] = static_cast<int>(kept.size());
      kept.push_back(d.demes[k]);
    }
  if (kept.size() < d.demes.size())
    d.notes.push_back(std::to_string(d.demes.size() - kept.size()) + " of the " +
                      std::to_string(d.demes.size()) + " demes of the map file \"" + popmap +
                      "\" have no sample in \"" + path + "\" and are left out");
  for (auto& i : d.inds) i.deme = remap[static_cast<size_t>(i.deme)];
  d.demes = std::move(kept);
  d.deme_line.clear();
}

namespace {

// A header name as TOLM keeps it: TABs as blanks, left-adjusted, cut to its width.
std::string header_name(const std::string& s, size_t width, const std::string& fallback) {
  std::string t = s;
  std::replace(t.begin(), t.end(), '\t', ' ');
  t = trim_ws(t);
  if (t.empty()) t = fallback;
  return t.substr(0, width);
}

// The number of distinct alleles of each locus.
std::vector<size_t> distinct_alleles(const Dataset& d) {
  const size_t nl = d.loci.size(), ni = d.inds.size();
  std::vector<size_t> n(nl, 0);
  if (!d.by_locus.empty()) {
    std::vector<uint8_t> seen;
    for (size_t l = 0; l < nl; ++l) {
      const LocusCodes& c = d.by_locus[l];
      if (!c.small.empty()) {  // the codes present, a byte at a time (padding codes are 0)
        unsigned present = 0;
        for (uint8_t b : c.small) present |= small_bytes().present[b];
        for (unsigned a = 1; a < 4; ++a) n[l] += present >> a & 1u;  // code 0: missing
        continue;
      }
      seen.assign(c.narrow.empty() ? 65536 : 256, 0);
      if (c.narrow.empty())
        for (uint16_t a : c.wide) seen[a] = 1;
      else
        for (uint8_t a : c.narrow) seen[a] = 1;
      for (size_t a = 1; a < seen.size(); ++a) n[l] += seen[a];
    }
    return n;
  }
  std::vector<int32_t> seen;
  for (size_t l = 0; l < nl; ++l) {
    seen.clear();
    for (size_t i = 0; i < ni; ++i)
      for (size_t s = 0; s < 2; ++s) {
        int32_t a = d.alleles[(i * nl + l) * 2 + s];
        if (a >= 0) seen.push_back(a);
      }
    std::sort(seen.begin(), seen.end());
    n[l] = static_cast<size_t>(std::unique(seen.begin(), seen.end()) - seen.begin());
  }
  return n;
}

// The records of the converted file go through one buffer, written out in large pieces.
class OutBuffer {
 public:
  OutBuffer(std::ofstream& f, size_t line_max) : f_(f), buf_(std::max<size_t>(line_max, 1) << 4) {}
  ~OutBuffer() { flush(); }
  // Room for one record of at most the `line_max` characters given at construction.
  char* line() {
    if (buf_.size() - used_ < buf_.size() / 16) flush();
    return buf_.data() + used_;
  }
  void done(char* end) { used_ = static_cast<size_t>(end - buf_.data()); }
  void flush() {
    f_.write(buf_.data(), static_cast<std::streamsize>(used_));
    used_ = 0;
  }

 private:
  std::ofstream& f_;
  std::vector<char> buf_;
  size_t used_ = 0;
};

// " v", the number in decimal.
char* put_num(char* o, long v) {
  *o++ = ' ';
  return std::to_chars(o, o + 20, v).ptr;
}

// " c" for an allele code of `LocusCodes`, " -1" for a missing one.
char* put_code(char* o, unsigned c) {
  *o++ = ' ';
  if (c == 0) {
    *o++ = '-';
    *o++ = '1';
  } else if (c < 10) {
    *o++ = static_cast<char>('0' + c);
  } else {
    o = std::to_chars(o, o + 6, c).ptr;
  }
  return o;
}

// The codes k0..k1 - 1 of every locus (the individuals k0 / 2 .. k1 / 2 - 1) turned around into
// their records, side by side at `to`: 2 x loci codes a record.
void turn_block(const Dataset& d, size_t k0, size_t k1, uint16_t* to) {
  const size_t nl = d.loci.size();
  uint16_t run[256];
  for (size_t l = 0; l < nl; ++l) {
    for (size_t a = k0; a < k1; a += sizeof run / sizeof run[0]) {
      const size_t b = std::min(k1, a + sizeof run / sizeof run[0]);
      d.by_locus[l].get(a, b, run);
      uint16_t* t = to + 2 * l + (a - k0) / 2 * 2 * nl;
      for (size_t k = 0; k < b - a; k += 2, t += 2 * nl) t[0] = run[k], t[1] = run[k + 1];
    }
  }
}

// 2. the individuals of a dataset kept locus after locus, a block of individuals at a time turned
// around into their records
void write_by_locus(const Dataset& d, OutBuffer& out) {
  const size_t nl = d.loci.size(), ni = d.inds.size();
  constexpr size_t kBlock = 64;
  std::vector<uint16_t> block(kBlock * nl * 2);
  for (size_t i0 = 0; i0 < ni; i0 += kBlock) {
    const size_t i1 = std::min(ni, i0 + kBlock), k0 = 2 * i0, k1 = 2 * i1;
    turn_block(d, k0, k1, block.data());
    for (size_t i = i0; i < i1; ++i) {
      char* o = out.line();
      o = std::to_chars(o, o + 20, d.inds[i].deme + 1).ptr;
      o = put_num(o, static_cast<long>(i + 1));
      const uint16_t* a = block.data() + (i - i0) * nl * 2;
      for (size_t j = 0; j < nl * 2; ++j) o = put_code(o, a[j]);
      *o++ = '\n';
      out.done(o);
    }
  }
}

}  // namespace

void check_dataset(Dataset& d, const Where& w) {
  const size_t nl = d.loci.size(), np = d.demes.size();
  if (d.inds.empty()) w.fail("no individuals found");
  std::vector<long> size(np, 0);
  for (const auto& i : d.inds) ++size[static_cast<size_t>(i.deme)];
  for (size_t k = 0; k < np; ++k)
    if (size[k] == 0) {
      std::string what =
          "deme " + std::to_string(k + 1) + " (\"" + d.demes[k] + "\") has no individuals";
      if (k < d.deme_line.size() && d.deme_line[k] > 0) w.fail(d.deme_line[k], what);
      w.fail(what);
    }
  const std::vector<size_t> distinct = distinct_alleles(d);
  for (size_t l = 0; l < nl; ++l) {
    const size_t n = distinct[l];
    if (n > static_cast<size_t>(kDefaultMaxAlleles))
      d.notes.push_back("Locus " + std::to_string(l + 1) + " (\"" + d.loci[l] + "\") has " +
                        std::to_string(n) + " alleles, more than the " +
                        std::to_string(kDefaultMaxAlleles) +
                        " TOLM counts by default: use -maxall=" + std::to_string(n) + " or more");
  }
}

void write_tolm(const Dataset& d, const std::string& out) {
  const size_t nl = d.loci.size(), np = d.demes.size();
  // 1. header: demes and loci, their names, free format
  std::ofstream f(out, std::ios::binary | std::ios::trunc);
  if (!f)
    throw BadInput("cannot write the converted file \"" + out + "\" (" + std::strerror(errno) +
                   ")");
  f << np << ' ' << nl << '\n';
  for (size_t l = 0; l < nl; ++l)
    f << header_name(d.loci[l], 12, "L" + std::to_string(l + 1)) << '\n';
  for (size_t k = 0; k < np; ++k) f << header_name(d.demes[k], 40, std::to_string(k + 1)) << '\n';
  f << "UNFORMATTED\n";

  // 2. one locus list per deme (every locus, no gametic sex), then the individuals in file
  // order, numbered 1, 2, ... (TOLM's labels are numbers)
  {
    OutBuffer buf(f, 2 * 21 + nl * 2 * 21 + 1);
    for (size_t k = 0; k < np; ++k) {
      char* o = buf.line();
      o = std::to_chars(o, o + 20, k + 1).ptr;
      o = put_num(o, 0);
      for (size_t l = 0; l < nl; ++l) {
        o = put_num(o, static_cast<long>(l + 1));
        o = put_num(o, 0);
      }
      *o++ = '\n';
      buf.done(o);
    }
    if (!d.by_locus.empty()) {
      write_by_locus(d, buf);
    } else {
      for (size_t i = 0; i < d.inds.size(); ++i) {
        char* o = buf.line();
        o = std::to_chars(o, o + 20, d.inds[i].deme + 1).ptr;
        o = put_num(o, static_cast<long>(i + 1));
        const int32_t* a = d.alleles.data() + i * nl * 2;
        for (size_t j = 0; j < nl * 2; ++j) o = put_num(o, a[j]);
        *o++ = '\n';
        buf.done(o);
      }
    }
  }
  f.flush();
  if (!f)
    throw BadInput("cannot write the converted file \"" + out + "\" (" + std::strerror(errno) +
                   ")");
}

}  // namespace tolm::fmt_in

namespace tolm::fmt_in {

namespace {

// 3. the converted file held in memory: the header lines as text, the records as values made
// from the data set when they are read (the individuals kept locus by locus turned around a block
// at a time, as write_by_locus does)
class HeldTolm final : public io::LineSource {
 public:
  explicit HeldTolm(Dataset&& d) : d_(std::move(d)) {
    const size_t nl = d_.loci.size(), np = d_.demes.size();
    head_.push_back(std::to_string(np) + ' ' + std::to_string(nl));
    for (size_t l = 0; l < nl; ++l)
      head_.push_back(header_name(d_.loci[l], 12, "L" + std::to_string(l + 1)));
    for (size_t k = 0; k < np; ++k)
      head_.push_back(header_name(d_.demes[k], 40, std::to_string(k + 1)));
    head_.push_back("UNFORMATTED");
    first_ind_ = static_cast<long>(head_.size() + np);
    bytes_ = 0;
    std::string s;
    for (long i = 0; i < first_ind_; ++i) {
      text(i, s);
      bytes_ += static_cast<long>(s.size()) + 1;
    }
    if (!d_.inds.empty()) {  // the individuals' records taken as long as the first one
      text(first_ind_, s);
      bytes_ += static_cast<long>(d_.inds.size()) * (static_cast<long>(s.size()) + 1);
    }
  }
  long lines() const override { return first_ind_ + static_cast<long>(d_.inds.size()); }
  long bytes() const override { return bytes_; }

  void text(long i, std::string& s) const override {
    const auto hn = static_cast<long>(head_.size());
    if (i < hn) {
      s = head_[static_cast<size_t>(i)];
      return;
    }
    const size_t n = 2 + 2 * d_.loci.size();
    std::vector<int> v(n);
    values(i, v.data(), static_cast<int>(n));
    s.resize(n * 12);
    char* o = s.data();
    o = std::to_chars(o, o + 12, v[0]).ptr;
    for (size_t j = 1; j < n; ++j) o = put_num(o, v[j]);
    s.resize(static_cast<size_t>(o - s.data()));
  }

  bool values(long i, int* v, int n) const override {
    const auto hn = static_cast<long>(head_.size());
    const long nl = static_cast<long>(d_.loci.size());
    if (i < hn || i >= lines() || n < 0 || n > 2 + 2 * nl) return false;
    if (i < first_ind_) {  // the locus list of deme k: every locus, no gametic sex
      const int k = static_cast<int>(i - hn) + 1;
      for (int j = 0; j < n; ++j) v[j] = j == 0 ? k : (j % 2 == 0 ? j / 2 : 0);
      return true;
    }
    const auto ind = static_cast<size_t>(i - first_ind_);
    const int head[2] = {d_.inds[ind].deme + 1, static_cast<int>(ind + 1)};
    for (int j = 0; j < n && j < 2; ++j) v[j] = head[j];
    if (n <= 2) return true;
    const auto na = static_cast<size_t>(n - 2);
    if (d_.by_locus.empty()) {
      std::copy_n(d_.alleles.data() + ind * static_cast<size_t>(nl) * 2, na, v + 2);
      return true;
    }
    const uint16_t* c = turned(ind);
    for (size_t j = 0; j < na; ++j) v[2 + j] = c[j] == 0 ? kMissing : c[j];
    return true;
  }

 private:
  static constexpr size_t kBlock = 64;
  static constexpr size_t kNoBlock = static_cast<size_t>(-1);
  // The codes of individual `ind` (2 per locus, locus after locus) from its block turned around.
  const uint16_t* turned(size_t ind) const {
    const size_t nl = d_.loci.size(), ni = d_.inds.size();
    const size_t i0 = ind - ind % kBlock;
    if (block0_ != i0) {
      const size_t i1 = std::min(ni, i0 + kBlock), k0 = 2 * i0, k1 = 2 * i1;
      block_.resize(kBlock * nl * 2);
      turn_block(d_, k0, k1, block_.data());
      block0_ = i0;
    }
    return block_.data() + (ind - i0) * nl * 2;
  }

  Dataset d_;
  std::vector<std::string> head_;  // record 1, the names, the read format
  long first_ind_ = 0;             // the line of the first individual
  long bytes_ = 0;
  mutable std::vector<uint16_t> block_;  // the records of a block of individuals, codes
  mutable size_t block0_ = kNoBlock;     // its first individual
};

}  // namespace

std::shared_ptr<const io::LineSource> held_tolm(Dataset&& d) {
  return std::make_shared<HeldTolm>(std::move(d));
}

}  // namespace tolm::fmt_in
