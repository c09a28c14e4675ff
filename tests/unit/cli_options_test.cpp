// The options of a run without questions: their values as the run state will take them, the
// messages of bad values, and the one list behind --help and the manual page.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/runopts.h"
#include "run/tolm.h"

using namespace tolm;

namespace {

std::string written(void (*write)(std::FILE*)) {
  std::FILE* f = std::tmpfile();
  write(f);
  std::string s(static_cast<size_t>(std::ftell(f)), '\0');
  std::rewind(f);
  size_t n = std::fread(s.data(), 1, s.size(), f);
  std::fclose(f);
  s.resize(n);
  return s;
}

}  // namespace

TEST(CliOptions, ChoiceValuesBecomeTheAnswersOfTheDialogue) {
  // option, the member it sets (y/n answers in the order of the dialogue's questions)
  struct Case {
    const char* arg;
    std::string RunOptions::*member;
    const char* want;
  } cases[] = {
      {"-analyses=all", &RunOptions::analyses, "yyyyyyyyyy"},
      {"-analyses=none", &RunOptions::analyses, "nnnnnnnnnn"},
      {"-analyses=product,diversity", &RunOptions::analyses, "nynnnnnnny"},
      {"-analyses=1,7,hardy-weinberg", &RunOptions::analyses, "ynnnnnynyn"},
      {"-analyses=delta-t,evenness,distance,differentiation,homogeneity,heterozygosity",
       &RunOptions::analyses, "nnyyyyyynn"},
      {"-kinds=genotypes,maternal", &RunOptions::kinds, "ynny"},
      {"-kinds=paternal,alleles", &RunOptions::kinds, "nyyn"},
      {"-evenness=infinite", &RunOptions::evenness, "ny"},
      {"-weighting=equal,size", &RunOptions::weighting, "yy"},
      {"-snails=wmf", &RunOptions::snails, "ny"},
      {"-snails=none", &RunOptions::snails, "nn"},
      {"-loci=2,Pgi", &RunOptions::loci, "2,Pgi"},
      {"-combinations=1+2,3", &RunOptions::combinations, "1+2,3"},
  };
  for (const Case& c : cases) {
    RunOptions o;
    std::string err;
    ASSERT_TRUE(apply_run_option(o, c.arg, err)) << c.arg << ": " << err;
    EXPECT_EQ(o.*(c.member), c.want) << c.arg;
    EXPECT_TRUE(is_choice_option(option_name(c.arg))) << c.arg;
  }
  RunOptions o;
  std::string err;
  ASSERT_TRUE(apply_run_option(o, "-gametic-sex=ignore", err));
  ASSERT_TRUE(apply_run_option(o, "-results=screen", err));
  ASSERT_TRUE(apply_run_option(o, "-width=0", err));
  EXPECT_EQ(o.gametic_sex, 1);
  EXPECT_EQ(o.results, 's');
  EXPECT_EQ(o.width, 0);
  EXPECT_FALSE(options_run(o));
  ASSERT_TRUE(apply_run_option(o, "-input=x.dat", err));
  EXPECT_TRUE(options_run(o));
  EXPECT_FALSE(is_choice_option("quiet"));  // allowed in every run
}

TEST(CliOptions, BadValuesNameTheOption) {
  const char* bad[] = {"-analyses=11",     "-analyses=0",    "-analyses=",        "-analyses=freq",
                       "-kinds=1",         "-evenness=both", "-weighting=weight", "-snails=png",
                       "-gametic-sex=yes", "-results=paper", "-width=-2",         "-width=x",
                       "-input",           "-demes"};
  for (const char* a : bad) {
    RunOptions o;
    std::string err;
    EXPECT_FALSE(apply_run_option(o, a, err)) << a;
    std::string name = option_name(a);
    EXPECT_NE(err.find("-" + name), std::string::npos) << a << ": " << err;
  }
}

TEST(CliOptions, HelpAndManualPageNameEveryOptionOfTheList) {
  const std::string help = written(usage), man = written(manpage);
  for (const auto* l : {&run_options(), &start_options()})
    for (const OptionInfo& o : *l) {
      const std::string n = o.name;
      if (n == "BATCHFILE") continue;
      EXPECT_NE(help.find("  -" + n), std::string::npos) << n;
      // roff writes each dash of an option as \-
      std::string r;
      for (char c : "-" + n) r += c == '-' ? std::string("\\-") : std::string(1, c);
      EXPECT_NE(man.find("\\fB" + r + "\\fR"), std::string::npos) << n;
    }
  EXPECT_NE(help.find("Exit status: 0"), std::string::npos);
  EXPECT_NE(man.find(".SH EXIT STATUS"), std::string::npos);
}
