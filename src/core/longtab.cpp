#include "core/longtab.h"

#include <fmt/format.h>

#include <cerrno>
#include <charconv>

#include "core/constants.h"
#include "io/units.h"

namespace tolm {

namespace {

const char* const kHeader =
    "pass\tcombination\tloci\tkind\tdeme\tdeme_name\tother_deme\ttype\tmeasure\tvalue\tci_low\t"
    "ci_high\tdf\tp_value\tp_se\tmethod\n";

std::string int_cell(int v, int empty_at_or_below) {
  return v <= empty_at_or_below ? std::string() : std::to_string(v);
}

// Tabs and line ends cannot stand in a cell, and a double quote would open a quoted field for R
// and pandas; names never hold them, but a file might.
std::string text_cell(const std::string& s) {
  std::string t = s;
  for (char& c : t) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    if (c == '"') c = '\'';
  }
  return t;
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
  if (std::fputs(kHeader, f_) < 0) err_ = errno;
  return true;
}

void LongTable::add(const LongRow& r) {
  if (keep) rows.push_back(r);
  if (!f_) return;
  std::string l;
  l.reserve(128);
  l += int_cell(r.pass, 0) + '\t';
  l += int_cell(r.combination, 0) + '\t';
  l += text_cell(r.loci) + '\t';
  l += r.kind + '\t';
  l += int_cell(r.deme, 0) + '\t';
  l += text_cell(r.deme_name) + '\t';
  l += int_cell(r.other_deme, 0) + '\t';
  l += text_cell(r.type) + '\t';
  l += r.measure + '\t';
  l += long_cell(r.value) + '\t';
  l += long_cell(r.ci_low) + '\t';
  l += long_cell(r.ci_high) + '\t';
  l += int_cell(r.df, -1) + '\t';
  l += long_cell(r.p_value) + '\t';
  l += long_cell(r.p_se) + '\t';
  l += r.method + '\n';
  if (std::fwrite(l.data(), 1, l.size(), f_) != l.size() && err_ == 0) err_ = errno;
}

int LongTable::close() {
  if (!f_) return 0;
  if (std::fflush(f_) != 0 && err_ == 0) err_ = errno;
  if (std::fclose(f_) != 0 && err_ == 0) err_ = errno;
  f_ = nullptr;
  if (err_ == 0 && std::rename(tmp_.c_str(), path_.c_str()) != 0) err_ = errno;
  if (err_ != 0) std::remove(tmp_.c_str());
  io::temp_done(tmp_);
  return err_;
}

std::string long_cell(double v) {
  if (std::isnan(v) || v <= kMissingNA) return std::string();
  if (v == 0) return "0";
  return fmt::format("{}", v);
}

std::string long_cell(float v) {
  if (std::isnan(v) || v <= kMissingNA) return std::string();
  if (v == 0) return "0";
  return fmt::format("{}", v);
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
  const std::string t = fmt::format("{}", v);
  double d = static_cast<double>(v);
  std::from_chars(t.data(), t.data() + t.size(), d);
  return d;
}

}  // namespace tolm
