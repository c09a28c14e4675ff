// The reading in two threads against the reading in one, the heterozygosity counts of single
// loci against a count made here, and the paged scratch store against a plain map.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "input/count.h"

namespace tolm {
namespace {

// A run over np demes and nl loci: every single locus and the combination of loci 1 and 2.
struct PipeRun {
  RunState rs;
  Work w;
  int ierr = -1;
  std::string console, results;
  PipeRun(int np, int nl, int threads, bool het) {
    w.create(np, nl, nl + 1, 250);
    Param& p = rs.param;
    p.np = np;
    p.nl = nl;
    p.nc = nl + 1;
    p.mxnrlc = 2;
    for (int kc = 1; kc <= nl; ++kc) {
      w.nrloc(kc) = 1;
      w.loccmb(kc, 1) = kc;
    }
    w.nrloc(nl + 1) = 2;
    w.loccmb(nl + 1, 1) = 1;
    w.loccmb(nl + 1, 2) = 2;
    p.idurch = 1;
    p.icount = 1;
    p.iunit = 8;
    rs.opt.threads = threads;
    rs.names.aprog(8) = het ? 'y' : 'n';
    for (int ch = 20; ch <= 27; ++ch) rs.scratch.open(ch);
    rs.con().capture();
    rs.u(8).capture();
  }
  void count(const std::string& text) {
    rs.u(10).feed(text);
    xcount(rs, w, ierr, "*", rs.param.nl);
    console = rs.con().take_captured();
    results = rs.u(8).take_captured();
  }
  std::vector<int32_t> channel(int ch) {
    std::vector<int32_t> v;
    for (long r = 1; r <= rs.param.mind(ch); ++r) {
      if (ch != 23) {
        v.push_back(sread(rs, ch, r));
        continue;
      }
      int32_t a = 0, b = 0;
      sread23(rs, r, a, b);
      v.push_back(a);
      v.push_back(b);
    }
    return v;
  }
};

std::string header(int np, int nl) {
  std::string t = std::to_string(np) + " " + std::to_string(nl) + "\n";
  for (int l = 1; l <= nl; ++l) t += "L" + std::to_string(l) + "\n";
  for (int k = 1; k <= np; ++k) t += "D" + std::to_string(k) + "\n";
  return t + "UNFORMATTED\n";
}

// Many records (several batches), with every kind of line the reading meets on the way.
std::string body(int np, unsigned seed, int n, const std::string& tail) {
  std::string t = "1 0 1 1 2 1 3 0\n";  // gametic sex at loci 1 and 2
  unsigned x = seed;
  auto next = [&](unsigned m) { return x = x * 1103515245u + 12345u, (x >> 8) % m; };
  for (int i = 0; i < n; ++i) {
    if (i == 1000) t += "# a comment\n9999 the rest is ignored\n0 0\n\n          \n";
    if (i == 2500) t += "1 x 3\n";                        // unreadable
    if (i == 3000) t += "2 0 -1 0 2 0 3 0\n";             // counts mode, no gametic sex
    if (i == 3500) t += "1 5 100 102\n104 104 98 100\n";  // continued over two lines
    t += std::to_string(1 + next(np)) + " " + std::to_string(1 + next(3));
    for (int l = 0; l < 6; ++l) {
      const unsigned r = next(40);
      t += " " + (r == 0 ? std::string("-1") : std::to_string(90 + 2 * r));
    }
    t += "\n";
  }
  return t + tail;
}

TEST(SpeedPipeline, TwoThreadsGiveTheSameEchoMessagesAndCounts) {
  struct Case {
    const char* what;
    std::string tail;
    bool het;
    int ierr;
  };
  const std::vector<Case> cases = {
      {"to the end of the file", "", true, 1},
      {"stopped at a deme out of range", "7 1 100 100 100 100 100 100\n1 1 1 1 1 1 1 1\n", false,
       2},
      {"a bad locus list", "1 0 9 0\n1 1 100 100 100 100 100 100\n", true, 2},
  };
  for (const Case& c : cases) {
    const std::string text = header(4, 3) + body(4, 99, 6000, c.tail);
    PipeRun one(4, 3, 1, c.het), two(4, 3, 2, c.het);
    one.count(text);
    two.count(text);
    EXPECT_EQ(one.ierr, c.ierr) << c.what;
    EXPECT_EQ(two.ierr, one.ierr) << c.what;
    EXPECT_EQ(two.console, one.console) << c.what;
    EXPECT_EQ(two.results, one.results) << c.what;
    EXPECT_NE(one.console.find(" ** Error reading record"), std::string::npos) << c.what;
    for (int ch : {20, 21, 22, 23, 26}) {
      EXPECT_EQ(two.rs.param.mind(ch), one.rs.param.mind(ch)) << c.what << " channel " << ch;
      EXPECT_EQ(two.channel(ch), one.channel(ch)) << c.what << " channel " << ch;
    }
    for (int kc = 1; kc <= 4; ++kc) {
      EXPECT_EQ(two.w.nptr1(kc), one.w.nptr1(kc)) << c.what;
      EXPECT_EQ(two.w.nptr2(kc), one.w.nptr2(kc)) << c.what;
    }
  }
}

// Channel 26 of the single loci: individuals homozygous, heterozygous, with complete genotype
// and with a missing allele, per locus and deme, against a count of the records made here.
TEST(SpeedPipeline, SingleLocusHeterozygosityMatchesACountOfTheRecords) {
  const int np = 3, nl = 3;
  std::string text = header(np, nl) + "1 0 1 0 2 0 3 0\n";
  std::map<std::vector<int>, int> want;  // (locus, deme, kind 1 hom, 2 het, 3 missing) -> n
  unsigned x = 7;
  auto next = [&](unsigned m) { return x = x * 1103515245u + 12345u, (x >> 8) % m; };
  for (int i = 0; i < 5000; ++i) {
    const int kp = 1 + static_cast<int>(next(np));
    text += std::to_string(kp) + " " + std::to_string(i + 1);
    for (int l = 1; l <= nl; ++l) {
      const int a = next(12) == 0 ? -3 : 100 + static_cast<int>(next(4));
      const int b = next(12) == 0 ? -1 : 100 + static_cast<int>(next(4));
      text += " " + std::to_string(a) + " " + std::to_string(b);
      ++want[{l, kp, a < 0 || b < 0 ? 3 : a == b ? 1 : 2}];
    }
    text += "\n";
  }
  for (int threads : {1, 2}) {
    PipeRun r(np, nl, threads, true);
    r.count(text);
    ASSERT_EQ(r.ierr, 0);
    const long blk = r.rs.param.mxnrlc + 3L;
    for (int l = 1; l <= nl; ++l)
      for (int kp = 1; kp <= np; ++kp) {
        const long base = blk * (static_cast<long>(np) * (l - 1) + kp - 1);
        auto at = [&](long k) { return sread(r.rs, 26, base + k); };
        const int hom = want[{l, kp, 1}], het = want[{l, kp, 2}], miss = want[{l, kp, 3}];
        EXPECT_EQ(at(1), hom) << "locus " << l << " deme " << kp;
        EXPECT_EQ(at(2), het) << "locus " << l << " deme " << kp;
        EXPECT_EQ(at(3), 0) << "locus " << l << " deme " << kp;
        EXPECT_EQ(at(blk - 1), hom + het) << "locus " << l << " deme " << kp;
        EXPECT_EQ(at(blk), miss) << "locus " << l << " deme " << kp;
      }
  }
}

// Records written, added to and read back at random over a long, mostly empty channel, with
// zeros written into pages that do not exist yet, against a map.
TEST(SpeedPipeline, PagedScratchChannelReadsWhatWasWritten) {
  io::Scratch s;
  s.open(20);
  std::map<long, int32_t> want;
  unsigned x = 3;
  auto next = [&](unsigned m) { return x = x * 1103515245u + 12345u, (x >> 4) % m; };
  for (int i = 0; i < 20000; ++i) {
    const long rec = 1 + static_cast<long>(next(3000000));
    switch (next(3)) {
      case 0: {
        const int32_t v = next(4) == 0 ? 0 : static_cast<int32_t>(next(1000)) - 500;
        s.put(20, rec, v);
        want[rec] = v;
        break;
      }
      case 1:
        s.ref(20, rec) += 7;
        want[rec] += 7;
        break;
      default: {
        auto it = want.find(rec);
        ASSERT_EQ(s.get(20, rec), it == want.end() ? 0 : it->second) << rec;
      }
    }
  }
  for (const auto& [rec, v] : want) ASSERT_EQ(s.get(20, rec), v) << rec;
  EXPECT_EQ(s.get(20, 0), 0);
  EXPECT_EQ(s.get(20, -5), 0);
  EXPECT_EQ(s.get(20, 1L << 40), 0);
  EXPECT_EQ(s.get(21, 5), 0);  // another channel holds nothing of it
  s.close(20);
  EXPECT_EQ(s.get(20, want.begin()->first), 0);
}

}  // namespace
}  // namespace tolm
