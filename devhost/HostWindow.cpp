#include "HostWindow.h"

#include <cstdio>

#include "host/HostMessages.h"

namespace devhost {

namespace {

constexpr char kWindowClass[] = "SonotapeDevHost";
constexpr UINT kExitCommand = 1;

bool RegisterHostClass(WNDPROC windowProc) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kWindowClass;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HMENU CreateMenuBar() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  if (bar == nullptr || file == nullptr || !AppendMenuA(file, MF_STRING, kExitCommand, "E&xit") ||
      !AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File")) {
    if (file != nullptr) DestroyMenu(file);
    if (bar != nullptr) DestroyMenu(bar);
    return nullptr;
  }
  return bar;
}

}  // namespace

HostWindow::~HostWindow() { Destroy(); }

LRESULT HostWindow::OnPluginCommand(WPARAM command, LPARAM argument) {
  if (command == sonotape::kHostChannelName && !channelName_.empty()) {
    struct ChannelRecord {
      INT32 index;
      const char* name;
    };
    auto* record = reinterpret_cast<ChannelRecord*>(argument);
    record->index = 1;
    record->name = channelName_.c_str();
  } else if (command == sonotape::kHostAfterAction) {
    afterActions_.push_back(argument);
    std::printf("Host: after-action %ld\n", static_cast<long>(argument));
    std::fflush(stdout);
  }
  return 0;
}

bool HostWindow::Create(bool show) {
  if (!RegisterHostClass(&HostWindow::WindowProc)) {
    return false;
  }
  menu_ = CreateMenuBar();
  if (menu_ == nullptr) {
    return false;
  }
  window_ = CreateWindowExA(0, kWindowClass, "Sonotape development host", WS_OVERLAPPEDWINDOW,
                            CW_USEDEFAULT, CW_USEDEFAULT, 640, 400, nullptr, menu_,
                            GetModuleHandleA(nullptr), this);
  if (window_ == nullptr) {
    DestroyMenu(menu_);
    menu_ = nullptr;
    return false;
  }
  if (show) {
    ShowWindow(window_, SW_SHOW);
  }
  return true;
}

void HostWindow::Destroy() {
  if (window_ != nullptr) {
    DestroyWindow(window_);  // destroys the attached menu bar too
    window_ = nullptr;
    menu_ = nullptr;
  }
}

void HostWindow::PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void HostWindow::PumpFor(DWORD milliseconds) {
  const DWORD begin = GetTickCount();
  do {
    PumpMessages();
    Sleep(10);
  } while (GetTickCount() - begin < milliseconds);
}

LRESULT CALLBACK HostWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_COMMAND && self != nullptr && HIWORD(wParam) == 0) {
    const int id = LOWORD(wParam);
    if (id == static_cast<int>(kExitCommand)) {
      DestroyWindow(window);
    } else if (self->onCommand_) {
      self->onCommand_(id);
    }
    return 0;
  }
  if (message == sonotape::HostCommandMessage && self != nullptr) {
    return self->OnPluginCommand(wParam, lParam);
  }
  if (message == WM_NCDESTROY && self != nullptr) {
    self->window_ = nullptr;
    self->menu_ = nullptr;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace devhost
