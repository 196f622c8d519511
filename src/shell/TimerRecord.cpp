#include "shell/TimerRecord.h"

#include "recorder/RecorderText.h"
#include "shell/ScheduleTime.h"

namespace sonotape {

namespace {

std::string TextOf(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

bool ScheduleFromTimerRecord(const TimerRecordInfo& record, bool recording, Schedule& schedule) {
  if (recording || record.RecordKind != 2) {
    return false;
  }
  schedule.title = MakeFileNameSafe(TextOf(record.Title));
  schedule.channel = TextOf(record.Channel);
  schedule.afterAction = record.AfterAction;
  schedule.start = ScheduledStart(record.Date, record.StartTime);
  schedule.end = ScheduledEnd(record.Date, record.StartTime, record.EndTime);
  return true;
}

bool MatchTimerChange(const TimerRecordInfo& record, bool scheduleActive, const Schedule& schedule, TimerChange& change) {
  change = TimerChange::None;
  if (!scheduleActive || TextOf(record.Channel) != schedule.channel ||
      !IsSameScheduledStart(ScheduledStart(record.Date, record.StartTime), schedule.start)) {
    return false;
  }
  if (record.ChangeKind == 1) {
    change = TimerChange::Stop;
  } else if (record.ChangeKind == 2) {
    change = TimerChange::Update;
  }
  return true;
}

}  // namespace sonotape
