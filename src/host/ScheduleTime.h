#pragma once
// Date-time arithmetic of the host's timer recordings. Date-times count days since
// 30 December 1899 (OLE automation date); times of day are fractions of a day.

namespace sonotape {

inline constexpr double kMinuteInDays = 1.0 / 1440.0;

// t rounded to the nearest whole minute, ties to even.
double RoundToMinute(double t);

// Start of a timer entry: its day plus its start time, rounded to the minute.
double ScheduledStart(double date, double startTime);

// End of a timer entry; an end time before the start time lies on the next day.
double ScheduledEnd(double date, double startTime, double endTime);

// A timer event names the running entry (scheduledStart, a whole minute) when its start
// (unrounded) rounds to that minute, half a minute either way counting as the same. The
// distance is taken in whole seconds, so no rounding error of the date-times decides.
bool IsSameScheduledStart(double eventStart, double scheduledStart);

}  // namespace sonotape
