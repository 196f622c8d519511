#pragma once
// LAME's BladeEnc-style configuration record in its LHV1 variant, byte-packed as lame_enc.dll
// reads it.

#include <cstddef>
#include <cstdint>

namespace sonotape {

inline constexpr std::uint32_t BE_CONFIG_LAME = 256;
inline constexpr std::int32_t BE_MP3_MODE_STEREO = 0;
inline constexpr std::int32_t BE_MP3_MODE_JSTEREO = 1;
inline constexpr std::int32_t BE_MP3_MODE_MONO = 3;
inline constexpr std::int32_t VBR_METHOD_NONE = -1;
inline constexpr std::int32_t VBR_METHOD_DEFAULT = 0;
inline constexpr std::int32_t VBR_METHOD_ABR = 4;

#pragma pack(push, 1)
struct BE_CONFIG_LHV1 {
  std::uint32_t dwStructVersion;
  std::uint32_t dwStructSize;
  std::uint32_t dwSampleRate;
  std::uint32_t dwReSampleRate;
  std::int32_t nMode;
  std::uint32_t dwBitrate;
  std::uint32_t dwMaxBitrate;
  std::int32_t nPreset;
  std::uint32_t dwMpegVersion;
  std::uint32_t dwPsyModel;
  std::uint32_t dwEmphasis;
  std::int32_t bPrivate;
  std::int32_t bCRC;
  std::int32_t bCopyright;
  std::int32_t bOriginal;
  std::int32_t bWriteVBRHeader;
  std::int32_t bEnableVBR;
  std::int32_t nVBRQuality;
  std::uint32_t dwVbrAbr_bps;
  std::int32_t nVbrMethod;
  std::int32_t bNoRes;
  std::int32_t bStrictIso;
  std::uint16_t nQuality;
  std::uint8_t btReserved[237];
};

struct BE_CONFIG {
  std::uint32_t dwConfig;
  BE_CONFIG_LHV1 lhv1;
};
#pragma pack(pop)

inline constexpr std::uint32_t kBeConfigSize = 331;
static_assert(sizeof(BE_CONFIG) == kBeConfigSize);
static_assert(offsetof(BE_CONFIG, lhv1) == 4);
static_assert(offsetof(BE_CONFIG_LHV1, nPreset) == 28 && offsetof(BE_CONFIG_LHV1, bPrivate) == 44 &&
              offsetof(BE_CONFIG_LHV1, dwVbrAbr_bps) == 72 && offsetof(BE_CONFIG_LHV1, nQuality) == 88 &&
              offsetof(BE_CONFIG_LHV1, btReserved) == 90);

}  // namespace sonotape
