// MPEG audio frame headers and the frame search, including many thousands of random and mutated
// blocks held in heap blocks of their exact size, so that the sanitizers see any read outside.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "player/Mp3Frame.h"

namespace sonotape {
namespace {

constexpr int kMpeg1 = 3, kMpeg2 = 2, kMpeg25 = 0;        // version bits
constexpr int kLayerIII = 1, kLayerII = 2, kLayerI = 3;  // layer bits

std::array<std::uint8_t, 4> Header(int version, int layer, int bitrateIndex, int rateIndex, int padding = 0,
                                   int mode = 0) {
  return {0xFF, static_cast<std::uint8_t>(0xE0 | version << 3 | layer << 1 | 1),
          static_cast<std::uint8_t>(bitrateIndex << 4 | rateIndex << 2 | padding << 1),
          static_cast<std::uint8_t>(mode << 6)};
}

std::optional<Mp3FrameHeader> Parse(const std::array<std::uint8_t, 4>& header, int expectedLayer = kLayer3) {
  return ParseMp3Header(header.data(), expectedLayer);
}

TEST(Mp3FrameHeader, LengthsFollowTheTablesOfEveryVersionAndLayer) {
  struct Case {
    std::array<std::uint8_t, 4> header;
    int layer, bitrate, rate, samples;
    std::size_t length;
  };
  const Case cases[] = {
      {Header(kMpeg1, kLayerIII, 9, 0), 3, 128, 44100, 1152, 417},
      {Header(kMpeg1, kLayerIII, 9, 0, 1), 3, 128, 44100, 1152, 418},
      {Header(kMpeg1, kLayerIII, 2, 0), 3, 40, 44100, 1152, 130},  // 130.6 truncated
      {Header(kMpeg1, kLayerIII, 1, 1), 3, 32, 48000, 1152, 96},
      {Header(kMpeg1, kLayerIII, 14, 2), 3, 320, 32000, 1152, 1440},
      {Header(kMpeg2, kLayerIII, 8, 0), 3, 64, 22050, 576, 208},
      {Header(kMpeg2, kLayerIII, 14, 1), 3, 160, 24000, 576, 480},
      {Header(kMpeg25, kLayerIII, 1, 2), 3, 8, 8000, 576, 72},
      {Header(kMpeg25, kLayerIII, 5, 0), 3, 40, 11025, 576, 261},
      {Header(kMpeg1, kLayerII, 14, 1), 2, 384, 48000, 1152, 1152},
      {Header(kMpeg1, kLayerII, 1, 0), 2, 32, 44100, 1152, 104},
      {Header(kMpeg1, kLayerI, 14, 0), 1, 448, 44100, 1152, 1462},
      {Header(kMpeg1, kLayerI, 1, 1), 1, 32, 48000, 1152, 96},
      {Header(kMpeg2, kLayerI, 9, 1), 1, 144, 24000, 576, 432},
      {Header(kMpeg2, kLayerII, 14, 2), 2, 160, 16000, 576, 720},
      {Header(kMpeg25, kLayerII, 1, 1), 2, 8, 12000, 576, 48},
  };
  for (const Case& c : cases) {
    const auto frame = Parse(c.header, c.layer);
    ASSERT_TRUE(frame) << "layer " << c.layer << ", " << c.bitrate << " kbit/s, " << c.rate << " Hz";
    EXPECT_EQ(frame->layer, c.layer);
    EXPECT_EQ(frame->bitrate, c.bitrate);
    EXPECT_EQ(frame->sampleRate, c.rate);
    EXPECT_EQ(frame->samplesPerFrame, c.samples);
    EXPECT_EQ(frame->length, c.length) << c.bitrate << " kbit/s, " << c.rate << " Hz";
  }
  EXPECT_EQ(Parse(Header(kMpeg1, kLayerIII, 9, 0, 0, 3))->channelMode, 3);
  EXPECT_EQ(Parse(Header(kMpeg2, kLayerIII, 8, 0))->version, MpegVersion::Mpeg2);
  EXPECT_EQ(Parse(Header(kMpeg25, kLayerIII, 8, 0))->version, MpegVersion::Mpeg25);
}

TEST(Mp3FrameHeader, RefusesWhatTheTablesDoNotHoldAndOtherLayers) {
  EXPECT_FALSE(Parse(Header(kMpeg1, kLayerIII, 0, 0))) << "free bit rate";
  EXPECT_FALSE(Parse(Header(kMpeg1, kLayerIII, 15, 0))) << "bit rate index 15";
  EXPECT_FALSE(Parse(Header(kMpeg1, kLayerIII, 9, 3))) << "sample rate index 3";
  EXPECT_FALSE(Parse(Header(1, kLayerIII, 9, 0))) << "reserved version";
  EXPECT_FALSE(Parse(Header(kMpeg1, 0, 9, 0))) << "reserved layer";
  EXPECT_FALSE(Parse(Header(kMpeg1, kLayerII, 9, 0))) << "Layer II where Layer III is expected";
  EXPECT_TRUE(Parse(Header(kMpeg1, kLayerII, 9, 0), 2));
  auto header = Header(kMpeg1, kLayerIII, 9, 0);
  header[0] = 0xFE;
  EXPECT_FALSE(Parse(header)) << "no sync in the first byte";
  header = Header(kMpeg1, kLayerIII, 9, 0);
  header[1] &= 0xDF;
  EXPECT_FALSE(Parse(header)) << "no sync in the second byte";
}

int LayerOf(const std::array<std::uint8_t, 4>& header) { return 4 - ((header[1] >> 1) & 3); }

// Frames of the given header with payloads of a filler byte.
std::vector<std::uint8_t> Frames(const std::array<std::uint8_t, 4>& header, int count, std::uint8_t filler = 0x55) {
  const std::size_t length = ParseMp3Header(header.data(), LayerOf(header))->length;
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < count; ++i) {
    bytes.insert(bytes.end(), header.begin(), header.end());
    bytes.insert(bytes.end(), length - 4, filler);
  }
  return bytes;
}

std::vector<std::uint8_t> Join(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::optional<std::size_t> Find(const std::vector<std::uint8_t>& bytes) {
  return FindMp3Frame(bytes.data(), bytes.size(), kLayer3);
}

const auto k128 = Header(kMpeg1, kLayerIII, 9, 0);  // 417-byte frames at 44100 Hz

TEST(Mp3FrameSearch, FindsTheFirstFrameThatAValidHeaderFollows) {
  EXPECT_EQ(Find(Frames(k128, 2)), 0u);
  EXPECT_EQ(Find(Join(std::vector<std::uint8_t>(100, 0x00), Frames(k128, 2))), 100u);
  // A lone header among garbage (a false sync) is passed over.
  std::vector<std::uint8_t> garbage(50, 0xFF);
  garbage.insert(garbage.end(), k128.begin(), k128.end());
  garbage.resize(600, 0x12);
  EXPECT_EQ(Find(Join(garbage, Frames(k128, 2))), 600u);
}

TEST(Mp3FrameSearch, TheFollowingHeaderMustHaveTheSameSampleRate) {
  const auto at48k = Header(kMpeg1, kLayerIII, 9, 1);  // 384 bytes
  auto bytes = Join(Frames(k128, 1), Frames(at48k, 3));
  EXPECT_EQ(Find(bytes), 417u);
  const auto layerII = Header(kMpeg1, kLayerII, 9, 0);
  bytes = Join(Frames(k128, 1), std::vector<std::uint8_t>(layerII.begin(), layerII.end()));
  bytes.resize(1000, 0);
  EXPECT_EQ(Find(bytes), std::nullopt) << "the follower must be Layer III too";
}

TEST(Mp3FrameSearch, GivesUpWhenTheBlockEndsBeforeAPairIsWhole) {
  auto bytes = Frames(k128, 2);
  bytes.resize(417 + 3);  // the second header is cut
  EXPECT_EQ(Find(bytes), std::nullopt);
  bytes.resize(417 + 4);
  EXPECT_EQ(Find(bytes), 0u);
  // A header whose frame reaches beyond the block ends the search, though smaller frames follow.
  auto big = Join(std::vector<std::uint8_t>(k128.begin(), k128.end()), std::vector<std::uint8_t>(10, 0));
  big = Join(big, Frames(Header(kMpeg1, kLayerIII, 1, 0), 3));  // 104-byte frames
  EXPECT_EQ(Find(big), std::nullopt);
  // 0xFF in the last three bytes is not read as a header.
  EXPECT_EQ(Find({0x00, 0xFF, 0xFB, 0x90}), std::nullopt);
  EXPECT_EQ(Find({}), std::nullopt);
}

// The search's rules, checked on any block: the frame found is the first valid Layer III header
// whose successor (one frame length on) is valid with the same rate, unless an earlier candidate
// (a 0xFF without room for a header, or a valid header without room for its successor's) ends the
// search first.
std::optional<std::size_t> ByTheRules(const std::vector<std::uint8_t>& bytes) {
  const std::size_t n = bytes.size();
  for (std::size_t p = 0; p < n; ++p) {
    if (bytes.at(p) != 0xFF) continue;
    if (n - p < 4) return std::nullopt;
    const auto frame = ParseMp3Header(&bytes.at(p), kLayer3);
    if (!frame) continue;
    if (n - p - 4 < frame->length) return std::nullopt;
    const auto next = ParseMp3Header(&bytes.at(p + frame->length), kLayer3);
    if (next && next->sampleRate == frame->sampleRate) return p;
  }
  return std::nullopt;
}

std::vector<std::uint8_t> RandomBlock(std::mt19937& random) {
  static constexpr std::uint8_t kLikely[] = {0xFF, 0xFF, 0xFF, 0xFB, 0xFA, 0xF3, 0xE3, 0x90, 0x94, 0x44, 0xC4};
  std::vector<std::uint8_t> bytes(std::uniform_int_distribution<std::size_t>(0, 600)(random));
  for (std::uint8_t& byte : bytes) {
    const unsigned pick = random() % 16;
    byte = pick < std::size(kLikely) ? kLikely[pick] : static_cast<std::uint8_t>(random());
  }
  return bytes;
}

// A few frames of one random format behind random garbage, then mutated and perhaps cut.
std::vector<std::uint8_t> MutatedStream(std::mt19937& random) {
  const int versions[] = {kMpeg1, kMpeg2, kMpeg25};
  const auto header = Header(versions[random() % 3], random() % 8 == 0 ? kLayerII : kLayerIII,
                             1 + static_cast<int>(random() % 14), static_cast<int>(random() % 3));
  std::vector<std::uint8_t> bytes(random() % 40);
  for (std::uint8_t& byte : bytes) byte = random() % 2 ? 0xFF : static_cast<std::uint8_t>(random());
  const int frames = 1 + static_cast<int>(random() % 5);
  for (int i = 0; i < frames; ++i) {
    auto frame = header;
    frame[2] |= static_cast<std::uint8_t>((random() % 2) << 1);  // padding
    const std::size_t length = ParseMp3Header(frame.data(), LayerOf(frame))->length;
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    for (std::size_t j = 4; j < length; ++j) bytes.push_back(static_cast<std::uint8_t>(random()));
  }
  for (int m = static_cast<int>(random() % 5); m > 0 && !bytes.empty(); --m) {
    std::uint8_t& byte = bytes[random() % bytes.size()];
    byte = random() % 3 == 0 ? 0xFF : static_cast<std::uint8_t>(random());
  }
  if (random() % 3 == 0) bytes.resize(random() % (bytes.size() + 1));
  return bytes;
}

TEST(Mp3FrameSearch, RandomAndMutatedBlocksAreSearchedWithinThemAndByTheRules) {
  std::mt19937 random(20240611);
  int found = 0, notFound = 0;
  for (int round = 0; round < 40000; ++round) {
    const std::vector<std::uint8_t> bytes = round % 2 == 0 ? RandomBlock(random) : MutatedStream(random);
    // A heap block of exactly the block's size: a sanitizer reports every byte read outside.
    const auto block = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), block.get());
    const std::optional<std::size_t> result = FindMp3Frame(block.get(), bytes.size(), kLayer3);
    ASSERT_EQ(result, ByTheRules(bytes)) << "round " << round << ", " << bytes.size() << " bytes";
    ++(result ? found : notFound);
  }
  // Both outcomes are common, so the rules were exercised both ways.
  EXPECT_GT(found, 5000);
  EXPECT_GT(notFound, 5000);
}

}  // namespace
}  // namespace sonotape
