#pragma once
// Conversion of delivered PCM to the float arrays the encoders take: straight from the
// delivered buffer, in chunks, without allocating.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "audio/PcmFormat.h"

namespace sonotape {

// The 24-bit little-endian two's-complement sample at p, sign-extended.
inline std::int32_t Read24(const std::uint8_t* p) {
  const std::uint32_t value = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
  return static_cast<std::int32_t>(value << 8) >> 8;
}

// For n channels (1 to 6), the source channel that feeds encoder channel i: the Windows order
// (FL FR FC LFE BL BR) taken to the Vorbis order (FL FC FR BL BR LFE).
inline constexpr std::uint8_t OggChannelMap[7][6] = {
    {}, {0}, {0, 1}, {0, 2, 1}, {0, 1, 2, 3}, {0, 2, 1, 3, 4}, {0, 2, 1, 4, 5, 3},
};

// Full scale of the MP3 encoder's input (the 16-bit range); the Ogg encoder takes ±1.0.
inline constexpr float kMp3Gain = 32768.0f;
inline constexpr float kOggGain = 1.0f;

// Converts frames of interleaved samples; source channel j goes to dest[j][0..frames-1], scaled
// so that full scale becomes ±gain. format must be a supported integer or float format.
void ConvertFrames(const PcmFormat& format, SampleKind kind, const std::uint8_t* data, std::size_t frames,
                   float* const* dest, float gain);

// Converts frames of interleaved samples to interleaved right-justified integers, as lossless
// encoders take them: integer samples keep their value; float samples become 24-bit integers,
// rounded and clipped at full scale (NaN becomes 0).
void ConvertToInt32(const PcmFormat& format, SampleKind kind, const std::uint8_t* data, std::size_t frames,
                    std::int32_t* out);

// MP3 input: mono into left, stereo into left and right, chunk frames at a time; after each
// chunk encode(n) is called with its frame count. An incomplete last frame is dropped.
template <typename Encode>
void ConvertForMp3(const PcmFormat& format, SampleKind kind, const std::uint8_t* data, std::uint32_t length,
                   std::size_t chunk, float* left, float* right, Encode&& encode) {
  float* const dest[2] = {left, right};
  std::size_t frames = length / format.nBlockAlign;
  while (frames > 0) {
    const std::size_t n = std::min(frames, chunk);
    ConvertFrames(format, kind, data, n, dest, kMp3Gain);
    encode(n);
    data += n * format.nBlockAlign;
    frames -= n;
  }
}

// Ogg input, 1024 frames at a time: buffer(n) answers one float array per encoder channel,
// wrote(n) is told how many frames were filled.
template <typename Buffer, typename Wrote>
void ConvertForOgg(const PcmFormat& format, SampleKind kind, const std::uint8_t* data, std::uint32_t length,
                   Buffer&& buffer, Wrote&& wrote) {
  constexpr std::size_t kChunk = 1024;
  const unsigned channels = format.nChannels;
  std::size_t frames = length / format.nBlockAlign;
  while (frames > 0) {
    const std::size_t n = std::min(frames, kChunk);
    float** encoder = buffer(n);
    float* dest[6] = {};
    for (unsigned i = 0; i < channels; ++i) {
      dest[OggChannelMap[channels][i]] = encoder[i];
    }
    ConvertFrames(format, kind, data, n, dest, kOggGain);
    wrote(n);
    data += n * format.nBlockAlign;
    frames -= n;
  }
}

}  // namespace sonotape
