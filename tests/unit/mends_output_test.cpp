// Output files that a run may leave half-written: a file written afresh takes its name only when
// complete, a failed write leaves the earlier file as it was; snails of a prefix that holds a
// folder, the user's texts in a snail, plot files that cannot be written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "graphics/snailone.h"
#include "io/units.h"
#include "plot_tools.h"
#include "plotlayer/plot.h"

namespace tolm {
namespace {

namespace fs = std::filesystem;
using plottest::exists;
using plottest::have;
using plottest::slurp;

class MendsOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = plottest::tmpdir();
    ASSERT_FALSE(dir.empty());
    plot_take_messages();
  }
  void TearDown() override {
    plot_take_messages();
    if (!dir.empty()) fs::remove_all(dir);
  }
  void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  // files of the directory other than the ones named
  int entries() {
    int n = 0;
    for (auto& e : fs::directory_iterator(dir)) n += e.path().filename() != "" ? 1 : 0;
    return n;
  }
  std::string dir;
};

TEST_F(MendsOutput, FileTakesItsNameWhenComplete) {
  const std::string f = dir + "/run-out.txt";
  write(f, "old run\n");
  {
    io::Unit u;
    ASSERT_EQ(u.open_out(f, io::OpenMode::old), 0);  // "O": overwrite
    u.line("new run");
    u.flush();
    EXPECT_EQ(slurp(f), "old run\n");  // half-way, the old file is still the whole old file
    EXPECT_EQ(u.close(), 0);
  }
  EXPECT_EQ(slurp(f), "new run\n");
  EXPECT_EQ(entries(), 1);  // no temporary file left

  // a unit given up without close (an error stop) leaves the earlier file and no other
  {
    io::Unit u;
    ASSERT_EQ(u.open_out(f, io::OpenMode::unknown), 0);
    u.line("cut short");
    u.flush();
  }
  EXPECT_EQ(slurp(f), "new run\n");
  EXPECT_EQ(entries(), 1);

  // a later pass appends in place
  {
    io::Unit u;
    ASSERT_EQ(u.open_out(f, io::OpenMode::append), 0);
    u.line("pass 2");
    u.flush();
    EXPECT_EQ(slurp(f), "new run\npass 2\n");
    EXPECT_EQ(u.close(), 0);
  }
  // a file committed after one pass goes on in place: a stop in the next pass keeps the first
  {
    io::Unit u;
    ASSERT_EQ(u.open_out(f, io::OpenMode::old), 0);
    u.line("pass 1");
    EXPECT_EQ(u.commit(), 0);
    EXPECT_EQ(slurp(f), "pass 1\n");
    u.line("pass 2, cut");
  }
  EXPECT_EQ(slurp(f), "pass 1\npass 2, cut\n");
  EXPECT_EQ(entries(), 1);
  // "new" still refuses an existing file, and a directory is never replaced
  io::Unit u;
  EXPECT_EQ(u.open_out(f, io::OpenMode::fresh), EEXIST);
  fs::create_directory(dir + "/sub");
  EXPECT_EQ(u.open_out(dir + "/sub", io::OpenMode::unknown), EISDIR);
}

// A full disk, made with a limit on the size of files the process may write.
TEST_F(MendsOutput, FailedWriteKeepsEarlierFileAndReportsTheReason) {
  const std::string f = dir + "/run-tab.txt";
  write(f, "complete earlier table\n");
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  void (*was)(int) = signal(SIGXFSZ, SIG_IGN);
  struct rlimit lim = old;
  lim.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
  int rc = 0;
  {
    io::Unit u;
    rc = u.open_out(f, io::OpenMode::unknown);
    if (rc == 0) {
      for (int i = 0; i < 20000; ++i) u.line("a row of the table that does not fit");
      rc = u.close();
    }
  }
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, was);
  EXPECT_EQ(rc, EFBIG);
  EXPECT_EQ(slurp(f), "complete earlier table\n");
  EXPECT_EQ(entries(), 1);
  EXPECT_EQ(io::os_reason(ENOENT), " (No such file or directory)");
  EXPECT_EQ(io::os_reason(5010), "");  // the program's own codes have no system text
  EXPECT_EQ(io::os_reason(-1), "");
}

struct SnailArgs {
  Arr1<int> p{1, 2, 0};
  Arr1<float> cj{1, 2, 0.0f}, dj{1, 2, 0.0f};
  SnailArgs() {
    p(1) = 1;
    p(2) = 2;
    cj(1) = 0.5f;
    cj(2) = 0.5f;
    dj(1) = 0.25f;
    dj(2) = 0.5f;
  }
};

TEST_F(MendsOutput, SnailsOfAPrefixWithAFolder) {
  // the driver makes "<folder>/run1-Snails" from the prefix "out/run1"
  const std::string snaildir = dir + "/out/run1-Snails";
  fs::create_directories(snaildir);
  SnailArgs a;
  EXPECT_EQ(snailone("EquPopSiz-Alleles: Locus 1", snaildir, "out/run1", "inf", a.p, a.cj, a.dj,
                     0.3f, 2, 1, 1, 1),
            0);
  EXPECT_TRUE(exists(snaildir + "/run1-Snail-EquPopSiz-Alleles__Locus_1.eps"));
  EXPECT_TRUE(exists(snaildir + "/run1-Snail-EquPopSiz-Alleles__Locus_1.wmf"));
  EXPECT_FALSE(exists(snaildir + "/out"));

  // a folder that is not there: both files fail, and say so
  const int before = plot_failed_files();
  EXPECT_EQ(snailone("EquPopSiz-Alleles: Locus 1", dir + "/none", "run1", "inf", a.p, a.cj, a.dj,
                     0.3f, 2, 1, 1, 1),
            2);
  EXPECT_EQ(plot_failed_files(), before + 2);
  auto msgs = plot_take_messages();
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_NE(msgs[0].find("(No such file or directory)"), std::string::npos) << msgs[0];
}

TEST_F(MendsOutput, SnailShowsThePrefixAsGiven) {
  SnailArgs a;
  const std::string prefix = "a$b_c%d(e";
  ASSERT_EQ(
      snailone("EquPopSiz-Alleles: L_1$x^2", dir, prefix, "inf", a.p, a.cj, a.dj, 0.3f, 2, 1, 1, 0),
      0);
  const std::string eps = dir + "/" + prefix + "-Snail-EquPopSiz-Alleles__L_1$x^2.eps";
  ASSERT_TRUE(exists(eps));
  if (!have("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  std::string out;
  ASSERT_EQ(
      plottest::run(
          "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=txtwrite -sOutputFile=- '" + eps + "'", out),
      0)
      << out;
  EXPECT_NE(out.find("Data:a$b_c%d(e"), std::string::npos) << out;
  EXPECT_NE(out.find("L_1$x^2"), std::string::npos) << out;
}

}  // namespace
}  // namespace tolm
