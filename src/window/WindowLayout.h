#pragma once
// The tool window's pages and controls: each control declared once with its page, name (its
// settings key), class, caption, style, the captions it shows at run time, and its cell in the
// rows of its page. Sizes come from measuring the captions in the window's font; only what has
// no caption to measure carries a size here.

#include <windows.h>

#include <span>

#include "settings/PluginBaseForm.h"
#include "settings/RowLayout.h"

namespace sonotape {

enum Page : int { kGeneralPage, kMp3Page, kMp3AdvancedPage, kOggPage, kFlacPage, kPlayPage, kPageCount };

struct ControlEntry {
  int id;
  const char* name;
  const char* className;
  const char* text;
  DWORD style;
  int page;
  RowBreak row;
  CellWidth cell;
  // The least size at 96 DPI, for what has no caption to measure (track bars, images, image
  // buttons); 0 leaves it to the measured captions.
  int leastWidth, leastHeight;
  std::span<const char* const> runTimeCaptions;  // what else the control shows while the window lives
  bool glyph;                                    // a button with an image beside its caption
};

std::span<const ControlEntry> WindowControls();
const ControlEntry* FindControlEntry(int id);
const char* PageCaption(int page);
// The image of a page's tab in the button images; -1 for none.
int PageImage(int page);

// Button images are this square at 96 DPI.
inline constexpr int kGlyphSize = 16;

inline constexpr SIZE kDesignClient{322, 228};
// The window's outer size limits at 96 DPI, raised where a larger font needs more room.
inline constexpr SizeConstraints kWindowConstraints{329, 265, 346, 269};

}  // namespace sonotape
