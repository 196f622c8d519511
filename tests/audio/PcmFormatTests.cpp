#include "audio/PcmFormat.h"

#include <gtest/gtest.h>

#include <cstring>

namespace sonotape {
namespace {

constexpr FormatGuid SubFormat(std::uint32_t tag) {
  return {tag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

PcmFormat Plain(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits, std::uint32_t rate = 48000) {
  PcmFormat format{};
  format.wFormatTag = tag;
  format.nChannels = channels;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = bits;
  format.nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  return format;
}

PcmFormat Extensible(std::uint16_t channels, std::uint16_t bits, std::uint32_t subTag) {
  PcmFormat format = Plain(kFormatExtensible, channels, bits);
  format.cbSize = 22;
  format.wValidBitsPerSample = bits;
  format.dwChannelMask = 0x3F;
  format.SubFormat = SubFormat(subTag);
  return format;
}

SampleKind Evaluate(const PcmFormat& block, PcmFormat& record, std::size_t size = sizeof(PcmFormat)) {
  return EvaluateWaveFormat(&block, size, record);
}

TEST(EvaluateWaveFormat, KindsOfPlainFormats) {
  PcmFormat record{};
  PcmFormat block = Plain(kFormatPcm, 2, 16);
  block.cbSize = 0;
  std::memset(reinterpret_cast<std::uint8_t*>(&block) + kShortFormatSize, 0xEE, sizeof block - kShortFormatSize);
  EXPECT_EQ(Evaluate(block, record), skIntegerPcm);
  EXPECT_EQ(record.nChannels, 2);
  const auto* tail = reinterpret_cast<const std::uint8_t*>(&record) + kShortFormatSize;
  for (std::size_t i = 0; i < sizeof record - kShortFormatSize; ++i) EXPECT_EQ(tail[i], 0) << i;  // not copied

  EXPECT_EQ(Evaluate(Plain(kFormatFloat, 2, 32), record), skFloat);
  EXPECT_EQ(Evaluate(Plain(kFormatFloat, 2, 24), record), skUnsupported);
  EXPECT_EQ(Evaluate(Plain(kFormatPcm, 2, 8), record), skUnsupported);
  EXPECT_EQ(Evaluate(Plain(kFormatPcm, 7, 16), record), skUnsupported);
  EXPECT_EQ(Evaluate(Plain(kFormatSpdif, 2, 16), record), skSpdif);
  EXPECT_EQ(Evaluate(Plain(0x55, 2, 16), record), skUnsupported);  // MPEG layer 3
}

TEST(EvaluateWaveFormat, ExtensibleFormatsKeepTheirWholeRecord) {
  PcmFormat record{};
  const PcmFormat block = Extensible(6, 32, kFormatFloat);
  EXPECT_EQ(Evaluate(block, record), skFloat);
  EXPECT_EQ(std::memcmp(&record, &block, sizeof block), 0);
  EXPECT_EQ(Evaluate(Extensible(6, 24, kFormatPcm), record), skIntegerPcm);
  EXPECT_EQ(Evaluate(Extensible(2, 16, kFormatSpdif), record), skSpdif);
  EXPECT_EQ(Evaluate(Extensible(2, 16, 0x55), record), skUnsupported);
  PcmFormat small = Extensible(2, 16, kFormatPcm);
  small.cbSize = 21;
  EXPECT_EQ(Evaluate(small, record), skUnsupported);
  EXPECT_EQ(record.dwChannelMask, 0u);  // only the short part is kept
  // A block that claims the extension but ends before it.
  EXPECT_EQ(Evaluate(Extensible(2, 16, kFormatPcm), record, 30), skUnsupported);
}

TEST(EvaluateWaveFormat, BadBlocksAreUnsupportedOrRepairedNeverTrusted) {
  PcmFormat record{};
  PcmFormat block = Plain(kFormatPcm, 2, 16);
  EXPECT_EQ(EvaluateWaveFormat(nullptr, 40, record), skUnsupported);
  EXPECT_EQ(Evaluate(block, record, 17), skUnsupported);
  block.nBlockAlign = 0;
  block.nAvgBytesPerSec = 0;
  ASSERT_EQ(Evaluate(block, record), skIntegerPcm);
  EXPECT_EQ(record.nBlockAlign, 4);  // derived from channels and bits
  EXPECT_EQ(record.nAvgBytesPerSec, 192000u);
  block.nAvgBytesPerSec = 7;
  ASSERT_EQ(Evaluate(block, record), skIntegerPcm);
  EXPECT_EQ(record.nAvgBytesPerSec, 192000u);
  EXPECT_EQ(Evaluate(Plain(kFormatPcm, 0, 16), record), skUnsupported);
  EXPECT_EQ(Evaluate(Plain(kFormatPcm, 2, 16, 0), record), skUnsupported);
  EXPECT_EQ(Evaluate(Plain(kFormatPcm, 6, 32, 0xFFFFFFF0u), record), skUnsupported);
}

TEST(FormatChanged, RateChannelsBitsOrKind) {
  const PcmFormat stereo = Plain(kFormatPcm, 2, 16);
  EXPECT_FALSE(FormatChanged(skIntegerPcm, stereo, skIntegerPcm, stereo));
  EXPECT_TRUE(FormatChanged(skIntegerPcm, stereo, skIntegerPcm, Plain(kFormatPcm, 2, 16, 44100)));
  EXPECT_TRUE(FormatChanged(skIntegerPcm, stereo, skIntegerPcm, Plain(kFormatPcm, 6, 16)));
  EXPECT_TRUE(FormatChanged(skIntegerPcm, stereo, skIntegerPcm, Plain(kFormatPcm, 2, 24)));
  EXPECT_TRUE(FormatChanged(skIntegerPcm, stereo, skSpdif, stereo));
}

}  // namespace
}  // namespace sonotape
