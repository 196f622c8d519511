#pragma once
// The button images: record, stop, pause, continue and play, drawn at run time.

#include <windows.h>
#include <commctrl.h>

namespace sonotape {

// A 16 x 16 image list in the order of ButtonImage; null when it cannot be made.
HIMAGELIST CreateButtonGlyphs();

}  // namespace sonotape
