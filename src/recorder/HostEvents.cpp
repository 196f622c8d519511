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
    recorder_.StopRecording();
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
        recorder_.StopRecording();
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

LRESULT HostEvents::OnHostCommand(WPARAM command, LPARAM parameter) {
  const std::uint8_t state = recorder_.State();
  switch (command) {
    case kCommandPresence:
      MessageBeep(MB_OK);
      return HostCommandMessage;
    case kCommandStart:
      view_.UpdateNaming();
      recorder_.StartRecording(Failures::kShown);
      return 0;
    case kCommandStop:
      recorder_.StopRecording();
      return 0;
    case kCommandPause:
    case kCommandContinue:
      if ((state & rsRecording) != 0) {
        recorder_.SetPaused(command == kCommandPause);
      }
      return 0;
    case kCommandState:
      return state == rsRecording ? 1 : state == (rsRecording | rsPaused) ? 2 : 0;
    case kCommandLength:
      return static_cast<LRESULT>(std::nearbyint(recorder_.ReadRecordingStats().seconds));
    case kCommandFormat:
      return view_.RecordAsSelection();
    case kCommandVersion:
      return kInterfaceVersion;
    case kCommandPeakLevel:
      return parameter >= 0 && parameter < static_cast<LPARAM>(PeakMeter::kMaxChannels)
                 ? recorder_.PeakLevel(static_cast<unsigned>(parameter))
                 : kNoLevel;
    case kCommandSecondsLeft:
      return static_cast<LRESULT>(recorder_.TimeLeftOnDisk().seconds);
    default:
      return 0;
  }
}

void HostEvents::OnScheduledStart() {
  view_.UpdateNaming();
  recorder_.StartRecording(Failures::kQuiet);
  view_.Show();
  SetTimer(view_.ScheduleWindow(), tmrSchedule, kTimerInterval, nullptr);
  scheduleActive_ = true;
}

void HostEvents::OnScheduleTick() {
  if (NowAsDate() >= schedule_.end) {
    EndSchedule();
  }
}

void HostEvents::OnWriteFailure() {
  const bool scheduled = scheduleActive_;
  recorder_.EndAfterWriteFailure(scheduled ? Failures::kQuiet : Failures::kShown);
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
  recorder_.StopRecording();
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
