#pragma once
// The recorder's FLAC path without the graph, for tests: a signal in which every bit of every
// sample matters, what a FLAC recording of it decodes to, and the FLAC sink's file of it, written
// in buffers of 20 ms as a decoder delivers them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "audio/PcmFormat.h"
#include "codecs/FlacSink.h"
#include "support/MemoryStream.h"
#include "support/Tags.h"

namespace testsupport {

// Interleaved little-endian samples of a format: a tone with a different pitch per channel and
// some noise.
inline std::vector<std::uint8_t> NoisyTones(const sonotape::PcmFormat& format, sonotape::SampleKind kind,
                                            std::size_t frames) {
  const unsigned bytes = format.wBitsPerSample / 8;
  std::vector<std::uint8_t> data(frames * format.nBlockAlign);
  std::uint32_t noise = 12345;
  for (std::size_t f = 0; f < frames; ++f) {
    for (unsigned c = 0; c < format.nChannels; ++c) {
      noise = noise * 1103515245u + 12345u;
      const double tone = 0.7 * std::sin(2 * std::numbers::pi * (220.0 * (c + 1)) * f / format.nSamplesPerSec);
      std::uint8_t* out = data.data() + f * format.nBlockAlign + c * bytes;
      if (kind == sonotape::skFloat) {
        const float value = static_cast<float>(tone) + static_cast<float>(noise >> 20) * 1e-7f;
        std::memcpy(out, &value, sizeof value);
      } else {
        const double full = std::ldexp(1.0, format.wBitsPerSample - 1);
        const auto value = static_cast<std::int64_t>(tone * full) ^ (noise >> 28);
        for (unsigned b = 0; b < bytes; ++b) out[b] = static_cast<std::uint8_t>(value >> (8 * b));
      }
    }
  }
  return data;
}

// What a FLAC recording of the input decodes to: the input as it is, float input as rounded
// 24-bit values.
inline std::vector<std::uint8_t> FlacSamplesOf(sonotape::SampleKind kind, const std::vector<std::uint8_t>& input) {
  if (kind != sonotape::skFloat) return input;
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 4 <= input.size(); i += 4) {
    float value;
    std::memcpy(&value, input.data() + i, sizeof value);
    const double scaled = std::isnan(value) ? 0.0 : std::round(static_cast<double>(value) * 8388608.0);
    const auto sample = static_cast<std::int32_t>(std::fmax(-8388608.0, std::fmin(8388607.0, scaled)));
    for (int b = 0; b < 3; ++b) out.push_back(static_cast<std::uint8_t>(sample >> (8 * b)));
  }
  return out;
}

// The sink's file of the input; finished (STREAMINFO complete) unless finish says otherwise, in
// which case it holds what a recording still going has written.
inline MemoryStream RecordFlac(const sonotape::PcmFormat& format, sonotape::SampleKind kind,
                               const std::vector<std::uint8_t>& input, bool finish = true, int level = 5,
                               const sonotape::RecordingTags& tags = TitleTags()) {
  MemoryStream file;
  sonotape::RecordingError error;
  const std::unique_ptr<sonotape::RecordingSink> sink =
      sonotape::MakeFlacSink(sonotape::FlacSettings{level}, kind, format, error);
  std::string failure;
  if (sink && sink->Open(file, tags, failure)) {
    const std::size_t buffer = format.nBlockAlign * (format.nSamplesPerSec / 50);
    for (std::size_t at = 0; at < input.size(); at += buffer) {
      const auto n = static_cast<std::uint32_t>(std::min(buffer, input.size() - at));
      EXPECT_EQ(sink->Write(input.data() + at, n), n);
    }
    if (finish) {
      sink->Finish(true);
      EXPECT_EQ(sink->BytesInFile(), file.Length());
    }
  } else {
    ADD_FAILURE() << "the sink does not open: " << error.text << failure;
  }
  return MemoryStream(file.Contents());
}

}  // namespace testsupport
