// The widget routines with the scripted backend: identifiers, callbacks, queries, the style
// settings, the keyword and length rules and the layer's misuse messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plotlayer/widget.h"
#include "plotlayer/widget_script.h"

using namespace tolm;

namespace {

class WidgetLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    wg::use_script();
    wg::take_reports();
  }
  void TearDown() override {
    wg::take_reports();
    wg::use_default();
  }
  // The misuse messages reported since the last call, as one text.
  static std::string reports() {
    std::string all;
    for (const std::string& r : wg::take_reports()) all += r + "\n";
    return all;
  }
};

TEST_F(WidgetLayer, IdentifiersCountFromOneInCreationOrderPerDialog) {
  EXPECT_TRUE(widgets_available());
  EXPECT_EQ(wgini("VERT"), 1);
  EXPECT_EQ(wgbas(1, "HORI"), 2);
  EXPECT_EQ(wglab(2, "a"), 3);
  EXPECT_EQ(wgtxt(2, "b"), 4);
  EXPECT_EQ(wglis(1, "x|y", 1), 5);
  EXPECT_EQ(wgbut(1, "c", 0), 6);
  EXPECT_EQ(wgok(1), 7);
  wg::script_ok();
  wgfin();
  // The next dialog starts again at 1.
  EXPECT_EQ(wgini("VERT"), 1);
  EXPECT_EQ(wgbut(1, "d", 1), 2);
  wgfin();
  EXPECT_EQ(gwgbut(2), 1);
  EXPECT_EQ(reports(), "");
}

TEST_F(WidgetLayer, CallbacksGetTheIdentifierAndSeeTheNewValue) {
  int win = wgini("VERT");
  int box = wgbut(win, "tick me", 0);
  int lis = wglis(win, "one|two|three", 1);
  int txt = wgtxt(win, "old");
  std::vector<std::string> calls;
  auto cb = [&](int id) {
    std::string v = id == box   ? std::to_string(gwgbut(id))
                    : id == lis ? std::to_string(gwglis(id))
                                : gwgtxt(id);
    calls.push_back(std::to_string(id) + "=" + v);
  };
  swgcbk(box, cb);
  swgcbk(lis, cb);
  swgcbk(txt, cb);
  wgok(win);
  wg::script_tick(box);
  wg::script_tick(box);  // already ticked: no change, no call
  wg::script_choose(lis, 3);
  wg::script_choose(lis, 3);
  wg::script_type(txt, "new");
  wg::script_untick(box);
  wg::script_ok();
  wg::script_tick(box);  // belongs to a later dialog
  wgfin();
  EXPECT_EQ(calls, (std::vector<std::string>{"2=1", "3=3", "4=new", "2=0"}));
  EXPECT_EQ(wg::script_pending(), 1u);
  // The final values stay readable after the dialog.
  EXPECT_EQ(gwgbut(box), 0);
  EXPECT_EQ(gwglis(lis), 3);
  EXPECT_EQ(gwgtxt(txt), "new");
}

TEST_F(WidgetLayer, TextFieldsReportCompletedInputOrEveryChange) {
  int win = wgini("VERT");
  int done = wgtxt(win, "ab");
  swgopt("CHANGE", "CALLBACK");
  int each = wgtxt(win, "ab");
  std::vector<std::string> seen_done, seen_each;
  swgcbk(done, [&](int id) { seen_done.push_back(gwgtxt(id)); });
  swgcbk(each, [&](int id) { seen_each.push_back(gwgtxt(id)); });
  wg::script_type(done, "xyz");
  wg::script_type(each, "xyz");
  wgfin();
  EXPECT_EQ(seen_done, (std::vector<std::string>{"xyz"}));
  EXPECT_EQ(seen_each, (std::vector<std::string>{"", "x", "xy", "xyz"}));
  swgopt("ENTER", "CALLBACK");
}

TEST_F(WidgetLayer, StyleSettingsApplyToTheWidgetsCreatedAfterThem) {
  swgtit("A title  ");
  swgclr(0.97f, 0.97f, 1.0f, "BACKGROUND");  // keywords count by their first four letters
  swgclr(1, 1, 1, "LTEXT");
  swgopt("ON", "FRAMES");
  swgjus("LEFT", "LABELS");
  swgspc(0, 0.2f);
  swgwth(35);
  int win = wgini("VERTICAL");
  swgclr(1, 0, 0, "FOREGROUND");
  int lab = wglab(win, "red label");
  swgclr(0, 0, 2, "FORE");  // outside [0, 1]: held at the bound
  swgwth(75);
  swgspc(0, 0);
  int row = wgbas(win, "HORIZONTAL");
  int but = wgbut(row, "blue box", 1);
  wgfin();
  const wg::Dialog& d = wg::dialog();
  EXPECT_EQ(d.title, "A title  ");  // titles keep their trailing blanks
  EXPECT_TRUE(d.back == (wg::Rgb{0.97f, 0.97f, 1.0f}));
  const wg::Widget& l = d.widgets[lab - 1];
  EXPECT_TRUE(l.fore == (wg::Rgb{1, 0, 0}));
  EXPECT_EQ(l.just, wg::Just::left);
  EXPECT_EQ(l.width, 35);
  EXPECT_FLOAT_EQ(l.yspc, 0.2f);
  const wg::Widget& b = d.widgets[but - 1];
  EXPECT_TRUE(b.fore == (wg::Rgb{0, 0, 1}));
  EXPECT_EQ(b.width, 75);
  EXPECT_FLOAT_EQ(b.yspc, 0.0f);
  EXPECT_EQ(d.widgets[row - 1].layout, wg::Layout::hori);
  EXPECT_TRUE(d.widgets[row - 1].frame);
  EXPECT_EQ(d.widgets[0].layout, wg::Layout::vert);
  EXPECT_EQ(reports(), "");
  // The title served one dialog; the next one has the default.
  wgini("VERT");
  EXPECT_EQ(wg::dialog().title, "TOLM");
  wgfin();
}

TEST_F(WidgetLayer, TextsAreCutToTheirLengthsAndLoseTrailingBlanks) {
  swgtit(std::string(140, 't'));
  int win = wgini("VERT");
  std::string rule = std::string(33, '-') + " SELECT CONFIGURATION " + std::string(222, '-');
  int lab = wglab(win, rule);
  int but = wgbut(win, "All equal to (1/No. of subpopulations) ", 1);
  int txt = wgtxt(win, std::string(300, 'p'));
  int lis = wglis(win, "first  |second", 2);
  wgfin();
  const wg::Dialog& d = wg::dialog();
  EXPECT_EQ(d.title.size(), 132u);
  EXPECT_EQ(d.widgets[lab - 1].text, rule.substr(0, 80));
  EXPECT_EQ(d.widgets[but - 1].text, "All equal to (1/No. of subpopulations)");
  EXPECT_EQ(gwgtxt(txt).size(), 256u);
  EXPECT_EQ(d.widgets[lis - 1].items, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(gwglis(lis), 2);
}

TEST_F(WidgetLayer, MisuseIsReportedAndIgnored) {
  EXPECT_EQ(wglab(1, "no dialog"), 0);
  EXPECT_NE(reports().find("Routine must be used between wgini and wgfin (wglab)"),
            std::string::npos);

  swgwth(0);
  swgspc(0, -1);
  EXPECT_EQ(reports(),
            " ** Non positive paramter (swgwth) **\n ** Non positive paramter (swgspc) **\n");

  int win = wgini("VERT");
  int lab = wglab(win, "label");
  EXPECT_EQ(wglab(lab, "a label is no container"), 0);
  EXPECT_EQ(wglab(99, "no such parent"), 0);
  swgcbk(42, [](int) {});
  EXPECT_EQ(reports(),
            " ** Not allowed ID (wglab) **\n ** Not allowed ID (wglab) **\n"
            " ** Not allowed ID (swgcbk) **\n");
  int lis = wglis(win, "a|b", 0);  // preselection below 1 falls back to the first item
  EXPECT_EQ(lis, 3);               // refused calls take no identifier
  EXPECT_EQ(gwglis(lis), 1);
  EXPECT_EQ(reports(), " ** Non positive paramter (wglis) **\n");
  wgfin();
  EXPECT_EQ(gwgbut(lab), 0);  // a label is no check box
  EXPECT_EQ(gwgtxt(1), "");
  EXPECT_EQ(reports(), " ** Not allowed ID (gwgbut) **\n ** Not allowed ID (gwgtxt) **\n");
  wgfin();  // not between wgini and wgfin any more
  EXPECT_NE(reports().find("Routine must be used between wgini and wgfin (wgfin)"),
            std::string::npos);
}

TEST_F(WidgetLayer, ContainersNestAtMostEightDeep) {
  int parent = wgini("VERT");  // level 1
  for (int level = 2; level <= 8; ++level) {
    parent = wgbas(parent, "VERT");
    ASSERT_GT(parent, 0) << level;
  }
  EXPECT_EQ(wgbas(parent, "HORI"), 0);
  EXPECT_EQ(reports(), " ** Too many nested widgets (wgbas) **\n");
  EXPECT_GT(wglab(parent, "the deepest container still takes widgets"), 0);
  wgfin();
}

TEST_F(WidgetLayer, DialogsCannotBeBuiltFromTheirOwnCallbacks) {
  int win = wgini("VERT");
  int box = wgbut(win, "x", 0);
  int made = -1;
  swgcbk(box, [&](int) { made = wglab(win, "late"); });
  wg::script_tick(box);
  wgfin();
  EXPECT_EQ(made, 0);
  EXPECT_NE(reports().find("Routine must be used between wgini and wgfin"), std::string::npos);
  EXPECT_EQ(wg::dialog().widgets.size(), 2u);
}

TEST_F(WidgetLayer, ScriptedActionsOnTheWrongWidgetAreReported) {
  int win = wgini("VERT");
  int lab = wglab(win, "label");
  int lis = wglis(win, "a|b", 1);
  wg::script_tick(lab);
  wg::script_choose(lis, 3);  // no third item
  wg::script_ok();
  wgfin();
  EXPECT_EQ(reports(), " ** Not allowed ID 2 (script) **\n ** Not allowed ID 3 (script) **\n");
  EXPECT_EQ(gwglis(lis), 1);
}

TEST_F(WidgetLayer, FileDialogAndMessageBoxesAreAnsweredFromTheQueue) {
  wg::script_file("/data/pop.dat");
  EXPECT_EQ(dwgfil("Select input file", "", "*"), "/data/pop.dat");
  EXPECT_EQ(dwgfil("Select input file", "", "*"), "");  // nothing queued: cancelled
  wg::script_confirm();
  swgtit("TOLM - Output files");
  dwgmsg("Complete output --> a-out.txt| |Tabular output  --> a-tab.txt");
  dwgmsg(" No calculations chosen |  Execution terminated  ");
  EXPECT_EQ(wg::script_pending(), 0u);
  const auto& log = wg::script_log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].kind, "file");
  EXPECT_EQ(log[0].title, "Select input file");
  EXPECT_EQ(log[2].title, "TOLM - Output files");
  EXPECT_EQ(wg::split_bar(log[2].text),
            (std::vector<std::string>{"Complete output --> a-out.txt", " ",
                                      "Tabular output  --> a-tab.txt"}));
  EXPECT_EQ(log[3].title, "TOLM");  // a title serves one box only
}

}  // namespace
