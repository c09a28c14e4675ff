// VCF and BCF files (plain, bgzipped, indexed or not), read through htslib: every site is a locus
// named by its ID (or CHROM:POS), every sample an individual; the diploid GT of each sample gives
// its genotype, the allele numbers being the allele index + 1 (REF = 1), multi-allelic sites
// kept, "." missing. Phase is not gametic sex: a phased genotype is taken unordered like any
// other. Demes from -popmap=; -region= / -regions-file= and -samples= restrict the sites and
// samples read. In a text file read whole, the sample columns of a site whose FORMAT is GT alone
// and whose genotypes are all plain ("0/1", "1|0", "./.") are read here, the rest of its line by
// htslib; any other site is read wholly by htslib, so both give the same genotypes and messages.
#include <htslib/synced_bcf_reader.h>
#include <htslib/vcf.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <thread>

#include "input/formats/dataset.h"

namespace tolm::fmt_in {

namespace {

struct SrFree {
  void operator()(bcf_srs_t* s) const { bcf_sr_destroy(s); }
};

std::string site_name(const bcf_hdr_t* h, bcf1_t* rec) {
  if (rec->d.id && std::string(rec->d.id) != ".") return rec->d.id;
  return std::string(bcf_seqname_safe(h, rec)) + ":" + std::to_string(rec->pos + 1);
}

// The start of the ninth column (FORMAT) of a record's line, null when the line has fewer.
const char* eight_columns(const char* p, const char* end) {
  for (int k = 0; k < 8; ++k) {
    p = static_cast<const char*>(std::memchr(p, '\t', static_cast<size_t>(end - p)));
    if (!p) return nullptr;
    ++p;
  }
  return p;
}

// One allele of a GT at `p`: "." (code 0) or the allele index (code index + 1); false for
// anything else.
inline bool gt_allele(const char*& p, const char* end, uint16_t& code, int& maxa) {
  if (p == end) return false;
  if (*p == '.') {
    ++p;
    code = 0;
    return true;
  }
  int a = 0, n = 0;
  while (p != end && *p >= '0' && *p <= '9' && n < 6) {
    a = a * 10 + (*p++ - '0');
    ++n;
  }
  if (n == 0 || n == 6 || a >= 65535) return false;
  maxa = std::max(maxa, a);
  code = static_cast<uint16_t>(a + 1);
  return true;
}

// The code of a one-character allele ("." 0, a digit its index + 1), -1 for another character.
inline int one_digit_code(char c) {
  if (c == '.') return 0;
  return c >= '0' && c <= '9' ? c - '0' + 1 : -1;
}

// The genotypes of a record from the text of its FORMAT and sample columns (`p` to `end`), into
// `codes` (two per sample kept, at its `slot`), when FORMAT is GT alone and every sample column
// is a plain diploid GT ("a/b" or "a|b", a and b allele indices or "."), one column per sample of
// the header; `maxa` is the highest allele index found (the caller refuses the codes
// when it is not one of the record's alleles: a code may then not fit `Code`). False for anything
// else: htslib then reads the record and says what is wrong with it.
template <typename Code>
bool direct_gt(const char* p, const char* end, const std::vector<int>& slot, Code* codes,
               int& maxa) {
  if (end - p < 3 || p[0] != 'G' || p[1] != 'T' || p[2] != '\t') return false;
  p += 2;  // the TAB after FORMAT
  const size_t ns = slot.size();
  size_t s = 0;
  // Most lines hold nothing but one-character genotypes: four bytes per column with its TAB,
  // read here without looking for the column's end. The first column that is not of that form
  // and every one after it are read below.
  if (static_cast<size_t>(end - p) == 4 * ns) {
    static const auto code_of = [] {
      std::array<int8_t, 256> t{};
      for (int c = 0; c < 256; ++c)
        t[static_cast<size_t>(c)] = static_cast<int8_t>(one_digit_code(static_cast<char>(c)));
      return t;
    }();
    unsigned seen = 0;  // bit c: code c found
    for (; s < ns; ++s, p += 4) {
      const int x = code_of[static_cast<uint8_t>(p[1])], y = code_of[static_cast<uint8_t>(p[3])];
      if (p[0] != '\t' || (p[2] != '/' && p[2] != '|') || (x | y) < 0) break;
      seen |= 1u << x | 1u << y;
      if (slot[s] >= 0) {
        codes[2 * static_cast<size_t>(slot[s])] = static_cast<Code>(x);
        codes[2 * static_cast<size_t>(slot[s]) + 1] = static_cast<Code>(y);
      }
    }
    if (seen != 0) maxa = std::max(maxa, 30 - __builtin_clz(seen));  // highest code - 1
    if (s == ns) return true;
  }
  for (; s < ns; ++s) {
    ++p;  // the TAB before the column
    // most columns: "a/b" or "a|b" of one-digit indices or "." and nothing more
    const ptrdiff_t left = end - p;
    if (left >= 3 && (p[1] == '/' || p[1] == '|') &&
        (left == 3 ? s + 1 == ns : p[3] == '\t' && s + 1 < ns)) {
      const int x = one_digit_code(p[0]), y = one_digit_code(p[2]);
      if (x >= 0 && y >= 0) {
        maxa = std::max(maxa, std::max(x, y) - 1);
        if (slot[s] >= 0) {
          codes[2 * static_cast<size_t>(slot[s])] = static_cast<Code>(x);
          codes[2 * static_cast<size_t>(slot[s]) + 1] = static_cast<Code>(y);
        }
        p += 3;
        continue;
      }
    }
    uint16_t a = 0, b = 0;
    if (!gt_allele(p, end, a, maxa) || p == end || (*p != '/' && *p != '|')) return false;
    ++p;
    if (!gt_allele(p, end, b, maxa)) return false;
    if (p != end && *p != '\t') return false;
    if ((p == end) != (s + 1 == ns)) return false;  // one column per sample
    if (slot[s] >= 0) {
      codes[2 * static_cast<size_t>(slot[s])] = static_cast<Code>(a);
      codes[2 * static_cast<size_t>(slot[s]) + 1] = static_cast<Code>(b);
    }
  }
  return true;
}

}  // namespace

Dataset read_vcf(const std::string& path, const RunOptions& o) {
  Where w{"VCF", path};
  Dataset d;

  {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) w.fail("cannot be opened");
    if (probe.peek() == std::char_traits<char>::eof())
      w.fail("the file is empty (a VCF header and one line per site expected)");
  }

  // htslib's own messages would only repeat the one this reader gives
  struct Quiet {
    enum htsLogLevel was = hts_get_log_level();
    Quiet() { hts_set_log_level(HTS_LOG_OFF); }
    ~Quiet() { hts_set_log_level(was); }
  } quiet;

  // 1. open, with the regions and samples asked for
  std::unique_ptr<bcf_srs_t, SrFree> sr(bcf_sr_init());
  if (!o.regions.empty()) {
    std::string list, file;
    for (const auto& g : o.regions) {
      if (!g.empty() && g[0] == '@') {
        if (!file.empty() || !list.empty())
          w.fail("give either -region= (one or more) or one -regions-file=, not both");
        file = g.substr(1);
      } else {
        if (!file.empty())
          w.fail("give either -region= (one or more) or one -regions-file=, not both");
        list += (list.empty() ? "" : ",") + g;
      }
    }
    bcf_sr_set_opt(sr.get(), BCF_SR_REQUIRE_IDX);
    // A record belongs to the region of its position only, so that adjacent regions (the shards
    // of one file) never share a record that reaches across their boundary.
    bcf_sr_set_opt(sr.get(), BCF_SR_REGIONS_OVERLAP, 0);
    if (bcf_sr_set_regions(sr.get(), file.empty() ? list.c_str() : file.c_str(), !file.empty()) < 0)
      w.fail("the regions \"" + (file.empty() ? list : file) + "\" cannot be read");
  }
  // a second thread decompresses bgzipped and BCF files while this one parses
  if (std::thread::hardware_concurrency() > 1 && o.threads != 1) bcf_sr_set_threads(sr.get(), 1);
  if (!bcf_sr_add_reader(sr.get(), path.c_str()))
    w.fail(std::string("cannot be read (") + bcf_sr_strerror(sr->errnum) + ")");
  bcf_hdr_t* hdr = bcf_sr_get_header(sr.get(), 0);
  const int nsmpl = bcf_hdr_nsamples(hdr);
  if (nsmpl < 1) w.fail("the file has no samples (no genotype columns)");
  const bool text = hts_get_format(sr->readers[0].file)->format == vcf && o.regions.empty();
  long header_lines = 0;  // lines of a text file before its first site, for messages
  if (text) {
    htsFile* f = hts_open(path.c_str(), "r");
    kstring_t ks = {0, 0, nullptr};
    while (f && hts_getline(f, '\n', &ks) >= 0 && ks.l > 0 && ks.s[0] == '#') ++header_lines;
    free(ks.s);
    if (f) hts_close(f);
  }

  // 2. the samples kept (those of -samples=) and their demes
  std::vector<bool> asked(static_cast<size_t>(nsmpl), o.samples.empty());
  int nasked = o.samples.empty() ? nsmpl : 0;
  if (!o.samples.empty()) {
    Where ws{"Samples", o.samples};
    LineReader r(o.samples, ws);
    std::string line;
    while (r.next(line)) {
      std::string t = trim_ws(line);
      if (t.empty() || t[0] == '#') continue;
      int s = bcf_hdr_id2int(hdr, BCF_DT_SAMPLE, t.c_str());
      if (s < 0) ws.fail(r.number(), "sample \"" + t + "\" is not in \"" + path + "\"");
      if (!asked[static_cast<size_t>(s)]) ++nasked;
      asked[static_cast<size_t>(s)] = true;
    }
    if (nasked == 0) ws.fail("no sample named");
  }
  std::vector<int> keep;  // sample indices
  if (!o.popmap.empty()) {
    PopMap map = read_popmap(o.popmap);
    d.demes = map.demes;
    for (int s = 0; s < nsmpl; ++s) {
      if (!asked[static_cast<size_t>(s)]) continue;
      auto it = map.deme_of.find(hdr->samples[s]);
      if (it == map.deme_of.end()) continue;
      keep.push_back(s);
      d.inds.push_back({it->second, hdr->samples[s], header_lines});
    }
    if (static_cast<int>(keep.size()) < nasked)
      d.notes.push_back(std::to_string(nasked - static_cast<int>(keep.size())) + " of the " +
                        std::to_string(nasked) + " samples of \"" + path +
                        "\" are not in the map file \"" + o.popmap + "\" and are left out");
    if (keep.empty()) w.fail("no sample of the file is in the map file \"" + o.popmap + "\"");
    drop_unused_demes(d, o.popmap, path);
  } else {
    d.demes.push_back("1");
    for (int s = 0; s < nsmpl; ++s) {
      if (!asked[static_cast<size_t>(s)]) continue;
      keep.push_back(s);
      d.inds.push_back({0, hdr->samples[s], header_lines});
    }
    d.notes.push_back("No -popmap= given: the " + std::to_string(nasked) +
                      " samples form one deme");
  }
  const size_t nk = keep.size();

  // 3. sites, one locus each, their genotypes kept locus by locus (`LocusCodes`)
  std::vector<int> slot(static_cast<size_t>(nsmpl), -1);  // sample -> its place among those kept
  for (size_t i = 0; i < nk; ++i) slot[static_cast<size_t>(keep[i])] = static_cast<int>(i);
  std::vector<uint16_t> codes(2 * nk);  // the site's codes (0 missing, else allele index + 1)
  std::vector<uint8_t> codes8(2 * nk);  // the same for a site of fewer than 255 alleles
  long site = 0;
  auto where = [&](bcf1_t* rec) {
    std::string s = site_name(hdr, rec);
    return std::string(bcf_seqname_safe(hdr, rec)) + ":" + std::to_string(rec->pos + 1) +
           (s.find(':') == std::string::npos ? " (" + s + ")" : "");
  };
  auto keep_site = [&](bcf1_t* rec, LocusCodes&& c) {
    d.loci.push_back(site_name(hdr, rec));
    d.by_locus.push_back(std::move(c));
  };
  // a record read by htslib: its GT field, every sample kept checked
  int32_t* gt = nullptr;
  int mgt = 0;
  std::unique_ptr<int32_t, decltype(&free)> gt_owner(nullptr, &free);
  auto unpacked_site = [&](bcf1_t* rec, const std::function<void(const std::string&)>& fail) {
    int ngt = bcf_get_genotypes(hdr, rec, &gt, &mgt);  // into the buffer of the sites before
    gt_owner.release();
    gt_owner.reset(gt);
    if (ngt <= 0) fail("no GT field (diploid genotypes expected)");
    const int ploidy = ngt / nsmpl;
    const int nall = rec->n_allele;
    uint16_t* out = codes.data();
    for (size_t i = 0; i < nk; ++i) {
      const int32_t* p = gt + keep[i] * ploidy;
      auto who = [&]() { return "sample " + std::string(hdr->samples[keep[i]]); };
      if (ploidy < 2 || p[1] == bcf_int32_vector_end)
        fail(who() + ": a diploid genotype expected, one allele found");
      if (ploidy > 2 && p[2] != bcf_int32_vector_end)
        fail(who() + ": a diploid genotype expected, more than two alleles found");
      for (int s = 0; s < 2; ++s) {
        if (bcf_gt_is_missing(p[s])) {
          *out++ = 0;
          continue;
        }
        const int a = bcf_gt_allele(p[s]);
        if (a < 0 || a >= nall)
          fail(who() + ": unknown allele code " + std::to_string(a) + " in GT (the site has " +
               std::to_string(nall) + " alleles, 0 to " + std::to_string(nall - 1) + ")");
        *out++ = static_cast<uint16_t>(a + 1);
      }
    }
    keep_site(rec, LocusCodes::of(codes.data(), codes.size(), static_cast<unsigned>(nall)));
  };
  auto check_record = [&](bcf1_t* rec) {
    const long line = text ? header_lines + site : 0;
    auto fail = [&, line, rec](const std::string& what) {
      if (line > 0) w.fail(line, "site " + where(rec) + ": " + what);
      w.fail("site " + std::to_string(site) + ", " + where(rec) + ": " + what);
    };
    if (rec->errcode)
      fail("the record cannot be read (htslib error code " + std::to_string(rec->errcode) + ")");
    return fail;
  };
  int errnum = 0;
  if (text) {
    // 3a. a text file line by line: the sample columns read here where FORMAT is GT alone and
    //     each is a plain diploid GT, the rest of the line (and every line that is not so plain,
    //     whose other fields htslib checks) by htslib
    htsFile* fp = sr->readers[0].file;
    std::unique_ptr<bcf1_t, decltype(&bcf_destroy)> owner(bcf_init(), &bcf_destroy);
    bcf1_t* rec = owner.get();
    kstring_t line = {0, 0, nullptr}, head = {0, 0, nullptr};
    std::unique_ptr<char, decltype(&free)> line_owner(nullptr, &free), head_owner(nullptr, &free);
    for (;;) {
      const int r = hts_getline(fp, '\n', &line);
      line_owner.release();
      line_owner.reset(line.s);
      if (r < -1) errnum = bcf_read_error;
      if (r < 0) break;
      const char* format = eight_columns(line.s, line.s + line.l);
      bool direct = false;
      int maxa = -1;
      if (format) {
        head.l = 0;
        if (kputsn(line.s, static_cast<size_t>(format - 1 - line.s), &head) < 0)
          throw std::bad_alloc();
        head_owner.release();
        head_owner.reset(head.s);
        rec->max_unpack = BCF_UN_INFO;
        if (vcf_parse(&head, hdr, rec) == 0 && rec->errcode == 0) {
          const char* end = line.s + line.l;
          if (rec->n_allele < 255)  // every code below 255
            direct = direct_gt(format, end, slot, codes8.data(), maxa);
          else
            direct = direct_gt(format, end, slot, codes.data(), maxa);
          direct = direct && maxa < static_cast<int>(rec->n_allele);
        }
      }
      if (!direct) {
        rec->max_unpack = 0;
        if (vcf_parse(&line, hdr, rec) < 0) {
          errnum = vcf_parse_error;
          break;
        }
      }
      ++site;
      bcf_unpack(rec, BCF_UN_STR);
      auto fail = check_record(rec);
      if (direct && rec->n_allele < 255)  // the codes 0 .. maxa + 1
        keep_site(rec,
                  LocusCodes::of(codes8.data(), codes8.size(), static_cast<unsigned>(maxa + 1)));
      else if (direct)
        keep_site(rec, LocusCodes::of(codes.data(), codes.size(), static_cast<unsigned>(maxa + 1)));
      else
        unpacked_site(rec, fail);
    }
  } else {
    // 3b. BCF and the regions of an indexed file, through htslib's reader
    while (bcf_sr_next_line(sr.get())) {
      bcf1_t* rec = bcf_sr_get_line(sr.get(), 0);
      ++site;
      unpacked_site(rec, check_record(rec));
    }
    errnum = sr->errnum;
  }
  if (errnum) {
    const std::string what =
        std::string("the record after site ") + std::to_string(site) + " cannot be read (" +
        bcf_sr_strerror(static_cast<bcf_sr_error>(errnum)) + "): a damaged or truncated file?";
    if (text) w.fail(header_lines + site + 1, what);
    w.fail(what);
  }
  if (site == 0) w.fail("no sites found");
  return d;
}

}  // namespace tolm::fmt_in
