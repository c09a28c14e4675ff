// The readers of other genotype formats on bad and borderline files: every failure names the
// file, the line and the field and leaves no TOLM file behind; a genotype with one allele
// missing keeps its known allele; the format is found from the content.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "input/formats/formats.h"
#include "tempdir.h"

namespace tolm {
namespace {

// The test's folder, named after this file's tests.
struct Dir : TempDir {
  Dir() : TempDir("tolm-formats") {}
};

const char* kGenepop =
    "title\nA\nB,C\nPop\nx1 , 0101 0102 0202\nx2 , 0102 0202 0101\nPOP\ny1 , 0303 0101 0102\n";
const char* kFstat = "2 2 3 1\nA\nB\n1 12 13\n2 33 11\n";
const char* kGenetix =
    "2\n1\nA\n2 001 002\nB\n1 005\nd1\n2\nx1        001002 005005\nx2        "
    "002002 000000\n";
const char* kStructure = "A B\nx1 1 1 5\nx1 1 2 -9\nx2 2 2 5\nx2 2 2 5\n";
const char* kGenalex =
    "2,3,2,2,1\nt,,,P,Q\nInd,Pop,A,,B,\nx1,P,1,2,5,5\nx2,P,1,1,0,0\ny1,Q,2,2,5,6\n";
const char* kVcf =
    "##fileformat=VCFv4.2\n##contig=<ID=c,length=1000>\n"
    "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\n"
    "c\t10\tm1\tA\tC,G\t.\t.\t.\tGT\t0/2\t1|0\n"
    "c\t20\tm2\tA\tC\t.\t.\t.\tGT\t./.\t0|1\n";

std::string cut(const std::string& s, size_t n) {
  return s.substr(0, s.size() - n);
}
std::string replace(std::string s, const std::string& a, const std::string& b) {
  return s.replace(s.find(a), a.size(), b);
}

// Each bad file gives its message (the whole text after the file name) and writes nothing.
TEST(FormatsReaders, BadInputNamesLineAndField) {
  struct Case {
    Format f;
    const char* name;
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      // empty files
      {Format::genepop, "e.gen", "", ": the file is empty"},
      {Format::fstat, "e.dat", "", ": the file is empty"},
      {Format::genetix, "e.gtx", "", ": the file is empty"},
      {Format::structure, "e.str", "", ": the file is empty"},
      {Format::genalex, "e.csv", "", ": the file is empty"},
      {Format::vcf, "e.vcf", "", ": the file is empty"},
      // truncated files
      {Format::genepop, "t.gen", cut(kGenepop, 6),
       ", line 8, individual y1: 3 loci expected, 2 genotypes found"},
      {Format::genepop, "t2.gen", "title\nA\nB\n",
       ", line 3: the file ends before its first \"Pop\""},
      {Format::fstat, "t.dat", "2 2 3 1\nA\n", ", line 2: the file ends after 1 of 2 locus names"},
      {Format::genetix, "t.gtx", cut(kGenetix, 24),
       ", line 9: the file ends in deme 1 after 1 of its 2 individuals"},
      {Format::structure, "t.str", cut(kStructure, 9),
       ", line 4: the file ends after the first row of an individual"},
      {Format::genalex, "t.csv", cut(kGenalex, 13),
       ", line 5: 3 samples expected (row 1), 2 found"},
      {Format::vcf, "t.vcf", cut(kVcf, 6),
       ", line 6: the record after site 1 cannot be read (VCF parse error)"},
      // unknown allele codes
      {Format::genepop, "u.gen", replace(kGenepop, "0102 0202", "01x2 0202"),
       ", line 5, individual x1, locus 2: unknown allele code \"01x2\" (digits expected)"},
      {Format::fstat, "u.dat", replace(kFstat, "33 11", "34 11"),
       ", line 5, individual 2, locus 1 (field 2): unknown allele code 4, above the highest "
       "allele number 3 of line 1"},
      {Format::genetix, "u.gtx", replace(kGenetix, "001002 005005", "001003 005005"),
       ", line 9, individual x1, locus A: unknown allele code 003 (not among the alleles listed "
       "for the locus)"},
      {Format::structure, "u.str", replace(kStructure, "1 2 -9", "1 2 -5"),
       ", line 3, individual x1, locus B (field 4): unknown allele code \"-5\""},
      {Format::genalex, "u.csv", replace(kGenalex, "x2,P,1,1", "x2,P,1,?"),
       ", line 5, individual x2, locus A (field 4): unknown allele code \"?\""},
      {Format::vcf, "u.vcf", replace(kVcf, "0/2\t1|0", "0/3\t1|0"),
       ", line 5, site c:10 (m1): sample s1: unknown allele code 3 in GT (the site has 3 "
       "alleles, 0 to 2)"},
      // demes without individuals
      {Format::genepop, "d.gen", replace(kGenepop, "POP\n", "POP\nPop\n"),
       ", line 7: deme 2 (\"Pop 2\") has no individuals"},
      {Format::fstat, "d.dat", replace(kFstat, "2 2 3 1", "3 2 3 1"),
       ": deme 3 (\"3\") has no individuals"},
      {Format::genetix, "d.gtx",
       replace(replace(kGenetix, "\n1\nA", "\n2\nA"), "d1\n2\nx1", "d1\n0\nd2\n2\nx1"),
       ", line 7: deme 1 (\"d1\") has no individuals"},
      {Format::genalex, "d.csv", replace(kGenalex, "2,3,2,2,1\nt,,,P,Q", "2,3,3,2,1,0\nt,,,P,Q,R"),
       ": deme 3 (\"R\") has no individuals"},
      // other faults
      {Format::genepop, "w.gen", replace(kGenepop, "0202\nx2", "002002\nx2"),
       ", line 5, individual x1, locus 3: genotype \"002002\" has 6 digits, 4 expected as in the "
       "genotypes of line 5"},
      {Format::fstat, "r.dat", replace(kFstat, "2 33", "3 33"),
       ", line 5, individual 2, field 1: a deme number from 1 to 2 expected, found \"3\""},
      {Format::genalex, "p.csv", replace(kGenalex, "y1,Q", "y1,Z"),
       ", line 6, individual y1, field 2: deme \"Z\" is not among the demes of row 2"},
      {Format::structure, "n.str", "x1 5 5\nx1 5 6\n",
       ": the layout cannot be told from the file (two rows per individual, no row of locus "
       "names): give -structure=tworows,label,pop or -structure=tworows,label"},
      {Format::vcf, "h.vcf", replace(kVcf, "./.\t0|1", ".\t0|1"),
       ", line 6, site c:20 (m2): sample s1: a diploid genotype expected, one allele found"},
  };
  for (const auto& c : cases) {
    Dir d;
    std::string in = d.put(c.name, c.text), out = d.path + "/out.tolm", err, notes;
    RunOptions o;
    EXPECT_FALSE(convert_to_tolm(in, c.f, o, out, err, notes)) << c.name;
    std::string want = std::string(format_title(c.f)) + " file \"" + in + "\"" + c.message;
    EXPECT_EQ(err.substr(0, want.size()), want) << c.name;
    EXPECT_NE(access(out.c_str(), F_OK), 0) << c.name << ": a file was written";
  }
}

// A genotype with one allele missing keeps the known allele and marks the other missing, in
// every format (the genotype counts as unknown, its known allele as a known contribution).
TEST(FormatsReaders, OneAlleleMissingKeepsTheOther) {
  struct Case {
    Format f;
    const char* name;
    std::string text;
    const char* record;  // the converted individual
  };
  const Case cases[] = {
      {Format::genepop, "g.gen", replace(kGenepop, "x2 , 0102", "x2 , 0100"),
       "\n1 2 1 -1 2 2 1 1\n"},
      {Format::fstat, "g.dat", replace(kFstat, "33 11", "30 11"), "\n2 2 3 -1 1 1\n"},
      {Format::genetix, "g.gtx", replace(kGenetix, "002002 000000", "000002 000000"),
       "\n1 2 -1 2 -1 -1\n"},
      {Format::structure, "g.str", kStructure, "\n1 1 1 2 5 -1\n"},
      {Format::genalex, "g.csv", replace(kGenalex, "y1,Q,2,2", "y1,Q,0,2"), "\n2 3 -1 2 5 6\n"},
      {Format::vcf, "g.vcf", replace(kVcf, "./.\t0|1", "./.\t.|1"), "\n1 2 2 1 -1 2\n"},
  };
  for (const auto& c : cases) {
    Dir d;
    std::string in = d.put(c.name, c.text), out = d.path + "/out.tolm", err, notes;
    RunOptions o;
    ASSERT_TRUE(convert_to_tolm(in, c.f, o, out, err, notes)) << c.name << ": " << err;
    EXPECT_NE(slurp(out).find(c.record), std::string::npos) << c.name << "\n" << slurp(out);
  }
}

// The whole converted file of a small Genepop file, written out by hand: names, free format,
// one locus list per deme, individuals numbered in file order, deme named by its first label.
TEST(FormatsReaders, GenepopConvertedFile) {
  Dir d;
  std::string in = d.put("a.gen", kGenepop), out = d.path + "/a.tolm", err, notes;
  ASSERT_TRUE(convert_to_tolm(in, Format::genepop, RunOptions{}, out, err, notes)) << err;
  EXPECT_EQ(slurp(out),
            "2 3\nA\nB\nC\nx1\ny1\nUNFORMATTED\n1 0 1 0 2 0 3 0\n2 0 1 0 2 0 3 0\n"
            "1 1 1 1 1 2 2 2\n1 2 1 2 2 2 1 1\n2 3 3 3 1 1 1 2\n");
}

// Names longer than TOLM keeps are cut; more than 250 alleles at a locus asks for -maxall=.
TEST(FormatsReaders, LongNamesAndManyAlleles) {
  Dir d;
  std::string text = "2 1 400 3\nLocusNameOfMoreThanTwelve\n";
  for (int a = 1; a <= 260; ++a) text += "1 " + std::to_string(a * 1000 + a) + "\n";
  text += "2 001001\n";
  std::string in = d.put("m.dat", text), out = d.path + "/m.tolm", err, notes;
  ASSERT_TRUE(convert_to_tolm(in, Format::fstat, RunOptions{}, out, err, notes)) << err;
  EXPECT_EQ(slurp(out).substr(0, 18), "2 1\nLocusNameOfM\n1");
  EXPECT_NE(notes.find("has 260 alleles, more than the 250 TOLM counts by default: use "
                       "-maxall=260 or more"),
            std::string::npos)
      << notes;
}

// The format is found from the content, whatever the name; TOLM's own files stay TOLM files.
TEST(FormatsReaders, DetectsFormatFromContent) {
  struct Case {
    const char* text;
    Format f;
  };
  const Case cases[] = {
      {kGenepop, Format::genepop},
      {kFstat, Format::fstat},
      {kGenetix, Format::genetix},
      {kGenalex, Format::genalex},
      {kVcf, Format::vcf},
      {"2 1\nA\nd1\nd2\nUNFORMATTED\n1 0 1 0\n1 1 1 2\n", Format::tolm},
      {"2 1\nA\nd1\nd2\n1 (i2,i3,1x,i3,i3)\n", Format::tolm},
  };
  for (const auto& c : cases) {
    Dir d;
    std::string why;
    EXPECT_EQ(detect_format(d.put("data.txt", c.text), why), c.f) << c.text;
  }
  Dir d;
  std::string why;
  EXPECT_EQ(detect_format(d.put("x.str", kStructure), why), Format::structure);
  EXPECT_EQ(detect_format(d.put("x.txt", "hello\n"), why), Format::unknown);
}

}  // namespace
}  // namespace tolm

namespace tolm {
namespace {

// STRUCTURE layouts: found from the locus names and the pairing of labels, or given by option.
TEST(FormatsReaders, StructureLayouts) {
  struct Case {
    const char* text;
    const char* layout;       // -structure=
    const char* individuals;  // records of the converted file after the locus lists
  };
  const Case cases[] = {
      // one row, deme column only (the first column pairs, but two rows would not fit)
      {"A B\n1 1 2 5 5\n1 1 1 5 6\n2 2 2 5 5\n", "", "1 1 1 2 5 5\n1 2 1 1 5 6\n2 3 2 2 5 5\n"},
      // one row, label and deme
      {"A B\nx 3 1 2 5 -9\ny 7 1 1 5 6\n", "", "1 1 1 2 5 -1\n2 2 1 1 5 6\n"},
      // two rows without locus names: only the option tells the deme column
      {"x 1 5 5\nx 1 6 5\ny 2 5 5\ny 2 5 6\n", "tworows,label,pop", "1 1 5 6 5 5\n2 2 5 5 5 6\n"},
      {"x 5 5\nx 6 5\n", "tworows,label", ""},  // no deme column and no map file: refused
  };
  for (const auto& c : cases) {
    Dir d;
    std::string in = d.put("s.str", c.text), out = d.path + "/s.tolm", err, notes;
    RunOptions o;
    o.structure = c.layout;
    bool ok = convert_to_tolm(in, Format::structure, o, out, err, notes);
    if (!*c.individuals) {
      EXPECT_FALSE(ok);
      EXPECT_NE(err.find("no deme column: give the demes of the individuals with -popmap=FILE"),
                std::string::npos)
          << err;
      continue;
    }
    ASSERT_TRUE(ok) << c.text << ": " << err;
    std::string f = slurp(out);
    EXPECT_EQ(f.substr(f.size() - std::string(c.individuals).size()), c.individuals) << f;
  }
}

}  // namespace
}  // namespace tolm
