#pragma once
// The player's arithmetic that needs no platform: the file type by extension, the chunk size,
// the volume curve and the seek target.

#include <cstdint>
#include <string>

#include "audio/PcmFormat.h"
#include "player/FileReader.h"

namespace sonotape {

// ".WAV", ".MP3", ".OGG" or ".FLAC" in any case; false for any other extension or none.
bool FileTypeFromName(const std::string& fileName, FileType& type);

inline constexpr std::uint32_t kMaxChunkBytes = 8192;

// 8192 bytes for MP3; otherwise the largest multiple of the output block alignment not above
// 8192 (a block alignment of 0 counts as 1).
std::uint32_t ChunkSize(FileType type, const PcmFormat& output);

// The graph volume in hundredths of a decibel for a slider value: 100..10000 (clamped) mapped
// logarithmically onto -10000..0, rounded to nearest with ties to even.
std::int32_t VolumeFromSlider(std::int32_t slider);

// Where a seek within a file of total seconds goes: at most 2 s before the end, never before
// the start.
double SeekTarget(double totalSeconds, double targetSeconds);

}  // namespace sonotape
