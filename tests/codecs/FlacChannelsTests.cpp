// FLAC's speaker positions: its layouts by channel count and the channel mask comment read back.

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <optional>

#include "codecs/FlacChannels.h"

namespace sonotape {
namespace {

TEST(FlacChannels, FlacsLayoutsInWaveMasks) {
  const std::uint32_t masks[] = {0, 0x4, 0x3, 0x7, 0x33, 0x607, 0x60F, 0x70F, 0x63F, 0};
  for (unsigned channels = 0; channels < std::size(masks); ++channels) {
    EXPECT_EQ(FlacDefaultChannelMask(channels), masks[channels]) << channels << " channels";
  }
}

TEST(FlacChannels, TheMaskCommentIsReadInAnyCaseOfItsName) {
  EXPECT_EQ(FlacChannelMaskOfComment("WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x0603"), 0x603u);
  EXPECT_EQ(FlacChannelMaskOfComment("waveformatextensible_channel_mask=0X3f"), 0x3Fu);
  EXPECT_EQ(FlacChannelMaskOfComment("WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0xFFFFFFFF"), 0xFFFFFFFFu);
  for (const char* other : {"TITLE=take", "WAVEFORMATEXTENSIBLE_CHANNEL_MASK=", "WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x",
                            "WAVEFORMATEXTENSIBLE_CHANNEL_MASK=1539", "WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x06g3",
                            "WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x100000000", "WAVEFORMATEXTENSIBLE_CHANNEL_MASKS=0x3",
                            "WAVEFORMATEXTENSIBLE_CHANNEL_MASK"}) {
    EXPECT_EQ(FlacChannelMaskOfComment(other), std::nullopt) << other;
  }
}

}  // namespace
}  // namespace sonotape
