#pragma once
// The host's timer recording record (events 1 and 11) and the decisions taken on it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace sonotape {

// As the host lays it out; on a 32-bit host exactly the offsets asserted below.
struct TimerRecordInfo {
  const char* Title;
  const char* Channel;
  double StartTime;  // time of day, fraction of a day
  double EndTime;
  double Date;       // OLE automation date
  std::uint8_t AfterAction;
  std::uint8_t Unread;
  std::uint16_t ChangeKind;  // event 11: 1 removed, 2 changed
  std::uint16_t RecordKind;  // event 1: only 2 is recorded
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(TimerRecordInfo, Channel) == 4 && offsetof(TimerRecordInfo, StartTime) == 8 &&
              offsetof(TimerRecordInfo, EndTime) == 16 && offsetof(TimerRecordInfo, Date) == 24 &&
              offsetof(TimerRecordInfo, AfterAction) == 32 && offsetof(TimerRecordInfo, ChangeKind) == 34 &&
              offsetof(TimerRecordInfo, RecordKind) == 36);
#endif

// A scheduled recording, as the plug-in keeps it.
struct Schedule {
  std::string title;    // already safe for a file name
  std::string channel;
  double start = 0;
  double end = 0;
  std::uint8_t afterAction = 0;
};

// The schedule event 1 sets up, or false when it is not taken (a recording runs, the entry is
// not of kind 2, a time is not finite or negative, or the date lies outside 30 December 1899 to
// 31 December 9999). Null texts read as empty.
bool ScheduleFromTimerRecord(const TimerRecordInfo& record, bool recording, Schedule& schedule);

enum class TimerChange { None, Stop, Update };

// Event 11 on a running scheduled recording: whether it names the running entry (the result
// of the event; never for a record whose times event 1 would refuse) and what follows. A change
// (kind 2) takes effect here: the schedule gets the record's after-action and end.
// scheduleActive: the schedule timer runs.
bool MatchTimerChange(const TimerRecordInfo& record, bool scheduleActive, Schedule& schedule, TimerChange& change);

}  // namespace sonotape
