#include "core/longtab.h"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "core/constants.h"
#include "io/units.h"

namespace tolm {

namespace {

const char* const kHeader =
    "pass\tcombination\tloci\tkind\tdeme\tdeme_name\tother_deme\ttype\tmeasure\tvalue\tci_low\t"
    "ci_high\tdf\tp_value\tp_se\tmethod\n";

// The cells of a row, written at p; each returns the end of what it wrote.
char* int_to(char* p, int v, int empty_at_or_below) {
  if (v <= empty_at_or_below) return p;
  return std::to_chars(p, p + 16, v).ptr;
}

// Tabs and line ends cannot stand in a cell, and a double quote would open a quoted field for R
// and pandas; names never hold them, but a file might.
char safe_char(char c) {
  if (c == '\t' || c == '\n' || c == '\r') return ' ';
  return c == '"' ? '\'' : c;
}
char* text_to(char* p, const std::string& s) {
  for (char c : s) *p++ = safe_char(c);
  return p;
}

// The shortest form that reads back to the same value; "" for NaN and the missing-value marker.
template <class T>
char* number_to(char* b, T v) {
  if (std::isnan(v) || v <= kMissingNA) return b;
  if (v == 0) {
    *b = '0';
    return b + 1;
  }
  return fmt::format_to(b, FMT_COMPILE("{}"), v);
}

}  // namespace

// A table left open (an error stop) never takes its name: a cut file would look complete.
LongTable::~LongTable() {
  if (!f_) return;
  std::fclose(f_);
  std::remove(tmp_.c_str());
  io::temp_done(tmp_);
}

bool LongTable::open(const std::string& path, int& err) {
  if (f_) close();
  rows.clear();
  // Written under a temporary name beside `path`, renamed when complete.
  tmp_ = io::open_temp_beside(path, f_);
  if (!f_) {
    err = errno ? errno : EIO;
    return false;
  }
  path_ = path;
  err_ = 0;
  line_.clear();
  line_.reserve(kBlock + 4096);
  if (std::fputs(kHeader, f_) < 0) err_ = errno;
  return true;
}

void LongTable::add(const LongRow& r) {
  if (keep) rows.push_back(r);
  if (!is_open()) return;
  // Rows gather in `line_` and reach the file in blocks; a row is written straight into room
  // made for its longest form (five numbers of at most 40 characters, four integers of at
  // most 16, the names and 16 separators).
  const size_t most = r.loci.size() + r.kind.size() + r.deme_name.size() + r.type.size() +
                      r.measure.size() + r.method.size() + 5 * 40 + 4 * 16 + 16;
  const size_t at = line_.size();
  line_.resize(at + most);
  char* const b = line_.data() + at;
  char* p = b;
  p = int_to(p, r.pass, 0);
  *p++ = '\t';
  p = int_to(p, r.combination, 0);
  *p++ = '\t';
  p = text_to(p, r.loci);
  *p++ = '\t';
  p = std::copy(r.kind.begin(), r.kind.end(), p);
  *p++ = '\t';
  p = int_to(p, r.deme, 0);
  *p++ = '\t';
  p = text_to(p, r.deme_name);
  *p++ = '\t';
  p = int_to(p, r.other_deme, 0);
  *p++ = '\t';
  p = text_to(p, r.type);
  *p++ = '\t';
  p = std::copy(r.measure.begin(), r.measure.end(), p);
  *p++ = '\t';
  p = number_to(p, r.value);
  *p++ = '\t';
  p = number_to(p, r.ci_low);
  *p++ = '\t';
  p = number_to(p, r.ci_high);
  *p++ = '\t';
  p = int_to(p, r.df, -1);
  *p++ = '\t';
  p = number_to(p, r.p_value);
  *p++ = '\t';
  p = number_to(p, r.p_se);
  *p++ = '\t';
  p = std::copy(r.method.begin(), r.method.end(), p);
  *p++ = '\n';
  line_.resize(at + static_cast<size_t>(p - b));
  if (f_ && line_.size() >= kBlock) flush_rows();
}

void LongTable::capture() {
  capture_ = true;
  line_.clear();
}

std::string LongTable::take_captured() {
  std::string s;
  s.swap(line_);
  line_.reserve(s.size());  // the next share is most often about as long
  return s;
}

void LongTable::put_rows(std::string_view text) {
  if (!f_) return;
  if (text.size() < kBlock) {
    line_ += text;
    if (line_.size() >= kBlock) flush_rows();
    return;
  }
  flush_rows();  // a large block is written as it stands
  if (std::fwrite(text.data(), 1, text.size(), f_) != text.size() && err_ == 0) err_ = errno;
}

void LongTable::flush_rows() {
  if (!line_.empty() && std::fwrite(line_.data(), 1, line_.size(), f_) != line_.size() && err_ == 0)
    err_ = errno;
  line_.clear();
}

int LongTable::close() {
  capture_ = false;
  if (!f_) return 0;
  flush_rows();
  if (std::fflush(f_) != 0 && err_ == 0) err_ = errno;
  if (std::fclose(f_) != 0 && err_ == 0) err_ = errno;
  f_ = nullptr;
  if (err_ == 0 && std::rename(tmp_.c_str(), path_.c_str()) != 0) err_ = errno;
  if (err_ != 0) std::remove(tmp_.c_str());
  io::temp_done(tmp_);
  return err_;
}

std::string long_cell(double v) {
  char b[40];
  return std::string(b, number_to(b, v));
}

std::string long_cell(float v) {
  char b[40];
  return std::string(b, number_to(b, v));
}

const char* long_kind(int mal) {
  switch (mal) {
    case 1:
      return "maternal";
    case 2:
      return "paternal";
    case 3:
      return "alleles";
    case 4:
      return "genotypes";
    default:
      return "";
  }
}

double long_float(float v) {
  if (std::isnan(v) || v <= kMissingNA) return static_cast<double>(v);
  // read back as a double, independent of any locale the window layer may set
  char t[40];
  const char* e = fmt::format_to(t, FMT_COMPILE("{}"), v);
  double d = static_cast<double>(v);
  std::from_chars(t, e, d);
  return d;
}

}  // namespace tolm
