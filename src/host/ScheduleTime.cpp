#include "host/ScheduleTime.h"

#include <cmath>

namespace sonotape {

double RoundToMinute(double t) {
  // nearbyint rounds in the current mode, which is round-to-nearest-even by default.
  return std::nearbyint(t / kMinuteInDays) * kMinuteInDays;
}

double ScheduledStart(double date, double startTime) {
  return RoundToMinute(date + startTime);
}

double ScheduledEnd(double date, double startTime, double endTime) {
  double end = RoundToMinute(date + endTime);
  if (endTime < startTime) {
    end += 1.0;
  }
  return end;
}

bool IsSameScheduledStart(double eventStart, double scheduledStart) {
  constexpr double kSecondsPerDay = 86400.0;
  constexpr double kHalfMinute = 30.0;
  return std::nearbyint(std::fabs(eventStart - scheduledStart) * kSecondsPerDay) <= kHalfMinute;
}

}  // namespace sonotape
