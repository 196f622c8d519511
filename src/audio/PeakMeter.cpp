#include "audio/PeakMeter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sonotape {

namespace {

// The largest magnitude of each channel over frames of interleaved samples, as Sample reads
// them, in full-scale units of scale; folded into peaks. One channel at a time, in integers
// where the samples are.
template <typename Sample>
void FoldPeaks(const std::uint8_t* data, std::size_t frames, unsigned channels, double scale, float* peaks) {
  const std::size_t stride = static_cast<std::size_t>(channels) * Sample::kBytes;
  for (unsigned c = 0; c < channels; ++c) {
    typename Sample::Magnitude highest = 0;
    const std::uint8_t* p = data + c * Sample::kBytes;
    for (std::size_t f = 0; f < frames; ++f, p += stride) {
      highest = std::max(highest, Sample::Read(p));
    }
    peaks[c] = std::max(peaks[c], static_cast<float>(static_cast<double>(highest) * scale));
  }
}

struct Sample16 {
  static constexpr unsigned kBytes = 2;
  using Magnitude = std::int32_t;
  static Magnitude Read(const std::uint8_t* p) {
    const auto value = static_cast<std::int16_t>(p[0] | (p[1] << 8));
    return value < 0 ? -value : value;
  }
};

struct Sample24 {
  static constexpr unsigned kBytes = 3;
  using Magnitude = std::int32_t;
  static Magnitude Read(const std::uint8_t* p) {
    const std::int32_t value = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0] << 8) | (p[1] << 16) |
                                                         (static_cast<std::uint32_t>(p[2]) << 24)) >> 8;
    return value < 0 ? -value : value;
  }
};

struct Sample32 {
  static constexpr unsigned kBytes = 4;
  using Magnitude = std::int64_t;
  static Magnitude Read(const std::uint8_t* p) {
    std::int32_t value;
    std::memcpy(&value, p, sizeof value);
    return value < 0 ? -static_cast<std::int64_t>(value) : value;
  }
};

struct SampleFloat {
  static constexpr unsigned kBytes = 4;
  using Magnitude = float;
  static Magnitude Read(const std::uint8_t* p) {
    float value;
    std::memcpy(&value, p, sizeof value);
    return std::fabs(value);  // NaN loses every comparison in std::max and is passed over
  }
};

}  // namespace

void PeakMeter::Reset() {
  std::fill(std::begin(current_), std::end(current_), 0.0f);
  framesInBlock_ = 0;
  for (Block& block : blocks_) {
    block.endedMs = 0;
  }
  channels_ = 0;
}

void PeakMeter::EndBlock(std::uint64_t nowMs) {
  Block& block = blocks_[next_ % kBlocks];
  block.endedMs = 0;  // not read while it changes
  for (unsigned c = 0; c < kMaxChannels; ++c) {
    block.peak[c] = current_[c];
    current_[c] = 0;
  }
  block.endedMs = nowMs;
  ++next_;
  framesInBlock_ = 0;
}

void PeakMeter::Measure(const PcmFormat& format, SampleKind kind, const std::uint8_t* data, std::size_t length,
                        std::uint64_t nowMs) {
  const unsigned channels = format.nChannels;
  const unsigned bytes = format.wBitsPerSample / 8;
  if ((kind != skIntegerPcm && kind != skFloat) || channels == 0 || channels > kMaxChannels || bytes == 0 ||
      format.nBlockAlign != channels * bytes) {
    return;
  }
  channels_ = channels;
  framesPerBlock_ = std::max<std::uint32_t>(format.nSamplesPerSec / 10, 1);
  std::size_t frames = length / format.nBlockAlign;
  while (frames > 0) {
    const std::size_t n = std::min<std::size_t>(frames, framesPerBlock_ - framesInBlock_);
    if (kind == skFloat) {
      FoldPeaks<SampleFloat>(data, n, channels, 1.0, current_);
    } else if (bytes == 2) {
      FoldPeaks<Sample16>(data, n, channels, 1.0 / 32768, current_);
    } else if (bytes == 3) {
      FoldPeaks<Sample24>(data, n, channels, 1.0 / 8388608, current_);
    } else if (bytes == 4) {
      FoldPeaks<Sample32>(data, n, channels, 1.0 / 2147483648.0, current_);
    }
    framesInBlock_ += static_cast<std::uint32_t>(n);
    data += n * format.nBlockAlign;
    frames -= n;
    if (framesInBlock_ >= framesPerBlock_) {
      EndBlock(nowMs);
    }
  }
}

std::optional<float> PeakMeter::RecentPeak(unsigned channel, std::uint64_t nowMs) const {
  if (channel >= channels_) {
    return std::nullopt;
  }
  std::optional<float> peak;
  for (const Block& block : blocks_) {
    const std::uint64_t ended = block.endedMs;
    if (ended != 0 && ended <= nowMs && nowMs - ended < kBlocks * kBlockMs + kBlockMs) {
      peak = std::max(peak.value_or(0.0f), block.peak[channel].load());
    }
  }
  return peak;
}

int PeakHundredthsDb(std::optional<float> peak) {
  if (!peak || !(*peak > 0)) {
    return kNoLevel;
  }
  const double db = 20 * std::log10(static_cast<double>(*peak));
  return db < -100 ? kNoLevel : static_cast<int>(std::lround(db * 100));
}

}  // namespace sonotape
