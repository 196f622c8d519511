#pragma once
// The messages between the host and the plug-in: the command message that remote-control tools
// and the host send to the plug-in's window, the questions the plug-in sends the host with it,
// and the plug-in's menu item.

#include <windows.h>

namespace sonotape {

inline constexpr UINT HostCommandMessage = WM_APP + 12994;
// HostCommandMessage's wParam to the plug-in's window.
enum HostCommand : WPARAM {
  kCommandPresence = 0,  // answers HostCommandMessage
  kCommandStart = 1,
  kCommandStop = 2,
  kCommandPause = 3,
  kCommandContinue = 4,
  kCommandState = 5,     // 0 idle, 1 recording, 2 paused
  kCommandLength = 6,    // the recorded seconds
  kCommandFormat = 7,    // the "Record as" index
  kCommandVersion = 8,   // kInterfaceVersion
  kCommandPeakLevel = 9,     // lParam a channel (0..5): its peak of the last 300 ms, hundredths of dBFS
  kCommandSecondsLeft = 10,  // the whole seconds of recording that fit on the disk, or -1
};
// The plug-in's interface version: command 8's answer, and "Version" in the settings.
inline constexpr int kInterfaceVersion = 1024;
inline constexpr UINT kMenuItemId = 59429;
// HostCommandMessage's wParam to the host: the channel's name, the after-action of a timer recording.
inline constexpr WPARAM kHostChannelName = 0x2203;
inline constexpr WPARAM kHostAfterAction = 0x2207;

}  // namespace sonotape
