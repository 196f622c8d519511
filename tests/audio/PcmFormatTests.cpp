#include "audio/PcmFormat.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/PcmFormats.h"

namespace sonotape {
namespace {

using testsupport::ExtensibleFormat;
using testsupport::PlainFormat;

SampleKind Evaluate(const PcmFormat& block, PcmFormat& record, std::size_t size = sizeof(PcmFormat)) {
  return EvaluateWaveFormat(&block, size, record);
}

TEST(EvaluateWaveFormat, KindsOfPlainFormats) {
  PcmFormat record{};
  PcmFormat block = PlainFormat(kFormatPcm, 2, 16);
  block.cbSize = 0;
  std::memset(reinterpret_cast<std::uint8_t*>(&block) + kShortFormatSize, 0xEE, sizeof block - kShortFormatSize);
  EXPECT_EQ(Evaluate(block, record), skIntegerPcm);
  EXPECT_EQ(record.nChannels, 2);
  const auto* tail = reinterpret_cast<const std::uint8_t*>(&record) + kShortFormatSize;
  for (std::size_t i = 0; i < sizeof record - kShortFormatSize; ++i) EXPECT_EQ(tail[i], 0) << i;  // not copied

  EXPECT_EQ(Evaluate(PlainFormat(kFormatFloat, 2, 32), record), skFloat);
  EXPECT_EQ(Evaluate(PlainFormat(kFormatFloat, 2, 24), record), skUnsupported);
  EXPECT_EQ(Evaluate(PlainFormat(kFormatPcm, 2, 8), record), skUnsupported);
  EXPECT_EQ(Evaluate(PlainFormat(kFormatPcm, 7, 16), record), skUnsupported);
  EXPECT_EQ(Evaluate(PlainFormat(kFormatSpdif, 2, 16), record), skSpdif);
  EXPECT_EQ(Evaluate(PlainFormat(0x55, 2, 16), record), skUnsupported);  // MPEG layer 3
}

TEST(EvaluateWaveFormat, ExtensibleFormatsKeepTheirWholeRecord) {
  PcmFormat record{};
  const PcmFormat block = ExtensibleFormat(6, 32, 48000, 0x3F, kFormatFloat);
  EXPECT_EQ(Evaluate(block, record), skFloat);
  EXPECT_EQ(std::memcmp(&record, &block, sizeof block), 0);
  EXPECT_EQ(Evaluate(ExtensibleFormat(6, 24, 48000, 0x3F, kFormatPcm), record), skIntegerPcm);
  EXPECT_EQ(Evaluate(ExtensibleFormat(2, 16, 48000, 0x3F, kFormatSpdif), record), skSpdif);
  EXPECT_EQ(Evaluate(ExtensibleFormat(2, 16, 48000, 0x3F, 0x55), record), skUnsupported);
  PcmFormat small = ExtensibleFormat(2, 16, 48000, 0x3F, kFormatPcm);
  small.cbSize = 21;
  EXPECT_EQ(Evaluate(small, record), skUnsupported);
  EXPECT_EQ(record.dwChannelMask, 0u);  // only the short part is kept
  // A block that claims the extension but ends before it.
  EXPECT_EQ(Evaluate(ExtensibleFormat(2, 16, 48000, 0x3F, kFormatPcm), record, 30), skUnsupported);
}

TEST(EvaluateWaveFormat, BadBlocksAreUnsupportedOrRepairedNeverTrusted) {
  PcmFormat record{};
  PcmFormat block = PlainFormat(kFormatPcm, 2, 16);
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
  EXPECT_EQ(Evaluate(PlainFormat(kFormatPcm, 0, 16), record), skUnsupported);
  EXPECT_EQ(Evaluate(PlainFormat(kFormatPcm, 2, 16, 0), record), skUnsupported);
  EXPECT_EQ(Evaluate(PlainFormat(kFormatPcm, 6, 32, 0xFFFFFFF0u), record), skUnsupported);
}

TEST(FormatChanged, RateChannelsBitsOrKind) {
  const PcmFormat stereo = PlainFormat(kFormatPcm, 2, 16);
  EXPECT_FALSE(FormatChanged(skIntegerPcm, stereo, skIntegerPcm, stereo));
  EXPECT_TRUE(FormatChanged(skIntegerPcm, stereo, skIntegerPcm, PlainFormat(kFormatPcm, 2, 16, 44100)));
  EXPECT_TRUE(FormatChanged(skIntegerPcm, stereo, skIntegerPcm, PlainFormat(kFormatPcm, 6, 16)));
  EXPECT_TRUE(FormatChanged(skIntegerPcm, stereo, skIntegerPcm, PlainFormat(kFormatPcm, 2, 24)));
  EXPECT_TRUE(FormatChanged(skIntegerPcm, stereo, skSpdif, stereo));
}

}  // namespace
}  // namespace sonotape
