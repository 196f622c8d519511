#include "ui/ButtonImages.h"

namespace sonotape {

void SetButtonGlyph(HWND button, HIMAGELIST images, int index) {
  SetWindowLongPtrA(button, GWLP_USERDATA, index);  // which glyph it shows, for the curious
  HICON icon = index >= 0 ? ImageList_GetIcon(images, index, ILD_NORMAL) : nullptr;
  HICON old = reinterpret_cast<HICON>(SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
  if (old != nullptr) {
    DestroyIcon(old);
  }
}

}  // namespace sonotape
