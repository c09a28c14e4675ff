#include "core/heading.h"

#include <fmt/format.h>

#include "io/fixw.h"
#include "io/units.h"

namespace tolm {

namespace {

// The program name in block letters built from its own letters, 35 columns by 7 rows.
// clang-format off
constexpr const char* kBlock[7] = {
    "TTTTTTTT  OOOOOO  LL       MM    MM",
    "   TT    OO    OO LL       MMM  MMM",
    "   TT    OO    OO LL       MM MM MM",
    "   TT    OO    OO LL       MM    MM",
    "   TT    OO    OO LL       MM    MM",
    "   TT    OO    OO LL       MM    MM",
    "   TT     OOOOOO  LLLLLLLL MM    MM",
};
constexpr const char* kTitle[7] = {
    "Analysis of the", "genetic structure", "of subdivided", "populations from",
    "multilocus data", "Version 3.0",       "January 2015",
};
// clang-format on

}  // namespace

void heading(RunState& rs, int iunit, int isys) {
  io::Unit& u = rs.u(iunit);
  const std::string stars(72, '*');
  u.line(stars);
  for (int r = 0; r < 7; ++r) {
    std::string l = "*" + std::string(7, ' ') + kBlock[r] + std::string(8, ' ');
    l += io::fa(kTitle[r], 20) + "*";
    u.line(l);
  }
  u.line(stars);
  u.line("Frequencies, diversity, differentiation, heterozygosity and tests for");
  u.line("multilocus genotypes of individuals sampled in several demes.");
  u.line("This program is free software: you may use, copy and distribute it,");
  u.line("modified or not, provided that this notice is kept with every copy.");
  u.line("It is distributed in the hope that it will be useful, but WITHOUT ANY");
  u.line("WARRANTY; without even the implied warranty of MERCHANTABILITY or");
  u.line("FITNESS FOR A PARTICULAR PURPOSE. The authors accept no liability for");
  u.line("any results obtained with it. Please cite the program when you publish");
  u.line("results obtained with it.");
  u.line("Dialog windows and drawings: TOLM plot and widget routines (FLTK, EPS, WMF).");
#if defined(__clang__)
  const std::string compiler =
      fmt::format("clang {}.{}.{}", __clang_major__, __clang_minor__, __clang_patchlevel__);
#elif defined(__GNUC__)
  const std::string compiler =
      fmt::format("GNU C++ {}.{}.{}", __GNUC__, __GNUC_MINOR__, __GNUC_PATCHLEVEL__);
#else
  const std::string compiler = "a C++17 compiler";
#endif
  if (isys == 1) {
    u.line("Linux build, compiled with " + compiler);
  } else {
    u.line("Windows build, compiled with " + compiler);
    u.line("Compiler revision " + std::string(__VERSION__) + ", for Windows 7 and later");
  }
}

}  // namespace tolm
