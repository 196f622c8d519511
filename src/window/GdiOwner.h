#pragma once
// An image list or GDI object with one owner, destroyed when the owner lets it go.

#include <windows.h>
#include <commctrl.h>

namespace sonotape {

template <typename Handle, auto Destroy>
class GdiOwner {
 public:
  GdiOwner() = default;
  ~GdiOwner() { Reset(); }
  GdiOwner(const GdiOwner&) = delete;
  GdiOwner& operator=(const GdiOwner&) = delete;

  Handle Get() const { return handle_; }
  void Reset(Handle handle = nullptr) {
    if (handle_ != nullptr) {
      Destroy(handle_);
    }
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using ImageListOwner = GdiOwner<HIMAGELIST, &ImageList_Destroy>;
using BrushOwner = GdiOwner<HBRUSH, &DeleteObject>;
using FontOwner = GdiOwner<HFONT, &DeleteObject>;
using BitmapOwner = GdiOwner<HBITMAP, &DeleteObject>;
using MemoryDcOwner = GdiOwner<HDC, &DeleteDC>;

}  // namespace sonotape
