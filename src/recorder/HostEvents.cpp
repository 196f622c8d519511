#include "recorder/HostEvents.h"

#include <oleauto.h>

#include <cmath>

#include "host/HostMessages.h"
#include "ui/WindowIds.h"

namespace sonotape {

namespace {

double NowAsDate() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  double date = 0;
  SystemTimeToVariantTime(&now, &date);
  return date;
}

}  // namespace

bool HostEvents::ConfirmStopRecording() {
  const std::uint8_t state = recorder_.State();
  if ((state & rsRecording) == 0 || (state & rsStopping) != 0) {
    return false;
  }
  return recorder_.RecorderMessage("This action will stop recording", MB_OKCANCEL | MB_ICONWARNING | MB_SYSTEMMODAL) !=
         IDOK;
}

BOOL HostEvents::Execute() {
  const bool keep = !hostClosing_ && ConfirmStopRecording();
  if (!keep) {
    recorder_.SetRecording(false);
    recorder_.ReleaseGraph();
  }
  return keep ? TRUE : FALSE;
}

INT32 HostEvents::EventMsg(INT32 type, const void* record) {
  const auto* timer = static_cast<const TimerRecordInfo*>(record);
  const std::uint8_t state = recorder_.State();
  switch (type) {
    case 1:
      if (timer == nullptr || !ScheduleFromTimerRecord(*timer, (state & rsRecording) != 0, schedule_)) {
        return 0;
      }
      view_.NameByDateTime();
      PostMessageA(view_.ScheduleWindow(), WM_SCHEDULED_START, 0, 0);
      return 1;
    case 11: {
      if ((state & rsRecording) == 0 || (state & rsStopping) != 0) {
        return 0;
      }
      if (timer == nullptr) {
        return 1;
      }
      TimerChange change;
      if (!MatchTimerChange(*timer, scheduleActive_, schedule_, change)) {
        return 0;
      }
      if (change == TimerChange::Stop) {
        recorder_.SetRecording(false);
      }
      return 1;
    }
    case 1002:
      hostClosing_ = true;
      return ConfirmStopRecording() ? 1 : 0;
    default:
      return 0;
  }
}

LRESULT HostEvents::OnHostCommand(WPARAM command) {
  const std::uint8_t state = recorder_.State();
  switch (command) {
    case 0:
      MessageBeep(MB_OK);
      return HostCommandMessage;
    case 1:
      view_.UpdateNaming();
      recorder_.SetRecording(true);
      return 0;
    case 2:
      recorder_.SetRecording(false);
      return 0;
    case 3:
    case 4:
      if ((state & rsRecording) != 0) {
        recorder_.SetPaused(command == 3);
      }
      return 0;
    case 5:
      return state == rsRecording ? 1 : state == (rsRecording | rsPaused) ? 2 : 0;
    case 6:
      return static_cast<LRESULT>(std::nearbyint(recorder_.ReadRecordingStats().seconds));
    case 7:
      return view_.RecordAsSelection();
    case 8:
      return 1024;
    default:
      return 0;
  }
}

void HostEvents::OnScheduledStart() {
  view_.UpdateNaming();
  recorder_.SetSilent(true);
  recorder_.SetRecording(true);
  recorder_.SetSilent(false);
  view_.Show();
  SetTimer(view_.ScheduleWindow(), tmrSchedule, 1000, nullptr);
  scheduleActive_ = true;
}

void HostEvents::OnScheduleTick() {
  if (NowAsDate() >= schedule_.end) {
    EndSchedule();
  }
}

void HostEvents::OnWriteFailure() {
  const bool scheduled = scheduleActive_;
  recorder_.SetSilent(scheduled);
  recorder_.EndAfterWriteFailure();
  recorder_.SetSilent(false);
  if (scheduled) {
    EndSchedule();
  }
}

void HostEvents::RecordingStopped() {
  KillTimer(view_.ScheduleWindow(), tmrSchedule);
  scheduleActive_ = false;
  schedule_.title.clear();
  schedule_.channel.clear();
  schedule_.start = 0;
}

void HostEvents::EndSchedule() {
  recorder_.SetRecording(false);
  // Once, also when the scheduled start failed and no stop ended the schedule.
  KillTimer(view_.ScheduleWindow(), tmrSchedule);
  scheduleActive_ = false;
  if (schedule_.afterAction > 0) {
    view_.StopPlayback();
    HWND host = view_.HostWindow();
    if (host != nullptr) {
      PostMessageA(host, HostCommandMessage, kHostAfterAction, schedule_.afterAction);
    }
  }
  schedule_ = Schedule{};
}

}  // namespace sonotape
