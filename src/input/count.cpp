// Reading and counting: the data section of the input file is read record by record (streamed,
// never held whole) and every genotype record is counted into the scratch channels.
#include "input/count.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "input/hetcnt.h"
#include "core/records.h"
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
void both(RunState& rs, const std::string& text) {
  rs.con().line(text);
  if (rs.param.iunit != 6) rs.out().line(text);
}

// The message of an unreadable record, and below it what was wrong (`detail`, when known).
void unreadable(RunState& rs, int& ierr, int cause, const std::string& detail = std::string()) {
  rs.param.io = cause;
  both(rs, " ** Error reading record " + fi(rs.param.ncard, 5) + ", cause=" + fi(cause, 5) + " **");
  if (!detail.empty()) both(rs, "    " + detail);
  ++ierr;
}

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

void echo_text(RunState& rs, long recno, const std::string& line) {
  if (quiet(rs)) return;
  rs.con().line(fi(recno, 5) + ": " + io::trim(line.substr(0, 256)));
}

// Writes v right-aligned in w columns at q (w stars when it does not fit); returns the end.
char* put_int(char* q, long v, int w) {
  // the common case, allele numbers and counts below 10000: four columns from a table
  struct Four {
    char c[10000][4];
    Four() {
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
  static const Four four;
  if (v >= 0 && v < 10000 && w >= 4) {
    q = std::fill_n(q, w - 4, ' ');
    std::memcpy(q, four.c[v], 4);
    return q + 4;
  }
  char b[24];
  char* e = b + sizeof b;
  char* d = e;
  if (v >= 0) {
    do {
      *--d = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v);
  } else {
    d = std::to_chars(b, e, v).ptr;
    std::memmove(e - (d - b), b, static_cast<size_t>(d - b));
    d = e - (d - b);
  }
  const long n = e - d;
  if (n > w) return std::fill_n(q, w, '*');
  q = std::fill_n(q, w - n, ' ');
  return std::copy(d, e, q);
}

// The record as read, formatted into one buffer: record number, deme, count, allele pairs.
void echo_record(RunState& rs, Work& w, int nlread) {
  if (quiet(rs)) return;
  const Param& p = rs.param;
  static thread_local std::string s;
  s.resize(static_cast<size_t>(15 + 9 * nlread));  // every field takes exactly its width
  char* q = s.data();
  q = put_int(q, p.ncard, 5);
  *q++ = ':';
  *q++ = ' ';
  q = put_int(q, p.kp, 4);
  q = put_int(q, p.ks, 4);
  for (int j = 1; j <= nlread; ++j) {
    q = put_int(q, w.ls(j, 1), 5);
    q = put_int(q, w.ls(j, 2), 4);
  }
  rs.con().line(std::string_view(s.data(), static_cast<size_t>(q - s.data())));
}

// ---- the locus-list record ----

// A locus list naming a deme or a locus that does not exist counts as unreadable; the genotype
// records that follow it count nothing until the next valid list.
void locus_list(RunState& rs, Work& w, int& ierr, int nlread) {
  Param& p = rs.param;
  auto reject = [&](const std::string& what, long v) {
    both(rs, " ** Erroneous " + what + " number of " + fi(v, 4) + " in record " + fi(p.ncard, 4));
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
      both(rs, " ** Locus " + fi(l, 4) + " is named twice in the locus list of record " +
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
  const char* q = line.data();
  const char* e = q + line.size();
  for (int k = 0; k < n; ++k) {
    while (q < e && (*q == ' ' || *q == '\t' || *q == '\r')) ++q;
    if (q == e) return false;
    bool neg = false;
    if (*q == '-' || *q == '+') {
      neg = *q == '-';
      ++q;
    }
    const char* b = q;
    long r = 0;
    while (q < e && *q >= '0' && *q <= '9' && q - b < 11) r = r * 10 + (*q++ - '0');
    if (q == b || q - b >= 11) return false;
    if (q < e && *q != ' ' && *q != '\t' && *q != '\r') return false;
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

// A zero record takes the blank lines that follow it along.
void blank_after_zero(RunState& rs, io::Unit& in, std::string& line) {
  Param& p = rs.param;
  for (;;) {
    if (in.read_line(line) != io::Rd::ok) return;  // the next call reports the end
    ++p.ncard;
    if (!blank10(line)) {
      --p.ncard;
      in.backspace();
      return;
    }
    if (!quiet(rs)) rs.con().line(fi(p.ncard, 5) + ":");
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
  dir1_.assign(n, {});
  dirg_.assign(n, {});
  dside_.assign(n, 0);
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
    auto& d = dir1_[static_cast<size_t>(kc)];
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
    auto& d = dirg_[static_cast<size_t>(kc)];
    int& side = dside_[static_cast<size_t>(kc)];
    if (h1 >= side || h2 >= side) {  // a larger square, the known genotypes copied over
      int ns = side == 0 ? 4 : side;
      while (ns <= h1 || ns <= h2) ns *= 2;
      ns = std::min(ns, static_cast<int>(kDirectTypes));
      std::vector<int> nd(static_cast<size_t>(ns) * static_cast<size_t>(ns), 0);
      for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j)
          nd[static_cast<size_t>(i * ns + j)] = d[static_cast<size_t>(i * side + j)];
      d.swap(nd);
      side = ns;
    }
    d[static_cast<size_t>(h1 * side + h2)] = g;
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
    Flat& f = flat_[static_cast<size_t>(kc)];
    for (int kp = 1; kp <= np_; ++kp) {
      for (int h = 0; h < f.cap && h <= w.nptr1(kc); ++h)
        for (int m = 1; m <= 3; ++m) {
          const int32_t c = f.c20[static_cast<size_t>(((kp - 1) * f.cap + h) * 3 + m - 1)];
          if (c != 0) sadd(rs, 20, rec20(p, h, kc, kp, m), c);
        }
      for (int g = 0; g < f.capg && g <= w.nptr2(kc); ++g) {
        const int32_t c = f.c22[static_cast<size_t>((kp - 1) * f.capg + g)];
        if (c != 0) sadd(rs, 22, rec22(p, g, kc, kp), c);
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

void card(RunState& rs, Work& w, int& iend, int& ierr, const DataFormat& df, ReadTally* tally) {
  Param& p = rs.param;
  io::Unit& in = rs.u(10);
  iend = 0;
  static thread_local std::string line;  // kept between records: no allocation per record
  static thread_local std::vector<int> v;
  const int n = 2 + 2 * df.nlread;
  for (;;) {
    io::Rd r = in.read_line(line);
    if (r == io::Rd::eof) {
      iend = 1;
      return;
    }
    ++p.ncard;
    if (r != io::Rd::ok) {  // the file itself cannot be read on: end here
      unreadable(rs, ierr, kBadValue);
      iend = 1;
      return;
    }
    if ((!line.empty() && (line[0] == '#' || line[0] == '\t')) || blank10(line)) {
      echo_text(rs, p.ncard, line);
      if (tally && blank10(line) && holds_number(line)) ++tally->indented;
      continue;
    }
    v.resize(static_cast<size_t>(n));
    static thread_local io::ListRead how;
    if (df.free && plain_ints(line, v.data(), n)) {
      how = io::ListRead();
      how.first = n;
      if (v[0] == 9999) {
        p.kp = 9999;
        if (!quiet(rs)) rs.con().line(fi(p.ncard, 5) + ": " + fi(9999, 4));
        return;
      }
      take_record(rs, w, v.data(), df.nlread);
      if (p.kp != 0 || p.ks != 0) {
        echo_record(rs, w, df.nlread);
        return;
      }
      if (!quiet(rs)) rs.con().line(fi(p.ncard, 5) + ":");
      blank_after_zero(rs, in, line);
      return;
    }
    int first = 0;
    io::Rd rf = io::parse_ints(line, nullptr, &first, 1, how);
    if (rf == io::Rd::ok && first == 9999) {
      p.kp = 9999;
      if (!quiet(rs)) rs.con().line(fi(p.ncard, 5) + ": " + fi(9999, 4));
      return;
    }
    if (rf != io::Rd::ok && df.free) {
      unreadable(rs, ierr, kBadValue, fault_text(how.fault));
      continue;
    }
    // Values a record does not give (a "/" in free format) read as 0, never as leftovers of
    // the record before.
    v.assign(static_cast<size_t>(n), 0);
    how = io::ListRead();
    io::Rd rr = df.free ? io::parse_ints(line, &in, v.data(), n, how)
                        : df.fmt.read(line, &in, v.data(), n, nullptr, &how.fault);
    if (rr == io::Rd::eof) {
      unreadable(rs, ierr, kEndInRecord,
                 "the file ends inside the record: " + std::to_string(n) + " values expected");
      continue;
    }
    if (rr != io::Rd::ok) {
      unreadable(rs, ierr, kBadValue, fault_text(how.fault));
      continue;
    }
    // A free-format record that went on over further lines: say so, since a line that is
    // merely short takes the first values of the next record.
    const bool continued = df.free && how.lines > 0;
    auto tell_continued = [&]() {
      if (!continued) return;
      const std::string no = std::to_string(p.ncard);
      both(rs, " ** Record " + no + " continues on the next line: " + std::to_string(n) +
                   " values expected, " + std::to_string(how.first) + " found on line " + no +
                   " **");
      if (tally) ++tally->continued;
    };
    take_record(rs, w, v.data(), df.nlread);
    if (p.kp != 0 || p.ks != 0) {
      echo_record(rs, w, df.nlread);
      tell_continued();
      return;
    }
    // A zero record takes the blank lines that follow it along.
    if (!quiet(rs)) rs.con().line(fi(p.ncard, 5) + ":");
    tell_continued();
    blank_after_zero(rs, in, line);
    return;
  }
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

namespace {

// The progress line of a long counting, redrawn at most five times a second.
class Progress {
 public:
  Progress(RunState& rs, io::Unit& in)
      : con_(rs.con()),
        in_(in),
        on_(progress_wanted(rs.opt.quiet, rs.con().is_terminal(), in.size())),
        size_(on_ ? in.size() : 0),
        start_(std::chrono::steady_clock::now()),
        last_(start_) {}
  void tick(long records) {
    if (!on_ || (records & 4095) != 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    const double secs = std::chrono::duration<double>(now - start_).count();
    std::string s = progress_line(in_.position(), size_, records, secs);
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
  io::Unit& in_;
  bool on_;
  long size_;
  std::chrono::steady_clock::time_point start_, last_;
  size_t shown_ = 0;
};

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
    echo_text(rs, i, line);
  }
  p.ncard = header;
  p.nl1 = 0;
  p.ncnow = 0;
  p.ndat = 0;
  // Counts and gene counts (twice the individuals), summed over all demes, stay within 32 bits
  // as long as the whole file stands for no more individuals than this.
  constexpr long long kMostIndividuals = 1000000000LL;
  long long individuals = 0;
  Progress progress(rs, in);
  long records = 0;

  for (;;) {
    p.kp = 0;
    p.ks = 0;
    int iend = 0;
    card(rs, w, iend, ierr, df, &tally);
    progress.tick(++records);
    if (iend == 1) break;
    if (p.kp == 9999 || (p.kp == 0 && p.ks == 0)) continue;
    if (p.ks == 0) {
      locus_list(rs, w, ierr, df.nlread);
      continue;
    }
    if (p.kp < 1 || p.kp > p.np) {
      progress.clear();
      both(rs, " ** Erroneous deme number of " + fi(p.kp, 4) + " in record " + fi(p.ncard, 4));
      ++ierr;
      return;
    }
    if (p.ndat == 1 && p.ks < 0) {
      // a negative number of individuals would take individuals away from the counts
      both(rs, " ** Erroneous number of individuals of " + fi(p.ks, 6) + " in record " +
                   fi(p.ncard, 4));
      ++ierr;
      continue;
    }
    const long long n = p.ndat == 1 ? p.ks : 1;
    if (individuals + n > kMostIndividuals) {
      both(rs, " ** Number of individuals of " + fi(p.ks, 11) + " in record " + fi(p.ncard, 4) +
                   " takes the file above " + std::to_string(kMostIndividuals) + " individuals");
      ++ierr;
      continue;
    }
    individuals += n;
    for (int i = 1; i <= p.nl1 && i <= df.nlread; ++i) {
      w.la(w.loc(i), 1) = w.ls(i, 1);
      w.la(w.loc(i), 2) = w.ls(i, 2);
    }
    p.nadd = p.ndat == 1 ? p.ks : 1;
    cnttyp(rs, w, ix);
    if (rs.names.aprog(8) == 'y') hetcnt(rs, w);
    ++tally.genotypes;
  }
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

// ---- counting ----

namespace {

// A new haplotype h of combination kc with the alleles a[0..r): its alleles written, the count
// channel extended to hold its counts.
void new_hap(RunState& rs, TypeIndex& ix, int kc, const int* a, int r, int h) {
  const Param& p = rs.param;
  extend(rs, 21, static_cast<long>(p.mxnrlc) * p.nc * (h + 1));
  for (int j = 1; j <= r; ++j) swrite(rs, 21, rec21(p, h, kc, j), a[j - 1]);
  extend(rs, 20, 3L * p.np * p.nc * (h + 1) + 1);
  ix.add_hap(kc, a, r, h);
}

void new_gen(RunState& rs, TypeIndex& ix, int kc, int h1, int h2, int g) {
  const Param& p = rs.param;
  extend(rs, 23, static_cast<long>(p.nc) * (g + 1));
  swrite23(rs, rec23(p, g, kc), h1, h2);
  extend(rs, 22, static_cast<long>(p.np) * p.nc * (g + 1));
  ix.add_gen(kc, h1, h2, g);
}

// One single-locus combination kc of the genotype record: the same counts as the general
// path below, held in the flat blocks of `ix` until the end of the file (flush_counts); the
// channels are extended for every new type as they are read, as on the general path.
void count_single(RunState& rs, Work& w, TypeIndex& ix, int kc, long kp, int nadd) {
  const int l = w.loccmb(kc, 1);
  int a[2] = {w.la(l, 1), w.la(l, 2)};
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
    new_gen(rs, ix, kc, hs[0], hs[1], g);
  }
  ix.count22(kc, kp, g) += nadd;
}

}  // namespace

void cnttyp(RunState& rs, Work& w, TypeIndex& ix) {
  Param& p = rs.param;
  const long kp = p.kp;
  const int nadd = p.nadd;
  static thread_local std::vector<int> hap[2];
  for (int i = 1; i <= p.ncnow; ++i) {
    const int kc = w.kmbnow(i);
    p.kc = kc;
    const int r = w.nrloc(kc);
    if (r >= 2 && p.nurhet == 1) continue;
    if (r == 1) {
      count_single(rs, w, ix, kc, kp, nadd);
      continue;
    }

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
        add(rs, 20, rec20(p, 0, kc, kp, s + 1), nadd);
        continue;
      }
      int h = ix.find_hap(kc, a, r);
      if (h == 0) {
        h = ++w.nptr1(kc);
        new_hap(rs, ix, kc, a, r, h);
      }
      add(rs, 20, rec20(p, h, kc, kp, s + 1), nadd);
      hs[s] = h;
    }

    if (hs[0] == 0 || hs[1] == 0) {
      add(rs, 20, rec20(p, 0, kc, kp, 3), 2 * nadd);
      add(rs, 22, rec22(p, 0, kc, kp), nadd);
      continue;
    }
    add(rs, 20, rec20(p, hs[0], kc, kp, 3), nadd);
    add(rs, 20, rec20(p, hs[1], kc, kp, 3), nadd);
    int g = ix.find_gen(kc, hs[0], hs[1]);
    if (g == 0) {
      g = ++w.nptr2(kc);
      new_gen(rs, ix, kc, hs[0], hs[1], g);
    }
    add(rs, 22, rec22(p, g, kc, kp), nadd);
  }
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
  zero_channel(rs, 20, 3 * nc * np + 1);
  zero_channel(rs, 21, static_cast<long>(p.mxnrlc) * nc);
  zero_channel(rs, 22, np * nc);
  zero_channel(rs, 23, nc);
  if (rs.names.aprog(8) == 'y') zero_channel(rs, 26, np * (p.mxnrlc + 3L) * nc);

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
  zero_channel(rs, 24, nc * (mx1 + 1));
  zero_channel(rs, 25, nc * (mx2 + 1));
  if (p.icount == 1) p.icount = 2;
}

}  // namespace tolm
