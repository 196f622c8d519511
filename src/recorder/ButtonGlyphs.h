#pragma once
// The button images: record, stop, pause, continue and play, drawn at run time.

#include <windows.h>
#include <commctrl.h>

namespace sonotape {

// An image list of size x size glyphs in the order of ButtonImage; null when it cannot be made.
HIMAGELIST CreateButtonGlyphs(int size);

}  // namespace sonotape
