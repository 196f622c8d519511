#include "audio/SampleConversion.h"

#include <cmath>
#include <cstring>

namespace sonotape {

namespace {

struct Int16 {
  static constexpr unsigned kBytes = 2;
  static constexpr float kScale = 1.0f / 32768.0f;
  static float Read(const std::uint8_t* p) {
    std::int16_t value;
    std::memcpy(&value, p, sizeof value);
    return static_cast<float>(value);
  }
};

struct Int24 {
  static constexpr unsigned kBytes = 3;
  static constexpr float kScale = 1.0f / 8388608.0f;
  static float Read(const std::uint8_t* p) { return static_cast<float>(Read24(p)); }
  // One 4-byte load: reads a byte past the sample, so never for a buffer's last frame.
  static float ReadWide(const std::uint8_t* p) {
    std::uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return static_cast<float>(static_cast<std::int32_t>(value << 8) >> 8);
  }
};

template <typename Sample>
concept HasWideRead = requires(const std::uint8_t* p) { Sample::ReadWide(p); };

struct Int32 {
  static constexpr unsigned kBytes = 4;
  static constexpr float kScale = 1.0f / 2147483648.0f;
  static float Read(const std::uint8_t* p) {
    std::int32_t value;
    std::memcpy(&value, p, sizeof value);
    return static_cast<float>(value);
  }
};

struct Float32 {
  static constexpr unsigned kBytes = 4;
  static constexpr float kScale = 1.0f;
  static float Read(const std::uint8_t* p) {
    float value;
    std::memcpy(&value, p, sizeof value);
    return value;
  }
};

// The channel count is a constant here so the compiler can unroll the frame.
template <typename Sample, unsigned Channels>
void Deinterleave(const std::uint8_t* data, std::size_t frames, float* const* dest, float gain) {
  // Powers of two: scaling by them is exact, so one multiply gives the specified values.
  const float factor = Sample::kScale * gain;
  float* out[Channels];
  for (unsigned j = 0; j < Channels; ++j) out[j] = dest[j];
  std::size_t f = 0;
  if constexpr (HasWideRead<Sample>) {
    for (; f + 1 < frames; ++f) {
      for (unsigned j = 0; j < Channels; ++j) {
        out[j][f] = Sample::ReadWide(data + j * Sample::kBytes) * factor;
      }
      data += Channels * Sample::kBytes;
    }
  }
  for (; f < frames; ++f) {
    for (unsigned j = 0; j < Channels; ++j) {
      out[j][f] = Sample::Read(data + j * Sample::kBytes) * factor;
    }
    data += Channels * Sample::kBytes;
  }
}

template <typename Sample>
void DeinterleaveAny(unsigned channels, const std::uint8_t* data, std::size_t frames, float* const* dest, float gain) {
  switch (channels) {
    case 1: return Deinterleave<Sample, 1>(data, frames, dest, gain);
    case 2: return Deinterleave<Sample, 2>(data, frames, dest, gain);
    case 3: return Deinterleave<Sample, 3>(data, frames, dest, gain);
    case 4: return Deinterleave<Sample, 4>(data, frames, dest, gain);
    case 5: return Deinterleave<Sample, 5>(data, frames, dest, gain);
    case 6: return Deinterleave<Sample, 6>(data, frames, dest, gain);
    default: return;  // not a supported format
  }
}

}  // namespace

void ConvertFrames(const PcmFormat& format, SampleKind kind, const std::uint8_t* data, std::size_t frames,
                   float* const* dest, float gain) {
  const unsigned channels = format.nChannels;
  switch (format.wBitsPerSample) {
    case 16:
      return DeinterleaveAny<Int16>(channels, data, frames, dest, gain);
    case 24:
      return DeinterleaveAny<Int24>(channels, data, frames, dest, gain);
    case 32:
      return kind == skFloat ? DeinterleaveAny<Float32>(channels, data, frames, dest, gain)
                             : DeinterleaveAny<Int32>(channels, data, frames, dest, gain);
    default:
      return;
  }
}

namespace {

constexpr float kInt24FullScale = 8388608.0f;

std::int32_t QuantiseTo24(float value) {
  const float scaled = value * kInt24FullScale;
  if (!(scaled > -kInt24FullScale)) {  // also NaN, which then becomes 0 below
    return std::isnan(scaled) ? 0 : -8388608;
  }
  if (scaled >= kInt24FullScale - 0.5f) {
    return 8388607;
  }
  return static_cast<std::int32_t>(std::lround(scaled));
}

}  // namespace

void ConvertToInt32(const PcmFormat& format, SampleKind kind, const std::uint8_t* data, std::size_t frames,
                    std::int32_t* out) {
  const std::size_t count = frames * format.nChannels;
  switch (format.wBitsPerSample) {
    case 16:
      for (std::size_t i = 0; i < count; ++i, data += 2) {
        std::int16_t value;
        std::memcpy(&value, data, sizeof value);
        out[i] = value;
      }
      return;
    case 24:
      for (std::size_t i = 0; i < count; ++i, data += 3) {
        out[i] = Read24(data);
      }
      return;
    case 32:
      if (kind == skFloat) {
        for (std::size_t i = 0; i < count; ++i, data += 4) {
          float value;
          std::memcpy(&value, data, sizeof value);
          out[i] = QuantiseTo24(value);
        }
      } else {
        std::memcpy(out, data, count * sizeof(std::int32_t));
      }
      return;
    default:
      return;
  }
}

}  // namespace sonotape
