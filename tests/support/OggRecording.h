#pragma once
// The recorder's Ogg Vorbis sample path without the graph, for tests and timings: 16-bit PCM in
// buffers of 20 ms as a decoder delivers them, converted and encoded, pages into a file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/PcmFormat.h"
#include "audio/SampleConversion.h"
#include "codecs/OggEncoder.h"

namespace testsupport {

// Encodes pcm through a started encoder into file; the bytes written (the headers not counted).
inline std::size_t EncodeInBuffers(const sonotape::PcmFormat& format, const std::vector<std::uint8_t>& pcm,
                                   sonotape::OggEncoder& encoder, sonotape::RecordingFile& file) {
  std::size_t written = 0;
  const std::size_t buffer = format.nSamplesPerSec / 50 * format.nBlockAlign;
  for (std::size_t at = 0; at < pcm.size(); at += buffer) {
    const auto length = static_cast<std::uint32_t>(std::min(buffer, pcm.size() - at));
    sonotape::ConvertForOgg(format, sonotape::skIntegerPcm, pcm.data() + at, length,
                            [&](std::size_t n) { return encoder.Buffer(n); },
                            [&](std::size_t n) { written += encoder.EncodeChunk(n, file); });
  }
  return written;
}

}  // namespace testsupport
