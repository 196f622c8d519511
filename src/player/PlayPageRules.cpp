#include "player/PlayPageRules.h"

#include <algorithm>
#include <cmath>

namespace sonotape {

namespace {

int ClampBar(double bar) { return static_cast<int>(std::clamp(bar, 0.0, static_cast<double>(kSeekBarMax))); }

// Rounded to nearest, ties to even.
double Round(double value) { return std::nearbyint(value); }

int BarMovedBy(int bar, double seconds, double length) {
  if (!(length > 0)) {
    return bar;
  }
  return ClampBar(bar + Round(seconds / length * kSeekBarMax));
}

}  // namespace

std::optional<int> BarFromPosition(double seconds, double length) {
  if (!(length > 0)) {
    return std::nullopt;
  }
  return ClampBar(Round(seconds / length * kSeekBarMax));
}

double SecondsAtBar(int bar, double length) { return length * bar / kSeekBarMax; }

int BarFromMouse(int x, int thumbLeft, int thumbRight, int channelLeft, int channelRight) {
  const int half = (thumbRight - thumbLeft) / 2;
  const int left = channelLeft + half;
  const int right = channelRight - half;
  if (right <= left) {
    return x <= left ? 0 : kSeekBarMax;  // a bar too narrow for its thumb has no scale
  }
  return ClampBar(Round(static_cast<double>(x - left) * kSeekBarMax / (right - left)));
}

std::optional<int> BarAfterKey(unsigned key, int bar, double length) {
  switch (key) {
    case skPageUp:
      return BarMovedBy(bar, -60, length);
    case skPageDown:
      return BarMovedBy(bar, 60, length);
    case skEnd:
      return kSeekBarMax;
    case skHome:
      return 0;
    case skLeft:
    case skUp:
      return BarMovedBy(bar, -10, length);
    case skRight:
    case skDown:
      return BarMovedBy(bar, 10, length);
    default:
      return std::nullopt;
  }
}

}  // namespace sonotape
