// A converted input held in memory instead of written: the genotype layouts of a site, the lines
// and values an input unit reads from the held copy (checked against the file the converter
// writes, parsed here on its own), and the counting of the two (console and counts the same).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/runstate.h"
#include "input/count.h"
#include "input/formats/dataset.h"
#include "input/formats/formats.h"
#include "input/namein.h"
#include "countsetup.h"
#include "tempdir.h"

namespace tolm {
namespace {

using fmt_in::Dataset;
using fmt_in::LocusCodes;

// Codes 0..top drawn at random, with `top` itself among them.
std::vector<uint16_t> random_codes(size_t n, unsigned top, unsigned seed) {
  std::mt19937 g(seed);
  std::vector<uint16_t> c(n);
  for (auto& x : c) x = static_cast<uint16_t>(g() % (top + 1));
  if (n > 0) c[n / 2] = static_cast<uint16_t>(top);
  return c;
}

TEST(VcfpathCodes, EveryLayoutGivesBackItsCodes) {
  struct Case {
    size_t n;
    unsigned top;
    const char* layout;  // "small", "narrow", "wide"
  } cases[] = {{1, 0, "small"},   {2, 3, "small"},     {7, 3, "small"},  {4001, 2, "small"},
               {10, 4, "narrow"}, {13, 254, "narrow"}, {9, 255, "wide"}, {300, 9999, "wide"}};
  for (const Case& c : cases) {
    const std::vector<uint16_t> codes = random_codes(c.n, c.top, static_cast<unsigned>(c.n));
    const LocusCodes l = LocusCodes::of(codes.data(), codes.size(), c.top);
    const std::string got = !l.small.empty() ? "small" : !l.narrow.empty() ? "narrow" : "wide";
    EXPECT_EQ(got, c.layout) << c.n << " codes to " << c.top;
    ASSERT_EQ(l.size(), c.n);
    for (size_t k = 0; k < c.n; ++k) ASSERT_EQ(l.at(k), codes[k]) << c.layout << " code " << k;
    // every range, across the bytes of the small layout
    for (size_t k0 = 0; k0 < std::min<size_t>(c.n, 9); ++k0)
      for (size_t k1 = k0; k1 <= c.n; k1 += 1 + c.n / 7) {
        std::vector<uint16_t> out(k1 - k0 + 1, 7777);
        l.get(k0, k1, out.data());
        for (size_t k = k0; k < k1; ++k) ASSERT_EQ(out[k - k0], codes[k]) << k0 << ".." << k1;
        EXPECT_EQ(out.back(), 7777) << "nothing written beyond the range";
      }
  }
}

// A data set of `ni` individuals in `np` demes and `nl` loci, kept locus by locus (codes to the
// `top` of each locus, some missing) or individual by individual.
Dataset make_set(size_t ni, int np, const std::vector<unsigned>& tops, bool by_locus) {
  Dataset d;
  const size_t nl = tops.size();
  for (size_t l = 0; l < nl; ++l) d.loci.push_back("site " + std::to_string(l + 1));
  for (int k = 0; k < np; ++k) d.demes.push_back("deme " + std::to_string(k + 1));
  for (size_t i = 0; i < ni; ++i)
    d.inds.push_back({static_cast<int>((i * 7) % static_cast<size_t>(np)), "s", 0});
  for (size_t l = 0; l < nl; ++l) {
    const auto c = random_codes(2 * ni, tops[l], static_cast<unsigned>(l + 11));
    if (by_locus) {
      d.by_locus.push_back(LocusCodes::of(c.data(), c.size(), tops[l]));
      continue;
    }
    d.alleles.resize(ni * nl * 2);
    for (size_t k = 0; k < 2 * ni; ++k)
      d.alleles[(k / 2 * nl + l) * 2 + k % 2] = c[k] == 0 ? fmt_in::kMissing : 100 + c[k];
  }
  return d;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> v;
  std::istringstream s(text);
  for (std::string l; std::getline(s, l);) v.push_back(l);
  return v;
}

struct SetCase {
  const char* what;
  size_t ni;
  int np;
  std::vector<unsigned> tops;
  bool by_locus;
};
const SetCase kSets[] = {
    {"sites of two alleles, blocks of individuals crossed", 70, 3, {2, 2, 1, 3}, true},
    {"one site of many alleles beside small ones", 5, 2, {2, 300, 40}, true},
    {"alleles kept individual by individual", 9, 2, {3, 12}, false},
};

TEST(VcfpathHeld, LinesAndValuesAreThoseOfTheWrittenFile) {
  TempDir dir("tolm-vcfpath");
  for (const SetCase& c : kSets) {
    SCOPED_TRACE(c.what);
    const Dataset d = make_set(c.ni, c.np, c.tops, c.by_locus);
    const std::string path = dir.path + "/copy.dat";
    fmt_in::write_tolm(d, path);
    const std::vector<std::string> file = lines_of(slurp(path));
    Dataset moved = d;
    io::Unit u;
    u.open_source(fmt_in::held_tolm(std::move(moved)), "held");
    const int nv = 2 + 2 * static_cast<int>(c.tops.size());
    const size_t first_record = 2 + c.tops.size() + static_cast<size_t>(c.np);
    std::vector<int> v(static_cast<size_t>(nv) + 1);
    for (int pass = 0; pass < 2; ++pass) {  // the second time after a rewind
      for (size_t i = 0; i < file.size(); ++i) {
        std::string s;
        if (i < first_record) {
          ASSERT_FALSE(u.read_values(v.data(), nv)) << "line " << i + 1 << " is a header line";
          ASSERT_EQ(u.read_line(s), io::Rd::ok);
          ASSERT_EQ(s, file[i]) << "line " << i + 1;
          continue;
        }
        std::istringstream f(file[i]);
        std::vector<int> want(static_cast<size_t>(nv));
        for (int& x : want) f >> x;
        ASSERT_FALSE(u.read_values(v.data(), nv + 1)) << "line " << i + 1 << " has " << nv;
        ASSERT_TRUE(u.read_values(v.data(), nv)) << "line " << i + 1;
        ASSERT_EQ(std::vector<int>(v.begin(), v.begin() + nv), want) << "line " << i + 1;
        ASSERT_TRUE(u.backspace());  // the same line again, as text
        ASSERT_EQ(u.read_line(s), io::Rd::ok);
        ASSERT_EQ(s, file[i]) << "line " << i + 1;
      }
      std::string s;
      EXPECT_FALSE(u.read_values(v.data(), nv));
      EXPECT_EQ(u.read_line(s), io::Rd::eof);
      ASSERT_TRUE(u.rewind());
    }
  }
}

// The header and the counting of all single loci, once from the written file and once from the
// copy held in memory: the console (names, echo of every record) and the counts are the same.
struct Counted {
  std::string console;
  std::vector<int> counts;  // channels 20 to 23, record by record up to their extents
};

Counted count_unit(const Dataset& d, bool held, const std::string& path) {
  RunState rs;
  Work w;
  const int np = static_cast<int>(d.demes.size()), nl = static_cast<int>(d.loci.size());
  single_loci_run(rs, w, np, nl);
  if (held) {
    Dataset copy = d;
    rs.u(10).open_source(fmt_in::held_tolm(std::move(copy)), path);
  } else {
    fmt_in::write_tolm(d, path);
    rs.u(10).open_in(path);
  }
  std::string fcard;
  int nlread = 0, ierr = -1;
  namein(rs, w, fcard, nlread);
  xcount(rs, w, ierr, fcard, nlread);
  EXPECT_EQ(ierr, 0);
  Counted c{rs.con().take_captured(), {}};
  for (int ch = 20; ch <= 22; ++ch)
    for (long r = 1; r <= rs.param.mind(ch); ++r) c.counts.push_back(sread(rs, ch, r));
  for (long r = 1; r <= rs.param.mind(23); ++r) {
    int32_t a = 0, b = 0;
    sread23(rs, r, a, b);
    c.counts.push_back(a);
    c.counts.push_back(b);
  }
  return c;
}

TEST(VcfpathHeld, CountingMatchesTheWrittenFile) {
  TempDir dir("tolm-vcfpath");
  for (const SetCase& c : kSets) {
    SCOPED_TRACE(c.what);
    const Dataset d = make_set(c.ni, c.np, c.tops, c.by_locus);
    const std::string path = dir.path + "/input.dat";
    const Counted file = count_unit(d, false, path);
    const Counted held = count_unit(d, true, path);
    EXPECT_NE(file.console.find(":    1   0    1   0"), std::string::npos) << "the echo is on";
    EXPECT_EQ(held.console, file.console);
    EXPECT_FALSE(file.counts.empty());
    EXPECT_EQ(held.counts, file.counts);
  }
}

// A run on a VCF file needs no temporary file (none can be left behind by a run that is stopped),
// and its copy held in memory reads line by line as the file -convert= writes: sites read by
// this reader and by htslib (FORMAT GT:DP), a multi-allelic site, missing alleles.
TEST(VcfpathHeld, ARunOnAVcfFileWritesNoTemporaryFile) {
  TempDir dir("tolm-vcfpath");
  const std::string in = dir.put("in.vcf",
                                 "##fileformat=VCFv4.2\n##contig=<ID=c,length=1000>\n"
                                 "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
                                 "##FORMAT=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n"
                                 "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\tc\n"
                                 "c\t10\ts1\tA\tC\t.\t.\t.\tGT\t0/1\t1/1\t./.\n"
                                 "c\t20\ts2\tA\tC,G\t.\t.\t.\tGT\t2/1\t0|0\t1/.\n"
                                 "c\t30\ts3\tA\tC\t.\t.\t.\tGT:DP\t0/1:3\t0/0:5\t1/1:2\n");
  const char* was = getenv("TMPDIR");
  const std::string saved = was ? was : "";
  setenv("TMPDIR", (dir.path + "/no-such-folder").c_str(), 1);
  RunOptions o;
  std::string title, err, notes;
  std::shared_ptr<const io::LineSource> held;
  const Prepared pr = prepare_input(in, o, title, err, notes, held);
  if (was)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
  ASSERT_EQ(pr, Prepared::held) << err;
  EXPECT_EQ(title, "VCF");
  EXPECT_NE(notes.find("3 samples form one deme"), std::string::npos) << notes;

  o.convert = dir.path + "/copy.dat";
  std::string notes_convert;
  std::shared_ptr<const io::LineSource> none;
  ASSERT_EQ(prepare_input(in, o, title, err, notes_convert, none), Prepared::convert_only)
      << err;
  EXPECT_EQ(notes_convert, notes);
  const std::vector<std::string> file = lines_of(slurp(o.convert));
  ASSERT_EQ(file.size(), 1 + 3 + 1 + 1 + 1 + 3u);  // record 1, loci, deme, format, list, samples
  EXPECT_EQ(file.back(), "1 3 -1 -1 2 -1 2 2");
  io::Unit u;
  u.open_source(held, "in.vcf");
  std::string s;
  for (const std::string& want : file) {
    ASSERT_EQ(u.read_line(s), io::Rd::ok);
    EXPECT_EQ(s, want);
  }
  EXPECT_EQ(u.read_line(s), io::Rd::eof);
}

}  // namespace
}  // namespace tolm
