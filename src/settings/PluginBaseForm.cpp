#include "settings/PluginBaseForm.h"

#include <algorithm>

#include "settings/FormGeometry.h"
#include "settings/FormKeyboard.h"
#include "settings/MyIniFile.h"

namespace sonotape {

namespace {

constexpr int kFormFontPoints = 8;

bool WorkAreaNear(const RECT& rect, WorkArea& work) {
  HMONITOR monitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor == nullptr || !GetMonitorInfoA(monitor, &info)) {
    return false;
  }
  work = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  return true;
}

BOOL CALLBACK RepaintChild(HWND child, LPARAM) {
  InvalidateRect(child, nullptr, TRUE);  // EnumChildWindows walks the whole tree
  return TRUE;
}

// Raises low to needed, and a bound high by as much, keeping the room between them.
void RaiseBounds(int& low, int& high, int needed) {
  if (needed <= low) return;
  if (high > 0) high += needed - low;
  low = needed;
}

int Bounded(int value, int low, int high) {
  if (high > 0 && value > high) value = high;
  if (low > 0 && value < low) value = low;
  return value;
}

}  // namespace

bool FitToWorkArea(int& left, int& top, int width, int height) {
  WorkArea work{};
  const RECT rect{left, top, left + width, top + height};
  return WorkAreaNear(rect, work) && FitRectToWorkArea(left, top, width, height, work);
}

TPluginBaseForm::TPluginBaseForm(HINSTANCE module, const char* name, bool userScaled)
    : module_(module), name_(name), targetDpi_(CurrentPluginLook().dpi) {
  if (!userScaled) {
    targetDpi_ = ScreenDpi();
  }
}

TPluginBaseForm::~TPluginBaseForm() {
  if (window_ != nullptr) {
    DestroyWindow(window_);
  }
  if (font_ != nullptr) {
    DeleteObject(font_);
  }
}

int TPluginBaseForm::Scale(int designed) const { return ScaleRounded(designed, targetDpi_, kDesignDpi); }

bool TPluginBaseForm::CreateForm(const char* className, const char* caption, DWORD style, DWORD exStyle, SIZE client,
                                 const SizeConstraints& constraints, HWND owner) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExA(module_, className, &windowClass)) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = module_;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    if (RegisterClassExA(&windowClass) == 0) {
      return false;
    }
  }
  const PluginLook& look = CurrentPluginLook();
  // Points at the target DPI, so the text grows with the layout.
  const int points = kFormFontPoints + look.fontSizeStep;
  font_ = CreateFontA(-ScaleRounded(points, targetDpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                      look.fontName.c_str());
  constraints_ = {ScaleConstraint(constraints.minWidth, targetDpi_), ScaleConstraint(constraints.minHeight, targetDpi_),
                  ScaleConstraint(constraints.maxWidth, targetDpi_), ScaleConstraint(constraints.maxHeight, targetDpi_)};
  RECT frame{0, 0, Scale(client.cx), Scale(client.cy)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = ConstrainWidth(frame.right - frame.left);
  const int height = ConstrainHeight(frame.bottom - frame.top);
  window_ = CreateWindowExA(exStyle | WS_EX_CONTROLPARENT, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                            width, height, owner, nullptr, module_, this);
  if (window_ == nullptr) {
    return false;
  }
  AttachFormKeyboard(window_);  // without it the form still works, by the mouse
  return true;
}

bool TPluginBaseForm::IsSizeable() const {
  return (GetWindowLongPtrA(window_, GWL_STYLE) & WS_THICKFRAME) != 0 &&
         (GetWindowLongPtrA(window_, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0;
}

// The frame as the window manager draws it for the window's styles, so that a client size saved
// from the normal rectangle restores to the same window.
SIZE TPluginBaseForm::FrameSize() const {
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE)), GetMenu(window_) != nullptr,
                     static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE)));
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void TPluginBaseForm::RequireClient(SIZE needed) {
  const SIZE frame = FrameSize();
  RaiseBounds(constraints_.minWidth, constraints_.maxWidth, needed.cx + frame.cx);
  RaiseBounds(constraints_.minHeight, constraints_.maxHeight, needed.cy + frame.cy);
  RECT now{};
  GetWindowRect(window_, &now);
  const int width = ConstrainWidth(now.right - now.left), height = ConstrainHeight(now.bottom - now.top);
  if (width != now.right - now.left || height != now.bottom - now.top) {
    SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int TPluginBaseForm::FrameWidth() const { return FrameSize().cx; }

int TPluginBaseForm::FrameHeight() const { return FrameSize().cy; }

void TPluginBaseForm::SetNormalBounds(const RECT& bounds) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  placement.rcNormalPosition = bounds;
  SetWindowPlacement(window_, &placement);
}

int TPluginBaseForm::ConstrainWidth(int width) const {
  return Bounded(width, constraints_.minWidth, constraints_.maxWidth);
}

int TPluginBaseForm::ConstrainHeight(int height) const {
  return Bounded(height, constraints_.minHeight, constraints_.maxHeight);
}

void TPluginBaseForm::SnapWhileMoved(WINDOWPOS& position) const {
  RECT now{};
  GetWindowRect(window_, &now);
  const int width = now.right - now.left;
  const int height = now.bottom - now.top;
  WorkArea work{};
  if (WorkAreaNear(RECT{position.x, position.y, position.x + width, position.y + height}, work)) {
    SnapToWorkArea(position.x, position.y, width, height, work);
  }
}

LRESULT TPluginBaseForm::BaseMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (constraints_.minWidth > 0) info->ptMinTrackSize.x = constraints_.minWidth;
      if (constraints_.minHeight > 0) info->ptMinTrackSize.y = constraints_.minHeight;
      if (constraints_.maxWidth > 0) info->ptMaxTrackSize.x = constraints_.maxWidth;
      if (constraints_.maxHeight > 0) info->ptMaxTrackSize.y = constraints_.maxHeight;
      return 0;
    }
    case WM_WINDOWPOSCHANGING: {
      auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
      const LRESULT result = OnMessage(message, wParam, lParam);
      if (snap_ && (position->flags & SWP_NOMOVE) == 0) {
        SnapWhileMoved(*position);
      }
      return result;
    }
    case WM_NEXTDLGCTL:
      MoveFormFocus(window_, wParam, lParam);
      return 0;
    case WM_ACTIVATE: {
      HWND focus = GetFocus();
      if (LOWORD(wParam) == WA_INACTIVE && IsChild(window_, focus)) lastFocus_ = focus;
      const LRESULT result = OnMessage(message, wParam, lParam);
      if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0) RestoreFormFocus(window_, lastFocus_);
      return result;
    }
    case WM_UPDATEUISTATE: {
      const LRESULT result = OnMessage(message, wParam, lParam);
      InvalidateRect(window_, nullptr, TRUE);
      EnumChildWindows(window_, RepaintChild, 0);
      return result;
    }
    default:
      return OnMessage(message, wParam, lParam);
  }
}

LRESULT CALLBACK TPluginBaseForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<TPluginBaseForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TPluginBaseForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    DetachFormKeyboard(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  try {
    return self->BaseMessage(message, wParam, lParam);
  } catch (...) {
    return 0;  // no exception may reach the host's message loop
  }
}

}  // namespace sonotape
