#pragma once
// What the host and remote-control tools ask of the recorder. A timer entry starts a recording
// (event 1), a changed or removed entry moves its end or stops it (event 11), the schedule timer
// ends it and hands the entry's after-action to the host; while recording, the host's closing
// (event 1002) and its ending of the graph (Execute) ask before stopping. Command messages
// (HostCommandMessage) start, stop, pause and continue the recording and tell its state, length
// and format. It reaches its window only through HostEventsView. Window thread only.

#include <windows.h>

#include <string>

#include "host/TimerRecord.h"
#include "recorder/Recorder.h"

namespace sonotape {

// What the host's events and commands need of the window.
class HostEventsView {
 public:
  virtual ~HostEventsView() = default;
  // Receives WM_SCHEDULED_START and the schedule timer (tmrSchedule).
  virtual HWND ScheduleWindow() = 0;
  // The host's window, told the after-action; none: nothing is told.
  virtual HWND HostWindow() = 0;
  // Ticks "Auto create" (date and time in the file names) and hands the recorder the naming.
  virtual void NameByDateTime() = 0;
  // Hands the recorder the naming and encoder settings the pages show now.
  virtual void UpdateNaming() = 0;
  // The entry "Record as" shows (a RecordingFormat).
  virtual LRESULT RecordAsSelection() = 0;
  // Shows the window in front.
  virtual void Show() = 0;
  // Playback stops before the host's after-action.
  virtual void StopPlayback() = 0;
};

class HostEvents {
 public:
  HostEvents(HostEventsView& view, Recorder& recorder) : view_(view), recorder_(recorder) {}
  HostEvents(const HostEvents&) = delete;
  HostEvents& operator=(const HostEvents&) = delete;

  INT32 EventMsg(INT32 type, const void* record);
  // HostCommandMessage: the command's result; 0 for an unknown one.
  LRESULT OnHostCommand(WPARAM command, LPARAM parameter);
  // Before the host ends its graph: TRUE when the user keeps the recording going; otherwise the
  // recording stops and the graph is let go.
  BOOL Execute();
  // WM_SCHEDULED_START: the timer recording starts, silently, and the window shows.
  void OnScheduledStart();
  // tmrSchedule.
  void OnScheduleTick();
  // A write to the output file failed: the recording ends as at Stop, with the message; a
  // scheduled one silently, as at its end.
  void OnWriteFailure();
  // The recording stopped: so did the schedule (its after-action stays for EndSchedule).
  void RecordingStopped();
  // A start or stop by hand cancels the host's after-action.
  void CancelAfterAction() { schedule_.afterAction = 0; }
  const std::string& ScheduledTitle() const { return schedule_.title; }

 private:
  // True when the user keeps a running recording going.
  bool ConfirmStopRecording();
  // Stops the scheduled recording and hands its after-action to the host.
  void EndSchedule();

  HostEventsView& view_;
  Recorder& recorder_;
  bool hostClosing_ = false;
  bool scheduleActive_ = false;  // the schedule timer runs
  Schedule schedule_;
};

}  // namespace sonotape
