#pragma once
// The MP3 settings pages' controls and the LAME configuration template they stand for.

#include <cstdint>

#include "codecs/BeConfig.h"

namespace sonotape {

enum Mp3Method : int { mmConstant = 0, mmVariable = 1, mmAverage = 2 };

inline constexpr int kMp3BitrateCount = 14;
inline constexpr std::uint32_t kMp3Bitrates[kMp3BitrateCount] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
inline constexpr int kMp3SampleRateCount = 7;
inline constexpr std::uint32_t kMp3SampleRates[kMp3SampleRateCount] = {0, 48000, 44100, 32000, 24000, 22050, 16000};
inline constexpr int kMp3PresetCount = 4;
inline constexpr std::int32_t kMp3Presets[kMp3PresetCount] = {1, 0, 2, 5};

// The state of the MP3 pages: list indices, track bar positions and check marks.
struct Mp3Controls {
  int method = mmConstant;  // cbMP3Method
  int quality = 2;          // tbMP3Quality, 0..3
  int bitrate = 8;          // cbMP3Bitrate
  int sampleRate = 0;       // cbMP3SampleRate
  int maxBitrate = 13;      // cbMP3MaxBitRate
  int vbrQuality = 5;       // tbMP3VBRQuality, 0..9
  bool jointStereo = false;
  bool noRes = false;
  bool isPrivate = false;
  bool original = false;
  bool copyright = false;
  bool crc = false;
  bool vbrHeader = false;
  // Set by ShowMP3Settings: the method's caption of the bit rate and whether the VBR controls apply.
  bool vbrControlsEnabled = false;
  const char* bitrateCaption = "&Bit Rate:";

  bool operator==(const Mp3Controls&) const = default;
};

// Rewrites every field of the template that the controls stand for; the others stay.
void ReadMP3Settings(const Mp3Controls& controls, BE_CONFIG& config);

// The inverse: the controls for a template, unknown values at their fallback items.
void ShowMP3Settings(const BE_CONFIG& config, Mp3Controls& controls);

// The configuration handed to the encoder for an input of this rate and channel count.
BE_CONFIG MakeLiveConfig(const BE_CONFIG& config, std::uint32_t sampleRate, unsigned channels);

}  // namespace sonotape
