// VCF and BCF files (plain, bgzipped, indexed or not), read through htslib: every site is a locus
// named by its ID (or CHROM:POS), every sample an individual; the diploid GT of each sample gives
// its genotype, the allele numbers being the allele index + 1 (REF = 1), multi-allelic sites
// kept, "." missing. Phase is not gametic sex: a phased genotype is taken unordered like any
// other. Demes from -popmap=; -region= / -regions-file= and -samples= restrict the sites and
// samples read.
#include <htslib/synced_bcf_reader.h>
#include <htslib/vcf.h>

#include <algorithm>
#include <memory>
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

  // 3. sites, one locus each; genotypes kept site by site, two bytes per allele (0 missing,
  //    else the allele index + 1: htslib keeps at most 65535 alleles at a site)
  std::vector<uint16_t> bysite;
  int32_t* gt = nullptr;
  int mgt = 0;
  long site = 0;
  auto where = [&](bcf1_t* rec) {
    std::string s = site_name(hdr, rec);
    return std::string(bcf_seqname_safe(hdr, rec)) + ":" + std::to_string(rec->pos + 1) +
           (s.find(':') == std::string::npos ? " (" + s + ")" : "");
  };
  std::unique_ptr<int32_t, decltype(&free)> gt_owner(nullptr, &free);
  while (bcf_sr_next_line(sr.get())) {
    bcf1_t* rec = bcf_sr_get_line(sr.get(), 0);
    ++site;
    const long line = text ? header_lines + site : 0;
    auto fail = [&](const std::string& what) {
      if (line > 0) w.fail(line, "site " + where(rec) + ": " + what);
      w.fail("site " + std::to_string(site) + ", " + where(rec) + ": " + what);
    };
    if (rec->errcode)
      fail("the record cannot be read (htslib error code " + std::to_string(rec->errcode) + ")");
    int ngt = bcf_get_genotypes(hdr, rec, &gt, &mgt);  // into the buffer of the sites before
    gt_owner.release();
    gt_owner.reset(gt);
    if (ngt <= 0) fail("no GT field (diploid genotypes expected)");
    const int ploidy = ngt / nsmpl;
    d.loci.push_back(site_name(hdr, rec));
    const size_t at = bysite.size();
    bysite.resize(at + 2 * nk);
    uint16_t* out = bysite.data() + at;
    const int nall = rec->n_allele;
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
  }
  if (sr->errnum) {
    const std::string what = std::string("the record after site ") + std::to_string(site) +
                             " cannot be read (" + bcf_sr_strerror(sr->errnum) +
                             "): a damaged or truncated file?";
    if (text) w.fail(header_lines + site + 1, what);
    w.fail(what);
  }
  if (site == 0) w.fail("no sites found");

  // 4. individual after individual, in blocks of sites that stay in the cache
  const size_t nl = d.loci.size();
  d.alleles.resize(nk * nl * 2);
  constexpr size_t kBlock = 64;
  for (size_t l0 = 0; l0 < nl; l0 += kBlock) {
    const size_t l1 = std::min(nl, l0 + kBlock);
    for (size_t i = 0; i < nk; ++i)
      for (size_t l = l0; l < l1; ++l)
        for (size_t s = 0; s < 2; ++s) {
          const uint16_t c = bysite[(l * nk + i) * 2 + s];
          d.alleles[(i * nl + l) * 2 + s] = c == 0 ? kMissing : static_cast<int32_t>(c);
        }
  }
  bysite = std::vector<uint16_t>();
  return d;
}

}  // namespace tolm::fmt_in
