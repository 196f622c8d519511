#include "window/PageTabs.h"

#include <commctrl.h>

namespace sonotape {

int SelectedPage(HWND tabs) {
  TCITEMA item{};
  item.mask = TCIF_PARAM;
  const LRESULT selected = SendMessageA(tabs, TCM_GETCURSEL, 0, 0);
  if (selected >= 0 && SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&item))) {
    return static_cast<int>(item.lParam);
  }
  return kGeneralPage;
}

int SetPageTabs(HWND tabs, const bool (&visible)[kPageCount]) {
  const int current = SelectedPage(tabs);
  SendMessageA(tabs, TCM_DELETEALLITEMS, 0, 0);
  int shown = kGeneralPage, shownIndex = 0;
  for (int page = 0, index = 0; page < kPageCount; ++page) {
    if (!visible[page]) continue;
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
    item.pszText = const_cast<char*>(PageCaption(page));
    item.iImage = PageImage(page);
    item.lParam = page;
    SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    if (page == current) {
      shown = page;
      shownIndex = index;
    }
    ++index;
  }
  // Also when the page shown went: its tab is selected and has the tabs' focus, which the arrow
  // keys move on from (emptying the tabs does not reset that focus, and a selection that stays
  // does not set it).
  SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(shownIndex), 0);
  return shown;
}

COLORREF TabBodyColour(HWND tabs) {
  RECT area{};
  GetClientRect(tabs, &area);
  COLORREF colour = GetSysColor(COLOR_BTNFACE);
  HDC screen = GetDC(tabs);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
  if (dc != nullptr && bitmap != nullptr) {
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(tabs, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    const COLORREF body = GetPixel(dc, area.right / 2, area.bottom * 3 / 4);
    if (body != CLR_INVALID) colour = body;
    SelectObject(dc, old);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (dc != nullptr) DeleteDC(dc);
  ReleaseDC(tabs, screen);
  return colour;
}

}  // namespace sonotape
