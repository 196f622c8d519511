#include "host/ScheduleTime.h"

#include <gtest/gtest.h>

namespace sonotape {
namespace {

constexpr double kMinute = 1.0 / 1440.0;
constexpr double kSecond = kMinute / 60.0;
constexpr double kDay = 46000.0;  // 9 December 2025

TEST(RoundToMinute, RoundsToTheNearestMinute) {
  EXPECT_DOUBLE_EQ(RoundToMinute(kDay + 10 * kMinute + 29 * kSecond), kDay + 10 * kMinute);
  EXPECT_DOUBLE_EQ(RoundToMinute(kDay + 10 * kMinute + 31 * kSecond), kDay + 11 * kMinute);
  EXPECT_DOUBLE_EQ(RoundToMinute(0.0), 0.0);
}

TEST(RoundToMinute, TiesGoToTheEvenMinute) {
  // 0.5 and 1.5 minutes are exact halves in units of minutes.
  EXPECT_DOUBLE_EQ(RoundToMinute(0.5 * kMinute), 0.0);
  EXPECT_DOUBLE_EQ(RoundToMinute(1.5 * kMinute), 2 * kMinute);
  EXPECT_DOUBLE_EQ(RoundToMinute(2.5 * kMinute), 2 * kMinute);
}

TEST(ScheduledEnd, EndBeforeStartLiesOnTheNextDay) {
  const double start = 23.5 / 24;   // 23:30
  const double end = 0.75 / 24;     // 00:45
  EXPECT_DOUBLE_EQ(ScheduledStart(kDay, start), RoundToMinute(kDay + start));
  EXPECT_NEAR(ScheduledEnd(kDay, start, end), kDay + 1 + end, kSecond);
  EXPECT_GT(ScheduledEnd(kDay, start, end), ScheduledStart(kDay, start));
}

TEST(ScheduledEnd, SameDayWhenEndFollowsStart) {
  const double start = 20.0 / 24, end = 21.25 / 24;
  EXPECT_NEAR(ScheduledEnd(kDay, start, end), kDay + end, kSecond);
  // Equal times are not a wrap: the end stays on the same day.
  EXPECT_NEAR(ScheduledEnd(kDay, start, start), kDay + start, kSecond);
}

TEST(IsSameScheduledStart, EveryMinuteMatchesHalfAMinuteEitherWayButNotMore) {
  // 31 December 1899, 9 December 2025 and 31 December 9999: the rounding error grows with the date.
  for (const double day : {1.0, kDay, 2958465.0}) {
    int wrong = 0;
    for (int minute = 0; minute < 1440; ++minute) {
      const double start = ScheduledStart(day, minute * kMinute);
      for (const int seconds : {-30, -29, 0, 29, 30}) {
        wrong += !IsSameScheduledStart(day + minute * kMinute + seconds * kSecond, start);
      }
      for (const int seconds : {-60, -45, -31, 31, 45, 60}) {
        wrong += IsSameScheduledStart(day + minute * kMinute + seconds * kSecond, start);
      }
    }
    EXPECT_EQ(wrong, 0) << "day " << day;
  }
}

}  // namespace
}  // namespace sonotape
