#include "Screenshot.h"

#include <wincodec.h>

#include <vector>

#include "graph/ComPtr.h"

using sonotape::ComPtr;

namespace devhost {

namespace {

// The window's pixels as the screen shows them, frame included, as top-down 32-bit BGRA rows.
bool CaptureWindow(HWND window, UINT& width, UINT& height, std::vector<BYTE>& pixels) {
  RECT bounds;
  if (!GetWindowRect(window, &bounds)) {
    return false;
  }
  width = static_cast<UINT>(bounds.right - bounds.left);
  height = static_cast<UINT>(bounds.bottom - bounds.top);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, static_cast<int>(width), static_cast<int>(height));
  bool captured = false;
  if (memory != nullptr && bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    captured = BitBlt(memory, 0, 0, static_cast<int>(width), static_cast<int>(height), screen, bounds.left,
                      bounds.top, SRCCOPY) != FALSE;
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.resize(static_cast<size_t>(width) * height * 4);
    captured = captured && GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS) ==
                               static_cast<int>(height);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (memory != nullptr) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
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
