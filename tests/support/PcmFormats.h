#pragma once
// Format records as a decoder delivers them: a plain one from tag, channels, bits and rate, and
// the extensible form. Under Windows also the plain record as the platform's WAVEFORMATEX, for
// the formats of a test source pin.

#include <cstdint>
#include <cstring>

#include "audio/PcmFormat.h"

#ifdef _WIN32
#include <windows.h>
#include <mmreg.h>
#endif

namespace testsupport {

// The sub-format GUID that stands for a plain format tag in an extensible record.
constexpr sonotape::FormatGuid SubFormatOf(std::uint32_t tag) {
  sonotape::FormatGuid guid = sonotape::kSubtypePcm;
  guid.data1 = tag;
  return guid;
}

// The block alignment and byte rate follow from channels, bits and rate; no extension.
constexpr sonotape::PcmFormat PlainFormat(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits,
                                          std::uint32_t rate = 48000) {
  sonotape::PcmFormat format{};
  format.wFormatTag = tag;
  format.nChannels = channels;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = bits;
  format.nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  return format;
}

// Every bit valid, samples of subTag's kind.
constexpr sonotape::PcmFormat ExtensibleFormat(std::uint16_t channels, std::uint16_t bits, std::uint32_t rate = 48000,
                                               std::uint32_t channelMask = 0x3F,
                                               std::uint32_t subTag = sonotape::kFormatPcm) {
  sonotape::PcmFormat format = PlainFormat(sonotape::kFormatExtensible, channels, bits, rate);
  format.cbSize = 22;
  format.wValidBitsPerSample = bits;
  format.dwChannelMask = channelMask;
  format.SubFormat = SubFormatOf(subTag);
  return format;
}

#ifdef _WIN32
// 16-bit integer PCM.
inline WAVEFORMATEX PcmWave(WORD channels, DWORD rate) {
  static_assert(sizeof(WAVEFORMATEX) == sonotape::kShortFormatSize, "the plain record's layout");
  const sonotape::PcmFormat format = PlainFormat(sonotape::kFormatPcm, channels, 16, rate);
  WAVEFORMATEX wave;
  std::memcpy(&wave, &format, sizeof wave);
  return wave;
}
#endif

}  // namespace testsupport
