#pragma once
// The button images the window draws (window/ButtonGlyphs), by index, and how a button shows one.

#include <windows.h>
#include <commctrl.h>

namespace sonotape {

// Button images in ilButtons: the recorder's, playback's stop (also the Play tab's image), the
// skip buttons' and the loudness symbols at both ends of the volume slider.
enum ButtonImage : int {
  imgRecord = 0,
  imgStop = 1,
  imgPause = 2,
  imgContinue = 3,
  imgPlay = 4,
  imgPlayStop = 5,
  imgFastRW = 6,
  imgRW = 7,
  imgFW = 8,
  imgFastFW = 9,
  imgVolLow = 10,
  imgVolHigh = 11,
  kButtonImageCount
};

// Shows glyph index of images on a button, or none for -1; the button keeps the index as its
// user data.
void SetButtonGlyph(HWND button, HIMAGELIST images, int index);

}  // namespace sonotape
