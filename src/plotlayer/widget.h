// The widget routines through which every dialog window, message box and file selection of
// TOLM passes. Only this layer knows the window system; without FLTK or without a display,
// widgets_available() is false and the program keeps to the console.
//
// One dialog exists at a time. Style routines (swg*) set the look of the widgets created after
// them and may be called at any time; creating routines (wg*) only between wgini and wgfin.
// Every creating routine returns the widget's identifier: 1 for the window made by wgini, then
// consecutive numbers in creation order. wgfin shows the dialog until its OK button is pressed;
// while it is shown, the callbacks registered with swgcbk are called with the identifier of the
// widget whose value changed, and the queries (gwg*) read the current values, during wgfin and
// after it until the next wgini.
//
// Texts are copied in with a maximum length and without their trailing blanks (titles and the
// help text keep them): titles 132 characters, labels and check-box texts 80, preset texts 256,
// lists, messages and the help text whole. Keywords count by their first four characters.
// Misuse is reported by the layer (standard error) and the call is ignored.
#pragma once

#include <functional>
#include <string>

namespace tolm {

bool widgets_available();
// File selection dialog; returns the chosen name, empty when cancelled.
std::string dwgfil(const std::string& title, const std::string& name, const std::string& filter);
// Message box; "|" separates lines. Returns when the user confirms it.
void dwgmsg(const std::string& text);
// Title of the next dialog or message box.
void swgtit(const std::string& title);
// Help text of the next dialog ("|" separates lines) and whether its pop-up menu offers it
// ("HELP" or "NOHELP").
void swghlp(const std::string& text);
void swgpop(const std::string& opt);
// ("ON"/"OFF", "FRAME"): frames around containers; ("NONE"/"FULL", "VERIFY"): checking of
// typed input; ("CHANGE"/"ENTER", "CALLBACK"): text fields report every change or only
// completed input.
void swgopt(const std::string& value, const std::string& option);
// ("LEFT"/"CENTER"/"RIGHT", "BUTTON" or "LABEL"): justification of following buttons or labels.
void swgjus(const std::string& just, const std::string& target);
// Colour (red, green, blue in [0, 1]) of "BACK" (window background), "FORE" (text of following
// widgets) or "LTEXT" (background of text fields).
void swgclr(float r, float g, float b, const std::string& target);
// Spacing before following widgets, in character units.
void swgspc(float xspc, float yspc);
// Default width of following widgets, in characters.
void swgwth(int nwth);

// Creating routines; each returns the new widget's identifier (0 when the call was refused).
int wgini(const std::string& layout);                       // "VERT", "HORI" or "FORM"
int wgbas(int parent, const std::string& layout);           // container
int wglab(int parent, const std::string& text);             // label
int wgtxt(int parent, const std::string& text);             // one-line text field
int wglis(int parent, const std::string& items, int isel);  // single-choice list, "|" items
int wgbut(int parent, const std::string& text, int ival);   // check box, 0 or 1
int wgok(int parent);                                       // the OK button
using WidgetCallback = std::function<void(int id)>;
void swgcbk(int id, WidgetCallback cb);
void swgfoc(int id);
void wgfin();

// Queries, from callbacks during wgfin and after it.
int gwglis(int id);
int gwgbut(int id);
std::string gwgtxt(int id);  // without trailing blanks

}  // namespace tolm
