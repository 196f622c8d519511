#pragma once
// The plug-in window's pages as its user meets them: the captions of its tabs, and a click on one.

#include <windows.h>

#include <string>
#include <vector>

namespace devhost {

// The captions of the tabs, left to right.
std::vector<std::string> TabCaptions(HWND plugin);
// Selects the tab with that caption and tells the window, as a click on it does; false when there
// is none.
bool ShowTab(HWND plugin, const std::string& caption);

}  // namespace devhost
