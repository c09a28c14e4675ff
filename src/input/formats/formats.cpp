#include "input/formats/formats.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace tolm {

const char* format_title(Format f) {
  switch (f) {
    case Format::tolm: return "TOLM";
    case Format::genepop: return "Genepop";
    case Format::fstat: return "FSTAT";
    case Format::genetix: return "Genetix";
    case Format::structure: return "STRUCTURE";
    case Format::genalex: return "GenAlEx";
    case Format::vcf: return "VCF";
    default: return "unknown";
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

Format detect_format(const std::string& path, std::string& why) {
  if (looks_like_tolm(path)) return Format::tolm;
  why = "not a TOLM input file";
  return Format::unknown;
}

bool convert_to_tolm(const std::string& in, Format f, const RunOptions&, const std::string&,
                     std::string& err, std::string&) {
  err = std::string(format_title(f)) + " files cannot be read yet: " + in;
  return false;
}

Prepared prepare_input(const std::string& file, const RunOptions& o, std::string& open_path,
                       std::string& title, std::string& err, std::string& notes) {
  open_path = file;
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
  std::string out = o.convert;
  if (out.empty()) {
    const char* dir = getenv("TMPDIR");
    std::string tmpl = std::string(dir && *dir ? dir : "/tmp") + "/tolm-input-XXXXXX";
    int fd = mkstemp(tmpl.data());
    if (fd < 0) {
      err = "cannot make a temporary file for the converted input";
      return Prepared::failed;
    }
    close(fd);
    out = tmpl;
  }
  if (!convert_to_tolm(file, f, o, out, err, notes)) {
    unlink(out.c_str());
    return Prepared::failed;
  }
  if (!o.convert.empty()) return Prepared::convert_only;
  open_path = out;
  return Prepared::converted;
}

}  // namespace tolm
