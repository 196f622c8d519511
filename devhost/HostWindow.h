#pragma once
// The host's application window with its menu bar; menu commands go to a handler of the host.

#include <windows.h>

#include <functional>

namespace devhost {

class HostWindow {
 public:
  using CommandHandler = std::function<void(int commandId)>;

  HostWindow() = default;
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  ~HostWindow();

  // Creates the window (hidden unless show is set) and its menu bar.
  bool Create(bool show);
  void Destroy();

  HWND Handle() const { return window_; }
  HMENU MenuBar() const { return menu_; }
  void OnCommand(CommandHandler handler) { onCommand_ = std::move(handler); }

  // Handles every message waiting in this thread's queue.
  static void PumpMessages();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  CommandHandler onCommand_;
};

}  // namespace devhost
