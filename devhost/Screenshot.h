#pragma once
// Saves what a window shows on the screen as a PNG file.

#include <windows.h>

#include <string>

namespace devhost {

// The window with its frame; false when capturing or encoding fails.
bool SaveWindowPng(HWND window, const std::string& path);

}  // namespace devhost
