#include "window/ButtonGlyphs.h"

#include <initializer_list>

#include "ui/ButtonImages.h"

namespace sonotape {

namespace {

constexpr int kDesignSize = 16;  // the glyphs' own coordinates

void Triangle(HDC dc, int tipX, int baseX) {
  const POINT points[] = {{baseX, 3}, {tipX, 8}, {baseX, 13}};
  Polygon(dc, points, 3);
}

// Two triangles pointing the skip's way, with a bar at the tip for the long skips.
void SkipGlyph(HDC dc, bool forward, bool withBar) {
  const int start = withBar ? (forward ? 1 : 3) : 2;
  for (int base : {start, start + 6}) {
    forward ? Triangle(dc, base + 6, base) : Triangle(dc, base, base + 6);
  }
  if (withBar) {
    forward ? Rectangle(dc, 13, 3, 15, 14) : Rectangle(dc, 1, 3, 3, 14);
  }
}

// A loudspeaker, with sound waves for the loud end.
void SpeakerGlyph(HDC dc, bool loud) {
  Rectangle(dc, 1, 6, 4, 11);
  const POINT cone[] = {{3, 6}, {8, 2}, {8, 14}, {3, 10}};
  Polygon(dc, cone, 4);
  if (loud) {  // two waves, as brackets
    const POINT inner[] = {{10, 6}, {11, 6}, {12, 7}, {12, 9}, {11, 10}, {10, 10}, {11, 9}, {11, 7}};
    const POINT outer[] = {{12, 3}, {13, 3}, {15, 5}, {15, 11}, {13, 13}, {12, 13}, {14, 11}, {14, 5}};
    Polygon(dc, inner, 8);
    Polygon(dc, outer, 8);
  }
}

COLORREF GlyphColour(int index) {
  switch (index) {
    case imgRecord:
      return RGB(200, 30, 30);
    case imgPlay:
    case imgPlayStop:
      return RGB(30, 140, 50);
    default:
      return RGB(40, 40, 40);
  }
}

void DrawGlyph(HDC dc, int index) {
  const COLORREF color = GlyphColour(index);
  HBRUSH brush = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  switch (index) {
    case imgRecord:
      Ellipse(dc, 3, 3, 13, 13);
      break;
    case imgStop:
    case imgPlayStop:
      Rectangle(dc, 4, 4, 12, 12);
      break;
    case imgPause:
      Rectangle(dc, 4, 3, 7, 13);
      Rectangle(dc, 9, 3, 12, 13);
      break;
    case imgContinue:
    case imgPlay:
      Triangle(dc, 12, 5);
      break;
    case imgFastRW:
    case imgRW:
    case imgFW:
    case imgFastFW:
      SkipGlyph(dc, index == imgFW || index == imgFastFW, index == imgFastRW || index == imgFastFW);
      break;
    default:
      SpeakerGlyph(dc, index == imgVolHigh);
      break;
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

}  // namespace

HIMAGELIST CreateButtonGlyphs(int size) {
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, kButtonImageCount, 0);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  bool complete = list != nullptr && dc != nullptr;
  for (int index = 0; complete && index < kButtonImageCount; ++index) {
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all{0, 0, size, size};
    HBRUSH background = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, background);
    DeleteObject(background);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, kDesignSize, kDesignSize, nullptr);
    SetViewportExtEx(dc, size, size, nullptr);
    DrawGlyph(dc, index);
    SetMapMode(dc, MM_TEXT);
    SelectObject(dc, old);
    complete = ImageList_AddMasked(list, bitmap, RGB(255, 0, 255)) == index;
    DeleteObject(bitmap);
  }
  if (dc != nullptr) DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  if (!complete && list != nullptr) {
    ImageList_Destroy(list);
    return nullptr;
  }
  return list;
}

}  // namespace sonotape
