// Rows of the long table: the cell format, and the rows the analyses write, on tiny data worked
// out by hand (two demes sharing no allele, a deme without data), with the run's context (loci,
// kind, deme numbers and names in display order) filled in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/frqout.h"
#include "analysis/parsub.h"
#include "builder.h"
#include "report/longtable.h"

using namespace tolm;

namespace {

TEST(LongCell, NumbersInTheirShortestFormAndUndefinedValuesEmpty) {
  struct Case {
    float v;
    const char* cell;
  } cases[] = {
      {0.3611f, "0.3611"}, {0.0f, "0"}, {50.0f, "50"},   {1.2e-07f, "1.2e-07"},      {-9.999f, ""},
      {-9.0f, ""},         {NAN, ""},   {-0.5f, "-0.5"}, {1.0f / 3.0f, "0.33333334"}};
  for (const Case& c : cases) {
    EXPECT_EQ(long_cell(c.v), c.cell) << c.v;
    // through the row's double: the digits of the float, not of its binary widening
    EXPECT_EQ(long_cell(long_float(c.v)), c.cell) << c.v;
  }
}

TEST(LongTableFile, OneLineOfSixteenFieldsPerRowWhateverTheNames) {
  const std::string path = ::testing::TempDir() + "longtable_rows_test.tsv";
  LongTable t;
  int err = 0;
  ASSERT_TRUE(t.open(path, err));
  LongRow r;
  r.pass = 1;
  r.combination = 2;
  r.loci = "A+B";
  r.kind = "alleles";
  r.deme = 3;
  r.deme_name = "a \"quoted\"\tname\r\nx";
  r.measure = "count";
  r.value = 7;
  t.add(r);
  LongRow many = r;  // the loci of a combination of 300 loci: a row longer than most
  many.loci.clear();
  for (int i = 1; i <= 300; ++i) many.loci += (i > 1 ? "+L" : "L\"") + std::to_string(i);
  many.p_value = 0.25;
  t.add(many);
  ASSERT_EQ(t.close(), 0);
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 3u);
  for (const std::string& l : lines) {
    EXPECT_EQ(std::count(l.begin(), l.end(), '\t'), 15) << l;
    EXPECT_EQ(l.find('"'), std::string::npos) << l;  // R and pandas would start a quoted field
  }
  EXPECT_EQ(lines[1], "1\t2\tA+B\talleles\t3\ta 'quoted' name  x\t\t\tcount\t7\t\t\t\t\t\t");
  std::string loci = "L'1";
  for (int i = 2; i <= 300; ++i) loci += "+L" + std::to_string(i);
  EXPECT_EQ(lines[2], "1\t2\t" + loci + "\talleles\t3\ta 'quoted' name  x\t\t\tcount\t7\t\t\t\t0.25\t\t");
  std::remove(path.c_str());
}

class LongRows : public ::testing::Test {
 protected:
  RunState rs;
  Work w;

  void SetUp() override {
    for (int ch = 20; ch <= 27; ++ch) rs.scratch.open(ch);
    rs.param.iunit = 8;
    rs.u(8).capture();
    rs.longtab.keep = true;  // rows kept in memory, no file
    rs.param.idurch = 1;
    for (int k = 1; k <= 6; ++k) rs.names.aprog(k) = 'y';
    rs.names.evefin = rs.names.eveinf = rs.names.spdfin = rs.names.spdinf = 'y';
  }

  // One locus "Adh"; data demes 1..np named D1, D2, ..., shown in the order `nprb`; allele
  // counts (kind 3) counts[p-1][k] of type k in data deme p, type 0 the unidentified genes.
  void run(const std::vector<int>& nprb, const std::vector<std::vector<int>>& counts) {
    const int np = static_cast<int>(counts.size());
    std::string spec = "demes " + std::to_string(np) + "\nloci 1 Adh\nnames";
    for (int p = 1; p <= np; ++p) spec += " D" + std::to_string(p);
    spec += "\nshown";
    for (int d : nprb) spec += " " + std::to_string(d);
    testing_build::build(rs, w, spec + "\n");
    Param& q = rs.param;
    q.mal = 3;
    q.iwithn = q.ibetwn = 1;
    w.hgdiv.fill(1.0f);
    for (int p = 1; p <= np; ++p) {
      int sum = 0;
      for (size_t k = 0; k < counts[static_cast<size_t>(p - 1)].size(); ++k) {
        const int v = counts[static_cast<size_t>(p - 1)][k];
        swrite(rs, 20, (static_cast<long>(k) * np + p - 1) * 3 + 3, v);
        sum += v;
        w.nptr1(1) = std::max(w.nptr1(1), static_cast<int>(k));
      }
      for (int i = 1; i <= q.maxp; ++i)
        if (w.nprb(i) == p) w.nsam(i) = sum / 2;
    }
    parsub(rs, w);
    for (const LongRow& r : rs.longtab.rows) {
      EXPECT_EQ(r.pass, 1);
      EXPECT_EQ(r.combination, 1);
      EXPECT_EQ(r.loci, "Adh");
      EXPECT_EQ(r.kind, "alleles");
      if (r.deme > 0) {
        EXPECT_EQ(r.deme_name, "D" + std::to_string(r.deme));
      }
      const auto key = std::make_tuple(r.measure, r.deme, r.other_deme);
      EXPECT_EQ(value.count(key), 0u) << "two rows for " << r.measure << " " << r.deme;
      value[key] = r.value;
    }
  }
  // The value of a row; NAN when it is undefined (an empty cell), -1 when there is no row.
  double get(const std::string& m, int deme = 0, int other = 0) {
    auto it = value.find(std::make_tuple(m, deme, other));
    if (it == value.end()) return -1;
    return it->second <= -9.0 ? NAN : it->second;
  }
  std::map<std::tuple<std::string, int, int>, double> value;
};

TEST_F(LongRows, TwoDemesSharingNoAlleleShownInReverseOrder) {
  // Data deme 1: alleles (2, 2, 0); deme 2: (0, 0, 4); shown as deme 2 first.
  run({2, 1}, {{0, 2, 2, 0}, {0, 0, 0, 4}});
  EXPECT_EQ(get("count_total", 1), 4);
  EXPECT_DOUBLE_EQ(get("diversity_v2", 1), 2.0);  // 1 / (0.25 + 0.25)
  EXPECT_DOUBLE_EQ(get("diversity_v2", 2), 1.0);
  EXPECT_NEAR(get("differentiation_delta_T", 1), 8.0 / 12.0, 1e-6);  // (2*2 + 2*2) / (4*3)
  EXPECT_DOUBLE_EQ(get("differentiation_delta_T", 2), 0.0);
  EXPECT_DOUBLE_EQ(get("evenness_finite", 1), 1.0);  // plateau of 2 types fits exactly
  EXPECT_DOUBLE_EQ(get("evenness_finite_types", 1), 2.0);
  EXPECT_DOUBLE_EQ(get("evenness_infinite_relative", 2), 1.0);
  // Sharing no allele: d_0 = 1, D_j = 1 under both weightings, C_j = 1/2, delta = 1.
  EXPECT_DOUBLE_EQ(get("distance_d0", 1, 2), 1.0);
  EXPECT_DOUBLE_EQ(get("distance_d0", 2, 2), 0.0);
  EXPECT_EQ(get("distance_d0", 2, 1), -1);  // the lower triangle only, in display order
  for (int d : {1, 2}) {
    EXPECT_DOUBLE_EQ(get("relative_size_Cj", d), 0.5);
    EXPECT_DOUBLE_EQ(get("relative_size_Cj_equal", d), 0.5);
    EXPECT_DOUBLE_EQ(get("differentiation_Dj", d), 1.0);
    EXPECT_DOUBLE_EQ(get("differentiation_Dj_equal", d), 1.0);
  }
  EXPECT_DOUBLE_EQ(get("differentiation_delta"), 1.0);
  EXPECT_DOUBLE_EQ(get("differentiation_delta_equal"), 1.0);
}

TEST_F(LongRows, DemeWithoutDataHasItsRowsWithUndefinedValues) {
  // Data deme 2 has only unidentified genes.
  run({1, 2}, {{0, 3, 1}, {4, 0, 0}});
  EXPECT_EQ(get("count_total", 2), 0);
  EXPECT_TRUE(std::isnan(get("diversity_v2", 2)));
  EXPECT_TRUE(std::isnan(get("evenness_finite", 2)));
  EXPECT_TRUE(std::isnan(get("evenness_finite_types", 2)));  // not the plateau size 0
  EXPECT_TRUE(std::isnan(get("distance_d0", 2, 1)));
  EXPECT_TRUE(std::isnan(get("differentiation_Dj", 1)));
  EXPECT_TRUE(std::isnan(get("relative_size_Cj_equal", 1)));
  EXPECT_TRUE(std::isnan(get("differentiation_delta")));
  // Counts 3, 1: plateau 1 at distance 2 is not beaten by plateau 2, so e = 1 - 2/8.
  EXPECT_DOUBLE_EQ(get("evenness_finite", 1), 0.75);
  EXPECT_DOUBLE_EQ(get("evenness_finite_types", 1), 1.0);
}

TEST_F(LongRows, NothingIsKeptWhenNoLongTableIsWanted) {
  rs.longtab.keep = false;
  run({1, 2}, {{0, 2, 2}, {0, 1, 3}});
  EXPECT_TRUE(rs.longtab.rows.empty());
}

}  // namespace
