#pragma once
// The button images (ButtonImage), drawn at run time at the size the window's DPI asks for.

#include <windows.h>
#include <commctrl.h>

namespace sonotape {

// An image list of size x size glyphs in the order of ButtonImage; null when it cannot be made.
HIMAGELIST CreateButtonGlyphs(int size);

}  // namespace sonotape
