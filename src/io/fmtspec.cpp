#include "io/fmtspec.h"

#include <climits>

namespace tolm::io {

namespace {

// Bounds that keep a hostile specification from making a read run for ever: a part that reads
// no number may not execute more steps than this, and groups may not nest deeper.
constexpr long kMaxIdle = 10000;
constexpr int kMaxDepth = 64;
constexpr long kBig = 1000000000L;  // saturation of counts and numbers

long sat_mul(long a, long b) {
  return a != 0 && b > kBig / a ? kBig : a * b;
}
long sat_add(long a, long b) {
  return a + b > kBig ? kBig : a + b;
}

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

class FormatParser {
 public:
  FormatParser(std::string_view spec, RecordFormat& f, std::string& why) : f_(f), why_(why) {
    for (size_t i = 0; i < spec.size(); ++i) {
      char c = spec[i];
      if (is_blank(c) || c == '\r' || c == '\n') continue;
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      toks_.push_back({c, static_cast<int>(i + 1)});
    }
  }

  bool run(long need) {
    f_.steps_.clear();
    f_.revert_ = 0;
    f_.revert_reads_ = false;
    f_.fields_ = 0;
    if (toks_.empty()) return fail("the format specification is empty");
    if (peek() != '(') return fail("a format specification must begin with \"(\"");
    ++at_;
    Info info;
    int last_group = -1;
    if (!list(info, 0, &last_group)) return false;
    if (!info.has_int) return fail("the format specification holds no integer field (I)");
    f_.fields_ = info.fields;
    f_.revert_ = last_group < 0 ? 0 : last_group;
    for (size_t i = static_cast<size_t>(f_.revert_); i < f_.steps_.size(); ++i)
      if (f_.steps_[i].op == RecordFormat::Op::integer) f_.revert_reads_ = true;
    if (need > f_.fields_ && !f_.revert_reads_)
      return fail("the format specification has " + std::to_string(f_.fields_) +
                  " integer fields for the " + std::to_string(need) +
                  " numbers of a record, and its last group, which would be read again for "
                  "the others, holds no integer field");
    return true;
  }

 private:
  struct Tok {
    char c;
    int col;
  };
  struct Info {
    long idle = 0;  // steps of one pass that are not bounded by the numbers read
    bool has_int = false;
    long fields = 0;
  };
  using Op = RecordFormat::Op;
  using Step = RecordFormat::Step;

  char peek() const { return at_ < toks_.size() ? toks_[at_].c : '\0'; }
  int col() const {
    if (at_ < toks_.size()) return toks_[at_].col;
    return toks_.empty() ? 1 : toks_.back().col + 1;
  }
  bool digit() const { return peek() >= '0' && peek() <= '9'; }
  bool fail(const std::string& msg) {
    why_ = msg;
    return false;
  }
  std::string at_col(int c) const { return " at column " + std::to_string(c); }

  long number() {
    long v = 0;
    while (digit()) {
      v = sat_add(sat_mul(v, 10), peek() - '0');
      ++at_;
    }
    return v;
  }
  int emit(Op op, long v) {
    f_.steps_.push_back({op, v, -1});
    return static_cast<int>(f_.steps_.size()) - 1;
  }
  bool add_idle(Info& info, long n, int c) {
    info.idle = sat_add(info.idle, n);
    if (info.idle > kMaxIdle)
      return fail(
          "the format specification moves over too many columns or lines without "
          "reading a number (near column " +
          std::to_string(c) + ")");
    return true;
  }
  // Wraps the steps from `first` on into a group repeated `reps` times.
  void wrap(int first, long reps) {
    Step s{Op::begin, reps, -1};
    f_.steps_.insert(f_.steps_.begin() + first, s);
    int b = first;
    int e = emit(Op::end, 0);
    f_.steps_[static_cast<size_t>(b)].match = e;
    f_.steps_[static_cast<size_t>(e)].match = b;
    // groups inside were shifted by one
    for (int i = b + 1; i < e; ++i) {
      auto& st = f_.steps_[static_cast<size_t>(i)];
      if (st.op == Op::begin || st.op == Op::end) ++st.match;
    }
  }
  // The items of a group up to and including its ")"; the "(" has been taken.
  bool list(Info& info, int depth, int* last_group) {
    if (depth > kMaxDepth) return fail("the groups of the format specification nest too deeply");
    enum { start, after_item, after_comma, after_slash } st = start;
    for (;;) {
      char c = peek();
      if (c == '\0') return fail("the closing \")\" of the format specification is missing");
      if (c == ')') {
        if (st == after_comma) return fail("an item is missing before the \")\"" + at_col(col()));
        ++at_;
        return true;
      }
      if (c == ',') {
        if (st == start || st == after_comma)
          return fail("an item is missing before the comma" + at_col(col()));
        ++at_;
        st = after_comma;
        continue;
      }
      if (st == after_item && c != '/') return fail("a comma is missing" + at_col(col()));
      bool slash = false;
      if (!item(info, depth, last_group, slash)) return false;
      st = slash ? after_slash : after_item;
    }
  }

  bool item(Info& info, int depth, int* last_group, bool& slash) {
    const int c0 = col();
    long r = -1;
    if (digit()) {
      r = number();
      if (r == 0) return fail("a repeat count of 0" + at_col(c0));
    }
    const long reps = r < 0 ? 1 : r;
    const int cd = col();
    if (r >= 0 && (peek() == '\0' || peek() == ')' || peek() == ','))
      return fail("a repeat count" + at_col(c0) + " stands before nothing");
    switch (peek()) {
      case 'I': {
        ++at_;
        if (!digit()) return fail("the width of the integer field" + at_col(cd) + " is missing");
        long w = number();
        if (w == 0) return fail("an integer field of width 0" + at_col(cd));
        if (peek() == '.') {
          ++at_;
          if (!digit()) return fail("a digit count is missing after \".\"" + at_col(col()));
          number();
        }
        int first = static_cast<int>(f_.steps_.size());
        emit(Op::integer, w);
        if (reps > 1) wrap(first, reps);
        info.has_int = true;
        info.fields = sat_add(info.fields, reps);
        return add_idle(info, 1, c0);
      }
      case 'X':
        ++at_;
        emit(Op::right, reps);
        return add_idle(info, 1, c0);
      case 'T': {
        if (r >= 0) return fail("a repeat count cannot stand before a tab" + at_col(cd));
        ++at_;
        Op op = Op::tab;
        if (peek() == 'L' || peek() == 'R') {
          op = peek() == 'L' ? Op::left : Op::right;
          ++at_;
        }
        if (!digit()) return fail("the column or count of the tab" + at_col(cd) + " is missing");
        long v = number();
        if (v == 0)
          return fail(std::string(op == Op::tab ? "column" : "count") + " 0 of the tab" +
                      at_col(cd));
        emit(op, v);
        return add_idle(info, 1, c0);
      }
      case '/': {
        ++at_;
        int first = static_cast<int>(f_.steps_.size());
        emit(Op::slash, 0);
        if (reps > 1) wrap(first, reps);
        slash = true;
        return add_idle(info, reps, c0);
      }
      case '(': {
        ++at_;
        int first = static_cast<int>(f_.steps_.size());
        Info sub;
        if (!list(sub, depth + 1, nullptr)) return false;
        wrap(first, reps);
        if (last_group) *last_group = first;
        info.has_int = info.has_int || sub.has_int;
        info.fields = sat_add(info.fields, sat_mul(reps, sub.fields));
        // A group that reads numbers runs at most once per number read; one that reads none
        // runs all its repeats.
        return add_idle(info, sub.has_int ? sub.idle : sat_mul(reps, sub.idle), c0);
      }
      default:
        return fail(std::string("\"") + peek() + "\"" + at_col(cd) +
                    " is not a field descriptor (I, X, T, TL, TR, \"/\" or a group)");
    }
  }

  RecordFormat& f_;
  std::string& why_;
  std::vector<Tok> toks_;
  size_t at_ = 0;
};

bool RecordFormat::compile(std::string_view spec, std::string& why, long need) {
  FormatParser p(spec, *this, why);
  if (p.run(need)) return true;
  steps_.clear();
  fields_ = 0;
  return false;
}

namespace {

// An integer field: blanks ignored, all blank reads 0.
bool int_field(std::string_view rec, long col, long w, int& out) {
  long v = 0;
  bool neg = false, sign = false, digits = false;
  // Columns beyond the end of the line are blank and change nothing, so a field as wide as a
  // specification may make it is read in the time the line itself takes.
  const long rest = static_cast<long>(rec.size()) - (col - 1);
  const long end = w < rest ? w : rest;
  for (long k = 0; k < end; ++k) {
    char c = rec[static_cast<size_t>(col - 1 + k)];
    if (is_blank(c)) continue;
    if ((c == '+' || c == '-') && !sign && !digits) {
      sign = true;
      neg = c == '-';
      continue;
    }
    if (c < '0' || c > '9') return false;
    digits = true;
    v = v * 10 + (c - '0');
    if (v > 2147483648L) return false;
  }
  if (sign && !digits) return false;
  v = neg ? -v : v;
  if (v > INT_MAX || v < INT_MIN) return false;
  out = static_cast<int>(v);
  return true;
}

// The columns of a field as the record holds them, for a message.
std::string field_text(std::string_view rec, long col, long w) {
  if (col - 1 >= static_cast<long>(rec.size())) return std::string();
  std::string t(rec.substr(static_cast<size_t>(col - 1), static_cast<size_t>(w)));
  while (!t.empty() && is_blank(t.back())) t.pop_back();
  size_t b = 0;
  while (b < t.size() && is_blank(t[b])) ++b;
  return t.substr(b);
}

}  // namespace

Rd RecordFormat::read(std::string_view first, Unit* more, int* out, int n, int* lines,
                      ReadFault* fault) const {
  if (lines) *lines = 0;
  if (steps_.empty()) return Rd::error;
  std::string held;  // a further line of the record
  std::string_view rec = first;
  long col = 1;
  int got = 0;
  int taken = 0;
  auto next_line = [&]() -> Rd {
    if (!more) return Rd::eof;
    Rd r = more->read_line(held);
    if (r != Rd::ok) return r;
    ++taken;
    if (lines) *lines = taken;
    rec = held;
    col = 1;
    return Rd::ok;
  };
  std::vector<long> left;  // repeats still to run of the open groups
  size_t pc = 0;
  for (;;) {
    if (pc == steps_.size()) {
      if (got >= n) return Rd::ok;
      if (!revert_reads_) return Rd::error;
      Rd r = next_line();
      if (r != Rd::ok) return r;
      pc = static_cast<size_t>(revert_);
      left.clear();
      continue;
    }
    const Step& s = steps_[pc];
    switch (s.op) {
      case Op::integer:
        if (got >= n) return Rd::ok;
        if (!int_field(rec, col, s.v, out[got])) {
          if (fault) {
            fault->field = got + 1;
            fault->text = field_text(rec, col, s.v);
            fault->why = "is not an integer";
            const std::string& t = fault->text;
            bool digits = t.size() > 1 || (!t.empty() && t[0] != '-' && t[0] != '+');
            for (size_t k = !t.empty() && (t[0] == '-' || t[0] == '+') ? 1 : 0; k < t.size(); ++k)
              digits = digits && ((t[k] >= '0' && t[k] <= '9') || is_blank(t[k]));
            if (digits) fault->why = "does not fit in 32 bits";
          }
          return Rd::error;
        }
        ++got;
        col += s.v;
        break;
      case Op::right:
        col += s.v;
        break;
      case Op::left:
        col = col - s.v < 1 ? 1 : col - s.v;
        break;
      case Op::tab:
        col = s.v;
        break;
      case Op::slash: {
        Rd r = next_line();
        if (r != Rd::ok) return r;
        break;
      }
      case Op::begin:
        left.push_back(s.v);
        break;
      case Op::end:
        if (--left.back() > 0) {
          pc = static_cast<size_t>(s.match) + 1;
          continue;
        }
        left.pop_back();
        break;
    }
    ++pc;
  }
}

}  // namespace tolm::io
