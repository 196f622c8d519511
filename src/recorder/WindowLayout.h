#pragma once
// The tool window's pages and controls: each control declared once with its page, name (its
// settings key), class, caption, style and place at 96 DPI.

#include <windows.h>

#include <span>

#include "settings/PluginBaseForm.h"

namespace sonotape {

enum Page : int { kGeneralPage, kMp3Page, kMp3AdvancedPage, kOggPage, kPlayPage, kPageCount };

struct ControlEntry {
  int id;
  const char* name;
  const char* className;
  const char* text;
  DWORD style;
  int page;
  int x, y, width, height;
};

std::span<const ControlEntry> WindowControls();
const ControlEntry* FindControlEntry(int id);
const char* PageCaption(int page);

inline constexpr SIZE kDesignClient{322, 228};
// The window's outer size limits at 96 DPI.
inline constexpr SizeConstraints kWindowConstraints{329, 265, 346, 269};

}  // namespace sonotape
