#include "Screenshot.h"

#include <wincodec.h>

#include <vector>

#include "graph/ComPtr.h"

using sonotape::ComPtr;

namespace devhost {

namespace {

// What window draws of itself when asked to print flags (PRF_NONCLIENT: its frame; PRF_CLIENT:
// its client area), into dc at place and within clip. It draws into a bitmap of its own at the
// origin, as on the screen (some controls take the device origin for theirs), over a copy of
// what lies behind it.
bool PrintPart(HDC dc, HWND window, UINT flags, const RECT& place, const RECT& clip) {
  RECT visible;
  if (!IntersectRect(&visible, &place, &clip)) {
    return true;
  }
  const int width = place.right - place.left, height = place.bottom - place.top;
  HDC own = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  bool printed = false;
  if (own != nullptr && bitmap != nullptr) {
    HGDIOBJ old = SelectObject(own, bitmap);
    printed = BitBlt(own, 0, 0, width, height, dc, place.left, place.top, SRCCOPY) != FALSE;
    SendMessageA(window, WM_PRINT, reinterpret_cast<WPARAM>(own), flags);
    printed = printed && BitBlt(dc, visible.left, visible.top, visible.right - visible.left,
                                visible.bottom - visible.top, own, visible.left - place.left,
                                visible.top - place.top, SRCCOPY) != FALSE;
    SelectObject(own, old);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (own != nullptr) DeleteDC(own);
  return printed;
}

// The caption buttons of a window with a system menu, as the system draws them in the caption
// bar that lies inside the frame above the client area: close, and beside it maximise and
// minimise when the window has either box (the one it lacks greyed).
bool DrawCaptionButtons(HDC dc, HWND window, const RECT& bar) {
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  if ((style & WS_SYSMENU) == 0) {
    return true;
  }
  const int size = GetSystemMetrics(SM_CXSIZE);
  RECT button{bar.right - size, bar.top + 2, bar.right - 2, bar.top + GetSystemMetrics(SM_CYSIZE) - 2};
  bool drawn = DrawFrameControl(dc, &button, DFC_CAPTION, DFCS_CAPTIONCLOSE) != FALSE;
  if ((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) != 0) {
    OffsetRect(&button, -size, 0);
    drawn = drawn && DrawFrameControl(dc, &button, DFC_CAPTION,
                                      DFCS_CAPTIONMAX | ((style & WS_MAXIMIZEBOX) != 0 ? 0 : DFCS_INACTIVE));
    OffsetRect(&button, -(size - 2), 0);
    drawn = drawn && DrawFrameControl(dc, &button, DFC_CAPTION,
                                      DFCS_CAPTIONMIN | ((style & WS_MINIMIZEBOX) != 0 ? 0 : DFCS_INACTIVE));
  }
  return drawn;
}

// The frame of a captioned window as the system draws an active one: raised edges around a
// caption with the window's icon, text and buttons. A window's WM_PRINT draws over it where the
// system prints frames, and leaves it where the system does not (Wine).
bool DrawFrame(HDC dc, HWND window, const RECT& place, const RECT& client) {
  RECT inside = place;
  if (!DrawEdge(dc, &inside, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST)) {
    return false;
  }
  const RECT caption{inside.left, inside.top, inside.right, client.top - 1};
  DrawCaption(window, dc, &caption, DC_ACTIVE | DC_ICON | DC_TEXT | DC_GRADIENT);  // Wine answers FALSE after drawing
  const int frame = client.left - place.left;
  return DrawCaptionButtons(dc, window, {client.left, place.top + frame, client.right, client.top});
}

// Draws window with its top-left corner at origin (in dc's pixels), and then its visible
// children from the bottom of their z-order up, all within clip.
bool PrintTree(HDC dc, HWND window, POINT origin, const RECT& clip) {
  RECT bounds, client;
  POINT corner{0, 0};
  if (!GetWindowRect(window, &bounds) || !GetClientRect(window, &client) || !ClientToScreen(window, &corner)) {
    return false;
  }
  const RECT place{origin.x, origin.y, origin.x + bounds.right - bounds.left, origin.y + bounds.bottom - bounds.top};
  OffsetRect(&client, origin.x + corner.x - bounds.left, origin.y + corner.y - bounds.top);
  RECT inside;
  IntersectRect(&inside, &client, &clip);
  const bool captioned = (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
  bool printed = (!captioned || DrawFrame(dc, window, place, client)) &&
                 PrintPart(dc, window, PRF_NONCLIENT, place, clip) &&
                 PrintPart(dc, window, PRF_CLIENT | PRF_ERASEBKGND, client, inside);
  for (HWND child = GetWindow(GetWindow(window, GW_CHILD), GW_HWNDLAST); printed && child != nullptr;
       child = GetWindow(child, GW_HWNDPREV)) {
    RECT at;
    if (IsWindowVisible(child)) {
      printed = GetWindowRect(child, &at) &&
                PrintTree(dc, child, {origin.x + at.left - bounds.left, origin.y + at.top - bounds.top}, inside);
    }
  }
  return printed;
}

// The window as it draws itself, frame and children included, into a bitmap of its own (so no
// other window in front of it shows), as top-down 32-bit BGRA rows.
bool CaptureWindow(HWND window, UINT& width, UINT& height, std::vector<BYTE>& pixels) {
  RECT bounds;
  if (!GetWindowRect(window, &bounds)) {
    return false;
  }
  width = static_cast<UINT>(bounds.right - bounds.left);
  height = static_cast<UINT>(bounds.bottom - bounds.top);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(nullptr);
  bool captured = false;
  if (bitmap != nullptr && memory != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    captured = PrintTree(memory, window, {0, 0}, {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)});
    GdiFlush();
    const auto* first = static_cast<const BYTE*>(bits);
    pixels.assign(first, first + static_cast<size_t>(width) * height * 4);
    SelectObject(memory, old);
  }
  if (memory != nullptr) DeleteDC(memory);
  if (bitmap != nullptr) DeleteObject(bitmap);
  return captured;
}

HRESULT EncodePng(const std::wstring& path, UINT width, UINT height, std::vector<BYTE>& pixels) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.GetAddressOf()));
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  if (SUCCEEDED(hr)) hr = factory->CreateStream(stream.GetAddressOf());
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf());
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.GetAddressOf(), nullptr);
  if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
  if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) && format != GUID_WICPixelFormat32bppBGR) hr = E_FAIL;
  if (SUCCEEDED(hr)) hr = frame->WritePixels(height, width * 4, static_cast<UINT>(pixels.size()), pixels.data());
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  return hr;
}

}  // namespace

bool SaveWindowPng(HWND window, const std::string& path) {
  UINT width = 0, height = 0;
  std::vector<BYTE> pixels;
  if (!CaptureWindow(window, width, height, pixels)) {
    return false;
  }
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  std::wstring widePath(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  if (length <= 0 || MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath.data(), length) != length) {
    return false;
  }
  widePath.resize(static_cast<size_t>(length - 1));
  return SUCCEEDED(EncodePng(widePath, width, height, pixels));
}

}  // namespace devhost
