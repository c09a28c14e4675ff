// Fast generator of synthetic VCF files for the benchmark of count shards (bench/counts.sh).
//
//   tolm_gen_vcf SITES SAMPLES DEMES OUT MAP [options]
//     OUT              the VCF; a name ending in ".gz" is written bgzipped (BGZF blocks, ready
//                      for `tabix -p vcf`), any other name as plain text ("-": standard output)
//     MAP              the population map: lines "sample<TAB>deme", samples dealt to the demes
//                      in turn (s0 to d0, s1 to d1, ...)
//     --contigs N      contigs (named 1..N) the sites are spread over evenly (default 4)
//     --three F        share of the sites with three alleles, 0..1 (default 0.1)
//     --threads N      compression threads for a ".gz" output (default 2)
//     --seed N         random seed (default 1)
//
// Content, as bench/gen_vcf.py writes it: one sample column per sample, genotypes drawn from
// 0/0 0/1 1/1 0|1 1|0 ./. with weights 40 30 20 4 5 1 (three-allele sites add 0/2 1/2 2/2 with
// 10 6 3), so 1 % of the genotypes are missing and phased and unphased calls are mixed. Sites
// stand 10 bases apart on each contig. Each site draws from its own generator (seed, contig and
// site), so a file is the same whatever the buffering or the number of threads.
#include <htslib/bgzf.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Sink {
  BGZF* bgzf = nullptr;
  FILE* file = nullptr;
  bool ok = true;

  void put(const std::string& s) {
    if (bgzf)
      ok = ok && bgzf_write(bgzf, s.data(), s.size()) == static_cast<ssize_t>(s.size());
    else
      ok = ok && std::fwrite(s.data(), 1, s.size(), file) == s.size();
  }
};

uint64_t splitmix(uint64_t& x) {
  uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// One row of the table per unit of weight: a draw of 32 random bits picks a row.
std::vector<const char*> weighted_table(bool three) {
  static const char* gts[] = {"0/0", "0/1", "1/1", "0|1", "1|0", "./.", "0/2", "1/2", "2/2"};
  static const int w[] = {40, 30, 20, 4, 5, 1, 10, 6, 3};
  std::vector<const char*> t;
  for (int g = 0; g < (three ? 9 : 6); ++g)
    for (int k = 0; k < w[g]; ++k) t.push_back(gts[g]);
  return t;
}

int usage() {
  std::fprintf(stderr,
               "usage: tolm_gen_vcf SITES SAMPLES DEMES OUT MAP [--contigs N] "
               "[--three F] [--threads N] [--seed N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // 1. Arguments
  if (argc < 6) return usage();
  const long sites = std::atol(argv[1]), samples = std::atol(argv[2]), demes = std::atol(argv[3]);
  const std::string out = argv[4], mapname = argv[5];
  long contigs = 4, threads = 2;
  uint64_t seed = 1;
  double three = 0.1;
  for (int i = 6; i < argc; i += 2) {
    if (i + 1 >= argc) return usage();
    const std::string k = argv[i];
    const char* v = argv[i + 1];
    if (k == "--contigs")
      contigs = std::atol(v);
    else if (k == "--three")
      three = std::atof(v);
    else if (k == "--threads")
      threads = std::atol(v);
    else if (k == "--seed")
      seed = std::strtoull(v, nullptr, 10);
    else
      return usage();
  }
  if (sites < 1 || samples < 1 || demes < 1 || contigs < 1 || three < 0 || three > 1) {
    std::fprintf(stderr,
                 "tolm_gen_vcf: SITES, SAMPLES, DEMES and --contigs must be 1 or more, "
                 "--three between 0 and 1\n");
    return 2;
  }
  if (contigs > sites) contigs = sites;

  // 2. Population map
  FILE* map = std::fopen(mapname.c_str(), "w");
  if (!map) {
    std::fprintf(stderr, "tolm_gen_vcf: cannot write %s\n", mapname.c_str());
    return 1;
  }
  for (long s = 0; s < samples; ++s) std::fprintf(map, "s%ld\td%ld\n", s, s % demes);
  if (std::fclose(map) != 0) {
    std::fprintf(stderr, "tolm_gen_vcf: cannot write %s\n", mapname.c_str());
    return 1;
  }

  // 3. Output and header
  Sink sink;
  const bool gz = out.size() > 3 && out.compare(out.size() - 3, 3, ".gz") == 0;
  if (gz) {
    sink.bgzf = bgzf_open(out.c_str(), "w");
    if (sink.bgzf && threads > 1) bgzf_mt(sink.bgzf, static_cast<int>(threads), 256);
  } else {
    sink.file = out == "-" ? stdout : std::fopen(out.c_str(), "w");
  }
  if (!sink.bgzf && !sink.file) {
    std::fprintf(stderr, "tolm_gen_vcf: cannot write %s\n", out.c_str());
    return 1;
  }
  std::vector<long> per(static_cast<size_t>(contigs), sites / contigs);
  for (long c = 0; c < sites % contigs; ++c) ++per[static_cast<size_t>(c)];
  std::string line = "##fileformat=VCFv4.2\n";
  for (long c = 0; c < contigs; ++c)
    line += "##contig=<ID=" + std::to_string(c + 1) +
            ",length=" + std::to_string(per[static_cast<size_t>(c)] * 10 + 10) + ">\n";
  line +=
      "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  for (long s = 0; s < samples; ++s) line += "\ts" + std::to_string(s);
  line += "\n";
  sink.put(line);

  // 4. Sites: every genotype takes 4 bytes ("0/1" and a tab or the end of the line)
  const std::vector<const char*> t2 = weighted_table(false), t3 = weighted_table(true);
  for (long c = 0; c < contigs && sink.ok; ++c) {
    for (long k = 0; k < per[static_cast<size_t>(c)] && sink.ok; ++k) {
      uint64_t state =
          seed * 0x100000001b3ULL ^ (static_cast<uint64_t>(c) << 40) ^ static_cast<uint64_t>(k);
      splitmix(state);
      const bool tri = static_cast<double>(splitmix(state) >> 11) * 0x1.0p-53 < three;
      const std::vector<const char*>& t = tri ? t3 : t2;
      line = std::to_string(c + 1) + "\t" + std::to_string(10 * (k + 1)) + "\t.\tA\t" +
             (tri ? "C,G" : "C") + "\t.\tPASS\t.\tGT";
      const size_t head = line.size();
      line.resize(head + 4 * static_cast<size_t>(samples));
      char* p = &line[head];
      uint64_t r = 0;
      for (long s = 0; s < samples; ++s, p += 4) {
        if (s % 2 == 0) r = splitmix(state);
        const uint64_t bits = s % 2 == 0 ? (r & 0xffffffffULL) : (r >> 32);
        p[0] = '\t';
        std::memcpy(p + 1, t[static_cast<size_t>((bits * t.size()) >> 32)], 3);
      }
      line += "\n";
      sink.put(line);
    }
  }

  // 5. Close
  if (sink.bgzf)
    sink.ok = bgzf_close(sink.bgzf) == 0 && sink.ok;
  else if (sink.file != stdout)
    sink.ok = std::fclose(sink.file) == 0 && sink.ok;
  else
    sink.ok = std::fflush(stdout) == 0 && sink.ok;
  if (!sink.ok) {
    std::fprintf(stderr, "tolm_gen_vcf: writing %s failed\n", out.c_str());
    return 1;
  }
  return 0;
}
