#pragma once
// MPEG audio frame headers as the MP3 reader sees them, and the search for the first frame in a
// block of bytes. Nothing here reads outside the bytes it is given.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace sonotape {

// Values of the header's version bits; 1 is reserved.
enum class MpegVersion : std::uint8_t { Mpeg25 = 0, Mpeg2 = 2, Mpeg1 = 3 };

inline constexpr int kLayer3 = 3;
inline constexpr std::size_t kMp3HeaderSize = 4;

struct Mp3FrameHeader {
  MpegVersion version;
  int layer;         // 1, 2 or 3
  int bitrate;       // kbit/s
  int sampleRate;    // Hz
  int padding;       // 0 or 1
  int channelMode;   // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  int samplesPerFrame;
  std::size_t length;  // bytes, the header included
};

// The header in header[0..3] when it is a valid one of the expected layer.
std::optional<Mp3FrameHeader> ParseMp3Header(const std::uint8_t* header, int expectedLayer);

// The offset of the first frame in block[0..size) whose header is valid and is followed, one frame
// length later, by another valid header of the same sample rate. None when the block ends before
// such a pair is seen whole.
std::optional<std::size_t> FindMp3Frame(const std::uint8_t* block, std::size_t size, int expectedLayer);

}  // namespace sonotape
