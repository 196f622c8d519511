#pragma once
// A window's text, as a screen reader or a test reads it.

#include <windows.h>

#include <string>

namespace testsupport {

inline std::string TextOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace testsupport
