#pragma once
// The button images (ButtonImage), drawn at run time at the size the window's DPI asks for.

#include <windows.h>
#include <commctrl.h>

namespace sonotape {

// An image list of size x size glyphs in the order of ButtonImage; null when it cannot be made.
HIMAGELIST CreateButtonGlyphs(int size);

// Shows glyph index of images on a button, or none for -1; the button keeps the index as its
// user data.
void SetButtonGlyph(HWND button, HIMAGELIST images, int index);

}  // namespace sonotape
