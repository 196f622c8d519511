#include "shell/TimerRecord.h"

#include <gtest/gtest.h>

#include "shell/ScheduleTime.h"

namespace sonotape {
namespace {

constexpr double kMinute = 1.0 / 1440.0;
constexpr double kDay = 46000.0;

TimerRecordInfo Entry(const char* title, const char* channel, double start, double end) {
  return {title, channel, start, end, kDay, 3, 0, 0, 2};
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

TEST(MatchTimerChange, SameChannelWithinAMinuteOfTheRunningEntry) {
  Schedule schedule;
  ASSERT_TRUE(ScheduleFromTimerRecord(Entry("News", "One", 0.5, 0.6), false, schedule));
  TimerChange change;
  TimerRecordInfo changed = Entry("News", "One", 0.5 + 30 * kMinute / 60, 0.7);
  changed.ChangeKind = 2;
  EXPECT_TRUE(MatchTimerChange(changed, true, schedule, change));
  EXPECT_EQ(change, TimerChange::Update);
  changed.ChangeKind = 1;
  EXPECT_TRUE(MatchTimerChange(changed, true, schedule, change));
  EXPECT_EQ(change, TimerChange::Stop);
  changed.ChangeKind = 7;
  EXPECT_TRUE(MatchTimerChange(changed, true, schedule, change));
  EXPECT_EQ(change, TimerChange::None);

  TimerRecordInfo later = Entry("News", "One", 0.5 + kMinute, 0.7);
  EXPECT_FALSE(MatchTimerChange(later, true, schedule, change));  // exactly a minute off
  TimerRecordInfo elsewhere = Entry("News", "one", 0.5, 0.7);
  EXPECT_FALSE(MatchTimerChange(elsewhere, true, schedule, change));  // case counts
  EXPECT_FALSE(MatchTimerChange(changed, false, schedule, change));   // started by hand
  TimerRecordInfo nameless = Entry("News", nullptr, 0.5, 0.7);
  EXPECT_FALSE(MatchTimerChange(nameless, true, schedule, change));
}

}  // namespace
}  // namespace sonotape
