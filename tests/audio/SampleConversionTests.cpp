#include "audio/SampleConversion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/PcmFormats.h"

namespace sonotape {
namespace {

using testsupport::PlainFormat;

template <typename T>
std::vector<std::uint8_t> Bytes(const std::vector<T>& samples) {
  std::vector<std::uint8_t> bytes(samples.size() * sizeof(T));
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

TEST(Read24, SignExtendsLittleEndianTriples) {
  const std::uint8_t max[] = {0xFF, 0xFF, 0x7F}, min[] = {0x00, 0x00, 0x80}, minusOne[] = {0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Read24(max), 8388607);
  EXPECT_EQ(Read24(min), -8388608);
  EXPECT_EQ(Read24(minusOne), -1);
}

TEST(ConvertForMp3, ScalesToTheSixteenBitRangeInChunks) {
  // Stereo float: 0.5 reaches the encoder as 16384.
  const auto floats = Bytes<float>({0.5f, -0.25f, 1.0f, 0.0f, -1.0f, 0.125f});
  float left[2] = {}, right[2] = {};
  std::vector<std::vector<float>> chunks;
  ConvertForMp3(PlainFormat(kFormatFloat, 2, 32), skFloat, floats.data(), static_cast<std::uint32_t>(floats.size()), 2,
                left, right, [&](std::size_t n) {
                  chunks.push_back({left, left + n});
                  chunks.push_back({right, right + n});
                });
  ASSERT_EQ(chunks.size(), 4u);  // 3 frames in chunks of 2 and 1
  EXPECT_EQ(chunks[0], (std::vector<float>{16384.0f, 32768.0f}));
  EXPECT_EQ(chunks[1], (std::vector<float>{-8192.0f, 0.0f}));
  EXPECT_EQ(chunks[2], (std::vector<float>{-32768.0f}));
  EXPECT_EQ(chunks[3], (std::vector<float>{4096.0f}));

  // Mono 16-bit is taken as it is and leaves the right array alone; a broken last frame is dropped.
  auto shorts = Bytes<std::int16_t>({-32768, 123});
  shorts.push_back(0x7F);
  float monoRight[4] = {7, 7, 7, 7};
  float monoLeft[4] = {};
  std::size_t frames = 0;
  ConvertForMp3(PlainFormat(kFormatPcm, 1, 16), skIntegerPcm, shorts.data(), static_cast<std::uint32_t>(shorts.size()), 4,
                monoLeft, monoRight, [&](std::size_t n) { frames += n; });
  EXPECT_EQ(frames, 2u);
  EXPECT_EQ(monoLeft[0], -32768.0f);
  EXPECT_EQ(monoLeft[1], 123.0f);
  EXPECT_EQ(monoRight[0], 7.0f);

  // 24 bits to the 16-bit range, 32-bit integers likewise.
  const std::uint8_t deep[] = {0x00, 0x00, 0x80, 0x00, 0x01, 0x00,   // -8388608, 256
                               0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF};  // 8388607, -1
  ConvertForMp3(PlainFormat(kFormatPcm, 2, 24), skIntegerPcm, deep, 12, 4, monoLeft, monoRight, [](std::size_t) {});
  EXPECT_EQ(monoLeft[0], -32768.0f);
  EXPECT_EQ(monoRight[0], 1.0f);
  EXPECT_EQ(monoLeft[1], 8388607.0f / 256.0f);
  EXPECT_EQ(monoRight[1], -1.0f / 256.0f);
  const auto wide = Bytes<std::int32_t>({65536, -2147483647 - 1});
  ConvertForMp3(PlainFormat(kFormatPcm, 2, 32), skIntegerPcm, wide.data(), 8, 4, monoLeft, monoRight,
                [](std::size_t) {});
  EXPECT_EQ(monoLeft[0], 1.0f);
  EXPECT_EQ(monoRight[0], -32768.0f);
}

TEST(ConvertForOgg, MapsWindowsChannelsToTheVorbisOrderAtUnitScale) {
  // Six channels, each frame holding the channel number; 1500 frames: chunks of 1024 and 476.
  std::vector<std::int16_t> samples;
  for (int f = 0; f < 1500; ++f) {
    for (std::int16_t c = 0; c < 6; ++c) samples.push_back(static_cast<std::int16_t>(c * 4096));
  }
  const auto bytes = Bytes(samples);
  std::vector<std::vector<float>> encoder(6, std::vector<float>(1024));
  float* arrays[6];
  for (int i = 0; i < 6; ++i) arrays[i] = encoder[static_cast<std::size_t>(i)].data();
  std::vector<std::size_t> wrote;
  ConvertForOgg(PlainFormat(kFormatPcm, 6, 16), skIntegerPcm, bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                [&](std::size_t) { return arrays; }, [&](std::size_t n) { wrote.push_back(n); });
  EXPECT_EQ(wrote, (std::vector<std::size_t>{1024, 476}));
  const unsigned expected[6] = {0, 2, 1, 4, 5, 3};  // FL FC FR BL BR LFE
  for (int i = 0; i < 6; ++i) EXPECT_EQ(encoder[static_cast<std::size_t>(i)][475], expected[i] * 0.125f) << i;

  // Three channels: source 2 feeds encoder channel 1; -32768 becomes -1.0; floats pass unchanged.
  const auto three = Bytes<std::int16_t>({-32768, 16384, 8192});
  ConvertForOgg(PlainFormat(kFormatPcm, 3, 16), skIntegerPcm, three.data(), 6, [&](std::size_t) { return arrays; },
                [](std::size_t) {});
  EXPECT_EQ(encoder[0][0], -1.0f);
  EXPECT_EQ(encoder[1][0], 0.25f);
  EXPECT_EQ(encoder[2][0], 0.5f);
  const auto floats = Bytes<float>({0.5f, -0.75f});
  ConvertForOgg(PlainFormat(kFormatFloat, 2, 32), skFloat, floats.data(), 8, [&](std::size_t) { return arrays; },
                [](std::size_t) {});
  EXPECT_EQ(encoder[0][0], 0.5f);
  EXPECT_EQ(encoder[1][0], -0.75f);
}

}  // namespace
}  // namespace sonotape
