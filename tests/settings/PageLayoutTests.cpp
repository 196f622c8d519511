// Every page of the tool window at 96, 120 and 144 DPI: every caption fits its control, no two
// controls of a page overlap, all lie inside the page; and a PNG of each page for a person to
// look at (build/x64/tests/screenshots).

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "HostWindow.h"
#include "Screenshot.h"
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

TEST_P(PageLayout, SavesAPictureOfEveryPage) {
  const std::string folderName = std::string(SONOTAPE_SCREENSHOT_DIR);
  CreateDirectoryA(folderName.c_str(), nullptr);
  ShowWindow(window->Handle(), SW_SHOW);
  const char* names[] = {"general", "mp3-settings", "mp3-advanced"};
  for (int tab = 0; tab < 3; ++tab) {
    ShowTab(tab);
    UpdateWindow(window->Handle());
    devhost::HostWindow::PumpMessages();
    Sleep(300);
    devhost::HostWindow::PumpMessages();
    const std::string file = folderName + "\\" + names[tab] + "-" + std::to_string(GetParam()) + ".png";
    EXPECT_TRUE(devhost::SaveWindowPng(window->Handle(), file)) << file;
  }
  SelectFormat(rfOgg);
  ShowTab(1);
  devhost::HostWindow::PumpMessages();
  Sleep(300);
  devhost::HostWindow::PumpMessages();
  EXPECT_TRUE(devhost::SaveWindowPng(window->Handle(), folderName + "\\ogg-vorbis-" + std::to_string(GetParam()) + ".png"));
}

INSTANTIATE_TEST_SUITE_P(Dpi, PageLayout, ::testing::Values(96, 120, 144));

}  // namespace
}  // namespace sonotape
