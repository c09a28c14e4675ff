// The four dialogs of widget mode answered by the scripted backend: what they show, and what
// they leave in the record `wd` (and `indf`/`indp`) for the main driver.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/wdmenu.h"
#include "plotlayer/widget_script.h"
#include "core/runstate.h"

using namespace tolm;

namespace {

class WidgetDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    wg::use_script();
    wg::take_reports();
  }
  void TearDown() override {
    EXPECT_TRUE(wg::take_reports().empty()) << "the dialogs misused the widget layer";
    wg::use_default();
  }
  RunState rs;
};

// Identifier of the widget of that kind showing that text in the dialog last built (0: none).
int id_of(wg::Kind kind, const std::string& text) {
  for (const wg::Widget& w : wg::dialog().widgets)
    if (w.kind == kind && w.text == text) return w.id;
  return 0;
}
int box(const std::string& text) {
  return id_of(wg::Kind::check, text);
}
// The single-choice list of the menu (single loci or multilocus).
int list_id() {
  for (const wg::Widget& w : wg::dialog().widgets)
    if (w.kind == wg::Kind::list) return w.id;
  return 0;
}

// Texts of the labels of a row (a horizontal container), in order.
std::vector<std::string> row_texts(const wg::Widget& row) {
  std::vector<std::string> t;
  for (int c : row.children) t.push_back(wg::dialog().widgets[c - 1].text);
  return t;
}

std::vector<const wg::Widget*> rows() {
  std::vector<const wg::Widget*> r;
  for (const wg::Widget& w : wg::dialog().widgets)
    if (w.kind == wg::Kind::box) r.push_back(&w);
  return r;
}

const char* const kFreq[4] = {
    "Maternal allele/haplotype frequencies, if gametic sex is specified in data",
    "Paternal allele/haplotype frequencies, if gametic sex is specified in data",
    "Allele/haplotype frequencies", "Genotype frequencies"};
const char* const kProg[10] = {"Include frequency distributions and loss probabilities in output",
                               "Diversity",
                               "Total population differentiation deltaT",
                               "Evenness",
                               "Genetic distance d0",
                               "Subpopulation differentiation Dj, delta",
                               "Test of homogeneity",
                               "Heterozygosity",
                               "Test of Hardy-Weinberg structure + heterozygosity (single locus)",
                               "Test of product structure (single locus)"};

TEST_F(WidgetDialogs, FirstDialogShowsTheFileAndTakesThePrefix) {
  rs.wd.prefix = "pop.dat";
  wdfirst(rs, "/data/pop.dat");
  auto r = rows();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(row_texts(*r[0]), (std::vector<std::string>{"INPUT FILE:", "/data/pop.dat"}));
  EXPECT_EQ(row_texts(*r[1]), (std::vector<std::string>{"PREFIX FOR OUTPUT FILES:", "pop.dat"}));
  EXPECT_EQ(wg::dialog().title, "TOLM - Input prefix for output files");
  EXPECT_FALSE(wg::dialog().help_entry);
  EXPECT_EQ(wg::dialog().focus, id_of(wg::Kind::ok, "OK"));
  EXPECT_EQ(rs.wd.prefix, "pop.dat");  // OK alone keeps the prefix

  wg::script_type(id_of(wg::Kind::text, "pop.dat"), "run2");
  wg::script_ok();
  wdfirst(rs, "/data/pop.dat");
  EXPECT_EQ(rs.wd.prefix, "run2");

  // An emptied prefix would name the files "-out.txt": the dialog comes back with the old one.
  int txt = id_of(wg::Kind::text, "run2");
  wg::script_type(txt, "   ");
  wg::script_ok();
  wg::script_confirm();
  wg::script_type(txt, "run3");
  wg::script_ok();
  wdfirst(rs, "/data/pop.dat");
  EXPECT_EQ(rs.wd.prefix, "run3");
  EXPECT_EQ(wg::script_log()[wg::script_log().size() - 2].kind, "message");
  EXPECT_EQ(wg::script_pending(), 0u);
}

TEST_F(WidgetDialogs, FirstDialogSpreadsALongFileNameOverRows) {
  // 200 characters: rows of 80, 80 and 40, the later ones under a blank label.
  std::string name = "/" + std::string(98, 'd') + "/" + std::string(100, 'f');
  rs.wd.prefix = std::string(100, 'f');
  wdfirst(rs, name);
  auto r = rows();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(row_texts(*r[0]), (std::vector<std::string>{"INPUT FILE:", name.substr(0, 80)}));
  EXPECT_EQ(row_texts(*r[1]), (std::vector<std::string>{"", name.substr(80, 80)}));
  EXPECT_EQ(row_texts(*r[2]), (std::vector<std::string>{"", name.substr(160)}));
  EXPECT_EQ(wg::dialog().widgets[r[1]->children[0] - 1].width, 11);
}

TEST_F(WidgetDialogs, ExistingOutputOverwriteOrNewPrefix) {
  int isel = 0;
  std::string prefix = "pop.dat", newfil = "junk";
  wdoutfile(rs, isel, prefix, newfil);
  EXPECT_EQ(isel, 1);
  EXPECT_EQ(newfil, "");
  EXPECT_EQ(wg::dialog().title, "TOLM - Check existence of output files using prefix");
  auto r = rows();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(row_texts(*r[0]),
            (std::vector<std::string>{"OUTPUT FILE ALREADY EXISTS:", "pop.dat-out.txt"}));
  const wg::Widget& lis = wg::dialog().widgets[r[1]->children[1] - 1];
  EXPECT_EQ(lis.items, (std::vector<std::string>{"Overwrite existing output files",
                                                 "Enter new prefix for output files"}));

  wg::script_choose(lis.id, 2);
  wg::script_ok();
  wdoutfile(rs, isel, prefix, newfil);
  EXPECT_EQ(isel, 2);
  EXPECT_EQ(rs.sel.isel, 2);
}

TEST_F(WidgetDialogs, MenuCheckBoxIdentifiersFallInTheRangesOfIndfAndIndp) {
  for (int ioldcfg : {0, 1}) {
    RunState r;
    r.wd.prefix = "cattle.dat";
    wdmenu(r, 30, 15, ioldcfg, 1);
    for (int i = 1; i <= 4; ++i) {
      int id = box(kFreq[i - 1]);
      ASSERT_GE(id, 1) << kFreq[i - 1];
      ASSERT_LE(id, 33) << kFreq[i - 1];
      EXPECT_EQ(r.wd.indf(id), i);
    }
    for (int i = 1; i <= 10; ++i) {
      int id = box(kProg[i - 1]);
      ASSERT_GE(id, 30) << kProg[i - 1];
      ASSERT_LE(id, 63) << kProg[i - 1];
      EXPECT_EQ(r.wd.indp(id), i);
    }
    int saved = id_of(wg::Kind::label, "SHOWING SELECTIONS SAVED IN");
    EXPECT_EQ(saved != 0, ioldcfg == 1);
    if (saved) {
      EXPECT_EQ(wg::dialog().widgets[saved].text, "cattle.dat.cfg");  // the label after it
    }
  }
}

TEST_F(WidgetDialogs, MenuShowsThePresetsAndTheHeadingAsHelp) {
  rs.wd.ifrqstr(3) = 1;
  rs.wd.iprog(2) = 1;
  rs.wd.iprog(7) = 1;
  wdmenu(rs, 30, 15, 0, 1);
  const wg::Dialog& d = wg::dialog();
  EXPECT_EQ(d.title, "TOLM - Interactive input");
  EXPECT_NE(id_of(wg::Kind::text, "All 30 loci"), 0);
  EXPECT_NE(id_of(wg::Kind::text, "All 15 demes"), 0);
  EXPECT_EQ(rs.wd.aloclist, "All 30 loci");
  EXPECT_EQ(rs.wd.ademlist, "All 15 demes");
  EXPECT_EQ(rs.wd.locsimu, 1);
  EXPECT_EQ(d.widgets[box(kFreq[2]) - 1].state, 1);
  EXPECT_EQ(d.widgets[box(kFreq[0]) - 1].state, 0);
  EXPECT_EQ(rs.wd.iprog(2) + rs.wd.iprog(7), 2);
  EXPECT_EQ(rs.wd.ifrqstr(3), 1);
  // The rule shows its first 80 characters: 33 dashes, the text, dashes.
  EXPECT_NE(
      id_of(wg::Kind::label, std::string(33, '-') + " SELECT CALCULATIONS " + std::string(26, '-')),
      0);
  for (const char* head : {"FREQUENCY DISTRIBUTIONS:", "VARIATION WITHIN DEMES:",
                           "VARIATION BETWEEN DEMES:", "GENOTYPIC STRUCTURE:"})
    EXPECT_NE(id_of(wg::Kind::label, head), 0) << head;
  // Help: the heading, one line per "|", none longer than 90, at most 1269 characters.
  EXPECT_TRUE(d.help_entry);
  ASSERT_LE(d.help.size(), 1269u);
  std::vector<std::string> lines = wg::split_bar(d.help);
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[0], std::string(72, '*'));
  EXPECT_EQ(lines[8], std::string(72, '*'));
  EXPECT_NE(lines[6].find("Version 3.0"), std::string::npos);
  for (const std::string& l : lines) EXPECT_LE(l.size(), 90u);
}

TEST_F(WidgetDialogs, TickingEvennessSetsBothEvennessRefinements) {
  wdmenu(rs, 30, 15, 0, 1);
  EXPECT_EQ(rs.wd.ievefin + rs.wd.ieveinf, 0);
  int even = box("Evenness");
  wg::script_tick(even);
  wg::script_choose(list_id(), 2);  // multilocus types
  wg::script_ok();
  wdmenu(rs, 30, 15, 0, 1);
  EXPECT_EQ(rs.wd.iprog(4), 1);
  EXPECT_EQ(rs.wd.ievefin, 1);
  EXPECT_EQ(rs.wd.ieveinf, 1);
  EXPECT_EQ(rs.wd.locsimu, 2);
}

TEST_F(WidgetDialogs, UntickingEveryCalculationLeavesNoneChosen) {
  for (int i = 1; i <= 10; ++i) rs.wd.iprog(i) = 1;
  for (int i = 1; i <= 4; ++i) rs.wd.ifrqstr(i) = 1;
  wdmenu(rs, 3, 2, 0, 1);
  for (int i = 1; i <= 10; ++i) wg::script_untick(box(kProg[i - 1]));
  wg::script_untick(box(kFreq[0]));
  wg::script_tick(box("Ignore gametic sex, if specified in data"));
  wg::script_ok();
  wdmenu(rs, 3, 2, 0, 1);
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(rs.wd.iprog(i), 0) << i;
  EXPECT_EQ(rs.wd.ifrqstr(1), 0);
  EXPECT_EQ(rs.wd.ifrqstr(2), 1);
  EXPECT_EQ(rs.wd.inotord, 1);
  EXPECT_EQ(rs.wd.ievefin + rs.wd.ieveinf, 0);
}

TEST_F(WidgetDialogs, TypedListsOfLociAndDemesAreKept) {
  wdmenu(rs, 30, 15, 0, 1);
  int loci = id_of(wg::Kind::text, "All 30 loci");
  int dems = id_of(wg::Kind::text, "All 15 demes");
  wg::script_type(loci, "1, 3 5");
  wg::script_type(dems, "2 15");
  wg::script_ok();
  wdmenu(rs, 30, 15, 0, 1);
  EXPECT_EQ(rs.wd.aloclist, "1, 3 5");
  EXPECT_EQ(rs.wd.ademlist, "2 15");
  EXPECT_TRUE(wg::script_log().back().kind == "dialog");  // no complaint
}

TEST_F(WidgetDialogs, ABadListShowsAMessageAndTheMenuAgainWithTheOtherChoices) {
  wdmenu(rs, 30, 15, 0, 1);
  int loci = id_of(wg::Kind::text, "All 30 loci");
  int dems = id_of(wg::Kind::text, "All 15 demes");
  // First try: locus 31 and deme 0 do not exist; Diversity ticked, multilocus chosen.
  wg::script_tick(box("Diversity"));
  wg::script_choose(list_id(), 2);
  wg::script_type(loci, "2 31");
  wg::script_type(dems, "x");
  wg::script_ok();
  wg::script_confirm();
  // Second try: a list without any number.
  wg::script_type(dems, "0");
  wg::script_ok();
  wg::script_confirm();
  // Third try: usable.
  wg::script_type(loci, "2 30");
  wg::script_type(dems, "all");
  wg::script_ok();
  size_t before = wg::script_log().size();
  wdmenu(rs, 30, 15, 0, 1);
  const auto& log = wg::script_log();
  ASSERT_EQ(log.size() - before, 5u);
  EXPECT_EQ(log[before + 1].kind, "message");
  std::vector<std::string> m = wg::split_bar(log[before + 1].text);
  ASSERT_EQ(m.size(), 2u);
  EXPECT_NE(m[0].find("locus 31 does not exist (the data have loci 1 to 30)"), std::string::npos);
  EXPECT_NE(m[1].find("\"x\" is not a list of deme numbers"), std::string::npos);
  EXPECT_NE(log[before + 3].text.find("LIST OF DEMES: no deme number given"), std::string::npos);
  // The menu came back with the user's choices, not the presets.
  EXPECT_EQ(gwgtxt(loci), "2 30");
  EXPECT_EQ(gwglis(list_id()), 2);
  EXPECT_EQ(rs.wd.iprog(2), 1);
  EXPECT_EQ(rs.wd.locsimu, 2);
  EXPECT_EQ(rs.wd.aloclist, "2 30");
  EXPECT_EQ(rs.wd.ademlist, "All");
}

TEST_F(WidgetDialogs, SnailDialogBothFormatsUnticked) {
  wdsnail(rs);
  EXPECT_EQ(wg::dialog().title, "TOLM - Draw differentiation snails");
  EXPECT_EQ(rs.wd.iwdspdfin + rs.wd.iwdspdinf + rs.wd.iwdwmf + rs.wd.iwdeps, 4);
  int fin = box("Proportional to sample size");
  int inf = box("All equal to (1/No. of subpopulations)");
  EXPECT_FLOAT_EQ(wg::dialog().widgets[inf - 1].yspc, 0.4f);
  EXPECT_NE(id_of(wg::Kind::label, "FOR SUBPOPULATION DIFFERENTIATION  Dj, delta"), 0);
  EXPECT_TRUE(wg::dialog()
                  .widgets[id_of(wg::Kind::label,
                                 "Draw subpopulation differentiation snails in one or "
                                 "both of the formats") -
                           1]
                  .fore == (wg::Rgb{1, 0, 0}));
  wg::script_untick(box("WMF (Windows Metafile)"));
  wg::script_untick(box("EPS (Enhanced Postscript)"));
  wg::script_untick(inf);
  wg::script_ok();
  wdsnail(rs);
  EXPECT_EQ(rs.wd.iwdwmf, 0);
  EXPECT_EQ(rs.wd.iwdeps, 0);
  EXPECT_EQ(rs.wd.iwdspdinf, 0);
  EXPECT_EQ(rs.wd.iwdspdfin, 1);
  (void)fin;
}

}  // namespace
