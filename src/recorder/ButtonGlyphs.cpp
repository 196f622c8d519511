#include "recorder/ButtonGlyphs.h"

namespace sonotape {

namespace {

constexpr int kDesignSize = 16;  // the glyphs' own coordinates

void DrawGlyph(HDC dc, int index) {
  const COLORREF red = RGB(200, 30, 30), dark = RGB(40, 40, 40), green = RGB(30, 140, 50);
  const COLORREF color = index == 0 ? red : index == 4 ? green : dark;
  HBRUSH brush = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  switch (index) {
    case 0:  // record
      Ellipse(dc, 3, 3, 13, 13);
      break;
    case 1:  // stop
      Rectangle(dc, 4, 4, 12, 12);
      break;
    case 2:  // pause
      Rectangle(dc, 4, 3, 7, 13);
      Rectangle(dc, 9, 3, 12, 13);
      break;
    default: {  // continue and play
      const POINT triangle[] = {{5, 3}, {12, 8}, {5, 13}};
      Polygon(dc, triangle, 3);
      break;
    }
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

}  // namespace

HIMAGELIST CreateButtonGlyphs(int size) {
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 5, 0);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  bool complete = list != nullptr && dc != nullptr;
  for (int index = 0; complete && index < 5; ++index) {
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
