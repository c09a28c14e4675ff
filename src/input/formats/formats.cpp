#include "input/formats/formats.h"

#include <htslib/hfile.h>
#include <htslib/hts.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "input/formats/dataset.h"

namespace tolm {

using fmt_in::is_uint;
using fmt_in::split_on;
using fmt_in::split_ws;
using fmt_in::to_int;
using fmt_in::trim_ws;

const char* format_title(Format f) {
  switch (f) {
    case Format::tolm:
      return "TOLM";
    case Format::genepop:
      return "Genepop";
    case Format::fstat:
      return "FSTAT";
    case Format::genetix:
      return "Genetix";
    case Format::structure:
      return "STRUCTURE";
    case Format::genalex:
      return "GenAlEx";
    case Format::vcf:
      return "VCF";
    default:
      return "unknown";
  }
}

Format format_from_name(const std::string& n) {
  if (n == "tolm") return Format::tolm;
  if (n == "genepop") return Format::genepop;
  if (n == "fstat") return Format::fstat;
  if (n == "genetix") return Format::genetix;
  if (n == "structure") return Format::structure;
  if (n == "genalex") return Format::genalex;
  if (n == "vcf") return Format::vcf;
  return Format::unknown;
}

bool looks_like_tolm(const std::string& path) {
  std::ifstream f(path);
  std::string l;
  if (!f || !std::getline(f, l)) return false;
  std::istringstream s(l);
  long np = 0, nl = 0;
  if (!(s >> np >> nl) || np < 1 || nl < 1) return false;
  for (long i = 0; i < np + nl + 1; ++i)
    if (!std::getline(f, l)) return false;
  return true;
}

namespace {

// 1. content tests, each true only when the file can be nothing else

bool is_hts_variant_file(const std::string& path) {
  hFILE* h = hopen(path.c_str(), "r");
  if (!h) return false;
  htsFormat fm;
  bool yes = hts_detect_format(h, &fm) == 0 && (fm.format == vcf || fm.format == bcf);
  hclose_abruptly(h);
  return yes;
}

std::vector<std::string> first_lines(const std::string& path, size_t n) {
  std::ifstream f(path, std::ios::binary);
  std::vector<std::string> v;
  std::string l;
  while (v.size() < n && std::getline(f, l)) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    v.push_back(l);
  }
  return v;
}

long int_field(const std::vector<std::string>& t, size_t i) {
  long v = 0;
  return i < t.size() && to_int(t[i], v) ? v : -1;
}

// Record 1 with the numbers of demes and loci and, after the names, a read-format record.
bool strict_tolm(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::string l;
  if (!std::getline(f, l)) return false;
  std::vector<std::string> t = split_ws(l);
  for (auto& s : t) s = s.substr(0, s.find(','));
  long np = int_field(t, 0), nl = int_field(t, 1);
  if (np < 1 || nl < 1 || np + nl > 10000000) return false;
  for (long i = 0; i < np + nl; ++i)
    if (!std::getline(f, l)) return false;
  if (!std::getline(f, l)) return false;
  std::string u = trim_ws(l);
  std::string head = u.substr(0, 11);
  std::transform(head.begin(), head.end(), head.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  if (head == "UNFORMATTED") return true;
  size_t e = u.find_first_not_of("0123456789");  // a count of pairs, then "(" and the format
  return e > 0 && e != std::string::npos && trim_ws(u.substr(e))[0] == '(';
}

bool is_fstat(const std::string& path) {
  std::vector<std::string> h =
      split_ws(first_lines(path, 1).empty() ? "" : first_lines(path, 1)[0]);
  if (h.size() != 4) return false;
  long nl = int_field(h, 1), dig = int_field(h, 3);
  if (int_field(h, 0) < 1 || nl < 1 || nl > 100000 || int_field(h, 2) < 1 || dig < 1 || dig > 3)
    return false;
  std::vector<std::string> v = first_lines(path, static_cast<size_t>(nl) + 2);
  if (v.size() < static_cast<size_t>(nl) + 2) return false;
  std::vector<std::string> t = split_ws(v.back());
  if (t.size() != static_cast<size_t>(nl) + 1) return false;
  return std::all_of(t.begin(), t.end(), is_uint);
}

bool is_genetix(const std::vector<std::string>& v) {
  if (v.size() < 4) return false;
  if (int_field(split_ws(v[0]), 0) < 1 || int_field(split_ws(v[1]), 0) < 1) return false;
  std::vector<std::string> a = split_ws(v[3]);
  long n = int_field(a, 0);
  return n >= 0 && a.size() == static_cast<size_t>(n) + 1 &&
         std::all_of(a.begin(), a.end(), is_uint) && int_field(split_ws(v[2]), 0) < 0;
}

bool is_genalex(const std::vector<std::string>& v) {
  if (v.size() < 3) return false;
  char sep = v[0].find(',') != std::string::npos    ? ','
             : v[0].find(';') != std::string::npos  ? ';'
             : v[0].find('\t') != std::string::npos ? '\t'
                                                    : 0;
  if (!sep) return false;
  std::vector<std::string> t = split_on(v[0], sep);
  long np = int_field(t, 2);
  if (int_field(t, 0) < 1 || int_field(t, 1) < 1 || np < 1 ||
      t.size() < 3 + static_cast<size_t>(np))
    return false;
  return split_on(v[2], sep).size() >= 4;
}

bool is_genepop(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::string l;
  long n = 0;
  bool pop = false;
  while (std::getline(f, l)) {
    std::string t = trim_ws(l);
    if (++n == 1 || t.empty()) continue;
    if (pop) return t.find(',') != std::string::npos;
    std::string w = t.substr(0, 4);
    std::transform(w.begin(), w.end(), w.begin(), [](unsigned char c) { return std::tolower(c); });
    pop = n > 2 && w.substr(0, 3) == "pop" &&
          (w.size() == 3 || !std::isalnum(static_cast<unsigned char>(w[3])));
  }
  return false;
}

bool ends_with(const std::string& s, const std::string& e) {
  if (s.size() < e.size()) return false;
  return std::equal(e.rbegin(), e.rend(), s.rbegin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

Format by_extension(const std::string& p) {
  if (ends_with(p, ".vcf") || ends_with(p, ".vcf.gz") || ends_with(p, ".vcf.bgz") ||
      ends_with(p, ".bcf"))
    return Format::vcf;
  if (ends_with(p, ".gen") || ends_with(p, ".genepop")) return Format::genepop;
  if (ends_with(p, ".gtx")) return Format::genetix;
  if (ends_with(p, ".str") || ends_with(p, ".stru")) return Format::structure;
  if (ends_with(p, ".csv")) return Format::genalex;
  return Format::unknown;
}

}  // namespace

Format detect_format(const std::string& path, std::string& why) {
  {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
      why = "the file cannot be opened";
      return Format::unknown;
    }
    if (f.peek() == std::char_traits<char>::eof()) {
      why = "the file is empty";
      return by_extension(path);
    }
  }
  if (is_hts_variant_file(path)) return Format::vcf;
  if (is_fstat(path)) return Format::fstat;
  if (strict_tolm(path)) return Format::tolm;
  std::vector<std::string> v = first_lines(path, 4);
  if (is_genetix(v)) return Format::genetix;
  if (is_genalex(v)) return Format::genalex;
  if (is_genepop(path)) return Format::genepop;
  Format e = by_extension(path);
  if (e != Format::unknown) return e;
  if (looks_like_tolm(path)) return Format::tolm;
  why = "neither the content nor the name tell one of the formats TOLM reads";
  return Format::unknown;
}

namespace {

// The data set of the file `in`, read and checked; throws `BadInput` (or std::bad_alloc).
fmt_in::Dataset read_checked(const std::string& in, Format f, const RunOptions& o) {
  fmt_in::Where w{format_title(f), in};
  fmt_in::Dataset d;
  switch (f) {
    case Format::genepop:
      d = fmt_in::read_genepop(in);
      break;
    case Format::fstat:
      d = fmt_in::read_fstat(in);
      break;
    case Format::genetix:
      d = fmt_in::read_genetix(in);
      break;
    case Format::structure:
      d = fmt_in::read_structure(in, o);
      break;
    case Format::genalex:
      d = fmt_in::read_genalex(in);
      break;
    case Format::vcf:
      d = fmt_in::read_vcf(in, o);
      break;
    default:
      w.fail("no reader for this format");
  }
  if (!o.popmap.empty() && f != Format::vcf && f != Format::structure)
    d.notes.push_back(
        "-popmap= is used for VCF and STRUCTURE files only: the demes of the file are kept");
  fmt_in::check_dataset(d, w);
  return d;
}

std::string no_memory(Format f, const std::string& in) {
  return std::string(format_title(f)) + " file \"" + in + "\": not enough memory to read it";
}

}  // namespace

bool convert_to_tolm(const std::string& in, Format f, const RunOptions& o, const std::string& out,
                     std::string& err, std::string& notes) {
  bool writing = false;
  try {
    fmt_in::Dataset d = read_checked(in, f, o);
    writing = true;
    fmt_in::write_tolm(d, out);
    for (const auto& n : d.notes) notes += " " + n + "\n";
    return true;
  } catch (const fmt_in::BadInput& e) {
    err = e.what();
  } catch (const std::bad_alloc&) {
    err = no_memory(f, in);
  }
  if (writing) unlink(out.c_str());  // a file begun before the failure is no TOLM file
  return false;
}

std::shared_ptr<const io::LineSource> convert_in_memory(const std::string& in, Format f,
                                                        const RunOptions& o, std::string& err,
                                                        std::string& notes) {
  try {
    fmt_in::Dataset d = read_checked(in, f, o);
    std::string said;
    for (const auto& n : d.notes) said += " " + n + "\n";
    auto held = fmt_in::held_tolm(std::move(d));
    notes += said;
    return held;
  } catch (const fmt_in::BadInput& e) {
    err = e.what();
  } catch (const std::bad_alloc&) {
    err = no_memory(f, in);
  }
  return nullptr;
}

Prepared prepare_input(const std::string& file, const RunOptions& o, std::string& title,
                       std::string& err, std::string& notes,
                       std::shared_ptr<const io::LineSource>& held) {
  title.clear();
  Format f = Format::unknown;
  if (!o.format.empty()) {
    f = format_from_name(o.format);
  } else {
    std::string why;
    f = detect_format(file, why);
    if (f == Format::unknown) f = Format::tolm;  // TOLM's reader names what is wrong
  }
  if (f == Format::tolm) {
    if (o.convert.empty()) return Prepared::tolm;
    err = "the input file is already a TOLM input file: nothing to convert";
    return Prepared::failed;
  }
  title = format_title(f);
  if (o.convert.empty()) {
    held = convert_in_memory(file, f, o, err, notes);
    return held ? Prepared::held : Prepared::failed;
  }
  return convert_to_tolm(file, f, o, o.convert, err, notes) ? Prepared::convert_only
                                                             : Prepared::failed;
}

}  // namespace tolm
