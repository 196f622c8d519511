// Every page of the tool window at 96, 120 and 144 DPI and at the font size steps 0 to 2, in the
// bench's Tahoma and in a wider font, at the window's smallest size: every caption a control
// shows (those of run time too) fits the control in the control's own font, rows are as tall as
// their text, no two controls of a page overlap, all lie inside their page, and the tabs fit in
// one row. And a PNG of every page for a person to look at (build/x64/tests/screenshots).

#include <windows.h>
#include <commctrl.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "HostGraph.h"
#include "HostWindow.h"
#include "PluginTabs.h"
#include "Screenshot.h"
#include "graph/ComPtr.h"
#include "settings/MyIniFile.h"
#include "support/TempFolder.h"
#include "ui/WindowIds.h"
#include "window/SonotapeWindow.h"
#include "window/WindowLayout.h"
#include "support/WindowText.h"

namespace sonotape {
namespace {

// Lengths at 96 DPI that a control draws around its caption.
constexpr int kCheckBoxAndGap = 17;  // the box of a check box or radio button and the gap after it
constexpr int kButtonEdge = 3;       // a push button's edge and focus rectangle, each side
constexpr int kGlyphAndGap = 18;     // a button's image and the gap beside it
constexpr int kTabEnd = 10;          // the room the window leaves after its last tab

// Captions the controls show at run time, besides the ones they are created with.
const std::map<int, std::vector<std::string>> kRunTimeCaptions = {
    {btnRecord, {"&Stop"}},
    {btnPause, {"&Continue"}},
    {lblBitrate, {"VBR Min. &Bit Rate:"}},
    {btnPlay, {"P&lay", "P&ause"}},
    {lblFileSize, {"Written: 4095.9 MB"}},
    {lblLengthGen, {"Length:  99:59:59"}},
    {lblLength, {"Length:  99:59:59"}},
    {lblPosition, {"P&osition:  99:59:59"}},
    {lblOggBitrate, {"Bit Rate approx. 500 kbps"}},
};
// The buttons that show an image beside their caption (some of them only while recording).
const std::set<int> kImageButtons = {btnRecord, btnPause, btnPlay, btnStop};

using testsupport::TextOf;

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The size of a caption in the control's own font, without the mnemonic's ampersand.
SIZE CaptionSize(HWND control, std::string text) {
  for (std::size_t at; (at = text.find('&')) != std::string::npos;) text.erase(at, 1);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size;
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

// A window at the given DPI, font size step and font (empty: the default), with MP3 chosen and
// the Play page made visible by a WAV recording from the development host's graph.
class PageWindow {
 public:
  PageWindow(int dpi, int step, const std::string& font) : com_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {
    std::ofstream(folder_.File("Sonotape.ini"))
        << "[DPI]\nUserDPI=" << dpi << "\nFontSize=" << step << "\nFontName=" << font
        << "\n";
    window_ = std::make_unique<TfrmSonotape>(GetModuleHandleA(nullptr),
                                             std::make_unique<TMyIniFile>(folder_.File("Sonotape.ini")));
  }
  ~PageWindow() {
    window_.reset();
    graph_.Release();
    if (SUCCEEDED(com_)) CoUninitialize();
  }
  PageWindow(const PageWindow&) = delete;
  PageWindow& operator=(const PageWindow&) = delete;

  // Creates the window on a graph playing 5.1 (a meter for each channel) and records a moment, so
  // the Play page is there.
  void Open() {
    ASSERT_TRUE(window_->Create(nullptr));
    std::string error;
    devhost::SourcePlan plan;
    plan.format.channels = 6;
    ASSERT_TRUE(graph_.Build(plan, devhost::RendererKind::Null, false, error)) << error;
    ASSERT_TRUE(window_->AttachGraph(reinterpret_cast<IFilterGraph*>(graph_.Graph())));
    SetWindowTextA(Item(edOutput), folder_.Path().c_str());
    SelectFormat(rfWav);
    SendMessageA(Item(btnRecord), BM_CLICK, 0, 0);
    ASSERT_EQ(TextOf(Item(btnRecord)), "&Stop");
    SendMessageA(Item(btnRecord), BM_CLICK, 0, 0);
    SelectFormat(rfMp3);
  }
  // The host plays: sound passes the tap.
  void Play() { ASSERT_TRUE(SUCCEEDED(graph_.Control()->Run())); }
  TfrmSonotape& Form() const { return *window_; }
  HWND Handle() const { return window_->Handle(); }
  HWND Item(int id) const { return GetDlgItem(window_->Handle(), id); }
  int Scale(int designed) const { return window_->Scale(designed); }

  void ShowTab(const std::string& caption) {
    EXPECT_TRUE(devhost::ShowTab(Handle(), caption)) << "no tab " << caption;
  }
  void SelectFormat(int index) {
    SendMessageA(Item(cbRecordAs), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(Handle(), WM_COMMAND, MAKEWPARAM(cbRecordAs, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(cbRecordAs)));
  }

 private:
  HRESULT com_;
  testsupport::TempFolder folder_;
  devhost::HostGraph graph_;
  std::unique_ptr<TfrmSonotape> window_;
};

// "96dpi-step0": in file names and messages.
std::string LookName(int dpi, int step) { return std::to_string(dpi) + "dpi-step" + std::to_string(step); }
// "Dpi96_Step0": in test names.
std::string ParamName(int dpi, int step) { return "Dpi" + std::to_string(dpi) + "_Step" + std::to_string(step); }

class PageLayout : public ::testing::TestWithParam<std::tuple<int, int, const char*>> {
 protected:
  void SetUp() override {
    window = std::make_unique<PageWindow>(std::get<0>(GetParam()), std::get<1>(GetParam()), std::get<2>(GetParam()));
    window->Open();
  }
  std::string Look() const {
    return LookName(std::get<0>(GetParam()), std::get<1>(GetParam())) + " in '" + std::get<2>(GetParam()) + "'";
  }
  void ExpectCaptionsFit(const ControlEntry& entry, const RECT& place);
  void ExpectTabsInOneRow(int format, LRESULT count);

  std::unique_ptr<PageWindow> window;
};

void PageLayout::ExpectCaptionsFit(const ControlEntry& entry, const RECT& place) {
  HWND control = window->Item(entry.id);
  const std::string kind = ClassOf(control);
  const DWORD type = entry.style & BS_TYPEMASK;
  const bool label = kind == "Static" && (entry.style & SS_TYPEMASK) != SS_ICON;
  const bool check = kind == "Button" && type != BS_PUSHBUTTON;
  const bool push = kind == "Button" && type == BS_PUSHBUTTON && (entry.style & BS_ICON) == 0;
  if (!label && !check && !push) return;
  std::vector<std::string> captions{TextOf(control)};
  if (const auto more = kRunTimeCaptions.find(entry.id); more != kRunTimeCaptions.end()) {
    captions.insert(captions.end(), more->second.begin(), more->second.end());
  }
  const int width = place.right - place.left, height = place.bottom - place.top;
  int room = width;
  if (check) room -= window->Scale(kCheckBoxAndGap);
  if (push) room -= 2 * window->Scale(kButtonEdge) + (kImageButtons.count(entry.id) ? window->Scale(kGlyphAndGap) : 0);
  for (const std::string& caption : captions) {
    const SIZE size = CaptionSize(control, caption);
    EXPECT_LE(size.cx, room) << entry.name << " \"" << caption << "\" at " << Look();
    EXPECT_LE(size.cy + (push ? 2 * window->Scale(kButtonEdge) : 0), height) << entry.name << " at " << Look();
  }
}

// The tabs of the format's pages, General's and Play's, all in one row.
void PageLayout::ExpectTabsInOneRow(int format, LRESULT count) {
  window->SelectFormat(format);
  HWND tabs = window->Item(idTabs);
  RECT page{}, lastTab{};
  GetClientRect(tabs, &page);
  ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), count) << "format " << format;
  SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&lastTab));
  EXPECT_LE(lastTab.right, page.right) << "the tabs of format " << format << " in one row at " << Look();
}

TEST_P(PageLayout, AtTheSmallestSizeCaptionsFitAndControlsNeitherOverlapNorLeaveThePage) {
  HWND form = window->Handle();
  SetWindowPos(form, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);  // to the least size
  MINMAXINFO limits{};
  SendMessageA(form, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  RECT outer{};
  GetWindowRect(form, &outer);
  EXPECT_EQ(outer.right - outer.left, limits.ptMinTrackSize.x) << Look();
  EXPECT_EQ(outer.bottom - outer.top, limits.ptMinTrackSize.y) << Look();

  ExpectTabsInOneRow(rfOgg, 3);
  ExpectTabsInOneRow(rfFlac, 3);
  ExpectTabsInOneRow(rfMp3, 4);  // General, both MP3 pages and Play
  HWND tabs = window->Item(idTabs);
  RECT page{};
  GetClientRect(tabs, &page);
  SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  MapWindowPoints(tabs, form, reinterpret_cast<POINT*>(&page), 2);

  for (const ControlEntry& entry : WindowControls()) {
    const RECT place = PlaceOf(window->Item(entry.id), form);
    EXPECT_GE(place.left, page.left) << entry.name << " at " << Look();
    EXPECT_GE(place.top, page.top) << entry.name << " at " << Look();
    EXPECT_LE(place.right, page.right) << entry.name << " at " << Look();
    EXPECT_LE(place.bottom, page.bottom) << entry.name << " at " << Look();  // a closed list's own height
    ExpectCaptionsFit(entry, place);
    for (const ControlEntry& other : WindowControls()) {
      if (other.id <= entry.id || other.page != entry.page) continue;
      RECT overlap{};
      const RECT theirs = PlaceOf(window->Item(other.id), form);
      EXPECT_FALSE(IntersectRect(&overlap, &place, &theirs)) << entry.name << " and " << other.name << " at " << Look();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Looks, PageLayout,
                         ::testing::Combine(::testing::Values(96, 120, 144), ::testing::Values(0, 1, 2),
                                            ::testing::Values("", "DejaVu Sans")),
                         [](const auto& look) {
                           return ParamName(std::get<0>(look.param), std::get<1>(look.param)) +
                                  (*std::get<2>(look.param) != '\0' ? "_DejaVu" : "");
                         });

// The design's own size limits (329..346 x 265..269 at 96 DPI) hold where the pages fit them. Only
// the row of tabs may need more: a tab control with images may give every tab room for one (Wine's
// does), and then the width grows by just what the tabs need.
TEST(PageLayoutLimits, TheDesignedLimitsHoldForTheDesignedFont) {
  PageWindow window(96, 0, "");
  window.Open();
  HWND form = window.Handle();
  SetWindowPos(form, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);  // to the least size
  MINMAXINFO limits{};
  SendMessageA(form, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.y, 265);
  EXPECT_EQ(limits.ptMaxTrackSize.y, 269);
  EXPECT_EQ(limits.ptMaxTrackSize.x - limits.ptMinTrackSize.x, 346 - 329);
  EXPECT_GE(limits.ptMinTrackSize.x, 329);
  if (limits.ptMinTrackSize.x > 329) {
    HWND tabs = window.Item(idTabs);
    RECT page{}, lastTab{};
    GetClientRect(tabs, &page);
    SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0) - 1),
                 reinterpret_cast<LPARAM>(&lastTab));
    EXPECT_GE(lastTab.right, page.right - window.Scale(kTabEnd)) << "raised further than the tabs need";
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

class PagePictures : public ::testing::TestWithParam<std::tuple<int, int>> {};

// Pictures named PAGE-DPIdpi-stepN.png, in the bench's font.
TEST_P(PagePictures, OfEveryPageAreTheWindowsOwn) {
  const auto [dpi, step] = GetParam();
  PageWindow window(dpi, step, "");
  window.Open();
  window.Play();
  const std::string folderName = std::string(SONOTAPE_SCREENSHOT_DIR);
  CreateDirectoryA(folderName.c_str(), nullptr);
  // The same on every machine, and as the window comes up: the first field has the focus.
  SetWindowTextA(window.Item(edOutput), "C:\\Users\\Public\\Music\\");
  SetWindowTextA(window.Item(lblRecordStatus), "Free: 120.5 GB, about 182 h 48 min");
  ShowWindow(window.Handle(), SW_SHOW);
  SetFocus(GetNextDlgTabItem(window.Handle(), nullptr, FALSE));
  // The picture is the window's own: a window in front of it (a message box of another test on
  // the same display, say) does not show.
  Cover cover(window.Handle());
  const auto save = [&](const std::string& name) {
    devhost::HostWindow::PumpMessages();
    ASSERT_EQ(WindowFromPoint(CenterOf(window.Handle())), cover.Handle());
    const std::string file = folderName + "\\" + name + "-" + LookName(dpi, step) + ".png";
    EXPECT_TRUE(devhost::SaveWindowPng(window.Handle(), file)) << file;
    EXPECT_EQ(CoverPixelsIn(file), 0) << file;
  };
  const std::pair<const char*, const char*> mp3Pages[] = {
      {"General", "general"}, {"MP3 Settings", "mp3-settings"}, {"MP3 Advanced", "mp3-advanced"}, {"Play", "play"}};
  for (const auto& [tab, name] : mp3Pages) {
    window.ShowTab(tab);
    if (std::string(tab) == "General") devhost::HostWindow::PumpFor(600);  // the meters take the sound up
    save(name);
  }
  window.SelectFormat(rfOgg);
  window.ShowTab("Ogg Vorbis");
  save("ogg-vorbis");
  window.SelectFormat(rfFlac);
  window.ShowTab("FLAC");
  save("flac");
}

INSTANTIATE_TEST_SUITE_P(Looks, PagePictures,
                         ::testing::Combine(::testing::Values(96, 120, 144), ::testing::Values(0, 1, 2)),
                         [](const auto& look) { return ParamName(std::get<0>(look.param), std::get<1>(look.param)); });

}  // namespace
}  // namespace sonotape
