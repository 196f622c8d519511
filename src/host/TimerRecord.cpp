#include "host/TimerRecord.h"

#include <cmath>

#include "audio/RecordingText.h"
#include "host/ScheduleTime.h"

namespace sonotape {

namespace {

std::string TextOf(const char* text) { return text != nullptr ? text : ""; }

// The last day a date-time can name: 31 December 9999.
constexpr double kLastDate = 2958465.0;

// Times a schedule can be built on: a date from 30 December 1899 to the last day, and times of
// day that are finite and not negative. Anything else would end the recording, and hand the
// host its after-action, at once or never.
bool HasUsableTimes(const TimerRecordInfo& record) {
  return std::isfinite(record.Date) && record.Date >= 0 && record.Date <= kLastDate &&
         std::isfinite(record.StartTime) && record.StartTime >= 0 && std::isfinite(record.EndTime) &&
         record.EndTime >= 0;
}

}  // namespace

bool ScheduleFromTimerRecord(const TimerRecordInfo& record, bool recording, Schedule& schedule) {
  if (recording || record.RecordKind != 2 || !HasUsableTimes(record)) {
    return false;
  }
  schedule.title = MakeFileNameSafe(TextOf(record.Title));
  schedule.channel = TextOf(record.Channel);
  schedule.afterAction = record.AfterAction;
  schedule.start = ScheduledStart(record.Date, record.StartTime);
  schedule.end = ScheduledEnd(record.Date, record.StartTime, record.EndTime);
  return true;
}

bool MatchTimerChange(const TimerRecordInfo& record, bool scheduleActive, Schedule& schedule, TimerChange& change) {
  change = TimerChange::None;
  if (!scheduleActive || !HasUsableTimes(record) || TextOf(record.Channel) != schedule.channel ||
      !IsSameScheduledStart(record.Date + record.StartTime, schedule.start)) {
    return false;
  }
  if (record.ChangeKind == 1) {
    change = TimerChange::Stop;
  } else if (record.ChangeKind == 2) {
    change = TimerChange::Update;
    schedule.afterAction = record.AfterAction;
    schedule.end = ScheduledEnd(record.Date, record.StartTime, record.EndTime);
  }
  return true;
}

}  // namespace sonotape
