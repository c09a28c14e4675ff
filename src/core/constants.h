// The numbers of the system, named: the channels of a run, the ten analyses, the four kinds of
// frequency distribution and the missing-value marker.
//
// Nothing here is computed or changed at run time. The values are those written into stored
// batch files, configuration files and the tabular file, so they never change either: a name
// only says which number is meant where a bare literal stood.
//
// Channels (units): 1 configuration file, 5 keyboard or batch file, 6 console, 8 results file,
// 10 input file, 20 to 27 scratch channels (records: core/records.h), 29 tabular file,
// 44 help text of the widget menu.
#pragma once

namespace tolm {

// The channels of a run: `rs.u(ch::results)`.
namespace ch {
constexpr int config = 1;    // configuration file <input prefix>.cfg
constexpr int keyboard = 5;  // standard input or the batch file
constexpr int console = 6;   // the screen
constexpr int results = 8;   // <prefix>-out.txt
constexpr int input = 10;    // the input file
constexpr int hapcnt = 20;   // haplotype counts per (type, combination, deme, contribution)
constexpr int hapall = 21;   // alleles of each haplotype, per locus of the combination
constexpr int gencnt = 22;   // genotype counts per (type, combination, deme)
constexpr int genhap = 23;   // the two haplotypes of each genotype (a pair per record)
constexpr int hapord = 24;   // haplotype at each output position (after sorting)
constexpr int genord = 25;   // genotype at each output position (after sorting)
constexpr int hetcnt = 26;   // heterozygosity counts per (combination, deme)
constexpr int even = 27;     // evenness table of the current section: types per (deme, count)
constexpr int tabular = 29;  // <prefix>-tab.txt or "tolmout.txt"
constexpr int help = 44;     // help text of the widget menu
constexpr int first_scratch = hapcnt, last_scratch = even;
}  // namespace ch

// The ten analyses, as numbered in `aprog`, `iprog` and the configuration file:
// `rs.names.aprog(prog::homogeneity) == 'y'`.
namespace prog {
constexpr int frequencies = 1;     // frequency distributions
constexpr int diversity = 2;       // diversity v_2
constexpr int totaldiff = 3;       // total population differentiation delta_T
constexpr int evenness = 4;        // evenness
constexpr int distance = 5;        // genetic distance d_0
constexpr int subdiff = 6;         // subpopulation differentiation D_j and delta
constexpr int homogeneity = 7;     // test of homogeneity
constexpr int heterozygosity = 8;  // heterozygosity
constexpr int hardyweinberg = 9;   // test of Hardy-Weinberg structure and heterozygosity
constexpr int product = 10;        // test of product structure
constexpr int count = 10;
}  // namespace prog

// The four kinds of frequency distribution, as numbered in `frqstr` and `mal`.
namespace kind {
constexpr int maternal = 1;   // maternal contributions
constexpr int paternal = 2;   // paternal contributions
constexpr int alleles = 3;    // alleles or haplotypes of identified individuals
constexpr int genotypes = 4;  // genotypes
constexpr int count = 4;
}  // namespace kind

// The marker of an undefined value (`Param::astrix`), printed "-9.999"; a value above
// `kMissingTest` is a real value. The tabular file writes "NA" for every value at or below
// `kMissingNA` (`Param::astrix1`), and the long table an empty cell.
constexpr float kMissing = -9.999f;
constexpr float kMissingNA = -9.0f;
constexpr float kMissingTest = -1e-6f;

}  // namespace tolm
