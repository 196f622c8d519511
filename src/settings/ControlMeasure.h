#pragma once
// What a standard control needs to show its captions whole, measured in its own font.

#include <windows.h>

#include <span>

namespace sonotape {

struct ControlNeed {
  int width, height;
  int centre;  // from the top, where the control's content lines up with its neighbours'; -1: the middle
};

// The size control needs at dpi to show each of captions whole (for a drop-down list: each of
// its items): labels, check boxes, radio buttons, push buttons (glyphSize > 0: with an image that
// large beside the caption), edit fields and drop-down lists. A control without a caption to
// measure (an image, an image button, a track bar) needs nothing here: {0, 0}; a track bar's
// centre is its slider's, as it lies in the track bar's present size.
ControlNeed MeasureControl(HWND control, std::span<const char* const> captions, int glyphSize, int dpi);

// The width of a one-line caption in control's font (an ampersand marks the mnemonic).
int CaptionWidth(HWND control, const char* caption);

}  // namespace sonotape
