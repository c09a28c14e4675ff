// The VCF reader reads the plain diploid GT columns of a text file itself and leaves every other
// record to htslib. Each file here is converted twice: as VCF text and as the BCF htslib makes
// of the same text (read wholly by htslib); the two TOLM files must be the same, and where the
// records are worked out by hand, equal to them.
#include <gtest/gtest.h>
#include <htslib/hts.h>
#include <htslib/vcf.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "input/formats/formats.h"
#include "tempdir.h"

namespace tolm {
namespace {

// The test's folder, named after this file's tests.
struct Dir : TempDir {
  Dir() : TempDir("tolm-vcf23") {}
};

// The BCF file of a VCF text file, written by htslib.
bool to_bcf(const std::string& vcf, const std::string& bcf) {
  htsFile* in = hts_open(vcf.c_str(), "r");
  if (!in) return false;
  bcf_hdr_t* h = bcf_hdr_read(in);
  htsFile* out = hts_open(bcf.c_str(), "wb");
  bcf1_t* rec = bcf_init();
  bool ok = h && out && bcf_hdr_write(out, h) == 0;
  while (ok && bcf_read(in, h, rec) == 0) ok = bcf_write(out, h, rec) == 0;
  bcf_destroy(rec);
  if (out) hts_close(out);
  if (h) bcf_hdr_destroy(h);
  hts_close(in);
  return ok;
}

std::string vcf(const std::string& samples, const std::string& records) {
  return "##fileformat=VCFv4.2\n##contig=<ID=c,length=100000>\n"
         "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
         "##FORMAT=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n"
         "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" +
         samples + "\n" + records;
}

std::string alts(int n) {  // n alternative alleles: C,G,T,CA,CC,...
  std::string s = "C,G,T";
  for (int i = 3; i < n; ++i) s += ",C" + std::string(static_cast<size_t>(i), 'A');
  return s;
}

TEST(VcfDirectGt, TextReadHereEqualsHtslib) {
  struct Case {
    const char* what;
    std::string text;
    std::string samples_file;  // -samples=, empty: all
    const char* records;       // the individuals' records of the TOLM file, "" not checked
  };
  const Case cases[] = {
      {"phased, unphased, missing, half missing, multi-allelic",
       vcf("s1\ts2\ts3",
           "c\t10\tm1\tA\tC,G,T\t.\tPASS\t.\tGT\t0/3\t2|1\t./.\n"
           "c\t20\tm2\tA\tC\t.\t.\t.\tGT\t.|1\t1/.\t0|0\n"),
       "", "1 1 1 4 -1 2\n1 2 3 2 2 -1\n1 3 -1 -1 1 1\n"},
      {"more FORMAT keys after GT, other keys first, trailing fields left out",
       vcf("s1\ts2",
           "c\t10\tm1\tA\tC\t.\t.\t.\tGT:DP\t0/1:7\t1|1\n"
           "c\t20\tm2\tA\tC\t.\t.\t.\tDP:GT\t3:1/0\t4:0|0\n"
           "c\t30\tm3\tA\tC,G\t.\t.\t.\tGT:DP\t2/2:.\t0/1:9\n"),
       "", "1 1 1 2 2 1 3 3\n1 2 2 2 1 1 1 2\n"},
      {"allele indices of several digits, one site of 300 alleles",
       vcf("s1\ts2", "c\t10\tm1\tA\t" + alts(12) + "\t.\t.\t.\tGT\t10/12\t0|11\n" +
                         "c\t20\tm2\tA\t" + alts(299) + "\t.\t.\t.\tGT\t299/254\t255|0\n"),
       "", "1 1 11 13 300 255\n1 2 1 12 256 1\n"},
      {"a sample left out by -samples= with a haploid and a triploid GT",
       vcf("s1\ts2\ts3",
           "c\t10\tm1\tA\tC\t.\t.\t.\tGT\t0/1\t1\t1/1\n"
           "c\t20\tm2\tA\tC\t.\t.\t.\tGT\t1|1\t0/0/1\t./1\n"),
       "s1\ns3\n", "1 1 1 2 2 2\n1 2 2 2 -1 2\n"},
      {"as long as a line of one-character genotypes, with a haploid and a wide column",
       vcf("s1\ts2\ts3", "c\t10\tm1\tA\t" + alts(12) + "\t.\t.\t.\tGT\t0/1\t1\t10/12\n"),
       "s1\ns3\n", "1 1 1 2\n1 2 11 13\n"},
      {"CRLF line ends, ID missing, other contig",
       vcf("s1\ts2",
           "c\t10\t.\tA\tC\t.\t.\t.\tGT\t0/1\t1|1\r\n"
           "c\t20\tm2\tA\tC\t.\t.\t.\tGT\t0|0\t1/0\r\n"),
       "", "1 1 1 2 1 1\n1 2 2 2 2 1\n"},
  };
  for (const auto& c : cases) {
    Dir d;
    std::string in = d.put("a.vcf", c.text), bcf = d.path + "/a.bcf";
    ASSERT_TRUE(to_bcf(in, bcf)) << c.what;
    RunOptions o;
    if (!c.samples_file.empty()) o.samples = d.put("samples.txt", c.samples_file);
    std::string err, notes, out_text = d.path + "/text.tolm", out_bcf = d.path + "/bcf.tolm";
    ASSERT_TRUE(convert_to_tolm(in, Format::vcf, o, out_text, err, notes)) << c.what << ": " << err;
    ASSERT_TRUE(convert_to_tolm(bcf, Format::vcf, o, out_bcf, err, notes)) << c.what << ": " << err;
    const std::string text = slurp(out_text);
    EXPECT_EQ(text, slurp(out_bcf)) << c.what;
    const std::string records(c.records);
    ASSERT_GE(text.size(), records.size()) << c.what;
    EXPECT_EQ(text.substr(text.size() - records.size()), records) << c.what << "\n" << text;
  }
}

// Records that are no plain diploid genotypes fail as they did when htslib read every record.
TEST(VcfDirectGt, OddRecordsFailWithTheirSite) {
  struct Case {
    const char* records;
    const char* message;  // after the file name
  };
  const Case cases[] = {
      {"c\t10\tm1\tA\tC\t.\t.\t.\tGT\t0/1\t1|1\nc\t20\tm2\tA\tC\t.\t.\t.\tGT\t0/1\t0/0/1\n",
       ", line 7, site c:20 (m2): sample s2: a diploid genotype expected, more than two alleles "
       "found"},
      {"c\t10\tm1\tA\tC\t.\t.\t.\tGT\t0/1\t1|1\nc\t20\tm2\tA\tC\t.\t.\t.\tGT\t0/2\t0/1\n",
       ", line 7, site c:20 (m2): sample s1: unknown allele code 2 in GT (the site has 2 "
       "alleles, 0 to 1)"},
      {"c\t10\tm1\tA\tC\t.\t.\t.\tDP\t3\t4\n",
       ", line 6, site c:10 (m1): no GT field (diploid genotypes expected)"},
      {"c\t10\tm1\tA\tC\t.\t.\t.\tGT\t0/1\t1|1\nc\t20\tm2\tA\tC\t.\t.\t.\tGT:DP\t0/1:x\t0/0:4\n",
       ", line 7: the record after site 1 cannot be read (VCF parse error)"},
  };
  for (const auto& c : cases) {
    Dir d;
    std::string in = d.put("b.vcf", vcf("s1\ts2", c.records)), out = d.path + "/b.tolm", err, notes;
    EXPECT_FALSE(convert_to_tolm(in, Format::vcf, RunOptions{}, out, err, notes)) << c.records;
    const std::string want = "VCF file \"" + in + "\"" + c.message;
    EXPECT_EQ(err.substr(0, want.size()), want) << c.records;
  }
}

}  // namespace
}  // namespace tolm
