#include "player/Mp3Frame.h"

#include <cmath>

namespace sonotape {

namespace {

// kbit/s for the bitrate indices 1 to 14 (0 and 15 are invalid).
constexpr int kMpeg1Bitrates[3][14] = {
    {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // Layer I
    {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // Layer II
    {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // Layer III
};
constexpr int kMpeg2Bitrates[2][14] = {
    {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},  // Layer I
    {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},      // Layers II and III
};

// Hz for the sample rate indices 0 to 2 (3 is invalid).
constexpr int kSampleRates[3][3] = {
    {11025, 12000, 8000},   // MPEG 2.5
    {22050, 24000, 16000},  // MPEG 2
    {44100, 48000, 32000},  // MPEG 1
};

int Bitrate(MpegVersion version, int layer, int index) {
  if (version == MpegVersion::Mpeg1) {
    return kMpeg1Bitrates[layer - 1][index - 1];
  }
  return kMpeg2Bitrates[layer == 1 ? 0 : 1][index - 1];
}

int SampleRate(MpegVersion version, int index) {
  const int row = version == MpegVersion::Mpeg1 ? 2 : version == MpegVersion::Mpeg2 ? 1 : 0;
  return kSampleRates[row][index];
}

}  // namespace

std::optional<Mp3FrameHeader> ParseMp3Header(const std::uint8_t* header, int expectedLayer) {
  if (header[0] != 0xFF || (header[1] & 0xE0) != 0xE0) {
    return std::nullopt;
  }
  const int versionBits = (header[1] >> 3) & 3;
  const int layerBits = (header[1] >> 1) & 3;
  const int bitrateIndex = header[2] >> 4;
  const int rateIndex = (header[2] >> 2) & 3;
  if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
    return std::nullopt;
  }
  Mp3FrameHeader frame{};
  frame.layer = 4 - layerBits;
  if (frame.layer != expectedLayer) {
    return std::nullopt;
  }
  frame.version = static_cast<MpegVersion>(versionBits);
  frame.bitrate = Bitrate(frame.version, frame.layer, bitrateIndex);
  frame.sampleRate = SampleRate(frame.version, rateIndex);
  frame.padding = (header[2] >> 1) & 1;
  frame.channelMode = header[3] >> 6;
  frame.samplesPerFrame = frame.version == MpegVersion::Mpeg1 ? 1152 : 576;
  const int product = frame.samplesPerFrame * 125 * frame.bitrate;
  frame.length = static_cast<std::size_t>(std::trunc(product / static_cast<double>(frame.sampleRate))) +
                 static_cast<std::size_t>(frame.padding);
  return frame;
}

std::optional<std::size_t> FindMp3Frame(const std::uint8_t* block, std::size_t size, int expectedLayer) {
  for (std::size_t p = 0; p < size; ++p) {
    if (block[p] != 0xFF) {
      continue;
    }
    if (size - p < kMp3HeaderSize) {
      return std::nullopt;
    }
    const std::optional<Mp3FrameHeader> frame = ParseMp3Header(block + p, expectedLayer);
    if (!frame) {
      continue;
    }
    if (size - p < frame->length + kMp3HeaderSize) {
      return std::nullopt;
    }
    const std::optional<Mp3FrameHeader> next = ParseMp3Header(block + p + frame->length, expectedLayer);
    if (next && next->sampleRate == frame->sampleRate) {
      return p;
    }
  }
  return std::nullopt;
}

}  // namespace sonotape
