// The widget routines through which every dialog window and message box passes. Only this
// layer knows the window system; without FLTK or without a display, widgets_available() is
// false and the program keeps to the console.
#pragma once

#include <string>

namespace tolm {

bool widgets_available();
// File selection dialog; returns the chosen name, empty when cancelled.
std::string dwgfil(const std::string& title, const std::string& name, const std::string& filter);
// Message box; "|" separates lines.
void dwgmsg(const std::string& text);
// Title of the next dialog or message box.
void swgtit(const std::string& title);

}  // namespace tolm
