// Reading and counting: the data section of the input file is read record by record (streamed,
// never held whole) and every genotype record is counted into the scratch channels.
#include "input/count.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

#include "core/message.h"
#include "core/records.h"
#include "input/batchq.h"
#include "input/hetcnt.h"
#include "input/indivkeep.h"
#include "io/fixw.h"
#include "io/freefmt.h"

namespace tolm {

using io::fi;

namespace {

// Status codes of unreadable records: a value that does not fit, and a file that ends inside a
// record (a free-format record or a format continued over lines).
constexpr int kBadValue = 5010;
constexpr int kEndInRecord = -1;

bool blank10(const std::string& s) {
  for (size_t i = 0; i < 10 && i < s.size(); ++i)
    if (s[i] != ' ') return false;
  return true;
}

// A message about the data that goes to the screen and to the results file.
std::string fault_text(const io::ReadFault& f) {
  if (f.field < 1) return std::string();
  return "field " + std::to_string(f.field) + ": \"" + f.text + "\" " + f.why;
}

bool quiet(const RunState& rs) {
  return rs.opt.quiet;
}

// A line blank in its first 10 columns (a comment) that holds a number: meant as a record?
bool holds_number(const std::string& line) {
  if (line.empty() || line[0] == '#' || line[0] == '\t') return false;
  int v = 0;
  return io::parse_ints(line, nullptr, &v, 1) == io::Rd::ok;
}

// ---- record numbers of the scratch channels ----

void add(RunState& rs, int ch, long rec, int n) {
  sadd(rs, ch, rec, n);
}

// Writes zero records from the channel's extent up to record `upto`. Nothing beyond the extent
// was ever written (swrite keeps the extent, a channel starts cleared), so writing the last one
// is enough: the records between read 0 already.
void extend(RunState& rs, int ch, long upto) {
  if (upto <= rs.param.mind(ch)) return;
  if (ch == 23)
    swrite23(rs, upto, 0, 0);
  else
    swrite(rs, ch, upto, 0);
}

// Starts a channel afresh with `n` zero records.
void zero_channel(RunState& rs, int ch, long n) {
  rs.scratch.clear(ch);
  rs.param.mind(ch) = 0;
  extend(rs, ch, n);
}

// ---- echo of the records ----

// Numbers below 10000 (most allele numbers and counts) right-aligned in four columns.
struct FourColumns {
  char c[10000][4];
  FourColumns() {
    for (int i = 0; i < 10000; ++i) {
      int x = i, k = 3;
      std::fill_n(c[i], 4, ' ');
      do {
        c[i][k--] = static_cast<char>('0' + x % 10);
        x /= 10;
      } while (x);
    }
  }
};

// Writes v right-aligned in w columns at q (w stars when it does not fit); returns the end.
char* put_int(char* q, long v, int w) {
  char b[24];
  char* e = b + sizeof b;
  char* d = std::to_chars(b, e, v).ptr;
  const long n = d - b;
  if (n > w) return std::fill_n(q, w, '*');
  q = std::fill_n(q, w - n, ' ');
  return std::copy(b, d, q);
}

// The record as read (the values v of kp, ks and the allele pairs), formatted into the end of
// `s`: record number, deme, count, allele pairs.
void append_echo(std::string& s, long ncard, const int* v, int nlread) {
  const size_t at = s.size();
  s.resize(at + static_cast<size_t>(15 + 9 * nlread));  // every field takes exactly its width
  static const FourColumns four;
  char* const b = &s[at];
  char* q = b;
  auto put = [&](long x, int w) {
    if (x >= 0 && x < 10000) {
      if (w == 5) *q++ = ' ';
      std::memcpy(q, four.c[x], 4);
      q += 4;
    } else {
      q = put_int(q, x, w);
    }
  };
  put(ncard, 5);
  *q++ = ':';
  *q++ = ' ';
  put(v[0], 4);
  put(v[1], 4);
  for (int j = 1; j <= nlread; ++j) {
    put(v[2 * j], 5);
    put(v[2 * j + 1], 4);
  }
  s.resize(at + static_cast<size_t>(q - b));
}

// ---- the locus-list record ----

// A locus list naming a deme or a locus that does not exist counts as unreadable; the genotype
// records that follow it count nothing until the next valid list.
void locus_list(RunState& rs, Work& w, int& ierr, int nlread) {
  Param& p = rs.param;
  auto reject = [&](const std::string& what, long v) {
    say_both(rs,
             " ** Erroneous " + what + " number of " + fi(v, 4) + " in record " + fi(p.ncard, 4));
    ++ierr;
    p.nl1 = 0;
    p.ncnow = 0;
    for (int l = 1; l <= p.nl; ++l) w.loc(l) = 0;
  };
  if (p.kp < 1 || p.kp > p.np) return reject("deme", p.kp);
  std::vector<char> named(static_cast<size_t>(p.nl) + 1, 0);
  for (int j = 1; j <= nlread; ++j) {
    long l = std::labs(static_cast<long>(w.ls(j, 1)));
    if (l == 0) break;
    if (l > p.nl) return reject("locus", l);
    // a second mention would count the alleles of one locus under another
    if (named[static_cast<size_t>(l)]) {
      say_both(rs, " ** Locus " + fi(l, 4) + " is named twice in the locus list of record " +
                       fi(p.ncard, 4));
      ++ierr;
      p.nl1 = 0;
      p.ncnow = 0;
      for (int k = 1; k <= p.nl; ++k) w.loc(k) = 0;
      return;
    }
    named[static_cast<size_t>(l)] = 1;
  }

  p.ndat = w.ls(1, 1) < 0 ? 1 : 0;
  int n = 0;
  for (int j = 1; j <= nlread; ++j) {
    if (w.ls(j, 1) == 0) break;
    const int l = std::abs(w.ls(j, 1));
    w.loc(j) = l;
    w.locord(l) = (1 - p.notord) * w.ls(j, 2);
    n = j;
  }
  p.nl1 = n;
  for (int j = n + 1; j <= p.nl; ++j) w.loc(j) = 0;

  std::vector<char> listed(static_cast<size_t>(p.nl) + 1, 0);
  for (int j = 1; j <= n; ++j) listed[static_cast<size_t>(w.loc(j))] = 1;
  p.ncnow = 0;
  for (int kc = 1; kc <= p.nc; ++kc) {
    bool all = true;
    for (int i = 1; i <= w.nrloc(kc) && all; ++i)
      all = listed[static_cast<size_t>(w.loccmb(kc, i))];
    if (all) w.kmbnow(++p.ncnow) = kc;
  }
  for (int i = 1; i <= p.ncnow; ++i) {
    const int kc = w.kmbnow(i);
    bool sex = true;
    for (int k = 1; k <= w.nrloc(kc); ++k)
      if (w.locord(w.loccmb(kc, k)) == 0) sex = false;
    w.kmbord(kc, p.kp) = sex ? 1 : 0;
    w.sexspc(kc, p.kp) = sex ? "yes" : " no";
  }
}

// The values of a record in free format on one line of plain integers: up to n signed decimal
// numbers separated by blanks or tabs (the rest of the line unread, as in the list reading).
// False for anything else (commas, "/", repeat counts, a value beyond 32 bits, fewer values):
// such lines go through the full list reading, which also says what is wrong.
bool plain_ints(const std::string& line, int* out, int n) {
  const char* q = line.c_str();  // the terminating NUL ends every scan below
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  for (int k = 0; k < n; ++k) {
    while (blank(*q)) ++q;
    bool neg = false;
    if (*q == '-' || *q == '+') {
      neg = *q == '-';
      ++q;
    }
    auto digit = [](char c) { return static_cast<unsigned>(static_cast<unsigned char>(c) - '0'); };
    unsigned d = digit(*q);
    if (d > 9) return false;
    long r = d;
    int len = 1;
    while ((d = digit(*++q)) <= 9) {
      if (++len > 10) return false;
      r = r * 10 + d;
    }
    if (*q != '\0' && !blank(*q)) return false;
    r = neg ? -r : r;
    if (r > INT_MAX || r < INT_MIN) return false;
    out[k] = static_cast<int>(r);
  }
  return true;
}

void take_record(RunState& rs, Work& w, const int* v, int nlread) {
  rs.param.kp = v[0];
  rs.param.ks = v[1];
  for (int j = 1; j <= nlread; ++j) {
    w.ls(j, 1) = v[2 * j];
    w.ls(j, 2) = v[2 * j + 1];
  }
}

}  // namespace

// ---- hash indexes of the known types ----

void TypeIndex::reset(int nc, int np) {
  const auto n = static_cast<size_t>(nc) + 1;
  np_ = np;
  flat_.assign(n, {});
  hap_.assign(n, {});
  hap1_.assign(n, {});
  gen_.assign(n, {});
  dir_.assign(n, {});
}

std::string TypeIndex::key(const int* alleles, int r) {
  std::string k(static_cast<size_t>(r) * sizeof(int), '\0');
  std::memcpy(k.data(), alleles, k.size());
  return k;
}

int TypeIndex::find_hap_hashed(int kc, const int* alleles, int r) const {
  if (r == 1) {
    const auto& m1 = hap1_[static_cast<size_t>(kc)];
    auto it = m1.find(alleles[0]);
    return it == m1.end() ? 0 : it->second;
  }
  const auto& m = hap_[static_cast<size_t>(kc)];
  auto it = m.find(key(alleles, r));
  return it == m.end() ? 0 : it->second;
}

void TypeIndex::add_hap(int kc, const int* alleles, int r, int h) {
  if (r == 1 && direct_allele(alleles[0])) {
    auto& d = dir_[static_cast<size_t>(kc)].hap;
    const auto a = static_cast<size_t>(alleles[0]);
    if (a >= d.size()) {
      size_t n = d.empty() ? 16 : d.size();
      while (n <= a) n *= 2;
      d.resize(std::min(n, static_cast<size_t>(kDirectAlleles)), 0);
    }
    d[a] = h;
    return;
  }
  if (r == 1) {
    hap1_[static_cast<size_t>(kc)].emplace(alleles[0], h);
    return;
  }
  hap_[static_cast<size_t>(kc)].emplace(key(alleles, r), h);
}

int TypeIndex::find_gen_hashed(int kc, int h1, int h2) const {
  const auto& m = gen_[static_cast<size_t>(kc)];
  auto it = m.find((static_cast<unsigned long long>(static_cast<unsigned>(h1)) << 32) |
                   static_cast<unsigned>(h2));
  return it == m.end() ? 0 : it->second;
}

void TypeIndex::add_gen(int kc, int h1, int h2, int g) {
  if (direct_type(h1) && direct_type(h2)) {
    Direct& d = dir_[static_cast<size_t>(kc)];
    const int side = d.side;
    if (h1 >= side || h2 >= side) {  // a larger square, the known genotypes copied over
      int ns = side == 0 ? 4 : side;
      while (ns <= h1 || ns <= h2) ns *= 2;
      ns = std::min(ns, static_cast<int>(kDirectTypes));
      const auto sq = static_cast<size_t>(ns) * static_cast<size_t>(ns);
      std::vector<int> nd(sq, 0);
      for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j)
          nd[static_cast<size_t>(i * ns + j)] = d.gen[static_cast<size_t>(i * side + j)];
      d.gen.swap(nd);
      if (d.paired) {
        std::vector<int32_t> np(sq * static_cast<size_t>(np_), 0);
        const auto osq = static_cast<size_t>(side) * static_cast<size_t>(side);
        for (size_t kp = 0; kp < static_cast<size_t>(np_); ++kp)
          for (int i = 0; i < side; ++i)
            for (int j = 0; j < side; ++j)
              np[kp * sq + static_cast<size_t>(i * ns + j)] =
                  d.pairs[kp * osq + static_cast<size_t>(i * side + j)];
        d.pairs.swap(np);
      }
      d.side = ns;
    }
    d.gen[static_cast<size_t>(h1 * d.side + h2)] = g;
    return;
  }
  gen_[static_cast<size_t>(kc)].emplace(
      (static_cast<unsigned long long>(static_cast<unsigned>(h1)) << 32) |
          static_cast<unsigned>(h2),
      g);
}

namespace {

// The block of `np` demes by `cap` types of `width` records, laid out afresh for `ncap` types.
void relayout(std::vector<int32_t>& v, int np, int cap, int ncap, int width) {
  std::vector<int32_t> nv(static_cast<size_t>(np) * ncap * width, 0);
  for (int kp = 0; kp < np; ++kp)
    std::copy_n(v.begin() + static_cast<long>(kp) * cap * width, static_cast<long>(cap) * width,
                nv.begin() + static_cast<long>(kp) * ncap * width);
  v.swap(nv);
}

int larger(int cap, int need) {
  int n = cap < 8 ? 8 : cap;
  while (n <= need) n *= 2;
  return n;
}

}  // namespace

void TypeIndex::grow20(Flat& f, int h) const {
  const int n = larger(f.cap, h);
  relayout(f.c20, np_, f.cap, n, 3);
  f.cap = n;
}

void TypeIndex::grow22(Flat& f, int g) const {
  const int n = larger(f.capg, g);
  relayout(f.c22, np_, f.capg, n, 1);
  f.capg = n;
}

void TypeIndex::flush_counts(RunState& rs, const Work& w) {
  const Param& p = rs.param;
  for (int kc = 1; kc < static_cast<int>(flat_.size()); ++kc) {
    // the genotypes counted as pairs, into the flat counts first
    Direct& d = dir_[static_cast<size_t>(kc)];
    const auto sq = d.gen.size();
    for (int kp = 1; kp <= np_ && !d.pairs.empty(); ++kp)
      for (int h1 = 1; h1 < d.side; ++h1)
        for (int h2 = 1; h2 < d.side; ++h2) {
          const auto k = static_cast<size_t>(h1 * d.side + h2);
          const int32_t c = d.pairs[static_cast<size_t>(kp - 1) * sq + k];
          if (c == 0) continue;
          count20(kc, kp, h1, 1) += c;
          count20(kc, kp, h2, 2) += c;
          count20(kc, kp, h1, 3) += c;
          count20(kc, kp, h2, 3) += c;
          count22(kc, kp, d.gen[k]) += c;
        }
    d.pairs = std::vector<int32_t>();
    Flat& f = flat_[static_cast<size_t>(kc)];
    for (int kp = 1; kp <= np_; ++kp) {
      for (int h = 0; h < f.cap && h <= w.nptr1(kc); ++h)
        for (int m = 1; m <= 3; ++m) {
          const int32_t c = f.c20[static_cast<size_t>(((kp - 1) * f.cap + h) * 3 + m - 1)];
          if (c != 0) sadd(rs, ch::hapcnt, rec20(p, h, kc, kp, m), c);
        }
      for (int g = 0; g < f.capg && g <= w.nptr2(kc); ++g) {
        const int32_t c = f.c22[static_cast<size_t>((kp - 1) * f.capg + g)];
        if (c != 0) sadd(rs, ch::gencnt, rec22(p, g, kc, kp), c);
      }
    }
    f = Flat();
  }
}

// ---- reading ----

bool data_format(const std::string& fcard, int nlread, DataFormat& df, std::string& why) {
  df.nlread = nlread;
  df.free = io::trim(fcard) == "*";
  if (df.free) return true;
  return df.fmt.compile(fcard, why, 2L + 2L * nlread);
}

bool progress_wanted(bool quiet, bool terminal, long size) {
  return quiet && terminal && size > progress_bytes;
}

std::string progress_line(long pos, long size, long records, double seconds) {
  long share = size > 0 ? static_cast<long>(100.0 * static_cast<double>(pos) / size) : 0;
  if (share < 0) share = 0;
  if (share > 100) share = 100;
  const long rate = seconds > 0 ? static_cast<long>(static_cast<double>(records) / seconds) : 0;
  return " Counting: " + std::to_string(share) + "% of the input file read, " +
         std::to_string(rate) + " records/s";
}

// ---- reading: the records of the data section in batches ----

namespace {

// What the reading hands to the counting, record by record: the lines it writes (the echo and
// its messages) and, for a record, its values.
struct Item {
  enum Kind : int { none, record, zero, ignored, end };
  long ncard = 0;  // the record counter after this record
  Kind kind = none;
  int bad = 0;      // unreadable records (1: the message is among the lines)
  int io = 0;       // status code of the unreadable record
  size_t text = 0;  // end of this item's lines in Batch::text
  size_t vals = 0;  // its values in Batch::vals: kp, ks, then the allele pairs
};

// Lines are held as a flag ('c': console, 'b': console and results file), the text and '\n'.
struct Batch {
  std::vector<Item> items;
  std::vector<int> vals;
  std::string text;
  long pos = -1;  // byte offset of the input after the batch (for the progress line)
  void clear() {
    items.clear();
    vals.clear();
    text.clear();
  }
};

constexpr size_t kBatchItems = 2048;
constexpr size_t kBatchText = 1u << 20;
// Values of a batch (8 MB): a file of long records (a VCF's tens of thousands of sites per
// individual) fills a batch with a few dozen of them, not with 2048.
constexpr size_t kBatchVals = 1u << 21;

// Reads the data section record by record as the record reader does (classification, free or
// fixed format, comments, ignored and zero records, unreadable lines) into batches. Touches only
// the input unit and its own state, so it can run in a thread of its own.
class RecordReader {
 public:
  RecordReader(io::Unit& in, const DataFormat& df, bool quiet, bool progress, long ncard)
      : in_(in), df_(df), quiet_(quiet), progress_(progress), ncard_(ncard) {
    v_.resize(static_cast<size_t>(2 + 2 * df.nlread));
  }
  // Fills b afresh; false when the end of the file is in it.
  bool fill(Batch& b) {
    b.clear();
    bool more = true;
    while (more && b.items.size() < kBatchItems && b.text.size() < kBatchText &&
           b.vals.size() < kBatchVals)
      more = next(b);
    if (progress_) b.pos = in_.position();
    return more;
  }
  long continued = 0;  // free-format records that went on over further lines
  long indented = 0;   // lines taken as comments that hold a number

 private:
  void line(Batch& b, char to, std::string_view s) {
    b.text += to;
    b.text += s;
    b.text += '\n';
  }
  void item(Batch& b, Item::Kind kind, const int* v = nullptr) {
    Item it;
    it.ncard = ncard_;
    it.kind = kind;
    it.bad = bad_;
    it.io = io_;
    it.text = b.text.size();
    it.vals = b.vals.size();
    if (v) b.vals.insert(b.vals.end(), v, v + 2 + 2 * df_.nlread);
    b.items.push_back(it);
    bad_ = io_ = 0;
  }
  // The message of an unreadable record, and below it what was wrong (`detail`, when known).
  void unreadable(Batch& b, int cause, const std::string& detail = std::string()) {
    line(b, 'b', " ** Error reading record " + fi(ncard_, 5) + ", cause=" + fi(cause, 5) + " **");
    if (!detail.empty()) line(b, 'b', "    " + detail);
    bad_ = 1;
    io_ = cause;
  }
  // A zero record takes the blank lines that follow it along.
  void blank_after_zero(Batch& b) {
    for (;;) {
      if (in_.read_line(line_) != io::Rd::ok) return;  // the next call reports the end
      ++ncard_;
      if (!blank10(line_)) {
        --ncard_;
        in_.backspace();
        return;
      }
      if (!quiet_) line(b, 'c', fi(ncard_, 5) + ":");
    }
  }
  bool next(Batch& b);

  io::Unit& in_;
  const DataFormat& df_;
  bool quiet_, progress_;
  long ncard_;
  int bad_ = 0, io_ = 0;
  std::string line_;
  std::vector<int> v_;
  io::ListRead how_;
};

// The next record (with the comments and unreadable lines before it); false at the end of the
// file.
bool RecordReader::next(Batch& b) {
  const int n = 2 + 2 * df_.nlread;
  int* v = v_.data();
  for (;;) {
    // a record held as values (an input converted in memory) needs no text
    const bool held = df_.free && in_.read_values(v, n);
    if (!held) {
      io::Rd r = in_.read_line(line_);
      if (r == io::Rd::eof) {
        item(b, Item::end);
        return false;
      }
      ++ncard_;
      if (r != io::Rd::ok) {  // the file itself cannot be read on: end here
        unreadable(b, kBadValue);
        item(b, Item::end);
        return false;
      }
      if ((!line_.empty() && (line_[0] == '#' || line_[0] == '\t')) || blank10(line_)) {
        if (!quiet_) line(b, 'c', fi(ncard_, 5) + ": " + io::trim(line_.substr(0, 256)));
        if (blank10(line_) && holds_number(line_)) ++indented;
        continue;
      }
    } else {
      ++ncard_;
    }
    if (held || (df_.free && plain_ints(line_, v, n))) {
      if (v[0] == 9999) {
        if (!quiet_) line(b, 'c', fi(ncard_, 5) + ": " + fi(9999, 4));
        item(b, Item::ignored);
        return true;
      }
      if (v[0] != 0 || v[1] != 0) {
        if (!quiet_) {
          b.text += 'c';
          append_echo(b.text, ncard_, v, df_.nlread);
          b.text += '\n';
        }
        item(b, Item::record, v);
        return true;
      }
      if (!quiet_) line(b, 'c', fi(ncard_, 5) + ":");
      blank_after_zero(b);
      item(b, Item::zero, v);
      return true;
    }
    how_ = io::ListRead();
    int first = 0;
    io::Rd rf = io::parse_ints(line_, nullptr, &first, 1, how_);
    if (rf == io::Rd::ok && first == 9999) {
      if (!quiet_) line(b, 'c', fi(ncard_, 5) + ": " + fi(9999, 4));
      item(b, Item::ignored);
      return true;
    }
    if (rf != io::Rd::ok && df_.free) {
      unreadable(b, kBadValue, fault_text(how_.fault));
      item(b, Item::none);
      continue;
    }
    // Values a record does not give (a "/" in free format) read as 0, never as leftovers of
    // the record before.
    std::fill(v_.begin(), v_.end(), 0);
    how_ = io::ListRead();
    io::Rd rr = df_.free ? io::parse_ints(line_, &in_, v, n, how_)
                         : df_.fmt.read(line_, &in_, v, n, nullptr, &how_.fault);
    if (rr == io::Rd::eof) {
      unreadable(b, kEndInRecord,
                 "the file ends inside the record: " + std::to_string(n) + " values expected");
      item(b, Item::none);
      continue;
    }
    if (rr != io::Rd::ok) {
      unreadable(b, kBadValue, fault_text(how_.fault));
      item(b, Item::none);
      continue;
    }
    // A free-format record that went on over further lines: say so, since a line that is
    // merely short takes the first values of the next record.
    auto tell_continued = [&]() {
      if (!(df_.free && how_.lines > 0)) return;
      const std::string no = std::to_string(ncard_);
      line(b, 'b',
           " ** Record " + no + " continues on the next line: " + std::to_string(n) +
               " values expected, " + std::to_string(how_.first) + " found on line " + no + " **");
      ++continued;
    };
    if (v[0] != 0 || v[1] != 0) {
      if (!quiet_) {
        b.text += 'c';
        append_echo(b.text, ncard_, v, df_.nlread);
        b.text += '\n';
      }
      tell_continued();
      item(b, Item::record, v);
      return true;
    }
    if (!quiet_) line(b, 'c', fi(ncard_, 5) + ":");
    tell_continued();
    blank_after_zero(b);
    item(b, Item::zero, v);
    return true;
  }
}

}  // namespace

// ---- counting ----

namespace {

// A new haplotype h of combination kc with the alleles a[0..r): its alleles written, the count
// channel extended to hold its counts.
void new_hap(RunState& rs, TypeIndex& ix, int kc, const int* a, int r, int h) {
  const Param& p = rs.param;
  extend(rs, ch::hapall, static_cast<long>(p.mxnrlc) * p.nc * (h + 1));
  for (int j = 1; j <= r; ++j) swrite(rs, ch::hapall, rec21(p, h, kc, j), a[j - 1]);
  extend(rs, ch::hapcnt, 3L * p.np * p.nc * (h + 1) + 1);
  ix.add_hap(kc, a, r, h);
}

void new_gen(RunState& rs, TypeIndex& ix, int kc, int h1, int h2, int g) {
  const Param& p = rs.param;
  extend(rs, ch::genhap, static_cast<long>(p.nc) * (g + 1));
  swrite23(rs, rec23(p, g, kc), h1, h2);
  extend(rs, ch::gencnt, static_cast<long>(p.np) * p.nc * (g + 1));
  ix.add_gen(kc, h1, h2, g);
}

// One single-locus combination kc of the genotype record: the same counts as the general
// path below, held in the flat blocks of `ix` until the end of the file (flush_counts); the
// channels are extended for every new type as they are read, as on the general path. Where
// other loci are counted on another thread at the same time, `types` is held while a new type
// goes to the channels, the one thing loci share here.
void count_single(RunState& rs, Work& w, TypeIndex& ix, int kc, long kp, int nadd, int a1, int a2,
                  std::mutex* types = nullptr) {
  auto one_at_a_time = [types]() {
    return types ? std::unique_lock<std::mutex>(*types) : std::unique_lock<std::mutex>();
  };
  int a[2] = {a1, a2};
  if (a[1] < a[0] && w.kmbord(kc, kp) != 1) std::swap(a[0], a[1]);
  int hs[2] = {0, 0};
  for (int s = 0; s < 2; ++s) {
    if (a[s] < 0) {
      ix.count20(kc, kp, 0, s + 1) += nadd;
      continue;
    }
    int h = ix.find_hap(kc, &a[s], 1);
    if (h == 0) {
      h = ++w.nptr1(kc);
      const auto lock = one_at_a_time();
      new_hap(rs, ix, kc, &a[s], 1, h);
    }
    ix.count20(kc, kp, h, s + 1) += nadd;
    hs[s] = h;
  }
  if (hs[0] == 0 || hs[1] == 0) {
    ix.count20(kc, kp, 0, 3) += 2 * nadd;
    ix.count22(kc, kp, 0) += nadd;
    return;
  }
  ix.count20(kc, kp, hs[0], 3) += nadd;
  ix.count20(kc, kp, hs[1], 3) += nadd;
  int g = ix.find_gen(kc, hs[0], hs[1]);
  if (g == 0) {
    g = ++w.nptr2(kc);
    const auto lock = one_at_a_time();
    new_gen(rs, ix, kc, hs[0], hs[1], g);
  }
  ix.count22(kc, kp, g) += nadd;
}

// One multilocus combination kc of the genotype record, straight into the channels; `hap`
// holds the two haplotypes while they are looked up.
void count_multi(RunState& rs, Work& w, TypeIndex& ix, int kc, std::vector<int> (&hap)[2]) {
  const Param& p = rs.param;
  const long kp = p.kp;
  const int nadd = p.nadd;
  const int r = w.nrloc(kc);
  // this combination's own copy of the genotype, canonical where gametic sex is not given
  hap[0].resize(static_cast<size_t>(r));
  hap[1].resize(static_cast<size_t>(r));
  const bool ordered = w.kmbord(kc, kp) == 1;
  for (int j = 1; j <= r; ++j) {
    const int l = w.loccmb(kc, j);
    int a1 = w.la(l, 1), a2 = w.la(l, 2);
    if (!ordered && a2 < a1) std::swap(a1, a2);
    hap[0][static_cast<size_t>(j - 1)] = a1;
    hap[1][static_cast<size_t>(j - 1)] = a2;
  }

  int hs[2] = {0, 0};
  for (int s = 0; s < 2; ++s) {
    const int* a = hap[s].data();
    bool missing = false;
    for (int j = 0; j < r; ++j) missing = missing || a[j] < 0;
    if (missing) {
      add(rs, ch::hapcnt, rec20(p, 0, kc, kp, s + 1), nadd);
      continue;
    }
    int h = ix.find_hap(kc, a, r);
    if (h == 0) {
      h = ++w.nptr1(kc);
      new_hap(rs, ix, kc, a, r, h);
    }
    add(rs, ch::hapcnt, rec20(p, h, kc, kp, s + 1), nadd);
    hs[s] = h;
  }

  if (hs[0] == 0 || hs[1] == 0) {
    add(rs, ch::hapcnt, rec20(p, 0, kc, kp, 3), 2 * nadd);
    add(rs, ch::gencnt, rec22(p, 0, kc, kp), nadd);
    return;
  }
  add(rs, ch::hapcnt, rec20(p, hs[0], kc, kp, 3), nadd);
  add(rs, ch::hapcnt, rec20(p, hs[1], kc, kp, 3), nadd);
  int g = ix.find_gen(kc, hs[0], hs[1]);
  if (g == 0) {
    g = ++w.nptr2(kc);
    new_gen(rs, ix, kc, hs[0], hs[1], g);
  }
  add(rs, ch::gencnt, rec22(p, g, kc, kp), nadd);
}

// The counting side of the reading: what it keeps between records. The combinations of the
// latest locus list are split into single loci (counted from the record's values at their
// position in the list, into the flat blocks and the pair tables of the type index) and
// multilocus combinations (counted through the channels).
struct CountContext {
  struct Single {
    int kc = 0;
    int pos = 0;  // index of the locus's first allele among the record's values
  };
  std::vector<Single> singles;
  std::vector<int> multi;
  std::vector<int> hap[2];
  bool het = false;
  // heterozygosity counts of the single loci: per combination and deme, homozygous,
  // heterozygous and not completely identified individuals
  std::vector<int32_t> het1;
  int np = 0;

  void start(const RunState& rs) {
    np = rs.param.np;
    het = rs.names.aprog(prog::heterozygosity) == 'y';
    if (het) het1.assign(static_cast<size_t>(rs.param.nc + 1) * np * 3, 0);
  }
  // The combinations of the locus list now in force.
  void plan(const RunState& rs, const Work& w, TypeIndex& ix) {
    const Param& p = rs.param;
    singles.clear();
    multi.clear();
    // position of each locus in the list (the last one where a locus stands twice)
    std::vector<int> at(static_cast<size_t>(p.nl) + 1, 0);
    for (int j = 1; j <= p.nl1; ++j) {
      const int l = w.loc(j);
      if (l >= 1 && l <= p.nl) at[static_cast<size_t>(l)] = 2 * j;
    }
    for (int i = 1; i <= p.ncnow; ++i) {
      const int kc = w.kmbnow(i);
      if (w.nrloc(kc) != 1) {
        multi.push_back(kc);
        continue;
      }
      const int l = w.loccmb(kc, 1);
      const int pos = l >= 1 && l <= p.nl ? at[static_cast<size_t>(l)] : 0;
      singles.push_back({kc, pos});
      ix.count_pairs(kc);
    }
  }
  // One genotype record (deme `kp`, `nadd` individuals, its values v, `la` set).
  void count(RunState& rs, Work& w, TypeIndex& ix, const int* v) {
    Param& p = rs.param;
    for (const Single& s : singles) one(rs, w, ix, s, p.kp, p.nadd, v);
    for (int kc : multi) {
      if (p.nurhet != 1) count_multi(rs, w, ix, kc, hap);
      if (het) het_one(rs, w, kc);
    }
    if (p.ncnow > 0) p.kc = w.kmbnow(p.ncnow);
  }

  // Genotype records of single loci only, counted a run of records at a time, locus by locus:
  // a record of tens of thousands of loci would otherwise visit the tables of every locus in
  // turn, each far from the last in memory, for each individual. Each locus still sees its
  // records in file order, and the counting of a locus touches nothing of another locus, so the
  // counts and the numbering of the types are those of counting record by record.
  struct Held {
    const int* v;
    long kp;
    int nadd;
  };
  std::vector<Held> held;
  bool may_hold(const RunState& rs) const { return multi.empty() && !rs.opt.bootstrap_individuals; }
  void hold(RunState& rs, Work& w, const int* v) {
    const Param& p = rs.param;
    held.push_back({v, p.kp, p.nadd});
    if (p.ncnow > 0) rs.param.kc = w.kmbnow(p.ncnow);
  }
  // Counted on two threads (this one and a helper), the groups of loci shared between them,
  // where the reading has two threads.
  bool split = false;
  void count_held(RunState& rs, Work& w, TypeIndex& ix) {
    if (held.empty()) return;
    // A group of loci at a time, record after record: the values of a record are read in
    // order and the tables of the group stay at hand. Each locus still sees the records in file
    // order, on one thread, and touches nothing of another locus but the channels of a new type
    // (count_single), so the counts and the numbering of the types are those of counting record
    // by record, on any number of threads.
    const size_t groups = (singles.size() + kGroup - 1) / kGroup;
    std::atomic<size_t> next{0};
    auto count_groups = [&](std::mutex* types) {
      TypeIndex::PairView view[kGroup];
      std::vector<char> ordered(kGroup * (static_cast<size_t>(np) + 1));
      for (size_t g; (g = next.fetch_add(1)) < groups;)
        count_group(rs, w, ix, g * kGroup, view, ordered.data(), types);
    };
    // a helper only where there is enough to count: some hundred thousand genotypes
    if (!split || groups < 2 || held.size() * singles.size() < (size_t{1} << 17)) {
      count_groups(nullptr);
    } else {
      std::mutex types;
      std::exception_ptr failed;
      std::thread helper([&] {
        try {
          count_groups(&types);
        } catch (...) {
          failed = std::current_exception();
          next = groups;  // the other thread stops at its next group
        }
      });
      try {
        count_groups(&types);
      } catch (...) {
        next = groups;
        helper.join();
        throw;
      }
      helper.join();
      if (failed) std::rethrow_exception(failed);
    }
    held.clear();
  }

 private:
  static constexpr size_t kGroup = 64;
  // The loci j0 .. j0 + kGroup - 1 of `singles` (those there are) over the records held. A
  // record whose genotype is known is counted through the tables as they stand; one that adds a
  // type goes the whole way, and the tables of its locus are taken again after it.
  void count_group(RunState& rs, Work& w, TypeIndex& ix, size_t j0, TypeIndex::PairView* view,
                   char* ordered, std::mutex* types) {
    const auto nd = static_cast<size_t>(np) + 1;
    const size_t n = std::min(kGroup, singles.size() - j0);
    const Single* grp = singles.data() + j0;
    for (size_t j = 0; j < n; ++j) {
      view[j] = ix.pair_view(grp[j].kc);
      for (int kp = 1; kp <= np; ++kp)  // gametic sex given, by locus of the group and deme
        ordered[j * nd + static_cast<size_t>(kp)] = w.kmbord(grp[j].kc, kp) == 1;
    }
    // The values of the group in the next record lie far from these: they are asked for in
    // advance where they stand together (the loci of the group in the order of the record).
    const int first = grp[0].pos, last = grp[n - 1].pos + 2;
    const bool ahead = last > first && last - first <= 2 * static_cast<int>(n);
    for (size_t r = 0; r < held.size(); ++r) {
      const Held& h = held[r];
      if (ahead && r + 1 < held.size())
        for (int k = first; k < last; k += 16) __builtin_prefetch(held[r + 1].v + k);
      const auto kp = static_cast<size_t>(h.kp);
      for (size_t j = 0; j < n; ++j) {
        const Single& s = grp[j];
        const int b1 = h.v[s.pos], b2 = h.v[s.pos + 1];
        if (het) {
          const int k = (b1 | b2) < 0 ? 2 : b1 != b2;
          het1[(static_cast<size_t>(s.kc) * np + kp - 1) * 3 + static_cast<size_t>(k)] += h.nadd;
        }
        const bool swap = b2 < b1 && !ordered[j * nd + kp];
        if (!view[j].count(h.kp, swap ? b2 : b1, swap ? b1 : b2, h.nadd)) {
          count_single(rs, w, ix, s.kc, h.kp, h.nadd, b1, b2, types);
          view[j] = ix.pair_view(s.kc);
        }
      }
    }
  }

  void one(RunState& rs, Work& w, TypeIndex& ix, const Single& s, long kp, int nadd, const int* v) {
    const int b1 = v[s.pos], b2 = v[s.pos + 1];
    if (het) {
      const int k = (b1 | b2) < 0 ? 2 : b1 != b2;
      het1[(static_cast<size_t>(s.kc) * np + static_cast<size_t>(kp - 1)) * 3 + k] += nadd;
    }
    const bool swap = b2 < b1 && w.kmbord(s.kc, kp) != 1;
    const int a1 = swap ? b2 : b1, a2 = swap ? b1 : b2;
    if (!ix.count_known_pair(s.kc, kp, a1, a2, nadd))
      count_single(rs, w, ix, s.kc, kp, nadd, b1, b2);
  }

 public:
  // The heterozygosity counts of the single loci into channel 26.
  void flush(RunState& rs) {
    if (!het) return;
    const Param& p = rs.param;
    const long blk = p.mxnrlc + 3L;
    for (int kc = 1; kc <= p.nc; ++kc)
      for (int kp = 1; kp <= np; ++kp) {
        const int32_t* c = &het1[(static_cast<size_t>(kc) * np + static_cast<size_t>(kp - 1)) * 3];
        if (c[0] == 0 && c[1] == 0 && c[2] == 0) continue;
        const long base = blk * (static_cast<long>(p.np) * (kc - 1) + kp - 1);
        if (c[0] != 0) sadd(rs, ch::hetcnt, base + 1, c[0]);
        if (c[1] != 0) sadd(rs, ch::hetcnt, base + 2, c[1]);
        if (c[0] + c[1] != 0) sadd(rs, ch::hetcnt, base + p.mxnrlc + 2, c[0] + c[1]);
        if (c[2] != 0) sadd(rs, ch::hetcnt, base + p.mxnrlc + 3, c[2]);
      }
    het1 = std::vector<int32_t>();
  }
};

}  // namespace

void cnttyp(RunState& rs, Work& w, TypeIndex& ix) {
  Param& p = rs.param;
  std::vector<int> hap[2];
  for (int i = 1; i <= p.ncnow; ++i) {
    const int kc = w.kmbnow(i);
    p.kc = kc;
    const int r = w.nrloc(kc);
    if (r >= 2 && p.nurhet == 1) continue;
    if (r == 1)
      count_single(rs, w, ix, kc, p.kp, p.nadd, w.la(w.loccmb(kc, 1), 1), w.la(w.loccmb(kc, 1), 2));
    else
      count_multi(rs, w, ix, kc, hap);
  }
}

// ---- the data section read and counted ----

namespace {

// The progress line of a long counting, redrawn at most five times a second.
class Progress {
 public:
  Progress(RunState& rs, io::Unit& in)
      : con_(rs.con()),
        on_(progress_wanted(rs.opt.quiet, rs.con().is_terminal(), in.size())),
        size_(on_ ? in.size() : 0),
        start_(std::chrono::steady_clock::now()),
        last_(start_) {}
  bool on() const { return on_; }
  void tick(long records, long pos) {
    if (!on_ || (records & 4095) != 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    const double secs = std::chrono::duration<double>(now - start_).count();
    std::string s = progress_line(pos, size_, records, secs);
    const size_t width = s.size();
    if (s.size() < shown_) s.append(shown_ - s.size(), ' ');
    shown_ = width;
    con_.put("\r" + s);
    con_.flush();
  }
  void clear() {
    if (!on_ || shown_ == 0) return;
    con_.put("\r" + std::string(shown_, ' ') + "\r");
    con_.flush();
    shown_ = 0;
  }

 private:
  io::Unit& con_;
  bool on_;
  long size_;
  std::chrono::steady_clock::time_point start_, last_;
  size_t shown_ = 0;
};

// Everything rddata does with the records of one batch, in order. False when the reading stops
// at once (a deme number out of range) or the end of the file is reached (`ended`).
struct Consumer {
  RunState& rs;
  Work& w;
  int& ierr;
  const DataFormat& df;
  TypeIndex& ix;
  CountContext& cx;
  Progress& progress;
  ReadTally& tally;
  long long individuals = 0;
  long records = 0;
  bool ended = false;

  // Counts and gene counts (twice the individuals), summed over all demes, stay within 32 bits
  // as long as the whole file stands for no more individuals than this.
  static constexpr long long kMostIndividuals = 1000000000LL;

  const int* pending = nullptr;  // genotype record whose alleles are not in `la` yet

  void set_la(const int* v) {
    for (int i = 1; i <= rs.param.nl1 && i <= df.nlread; ++i) {
      w.la(w.loc(i), 1) = v[2 * i];
      w.la(w.loc(i), 2) = v[2 * i + 1];
    }
  }
  const int* pending_ls = nullptr;  // genotype record whose values are not in `ls` yet
  void set_pending_la() {
    if (pending) set_la(pending);
    pending = nullptr;
    if (pending_ls) take_record(rs, w, pending_ls, df.nlread);
    pending_ls = nullptr;
  }

  bool batch(const Batch& b) {
    const bool go_on = records_of(b);
    settle();
    return go_on;
  }
  // The records held are counted and `la` set: before their batches go back to the reader.
  void settle() {
    cx.count_held(rs, w, ix);
    set_pending_la();
  }
  bool holding() const { return !cx.held.empty(); }

  bool records_of(const Batch& b) {
    Param& p = rs.param;
    size_t t = 0;
    for (const Item& it : b.items) {
      // the lines of the record: echo and messages
      while (t < it.text) {
        const size_t e = b.text.find('\n', t);
        const std::string_view s(b.text.data() + t + 1, e - t - 1);
        if (b.text[t] == 'b')
          say_both(rs, s);
        else
          rs.con().line(s);
        t = e + 1;
      }
      p.ncard = it.ncard;
      if (it.bad) {
        p.io = it.io;
        ierr += it.bad;
      }
      if (it.kind == Item::none) continue;
      progress.tick(++records, b.pos);
      if (it.kind == Item::end) {
        p.kp = 0;
        p.ks = 0;
        ended = true;
        return false;
      }
      if (it.kind == Item::ignored) {
        p.kp = 9999;
        p.ks = 0;
        continue;
      }
      const int* v = &b.vals[it.vals];
      p.kp = v[0];
      p.ks = v[1];
      // `ls` is read by the locus lists; for genotype records only the latest one is set
      if (it.kind == Item::zero || p.ks == 0) {
        take_record(rs, w, v, df.nlread);
        pending_ls = nullptr;
      } else {
        pending_ls = v;
      }
      if (it.kind == Item::zero) continue;
      if (!genotype(v)) return false;
    }
    return true;
  }

  // A record of kind `record` (locus list or genotypes); false when the reading stops.
  bool genotype(const int* v) {
    Param& p = rs.param;
    if (p.ks == 0) {
      cx.count_held(rs, w, ix);  // under the locus list they were read with
      set_pending_la();
      locus_list(rs, w, ierr, df.nlread);
      cx.plan(rs, w, ix);
      return true;
    }
    if (p.kp < 1 || p.kp > p.np) {
      progress.clear();
      say_both(rs, " ** Erroneous deme number of " + fi(p.kp, 4) + " in record " + fi(p.ncard, 4));
      ++ierr;
      return false;
    }
    if (p.ndat == 1 && p.ks < 0) {
      // a negative number of individuals would take individuals away from the counts
      say_both(rs, " ** Erroneous number of individuals of " + fi(p.ks, 6) + " in record " +
                       fi(p.ncard, 4));
      ++ierr;
      return true;
    }
    const long long n = p.ndat == 1 ? p.ks : 1;
    if (individuals + n > kMostIndividuals) {
      say_both(rs, " ** Number of individuals of " + fi(p.ks, 11) + " in record " + fi(p.ncard, 4) +
                       " takes the file above " + std::to_string(kMostIndividuals) +
                       " individuals");
      ++ierr;
      return true;
    }
    individuals += n;
    // Single loci alone, no individuals kept: the record is held and counted with the rest of
    // its batch, and the alleles by locus (`la`) of the latest genotype record are set before
    // the locus list or the batch changes. Otherwise the multilocus combinations or the kept
    // individuals need them at once, and the record is counted now.
    p.nadd = p.ndat == 1 ? p.ks : 1;
    if (cx.may_hold(rs)) {
      pending = v;
      cx.hold(rs, w, v);
    } else {
      set_la(v);
      cx.count(rs, w, ix, v);
    }
    keep_individual(rs, w, ix);
    ++tally.genotypes;
    return true;
  }
};

int reading_threads(const RunState& rs) {
  return run_threads(rs.opt) >= 2 ? 2 : 1;
}

}  // namespace

void rddata(RunState& rs, Work& w, int& ierr, const DataFormat& df, TypeIndex& ix) {
  Param& p = rs.param;
  io::Unit& in = rs.u(10);
  ierr = 0;
  ReadTally tally;

  // the header again, as it stands in the file
  rs.con().line(" Reading input file " +
                (rs.input_copy.empty() ? io::trim(in.path()) : rs.input_file));
  in.rewind();
  const int header = p.nl + p.np + 2;
  std::string line;
  for (int i = 1; i <= header; ++i) {
    if (in.read_line(line) != io::Rd::ok) {
      rs.con().line(" End of input file");
      rs.con().nl();
      return;
    }
    if (!quiet(rs)) rs.con().line(fi(i, 5) + ": " + io::trim(line.substr(0, 256)));
  }
  p.ncard = header;
  p.nl1 = 0;
  p.ncnow = 0;
  p.ndat = 0;
  Progress progress(rs, in);
  CountContext cx;
  cx.start(rs);
  cx.split = reading_threads(rs) == 2;
  Consumer use{rs, w, ierr, df, ix, cx, progress, tally};
  RecordReader reader(in, df, quiet(rs), progress.on(), header);

  if (reading_threads(rs) == 1) {
    Batch b;
    for (bool more = true; more;) {
      more = reader.fill(b);
      if (!use.batch(b)) break;
    }
  } else {
    // one thread reads and parses, this one counts; the batches go through in file order
    BatchQueue<Batch> q(5);
    std::exception_ptr failed;
    std::thread th([&] {
      try {
        for (bool more = true; more;) {
          Batch* b = q.take_empty();
          if (!b) break;  // the counting stopped
          more = reader.fill(*b);
          q.put_full(b);
        }
      } catch (...) {
        failed = std::current_exception();
      }
      q.close();
    });
    try {
      // The records held of three batches are counted together: a file of long records holds
      // few records a batch, and the tables of each locus are then visited a third as often;
      // the reader fills the other two meanwhile.
      constexpr size_t kKeep = 3;
      std::vector<Batch*> kept;
      auto give_back = [&]() {
        use.settle();
        for (Batch* k : kept) q.put_empty(k);
        kept.clear();
      };
      for (;;) {
        Batch* b = q.take_full();
        if (!b) break;
        const bool go_on = use.records_of(*b);
        kept.push_back(b);
        if (!go_on || kept.size() >= kKeep || !use.holding()) give_back();
        if (!go_on) break;
      }
      give_back();
    } catch (...) {  // the reading thread is stopped before the failure goes on
      q.cancel();
      th.join();
      throw;
    }
    q.cancel();
    th.join();
    if (failed) std::rethrow_exception(failed);
  }
  cx.flush(rs);
  if (!use.ended) return;  // stopped at an erroneous deme number

  tally.continued = reader.continued;
  tally.indented = reader.indented;
  progress.clear();
  rs.con().line(" End of input file");
  // what the reading noticed beside the records: continued records, lines that look like
  // records but were taken as comments
  if (tally.continued > 0)
    rs.con().line(" ** " + std::to_string(tally.continued) +
                  (tally.continued == 1 ? " record" : " records") +
                  " continued on the next line **");
  if (tally.genotypes == 0 && tally.indented > 0)
    rs.con().line(" ** Warning: no genotype record was counted; " + std::to_string(tally.indented) +
                  (tally.indented == 1
                       ? " line that holds numbers was read as a comment, as its first 10 "
                         "columns are blank **"
                       : " lines that hold numbers were read as comments, as their first 10 "
                         "columns are blank **"));
  rs.con().nl();
}

void xcount(RunState& rs, Work& w, int& ierr, const std::string& fcard, int nlread) {
  Param& p = rs.param;
  ierr = 0;
  if (p.idurch >= 2 && p.mxnrlc == 1) return;  // the counts of the first pass still stand

  DataFormat df;
  std::string why;
  if (nlread < 1 || nlread > w.nnl) {
    rs.con().line(" ** The number of allele pairs per data record, " + std::to_string(nlread) +
                  ", must lie between 1 and " + std::to_string(w.nnl) +
                  ". Execution terminated **");
    ierr = 1;
    return;
  }
  if (!data_format(fcard, nlread, df, why)) {
    rs.con().line(" ** The read format \"" + io::trim(fcard) + "\" cannot be used: " + why +
                  ". Execution terminated **");
    ierr = 1;
    return;
  }

  const long np = p.np, nc = p.nc;
  for (int kc = 1; kc <= w.nnc; ++kc) {
    w.nptr1(kc) = 0;
    w.nptr2(kc) = 0;
    for (int kp = 1; kp <= w.nnp; ++kp) {
      w.kmbord(kc, kp) = 0;
      w.sexspc(kc, kp) = " no";
    }
  }
  zero_channel(rs, ch::hapcnt, 3 * nc * np + 1);
  zero_channel(rs, ch::hapall, static_cast<long>(p.mxnrlc) * nc);
  zero_channel(rs, ch::gencnt, np * nc);
  zero_channel(rs, ch::genhap, nc);
  if (rs.names.aprog(prog::heterozygosity) == 'y')
    zero_channel(rs, ch::hetcnt, np * (p.mxnrlc + 3L) * nc);

  TypeIndex ix;
  ix.reset(p.nc, p.np);
  rddata(rs, w, ierr, df, ix);
  ix.flush_counts(rs, w);
  if (ierr > 0) {
    rs.con().line(" ** Execution terminated: " + fi(ierr, 6) + " records of deme input unreadable");
    return;
  }

  long mx1 = 0, mx2 = 0;
  for (int kc = 1; kc <= p.nc; ++kc) {
    if (w.nptr1(kc) > mx1) mx1 = w.nptr1(kc);
    if (w.nptr2(kc) > mx2) mx2 = w.nptr2(kc);
  }
  zero_channel(rs, ch::hapord, nc * (mx1 + 1));
  zero_channel(rs, ch::genord, nc * (mx2 + 1));
  if (p.icount == 1) p.icount = 2;
}

}  // namespace tolm
