// The header of the input file after its first record: the locus names, the deme names and the
// read-format record, and the list of names on the console.
//
// Reads unit 10 from record 2 (the unit is rewound and record 1 passed over, so the position
// left by the start-up does not matter). Fills `locnam`, `prbnam`, `nlread` and `fcard` ("*" for
// free format). A header that ends early, an unreadable record or a read format that cannot be
// used stops the run with a message naming the record.
#include "input/namein.h"

#include <cctype>

#include "io/fixw.h"
#include "io/fmtspec.h"

namespace tolm {

using io::fi;

namespace {

// Status codes of the messages: a record that is not what it should be, and the end of the file.
constexpr int kBadRecord = 5010;
constexpr int kEndOfFile = -1;

std::string file_name(RunState& rs) {
  return io::trim(rs.u(ch::input).path());
}

[[noreturn]] void header_stop(RunState& rs, const std::string& text) {
  rs.con().line(" ** " + text + " Execution terminated **");
  press_return_stop(rs, 1);
}

// A header record the file system could not deliver: the message, then the record and what it
// should have held.
[[noreturn]] void read_failure(RunState& rs, int recno, int cause, const std::string& what) {
  rs.param.io = cause;
  rs.con().line(" ** Error reading record" + io::free_int(recno) +
                " of header, cause=" + io::free_int(cause));
  rs.con().line(" ** Input file \"" + file_name(rs) + "\", record " + std::to_string(recno) + ": " +
                what + " expected **");
  press_return_stop(rs, 1);
}

// The first `width` characters of a header record, TABs made blanks, left-adjusted.
std::string header_text(const std::string& rec, size_t width) {
  std::string s = rec.substr(0, width);
  for (char& c : s)
    if (c == '\t') c = ' ';
  return io::trim(io::ltrim(s));
}

// Reads header record `recno`; `what` says what the record should hold.
std::string header_record(RunState& rs, int recno, const std::string& what) {
  std::string rec;
  io::Rd r = rs.u(ch::input).read_line(rec);
  if (r == io::Rd::eof) {
    rs.param.io = kEndOfFile;
    header_stop(rs, "Input file \"" + file_name(rs) + "\" ends inside its header: record " +
                        std::to_string(recno) + " (" + what + ") is missing.");
  }
  if (r != io::Rd::ok) read_failure(rs, recno, kBadRecord, what);
  return rec;
}

// The leading integer of the read-format record: optionally signed digits after leading blanks,
// ended by a blank, a comma, "(" or the end of the text. False when there is none.
bool leading_count(const std::string& s, long& v) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  size_t d = i;
  long x = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
    if (x < 100000000L) x = x * 10 + (s[i] - '0');
    ++i;
  }
  if (i == d) return false;
  if (i < s.size() && s[i] != ' ' && s[i] != ',' && s[i] != '(') return false;
  v = neg ? -x : x;
  return true;
}

// The read-format record: "UNFORMATTED", or the number of allele pairs per data record followed
// by a format specification.
void read_format(RunState& rs, Work& w, int recno, std::string& fcard, int& nlread) {
  const std::string rec = header_record(rs, recno, "the read format of the data records");
  std::string s = header_text(rec, 70);
  std::string up = s.substr(0, 11);
  for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (up == "UNFORMATTED") {
    nlread = w.nnl;
    fcard = "*";
    return;
  }
  const std::string where =
      "Input file \"" + file_name(rs) + "\", record " + std::to_string(recno) + " (read format): ";
  long n = 0;
  if (!leading_count(s, n)) {
    rs.param.io = kBadRecord;
    header_stop(rs, where + "it must be \"UNFORMATTED\" or the number of allele pairs per " +
                        "data record followed by a format specification.");
  }
  const long most = w.nnl < 999 ? w.nnl : 999;
  if (n < 1 || n > most) {
    rs.param.io = kBadRecord;
    header_stop(rs, where + "the number of allele pairs per data record, " + std::to_string(n) +
                        ", must lie between 1 and " + std::to_string(most) + ".");
  }
  nlread = static_cast<int>(n);
  const std::string digits = io::ltrim(fi(nlread, 3));
  const size_t m = s.find(digits);
  fcard = io::ltrim(s.substr(m + digits.size()));
  // the count may be separated from the format by a comma, as in any free-format list
  if (!fcard.empty() && fcard[0] == ',') fcard = io::ltrim(fcard.substr(1));
  io::RecordFormat f;
  std::string why;
  if (!f.compile(fcard, why, 2L + 2L * nlread)) {
    rs.param.io = kBadRecord;
    header_stop(rs, where + "the format \"" + fcard + "\" cannot be used: " + why + ".");
  }
  rs.con().nl();
  rs.con().line(" No. loci=" + fi(nlread, 4) + ",  READ_format=" + fcard);
}

// The names as two columns, demes on the right, the shorter column aligned to the bottom.
void name_list(RunState& rs, Work& w) {
  const int L = w.nnl, P = w.nnp;
  const int rows = L > P ? L : P;
  rs.con().line(std::string(80, '.'));
  for (int i = 1; i <= rows; ++i) {
    const int k = i - (P > L ? P - L : 0);
    const int j = i - (L > P ? L - P : 0);
    std::string line =
        k >= 1 ? "Locus " + fi(k, 2) + ": " + io::fa(w.locnam(k), 12) : std::string(22, ' ');
    if (j >= 1) line += "     Deme" + fi(j, 3) + ": " + io::fa(w.prbnam(j), 40);
    rs.con().line(line);
  }
}

}  // namespace

void namein(RunState& rs, Work& w, std::string& fcard, int& nlread) {
  io::Unit& in = rs.u(ch::input);
  if (in.rewind()) {
    std::string first;
    in.read_line(first);
  }
  int recno = 1;
  for (int k = 1; k <= w.nnl; ++k) {
    ++recno;
    w.locnam(k) = header_text(header_record(rs, recno, "name of locus " + std::to_string(k)), 12);
  }
  for (int j = 1; j <= w.nnp; ++j) {
    ++recno;
    w.prbnam(j) = header_text(header_record(rs, recno, "name of deme " + std::to_string(j)), 40);
  }
  name_list(rs, w);
  read_format(rs, w, recno + 1, fcard, nlread);
}

}  // namespace tolm
