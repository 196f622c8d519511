#pragma once
// What the General page's level meters show of each channel: the peak on a scale of -60 to 0 dBFS,
// a peak hold, a clip mark kept until it is cleared, the channel's name and a text of it all that
// screen readers read. The window thread alone updates it, some ten times a second.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "audio/PcmFormat.h"
#include "audio/PeakMeter.h"

namespace sonotape {

inline constexpr float kMeterFloorDb = -60;
inline constexpr std::uint64_t kPeakHoldMs = 1500;
// A peak this high reached full scale: the largest positive 16-bit sample counts too.
inline constexpr float kClipPeak = 32767.0f / 32768.0f;

// The positions of format's channels ("L", "R", "C", "LFE", "SL", "SR", ...): from its channel
// mask where it has one, else the usual order for that many channels; a channel the mask does not
// name is numbered.
std::array<std::string, PeakMeter::kMaxChannels> ChannelNames(const PcmFormat& format);

struct MeterReading {
  std::optional<float> levelDb;  // none: no sound flows
  std::optional<float> holdDb;
  bool clipped = false;
  std::string text;  // e.g. "L -6.0 dB", "R no sound", "C -0.0 dB clipped"
  friend bool operator==(const MeterReading&, const MeterReading&) = default;
};

// Where a level lies on the meter, from 0 (-60 dB and below) to 1 (0 dB and above).
float MeterFraction(std::optional<float> levelDb);

class ChannelMeter {
 public:
  // A peak (a fraction of full scale; none: no sound) read at nowMs.
  void Update(std::optional<float> peak, std::uint64_t nowMs);
  void ClearClip() { clipped_ = false; }
  // Forgets everything but the clip mark, as for a new format.
  void Reset();
  MeterReading Reading(const std::string& name) const;

 private:
  std::optional<float> levelDb_;
  std::optional<float> holdDb_;
  std::uint64_t heldAtMs_ = 0;
  bool clipped_ = false;
};

}  // namespace sonotape
