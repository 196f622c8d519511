#pragma once
// The General page's level meters: one for each channel the tap takes in, updated from the tap's
// peaks some ten times a second while the page is in view. Window thread only.

#include <array>
#include <cstdint>
#include <string>

#include "audio/PcmFormat.h"
#include "audio/PeakMeter.h"
#include "recorder/MeterState.h"

namespace sonotape {

class Recorder;

// What the meters need of their window.
class LevelMetersView {
 public:
  virtual ~LevelMetersView() = default;
  // Shows the first count meters and hides the others.
  virtual void ShowMeterCount(unsigned count) = 0;
  virtual void ShowMeter(unsigned channel, const MeterReading& reading) = 0;
};

class LevelMeters {
 public:
  LevelMeters(LevelMetersView& view, Recorder& recorder) : view_(view), recorder_(recorder) {}

  // Reads the peaks at nowMs (GetTickCount64) and shows what changed.
  void Tick(std::uint64_t nowMs);
  // A click on a meter: its clip mark goes.
  void ClearClip(unsigned channel);

 private:
  // A new format: its channels' meters, afresh.
  void TakeFormat(const PcmFormat& format);
  void Show(unsigned channel);

  LevelMetersView& view_;
  Recorder& recorder_;
  PcmFormat format_{};
  unsigned channels_ = 0;
  std::array<std::string, PeakMeter::kMaxChannels> names_;
  std::array<ChannelMeter, PeakMeter::kMaxChannels> meters_;
  std::array<MeterReading, PeakMeter::kMaxChannels> shown_;
};

}  // namespace sonotape
