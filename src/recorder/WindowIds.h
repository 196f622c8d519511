#pragma once
// Control ids, timers and messages of the tool window: stable, so tests and remote-control
// tools can drive it with real messages.

#include <windows.h>

namespace sonotape {

enum ControlId : int {
  idTabs = 1000,
  btnRecord = 1001,
  btnPause = 1002,
  btnSave = 1003,
  cbStayConnected = 1004,
  cbAutoCreate = 1005,
  cbRecordAs = 1006,
  edFilename = 1007,
  edOutput = 1008,
  btnFile = 1009,
  lblFileSize = 1010,
  lblLengthGen = 1011,
  lblLength = 1012,
  lblRecordAs = 1013,
  lblFilename = 1014,
  lblOutput = 1015,
};

enum TimerId : UINT_PTR { tmrSchedule = 1, tmrUpdate = 2 };

inline constexpr UINT WM_SCHEDULED_START = WM_USER + 100;
inline constexpr UINT WM_RECORDER_NOTIFY = WM_APP + 1235;
inline constexpr UINT HostCommandMessage = WM_APP + 12994;
inline constexpr UINT kMenuItemId = 59429;
inline constexpr WPARAM kHostChannelName = 0x2203;
inline constexpr WPARAM kHostAfterAction = 0x2207;

// Button images in ilButtons.
enum ButtonImage : int { imgRecord = 0, imgStop = 1, imgPause = 2, imgContinue = 3, imgPlay = 4 };

}  // namespace sonotape
