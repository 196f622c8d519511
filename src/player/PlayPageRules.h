#pragma once
// The Play page's arithmetic that needs no platform: the seek bar's scale against the length of
// the recording, the bar under the mouse, and the seek keys.

#include <cstdint>
#include <optional>

namespace sonotape {

// The seek bar runs from 0 to 10000 over the whole length.
inline constexpr int kSeekBarMax = 10000;

// Keys of the seek bar (and the skip buttons' tags).
enum SeekKey : unsigned {
  skPageUp = 33,    // back 60 s
  skPageDown = 34,  // forward 60 s
  skEnd = 35,
  skHome = 36,
  skLeft = 37,  // back 10 s
  skUp = 38,
  skRight = 39,  // forward 10 s
  skDown = 40,
};

// The bar for a position in seconds; the bar stays where it is (nullopt) for a length of 0.
std::optional<int> BarFromPosition(double seconds, double length);

// Seconds at a bar position.
double SecondsAtBar(int bar, double length);

// The bar under mouse x: the channel narrowed at both ends by half the thumb's width, so that the
// thumb's middle follows the mouse; clamped to the bar's range.
int BarFromMouse(int x, int thumbLeft, int thumbRight, int channelLeft, int channelRight);

// The bar after a seek key; nullopt for a key the seek bar leaves to its own handling. The skip
// keys move by their seconds only when the length is above 0.
std::optional<int> BarAfterKey(unsigned key, int bar, double length);

}  // namespace sonotape
