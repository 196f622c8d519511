#pragma once
// Saves a picture of a window as a PNG file: the window and its children as they draw themselves,
// whatever lies in front of the window on the screen.

#include <windows.h>

#include <string>

namespace devhost {

// The window with its frame; false when capturing or encoding fails.
bool SaveWindowPng(HWND window, const std::string& path);

}  // namespace devhost
