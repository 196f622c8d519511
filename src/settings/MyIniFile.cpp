#include "settings/MyIniFile.h"

#include <commctrl.h>
#include <versionhelpers.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "settings/FormGeometry.h"
#include "settings/IniValues.h"
#include "settings/PluginBaseForm.h"

namespace sonotape {

namespace {

constexpr char kDpiSection[] = "DPI";
constexpr std::int32_t kMissing = INT_MIN;
constexpr std::size_t kLongestValue = 1 << 16;

PluginLook look;

int CALLBACK NoteFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM found) {
  if (lstrcmpiA(font->lfFaceName, "Segoe UI") == 0) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
  }
  return 1;
}

bool ScreenHasSegoeUi() {
  HDC screen = GetDC(nullptr);
  LOGFONTA wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(wanted.lfFaceName, "Segoe UI", LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExA(screen, &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

std::string ComboItem(HWND combo, LRESULT index) {
  const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

const PluginLook& CurrentPluginLook() { return look; }

std::int32_t ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

TMyIniFile::TMyIniFile(std::string path) : path_(std::move(path)) { SetUpLook(); }

void TMyIniFile::SetUpLook() {
  look.fontName = ReadString(kDpiSection, "FontName", "");
  look.dpi = ReadInteger(kDpiSection, "UserDPI", 0);
  lastDpi_ = ReadInteger(kDpiSection, "LastDPI", kDesignDpi);
  if (look.fontName.empty()) {
    look.fontName = IsWindowsVistaOrGreater() && ScreenHasSegoeUi() ? "Segoe UI" : "Tahoma";
  }
  if (look.dpi < 72) {
    look.dpi = ScreenDpi();
  } else if (look.dpi > 192) {
    look.dpi = 192;
  }
  const bool segoe = look.fontName.find("Segoe") != std::string::npos;
  look.fontSizeStep = std::clamp(ReadInteger(kDpiSection, "FontSize", segoe ? 1 : 0), 0, 2);
  if (look.dpi != lastDpi_) {
    WriteInteger(kDpiSection, "LastDPI", look.dpi);
  }
}

std::string TMyIniFile::ReadString(const char* section, const char* key, const std::string& fallback) const {
  std::vector<char> value(256);
  for (;;) {
    const DWORD length = GetPrivateProfileStringA(section, key, fallback.c_str(), value.data(),
                                                  static_cast<DWORD>(value.size()), path_.c_str());
    if (length + 1 < value.size() || value.size() >= kLongestValue) {
      return std::string(value.data(), length);
    }
    value.resize(value.size() * 4);  // cut off: read again with room
  }
}

std::int32_t TMyIniFile::ReadInteger(const char* section, const char* key, std::int32_t fallback) const {
  return ParseIniInteger(ReadString(section, key, ""), fallback);
}

bool TMyIniFile::ReadBool(const char* section, const char* key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TMyIniFile::WriteString(const char* section, const char* key, const std::string& value) const {
  WritePrivateProfileStringA(section, key, value.c_str(), path_.c_str());
}

void TMyIniFile::WriteInteger(const char* section, const char* key, std::int32_t value) const {
  WriteString(section, key, std::to_string(value));
}

void TMyIniFile::WriteBool(const char* section, const char* key, bool value) const {
  WriteString(section, key, value ? "1" : "0");
}

std::int32_t TMyIniFile::ReadScaledInteger(const char* section, const char* key, std::int32_t fallback) const {
  const std::int32_t value = ReadInteger(section, key, kMissing);
  return value == kMissing ? fallback : ScaleRounded(value, look.dpi, lastDpi_);
}

void TMyIniFile::RestoreFormBounds(TPluginBaseForm& form) const {
  const char* section = form.Name();
  RECT outer{};
  GetWindowRect(form.Handle(), &outer);
  RECT client{};
  GetClientRect(form.Handle(), &client);
  int width = outer.right - outer.left;
  int height = outer.bottom - outer.top;
  const int left = ReadInteger(section, "Left", (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  const int top = ReadInteger(section, "Top", (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
  if (form.IsSizeable()) {
    const int clientWidth = ReadScaledInteger(section, "CWidth", client.right);
    const int clientHeight = ReadScaledInteger(section, "CHeight", client.bottom);
    width = form.ConstrainWidth(width + clientWidth - client.right);
    height = form.ConstrainHeight(height + clientHeight - client.bottom);
  }
  form.SetNormalBounds(RECT{left, top, left + width, top + height});
  GetWindowRect(form.Handle(), &outer);
  int fittedLeft = outer.left, fittedTop = outer.top;
  if (FitToWorkArea(fittedLeft, fittedTop, width, height)) {
    SetWindowPos(form.Handle(), nullptr, fittedLeft, fittedTop, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TMyIniFile::SaveFormBounds(const TPluginBaseForm& form) const {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(form.Handle(), &placement)) {
    return;
  }
  const RECT& normal = placement.rcNormalPosition;
  WriteInteger(form.Name(), "Left", normal.left);
  WriteInteger(form.Name(), "Top", normal.top);
  if (form.IsSizeable()) {
    WriteInteger(form.Name(), "CWidth", normal.right - normal.left - form.FrameWidth());
    WriteInteger(form.Name(), "CHeight", normal.bottom - normal.top - form.FrameHeight());
  }
}

void TMyIniFile::ReadCheckBox(const TPluginBaseForm& form, int id) const {
  HWND box = form.Control(id);
  const bool checked = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  SendMessageA(box, BM_SETCHECK, ReadBool(form.Name(), form.ControlName(id), checked) ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TMyIniFile::WriteCheckBox(const TPluginBaseForm& form, int id) const {
  WriteBool(form.Name(), form.ControlName(id), SendMessageA(form.Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED);
}

void TMyIniFile::ReadComboBox(const TPluginBaseForm& form, int id) const {
  HWND combo = form.Control(id);
  const std::string current = ComboItem(combo, SendMessageA(combo, CB_GETCURSEL, 0, 0));
  const std::string stored = ReadString(form.Name(), form.ControlName(id), current);
  const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (lstrcmpiA(ComboItem(combo, i).c_str(), stored.c_str()) == 0) {
      SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return;
    }
  }
}

void TMyIniFile::WriteComboBox(const TPluginBaseForm& form, int id) const {
  HWND combo = form.Control(id);
  WriteString(form.Name(), form.ControlName(id), ComboItem(combo, SendMessageA(combo, CB_GETCURSEL, 0, 0)));
}

void TMyIniFile::ReadTrackBar(const TPluginBaseForm& form, int id) const {
  HWND bar = form.Control(id);
  const auto position = static_cast<std::int32_t>(SendMessageA(bar, TBM_GETPOS, 0, 0));
  SendMessageA(bar, TBM_SETPOS, TRUE, ReadInteger(form.Name(), form.ControlName(id), position));
}

void TMyIniFile::WriteTrackBar(const TPluginBaseForm& form, int id) const {
  WriteInteger(form.Name(), form.ControlName(id), static_cast<std::int32_t>(SendMessageA(form.Control(id), TBM_GETPOS, 0, 0)));
}

}  // namespace sonotape
