// Every page of the tool window at 96, 120 and 144 DPI: every caption fits its control, no two
// controls of a page overlap, all lie inside the page; and a PNG of each page for a person to
// look at (build/x64/tests/screenshots).

#include <windows.h>
#include <commctrl.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "HostWindow.h"
#include "Screenshot.h"
#include "graph/ComPtr.h"
#include "recorder/SonotapeWindow.h"
#include "recorder/WindowIds.h"
#include "recorder/WindowLayout.h"
#include "settings/MyIniFile.h"
#include "support/TempFolder.h"

namespace sonotape {
namespace {

constexpr int kCheckBoxGlyph = 20;  // the box and its gap, at 96 DPI

std::string TextOf(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// The width the caption needs in the control's font, without the accelerator's ampersand.
int CaptionWidth(HWND control) {
  std::string text = TextOf(control);
  for (std::size_t at; (at = text.find('&')) != std::string::npos;) text.erase(at, 1);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

RECT PlaceOf(HWND control, HWND parent) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

POINT CenterOf(HWND window) {
  RECT place{};
  GetWindowRect(window, &place);
  return {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
}

class PageLayout : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    std::ofstream(folder.File("Sonotape.ini"))
        << "[DPI]\nUserDPI=" << GetParam() << "\n[frmSonotape]\ncbRecordAs=MP3\n";
    window = std::make_unique<TfrmSonotape>(GetModuleHandleA(nullptr),
                                            std::make_unique<TMyIniFile>(folder.File("Sonotape.ini")));
    ASSERT_TRUE(window->Create(nullptr));
  }
  HWND Item(int id) const { return GetDlgItem(window->Handle(), id); }
  void ShowTab(int index) {
    SendMessageA(Item(idTabs), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    NMHDR header{Item(idTabs), static_cast<UINT_PTR>(idTabs), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(window->Handle(), WM_NOTIFY, idTabs, reinterpret_cast<LPARAM>(&header));
  }
  void SelectFormat(int index) {
    SendMessageA(Item(cbRecordAs), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(window->Handle(), WM_COMMAND, MAKEWPARAM(cbRecordAs, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(cbRecordAs)));
  }

  testsupport::TempFolder folder;
  std::unique_ptr<TfrmSonotape> window;
};

TEST_P(PageLayout, CaptionsFitAndControlsNeitherOverlapNorLeaveThePage) {
  const int dpi = GetParam();
  RECT page{};
  GetClientRect(Item(idTabs), &page);
  SendMessageA(Item(idTabs), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  MapWindowPoints(Item(idTabs), window->Handle(), reinterpret_cast<POINT*>(&page), 2);
  for (const ControlEntry& entry : WindowControls()) {
    HWND control = Item(entry.id);
    const RECT place = PlaceOf(control, window->Handle());
    EXPECT_GE(place.left, page.left) << entry.name << " at " << dpi;
    EXPECT_GE(place.top, page.top) << entry.name << " at " << dpi;
    EXPECT_LE(place.right, page.right) << entry.name << " at " << dpi;
    EXPECT_LE(place.bottom, page.bottom) << entry.name << " at " << dpi;  // a closed list's own height
    const bool check = (entry.style & (BS_AUTOCHECKBOX | BS_AUTORADIOBUTTON)) != 0 && std::string(entry.className) == "BUTTON";
    if (std::string(entry.className) == "STATIC" || check || entry.style & BS_PUSHBUTTON) {
      const int room = (place.right - place.left) - (check ? window->Scale(kCheckBoxGlyph) : 0);
      EXPECT_LE(CaptionWidth(control), room) << entry.name << " \"" << TextOf(control) << "\" at " << dpi;
    }
    for (const ControlEntry& other : WindowControls()) {
      if (other.id <= entry.id || other.page != entry.page) continue;
      RECT overlap{};
      const RECT theirs = PlaceOf(Item(other.id), window->Handle());
      EXPECT_FALSE(IntersectRect(&overlap, &place, &theirs)) << entry.name << " and " << other.name << " at " << dpi;
    }
  }
}

constexpr COLORREF kCoverColour = RGB(255, 0, 255);  // no page shows it

// A window of some other program in front of the middle of the tool window, in kCoverColour.
class Cover {
 public:
  explicit Cover(HWND covered) {
    WNDCLASSA type{};
    type.lpfnWndProc = DefWindowProcA;
    type.hInstance = GetModuleHandleA(nullptr);
    type.hbrBackground = brush_;
    type.lpszClassName = kClassName;
    RegisterClassA(&type);
    RECT place{};
    GetWindowRect(covered, &place);
    const int width = place.right - place.left, height = place.bottom - place.top;
    window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, "", WS_POPUP,
                              place.left + width / 4, place.top + height / 4, width / 2, height / 2, nullptr,
                              nullptr, type.hInstance, nullptr);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
  }
  ~Cover() {
    DestroyWindow(window_);
    UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
    DeleteObject(brush_);
  }
  Cover(const Cover&) = delete;
  Cover& operator=(const Cover&) = delete;
  HWND Handle() const { return window_; }

 private:
  static constexpr char kClassName[] = "SonotapeTestCover";
  HBRUSH brush_ = CreateSolidBrush(kCoverColour);
  HWND window_;
};

// The pixels of kCoverColour in a PNG file, read back through the imaging component; -1 when it
// cannot be read.
int CoverPixelsIn(const std::string& file) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.GetAddressOf()));
  const std::wstring path(file.begin(), file.end());
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (SUCCEEDED(hr)) hr = factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                              WICDecodeMetadataCacheOnDemand, decoder.GetAddressOf());
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.GetAddressOf());
  if (SUCCEEDED(hr)) hr = factory->CreateFormatConverter(converter.GetAddressOf());
  if (SUCCEEDED(hr)) hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                                nullptr, 0.0, WICBitmapPaletteTypeCustom);
  UINT width = 0, height = 0;
  if (SUCCEEDED(hr)) hr = converter->GetSize(&width, &height);
  std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
  if (SUCCEEDED(hr)) hr = converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data());
  if (FAILED(hr) || pixels.empty()) return -1;
  int count = 0;
  for (size_t i = 0; i < pixels.size(); i += 4) {
    count += RGB(pixels[i + 2], pixels[i + 1], pixels[i]) == kCoverColour;
  }
  return count;
}

TEST_P(PageLayout, SavesAPictureOfEveryPage) {
  const std::string folderName = std::string(SONOTAPE_SCREENSHOT_DIR);
  CreateDirectoryA(folderName.c_str(), nullptr);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ShowWindow(window->Handle(), SW_SHOW);
  // The picture is the window's own: a window in front of it (a message box of another test on
  // the same display, say) does not show.
  Cover cover(window->Handle());
  const auto save = [&](const std::string& name) {
    devhost::HostWindow::PumpMessages();
    Sleep(300);
    devhost::HostWindow::PumpMessages();
    ASSERT_EQ(WindowFromPoint(CenterOf(window->Handle())), cover.Handle());
    const std::string file = folderName + "\\" + name + "-" + std::to_string(GetParam()) + ".png";
    EXPECT_TRUE(devhost::SaveWindowPng(window->Handle(), file)) << file;
    EXPECT_EQ(CoverPixelsIn(file), 0) << file;
  };
  const char* names[] = {"general", "mp3-settings", "mp3-advanced"};
  for (int tab = 0; tab < 3; ++tab) {
    ShowTab(tab);
    UpdateWindow(window->Handle());
    save(names[tab]);
  }
  SelectFormat(rfOgg);
  ShowTab(1);
  save("ogg-vorbis");
  if (SUCCEEDED(com)) CoUninitialize();
}

INSTANTIATE_TEST_SUITE_P(Dpi, PageLayout, ::testing::Values(96, 120, 144));

}  // namespace
}  // namespace sonotape
