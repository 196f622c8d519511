#include "host/TimerRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/ScheduleTime.h"

namespace sonotape {
namespace {

constexpr double kMinute = 1.0 / 1440.0;
constexpr double kDay = 46000.0;
constexpr long kSecondsPerDay = 86400;

TimerRecordInfo Entry(const char* title, const char* channel, double start, double end) {
  return {title, channel, start, end, kDay, 3, 0, 0, 2};
}

// The host's record of an entry on channel "One" starting `seconds` after midnight of day (on
// the day before or after when that crosses midnight) and ending an hour later.
TimerRecordInfo EntryAt(double day, long seconds, std::uint16_t changeKind) {
  const long days = seconds >= 0 ? seconds / kSecondsPerDay : -((kSecondsPerDay - 1 - seconds) / kSecondsPerDay);
  const long timeOfDay = seconds - days * kSecondsPerDay;
  const double start = static_cast<double>(timeOfDay) / kSecondsPerDay;
  return {"News", "One", start, std::fmod(start + 1.0 / 24, 1.0), day + days, 4, 0, changeKind, 2};
}

TEST(ScheduleFromTimerRecord, TakesKindTwoWhenIdleAndEndsAfterMidnightOnTheNextDay) {
  Schedule schedule;
  const TimerRecordInfo late = Entry("Late: Show.", "One", 23.5 / 24, 0.75 / 24);
  ASSERT_TRUE(ScheduleFromTimerRecord(late, false, schedule));
  EXPECT_EQ(schedule.title, "Late Show");
  EXPECT_EQ(schedule.channel, "One");
  EXPECT_EQ(schedule.afterAction, 3);
  EXPECT_DOUBLE_EQ(schedule.start, RoundToMinute(kDay + 23.5 / 24));
  EXPECT_DOUBLE_EQ(schedule.end, RoundToMinute(kDay + 0.75 / 24) + 1.0);

  Schedule untouched;
  EXPECT_FALSE(ScheduleFromTimerRecord(late, true, untouched));  // already recording
  EXPECT_TRUE(untouched.channel.empty());
  TimerRecordInfo other = late;
  other.RecordKind = 1;
  EXPECT_FALSE(ScheduleFromTimerRecord(other, false, untouched));
  other.RecordKind = 3;
  EXPECT_FALSE(ScheduleFromTimerRecord(other, false, untouched));

  const TimerRecordInfo nulls = Entry(nullptr, nullptr, 0.5, 0.6);  // a host's empty texts
  ASSERT_TRUE(ScheduleFromTimerRecord(nulls, false, schedule));
  EXPECT_EQ(schedule.title, "");
  EXPECT_EQ(schedule.channel, "");
}

TEST(ScheduleFromTimerRecord, RefusesTimesThatAreNotFiniteOrNegativeAndDatesThatAreNone) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const auto refused = [](const TimerRecordInfo& record) {
    Schedule schedule;
    schedule.channel = "kept";
    return !ScheduleFromTimerRecord(record, false, schedule) && schedule.channel == "kept";
  };
  for (const double bad : {nan, inf, -inf, -1.0 / 24}) {
    TimerRecordInfo record = Entry("News", "One", 0.5, 0.6);
    record.StartTime = bad;
    EXPECT_TRUE(refused(record)) << "start " << bad;
    record = Entry("News", "One", 0.5, 0.6);
    record.EndTime = bad;
    EXPECT_TRUE(refused(record)) << "end " << bad;
    record = Entry("News", "One", 0.5, 0.6);
    record.Date = bad;
    EXPECT_TRUE(refused(record)) << "date " << bad;
  }
  TimerRecordInfo beyond = Entry("News", "One", 0.5, 0.6);
  beyond.Date = 2958466.0;  // 1 January 10000
  EXPECT_TRUE(refused(beyond));

  // Midnight and the first and last days are times like any other.
  Schedule schedule;
  EXPECT_TRUE(ScheduleFromTimerRecord(Entry("News", "One", 0.0, 0.0), false, schedule));
  for (const double day : {0.0, 2958465.0}) {
    TimerRecordInfo edge = Entry("News", "One", 0.5, 0.6);
    edge.Date = day;
    EXPECT_TRUE(ScheduleFromTimerRecord(edge, false, schedule)) << day;
  }
}

TEST(MatchTimerChange, EveryMinuteOfADayMatchesHalfAMinuteOffButNotAWholeOne) {
  // 31 December 1899, 9 December 2025 and 31 December 9999: the rounding error grows with the date.
  for (const double day : {1.0, kDay, 2958465.0}) {
    int wrong = 0;
    for (long minute = 0; minute < 1440; ++minute) {
      Schedule schedule;
      ASSERT_TRUE(ScheduleFromTimerRecord(EntryAt(day, minute * 60, 0), false, schedule));
      TimerChange change;
      for (const long seconds : {-30L, 0L, 30L}) {
        Schedule changed = schedule;
        wrong += !MatchTimerChange(EntryAt(day, minute * 60 + seconds, 2), true, changed, change) ||
                 change != TimerChange::Update;
      }
      for (const long seconds : {-60L, -31L, 31L, 60L}) {
        wrong += MatchTimerChange(EntryAt(day, minute * 60 + seconds, 1), true, schedule, change);
      }
    }
    EXPECT_EQ(wrong, 0) << "day " << day;
  }
}

TEST(MatchTimerChange, SameChannelOfTheRunningEntryStopsOrMovesTheEnd) {
  Schedule schedule;
  ASSERT_TRUE(ScheduleFromTimerRecord(Entry("News", "One", 0.5, 0.6), false, schedule));
  TimerChange change;
  TimerRecordInfo changed = Entry("News", "One", 0.5 + 30 * kMinute / 60, 0.7);
  changed.ChangeKind = 2;
  changed.AfterAction = 6;
  changed.RecordKind = 0;  // the kind matters to event 1 only
  EXPECT_TRUE(MatchTimerChange(changed, true, schedule, change));
  EXPECT_EQ(change, TimerChange::Update);
  EXPECT_EQ(schedule.afterAction, 6);
  EXPECT_DOUBLE_EQ(schedule.end, RoundToMinute(kDay + 0.7));
  changed.ChangeKind = 1;
  EXPECT_TRUE(MatchTimerChange(changed, true, schedule, change));
  EXPECT_EQ(change, TimerChange::Stop);
  changed.ChangeKind = 7;
  EXPECT_TRUE(MatchTimerChange(changed, true, schedule, change));
  EXPECT_EQ(change, TimerChange::None);

  const Schedule before = schedule;
  TimerRecordInfo endless = changed;
  endless.ChangeKind = 2;
  endless.EndTime = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(MatchTimerChange(endless, true, schedule, change));  // refused like event 1 would
  EXPECT_EQ(schedule.end, before.end);
  EXPECT_EQ(schedule.afterAction, before.afterAction);
  TimerRecordInfo elsewhere = Entry("News", "one", 0.5, 0.7);
  EXPECT_FALSE(MatchTimerChange(elsewhere, true, schedule, change));  // case counts
  EXPECT_FALSE(MatchTimerChange(changed, false, schedule, change));   // started by hand
  TimerRecordInfo nameless = Entry("News", nullptr, 0.5, 0.7);
  EXPECT_FALSE(MatchTimerChange(nameless, true, schedule, change));
}

}  // namespace
}  // namespace sonotape
