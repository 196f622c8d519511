#include "recorder/MeterState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sonotape {

namespace {

// The channel mask's positions in the order of its bits.
constexpr const char* kPositionNames[] = {"L",  "R",   "C",   "LFE", "BL",  "BR",  "FLC", "FRC", "BC",
                                          "SL", "SR",  "TC",  "TFL", "TFC", "TFR", "TBL", "TBC", "TBR"};
constexpr std::uint32_t kPositionCount = sizeof kPositionNames / sizeof kPositionNames[0];

// The positions of 1 to 6 channels without a mask.
constexpr std::uint32_t kUsualMasks[PeakMeter::kMaxChannels + 1] = {
    0, 0x4 /* C */, 0x3 /* L R */, 0x7 /* L R C */, 0x33 /* L R BL BR */, 0x607 /* L R C SL SR */,
    0x60F /* L R C LFE SL SR */};

}  // namespace

std::array<std::string, PeakMeter::kMaxChannels> ChannelNames(const PcmFormat& format) {
  std::array<std::string, PeakMeter::kMaxChannels> names;
  const unsigned channels = std::min<unsigned>(format.nChannels, PeakMeter::kMaxChannels);
  const bool masked = format.wFormatTag == kFormatExtensible && format.dwChannelMask != 0;
  const std::uint32_t mask = masked ? format.dwChannelMask : kUsualMasks[channels];
  std::uint32_t bit = 0;
  for (unsigned c = 0; c < channels; ++c) {
    while (bit < kPositionCount && (mask & (1u << bit)) == 0) ++bit;
    names[c] = bit < kPositionCount ? kPositionNames[bit++] : std::to_string(c + 1);
  }
  return names;
}

float MeterFraction(std::optional<float> levelDb) {
  if (!levelDb) return 0;
  return std::clamp((*levelDb - kMeterFloorDb) / -kMeterFloorDb, 0.0f, 1.0f);
}

void ChannelMeter::Update(std::optional<float> peak, std::uint64_t nowMs) {
  levelDb_.reset();
  if (peak && *peak > 0) {
    levelDb_ = static_cast<float>(20 * std::log10(static_cast<double>(*peak)));
  }
  if (peak && *peak >= kClipPeak) {  // float input beyond full scale counts as well
    clipped_ = true;
  }
  const bool held = holdDb_ && nowMs - heldAtMs_ < kPeakHoldMs;
  if (!held || (levelDb_ && *levelDb_ >= *holdDb_)) {
    holdDb_ = levelDb_;
    heldAtMs_ = nowMs;
  }
}

void ChannelMeter::Reset() {
  levelDb_.reset();
  holdDb_.reset();
  heldAtMs_ = 0;
}

MeterReading ChannelMeter::Reading(const std::string& name) const {
  MeterReading reading{levelDb_, holdDb_, clipped_, name};
  if (levelDb_) {
    double tenths = std::round(static_cast<double>(*levelDb_) * 10) / 10;
    if (tenths == 0) tenths = 0;  // no "-0.0"
    char level[32];
    std::snprintf(level, sizeof level, " %.1f dB", tenths);
    reading.text += level;
  } else {
    reading.text += " no sound";
  }
  if (clipped_) {
    reading.text += " clipped";
  }
  return reading;
}

}  // namespace sonotape
