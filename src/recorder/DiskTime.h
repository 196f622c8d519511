#pragma once
// How long a recording still fits on its folder's disk: the byte rate of the recording format,
// the whole seconds that fit, and the General page's text for them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "audio/OutputNaming.h"
#include "codecs/Mp3Settings.h"

namespace sonotape {

// 48 kHz 16-bit stereo: the PCM rate assumed while no format is connected.
inline constexpr std::uint32_t kNominalPcmBytesPerSecond = 192000;
// A recording's own rate counts once this much of it is written.
inline constexpr double kMeasuredAfterSeconds = 5;
// FLAC's nominal share of the PCM rate, for broadcast sound.
inline constexpr double kNominalFlacShare = 0.6;
// Below this the page shows the time left in the warning colour.
inline constexpr std::int64_t kLowDiskSeconds = 10 * 60;

struct DiskTime {
  std::optional<std::uint64_t> freeBytes;  // none: the folder cannot be read
  std::int64_t seconds = -1;               // that fit; -1: unknown
};

struct RateBasis {
  RecordingFormat format = rfWav;
  std::uint32_t pcmBytesPerSecond = 0;  // of the connected format; 0: none is connected
  Mp3Method mp3Method = mmConstant;
  std::uint32_t mp3Kbps = 128;          // the constant or average rate; a variable one's minimum
  std::uint32_t mp3MaxKbps = 320;       // a variable rate's maximum
  int oggQuality = 4;
  double recordedSeconds = 0;           // of the current recording's file
  std::uint64_t recordedBytes = 0;      // of audio in that file
};

// Bytes a second of recording takes: WAV from the connected format, MP3 at a constant rate from
// its rate, anything else from the recording once kMeasuredAfterSeconds are written and from
// the settings before.
double EstimatedByteRate(const RateBasis& basis);

// The whole seconds that fit in freeBytes at byteRate; -1 when either is unknown.
std::int64_t SecondsThatFit(std::optional<std::uint64_t> freeBytes, double byteRate);

// "Free: 12.3 GB, about 20 h 5 min", "Free: 850.0 MB, about 12 min", "Free: 3.1 MB, less than
// 1 min", or "Free: unknown"; decimal is the user's decimal separator.
std::string FreeSpaceText(std::optional<std::uint64_t> freeBytes, std::int64_t seconds, std::string_view decimal);

}  // namespace sonotape
