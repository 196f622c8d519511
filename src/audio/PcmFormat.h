#pragma once
// The recorder's PCM format record (the layout of WAVEFORMATEXTENSIBLE), the kinds of sample
// data it can describe, and the evaluation of a decoder's format block.

#include <cstddef>
#include <cstdint>

namespace sonotape {

struct FormatGuid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

// Little-endian, 40 bytes; for a format that is not extensible bytes 18 to 39 are zero.
struct PcmFormat {
  std::uint16_t wFormatTag;
  std::uint16_t nChannels;
  std::uint32_t nSamplesPerSec;
  std::uint32_t nAvgBytesPerSec;
  std::uint16_t nBlockAlign;
  std::uint16_t wBitsPerSample;
  std::uint16_t cbSize;
  std::uint16_t wValidBitsPerSample;
  std::uint32_t dwChannelMask;
  FormatGuid SubFormat;
};
static_assert(sizeof(PcmFormat) == 40);
static_assert(offsetof(PcmFormat, nAvgBytesPerSec) == 8 && offsetof(PcmFormat, cbSize) == 16 &&
              offsetof(PcmFormat, dwChannelMask) == 20 && offsetof(PcmFormat, SubFormat) == 24);

// The bytes of the record up to and including cbSize.
inline constexpr std::size_t kShortFormatSize = 18;

inline constexpr std::uint16_t kFormatPcm = 1;
inline constexpr std::uint16_t kFormatFloat = 3;
inline constexpr std::uint16_t kFormatSpdif = 0x92;
inline constexpr std::uint16_t kFormatExtensible = 0xFFFE;

// KSDATAFORMAT_SUBTYPE_PCM: integer samples in an extensible format.
inline constexpr FormatGuid kSubtypePcm = {kFormatPcm, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

enum SampleKind : std::uint8_t { skUnsupported = 0, skIntegerPcm = 1, skFloat = 2, skSpdif = 3 };

// Evaluates size bytes of a WAVEFORMATEX (or WAVEFORMATEXTENSIBLE) block into record and
// returns its kind. Supported: 1 to 6 channels of 16, 24 or 32 bits. A block too short for what
// it claims to be, or without channels or a sensible rate, is unsupported. Block alignment and byte rate
// are derived from channels, bits and rate, whatever the block says: a decoder's zero or
// inconsistent values must not reach a division or a file header.
SampleKind EvaluateWaveFormat(const void* block, std::size_t size, PcmFormat& record);

// Whether a newly evaluated format is a change that needs a new file.
bool FormatChanged(SampleKind oldKind, const PcmFormat& oldFormat, SampleKind newKind, const PcmFormat& newFormat);

}  // namespace sonotape
