#pragma once
// The host's application window with its menu bar; menu commands go to a handler of the host.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

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
  // The channel the host answers the plug-in's question for (0x2203); empty answers nothing.
  void SetChannelName(const std::string& name) { channelName_ = name; }
  // The after-actions the plug-in handed over (0x2207), in order.
  const std::vector<LPARAM>& AfterActions() const { return afterActions_; }

  // Handles every message waiting in this thread's queue.
  static void PumpMessages();
  // Handles this thread's messages for about the given time, as the host's message loop does.
  static void PumpFor(DWORD milliseconds);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnPluginCommand(WPARAM command, LPARAM argument);

  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  CommandHandler onCommand_;
  std::string channelName_;
  std::vector<LPARAM> afterActions_;
};

}  // namespace devhost
