#include "window/MeterControls.h"

#include <algorithm>
#include <new>

#include "ui/WindowIds.h"
#include "window/GdiOwner.h"

namespace sonotape {

namespace {

constexpr COLORREF kTrough = RGB(48, 48, 48);
constexpr COLORREF kUnlit = RGB(96, 96, 96);
constexpr COLORREF kHold = RGB(240, 240, 240);
// The bar's colours, each up to its level.
struct Zone {
  float topDb;
  COLORREF colour;
};
constexpr Zone kZones[] = {{-12, RGB(0, 176, 64)}, {-3, RGB(224, 192, 0)}, {0, RGB(224, 32, 32)}};
constexpr char kWidestName[] = "LFE";

struct MeterData {
  MeterReading reading;
  HFONT font = nullptr;   // the window's, for the channel's name
  FontOwner small;        // the same face as tall as a meter too low for a line of text
  int smallHeight = 0;
};

// The font the name is written in: the window's, or where the meter is lower than its lines, the
// same face as tall as the meter.
HFONT NameFont(MeterData& data, HDC dc, int height) {
  HFONT font = data.font != nullptr ? data.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  if (metrics.tmHeight <= height) {
    return font;
  }
  if (data.small.Get() == nullptr || data.smallHeight != height) {
    LOGFONTA face{};
    GetObjectA(font, sizeof face, &face);
    face.lfHeight = -height;
    face.lfWidth = 0;
    data.small.Reset(CreateFontIndirectA(&face));
    data.smallHeight = height;
  }
  return data.small.Get() != nullptr ? data.small.Get() : font;
}

MeterData* DataOf(HWND meter) { return reinterpret_cast<MeterData*>(GetWindowLongPtrA(meter, GWLP_USERDATA)); }

void Fill(HDC dc, RECT box, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &box, nullptr, 0, nullptr);
}

int At(const RECT& trough, std::optional<float> levelDb) {
  return trough.left + static_cast<int>(MeterFraction(levelDb) * static_cast<float>(trough.right - trough.left) + 0.5f);
}

// The channel's name on the page's background, as the panel's parent colours static text.
int DrawName(HWND meter, HDC dc, const RECT& client, MeterData& data) {
  HGDIOBJ oldFont = SelectObject(dc, NameFont(data, dc, client.bottom - client.top));
  SIZE widest{};
  GetTextExtentPoint32A(dc, kWidestName, static_cast<int>(sizeof kWidestName - 1), &widest);
  RECT name{client.left, client.top, client.left + widest.cx + widest.cy / 3, client.bottom};
  HWND panel = GetParent(meter);
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(GetParent(panel), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(meter)));
  FillRect(dc, &name, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
  const std::string& text = data.reading.text;
  const std::size_t space = text.find(' ');
  DrawTextA(dc, text.c_str(), static_cast<int>(space == std::string::npos ? text.size() : space), &name,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  return name.right;
}

void DrawBar(HDC dc, RECT trough, const MeterReading& reading) {
  Fill(dc, trough, kTrough);
  const int inset = std::max<int>(1, (trough.bottom - trough.top) / 6);
  RECT lit{trough.left, trough.top + inset, trough.left, trough.bottom - inset};
  const int end = At(trough, reading.levelDb);
  for (const Zone& zone : kZones) {
    lit.left = lit.right;
    lit.right = std::min(end, At(trough, zone.topDb));
    if (lit.right > lit.left) Fill(dc, lit, zone.colour);
  }
  if (reading.holdDb) {
    const int hold = std::clamp(At(trough, reading.holdDb), static_cast<int>(trough.left) + 2,
                                static_cast<int>(trough.right));
    Fill(dc, {hold - 2, trough.top + inset, hold, trough.bottom - inset}, kHold);
  }
}

void PaintMeter(HWND meter, HDC target) {
  MeterData* data = DataOf(meter);
  RECT client{};
  GetClientRect(meter, &client);
  if (data == nullptr || client.right <= 0 || client.bottom <= 0) return;
  // Drawn aside and copied in one go: ten times a second, without flicker.
  MemoryDcOwner dc;
  dc.Reset(CreateCompatibleDC(target));
  BitmapOwner bitmap;
  bitmap.Reset(CreateCompatibleBitmap(target, client.right, client.bottom));
  if (dc.Get() == nullptr || bitmap.Get() == nullptr) {
    return;
  }
  HGDIOBJ oldBitmap = SelectObject(dc.Get(), bitmap.Get());
  const int barLeft = DrawName(meter, dc.Get(), client, *data);
  const int clipWidth = std::max<int>(4, client.bottom / 2);
  const RECT clip{client.right - clipWidth, client.top, client.right, client.bottom};
  DrawBar(dc.Get(), {barLeft, client.top, clip.left - 1, client.bottom}, data->reading);
  Fill(dc.Get(), {clip.left - 1, client.top, clip.left, client.bottom}, kTrough);
  Fill(dc.Get(), clip, data->reading.clipped ? kZones[2].colour : kUnlit);
  BitBlt(target, 0, 0, client.right, client.bottom, dc.Get(), 0, 0, SRCCOPY);
  SelectObject(dc.Get(), oldBitmap);
}

LRESULT CALLBACK MeterProc(HWND meter, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      auto* data = new (std::nothrow) MeterData;
      if (data == nullptr) return FALSE;
      SetWindowLongPtrA(meter, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
      break;
    }
    case WM_NCDESTROY:
      delete DataOf(meter);
      SetWindowLongPtrA(meter, GWLP_USERDATA, 0);
      break;
    case WM_SETFONT:
      if (MeterData* data = DataOf(meter)) data->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(meter, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painted whole
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(meter, &paint);
      PaintMeter(meter, dc);
      EndPaint(meter, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:  // pictures of the window, and magnifiers
      PaintMeter(meter, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_LBUTTONDOWN:  // clears the clip mark
      SendMessageA(GetParent(meter), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(meter), STN_CLICKED),
                   reinterpret_cast<LPARAM>(meter));
      return 0;
    default:
      break;
  }
  return DefWindowProcA(meter, message, wParam, lParam);
}

int LineHeight(HWND meter) {
  const MeterData* data = DataOf(meter);
  HDC dc = GetDC(meter);
  if (dc == nullptr) return 0;
  HGDIOBJ oldFont = SelectObject(dc, data != nullptr && data->font != nullptr ? data->font : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, oldFont);
  ReleaseDC(meter, dc);
  return metrics.tmHeight;
}

bool Shown(HWND meter) { return (GetWindowLongPtrA(meter, GWL_STYLE) & WS_VISIBLE) != 0; }

// The meters shown, each as tall as a line of text at most, stacked in the panel's middle.
void LayOutMeters(HWND panel) {
  RECT box{};
  GetClientRect(panel, &box);
  unsigned shown = 0;
  while (shown < PeakMeter::kMaxChannels && Shown(MeterOf(panel, shown))) ++shown;
  if (shown == 0) return;
  const int gap = 1;
  const int room = (box.bottom - static_cast<int>(shown - 1) * gap) / static_cast<int>(shown);
  const int height = std::max(1, std::min(room, LineHeight(MeterOf(panel, 0)) + 2));
  int y = (box.bottom - static_cast<int>(shown) * (height + gap) + gap) / 2;
  for (unsigned c = 0; c < shown; ++c) {
    SetWindowPos(MeterOf(panel, c), nullptr, 0, std::max(0, y), box.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
    y += height + gap;
  }
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      for (unsigned c = 0; c < PeakMeter::kMaxChannels; ++c) {
        const auto id = static_cast<INT_PTR>(mtrChannel + static_cast<int>(c));
        if (CreateWindowExA(0, kMeterClass, "", WS_CHILD, 0, 0, 0, 0, panel, reinterpret_cast<HMENU>(id),
                            reinterpret_cast<const CREATESTRUCTA*>(lParam)->hInstance, nullptr) == nullptr) {
          return -1;
        }
      }
      return 0;
    case WM_SETFONT:
      for (unsigned c = 0; c < PeakMeter::kMaxChannels; ++c) SendMessageA(MeterOf(panel, c), WM_SETFONT, wParam, lParam);
      return 0;
    case WM_SIZE:
      LayOutMeters(panel);
      return 0;
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
      return SendMessageA(GetParent(panel), message, wParam, lParam);
    default:
      return DefWindowProcA(panel, message, wParam, lParam);
  }
}

bool Register(HINSTANCE module, const char* name, WNDPROC procedure) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (GetClassInfoExA(module, name, &windowClass)) return true;
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = name;
  return RegisterClassExA(&windowClass) != 0;
}

}  // namespace

bool RegisterMeterClasses(HINSTANCE module) {
  return Register(module, kMeterClass, MeterProc) && Register(module, kMeterPanelClass, PanelProc);
}

HWND MeterOf(HWND panel, unsigned channel) { return GetDlgItem(panel, mtrChannel + static_cast<int>(channel)); }

void ShowMeters(HWND panel, unsigned count) {
  for (unsigned c = 0; c < PeakMeter::kMaxChannels; ++c) {
    ShowWindow(MeterOf(panel, c), c < count ? SW_SHOWNA : SW_HIDE);
  }
  LayOutMeters(panel);
}

void SetMeterReading(HWND meter, const MeterReading& reading) {
  MeterData* data = DataOf(meter);
  if (data == nullptr) return;
  data->reading = reading;
  SetWindowTextA(meter, reading.text.c_str());
  InvalidateRect(meter, nullptr, FALSE);
}

}  // namespace sonotape
