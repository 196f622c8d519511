#include "recorder/LevelMeters.h"

#include <algorithm>
#include <cstring>

#include "recorder/Recorder.h"

namespace sonotape {

void LevelMeters::TakeFormat(const PcmFormat& format) {
  format_ = format;
  channels_ = format.nChannels <= PeakMeter::kMaxChannels ? format.nChannels : 0;
  names_ = ChannelNames(format);
  for (ChannelMeter& meter : meters_) {
    meter.Reset();
  }
  shown_ = {};
  view_.ShowMeterCount(channels_);
}

void LevelMeters::Show(unsigned channel) {
  const MeterReading reading = meters_[channel].Reading(names_[channel]);
  if (reading != shown_[channel]) {
    shown_[channel] = reading;
    view_.ShowMeter(channel, reading);
  }
}

void LevelMeters::Tick(std::uint64_t nowMs) {
  const PcmFormat format = recorder_.TapFormat();
  if (std::memcmp(&format, &format_, sizeof format) != 0) {
    TakeFormat(format);
  }
  for (unsigned c = 0; c < channels_; ++c) {
    meters_[c].Update(recorder_.RecentPeak(c), nowMs);
    Show(c);
  }
}

void LevelMeters::ClearClip(unsigned channel) {
  if (channel < channels_) {
    meters_[channel].ClearClip();
    Show(channel);
  }
}

}  // namespace sonotape
