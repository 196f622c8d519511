// The General page's level meters: channel names, the scale, the peak hold, the clip mark and the
// text a screen reader reads.

#include <gtest/gtest.h>

#include "recorder/MeterState.h"
#include "support/PcmFormats.h"

namespace sonotape {
namespace {

TEST(MeterState, ChannelsAreNamedByTheirPositions) {
  using testsupport::ExtensibleFormat;
  using testsupport::PlainFormat;
  const auto names = [](const PcmFormat& format) {
    const auto all = ChannelNames(format);
    std::string joined;
    for (unsigned c = 0; c < format.nChannels && c < all.size(); ++c) joined += all[c] + " ";
    return joined;
  };
  EXPECT_EQ(names(PlainFormat(kFormatPcm, 6, 16)), "L R C LFE SL SR ");
  EXPECT_EQ(names(PlainFormat(kFormatPcm, 2, 16)), "L R ");
  EXPECT_EQ(names(PlainFormat(kFormatPcm, 1, 16)), "C ");
  EXPECT_EQ(names(ExtensibleFormat(6, 24, 48000, 0x3F)), "L R C LFE BL BR ");
  EXPECT_EQ(names(ExtensibleFormat(4, 16, 48000, 0x603)), "L R SL SR ");
  EXPECT_EQ(names(ExtensibleFormat(3, 16, 48000, 0x3)), "L R 3 ") << "a channel the mask leaves out";
  EXPECT_EQ(names(ExtensibleFormat(2, 16, 48000, 0)), "L R ") << "no mask: the usual positions";
}

TEST(MeterState, TheScaleRunsFromMinus60To0Db) {
  EXPECT_FLOAT_EQ(MeterFraction(std::nullopt), 0);
  EXPECT_FLOAT_EQ(MeterFraction(-70.0f), 0);
  EXPECT_FLOAT_EQ(MeterFraction(-30.0f), 0.5f);
  EXPECT_FLOAT_EQ(MeterFraction(0.0f), 1);
  EXPECT_FLOAT_EQ(MeterFraction(3.5f), 1);
}

TEST(MeterState, ThePeakIsHeldForASecondAndAHalfAndAHigherOneTakesOver) {
  ChannelMeter meter;
  meter.Update(0.5f, 1000);
  EXPECT_EQ(meter.Reading("L").text, "L -6.0 dB");
  meter.Update(0.1f, 2000);
  MeterReading reading = meter.Reading("L");
  EXPECT_EQ(reading.text, "L -20.0 dB");
  EXPECT_NEAR(*reading.holdDb, -6.02, 0.01) << "held";
  meter.Update(0.1f, 2499);
  EXPECT_NEAR(*meter.Reading("L").holdDb, -6.02, 0.01) << "1.499 s later: still held";
  meter.Update(0.1f, 2500);
  EXPECT_NEAR(*meter.Reading("L").holdDb, -20, 0.01) << "1.5 s later: the level again";
  meter.Update(0.25f, 2600);
  EXPECT_NEAR(*meter.Reading("L").holdDb, -12.04, 0.01) << "a higher peak takes over at once";
  meter.Update(std::nullopt, 5000);
  reading = meter.Reading("R");
  EXPECT_EQ(reading.text, "R no sound");
  EXPECT_FALSE(reading.levelDb);
  EXPECT_FALSE(reading.holdDb);
}

TEST(MeterState, FullScaleLeavesAClipMarkUntilItIsCleared) {
  ChannelMeter meter;
  meter.Update(32766.0f / 32768, 100);
  EXPECT_FALSE(meter.Reading("L").clipped) << "one step below full scale";
  meter.Update(32767.0f / 32768, 200);
  EXPECT_EQ(meter.Reading("L").text, "L 0.0 dB clipped") << "the largest 16-bit sample, and no -0.0";
  meter.Update(0.01f, 5000);
  meter.Reset();
  EXPECT_TRUE(meter.Reading("L").clipped) << "kept through quiet and a new format";
  meter.ClearClip();
  EXPECT_FALSE(meter.Reading("L").clipped);
  meter.Update(1.4f, 6000);
  EXPECT_EQ(meter.Reading("L").text, "L 2.9 dB clipped") << "float input beyond full scale";
}

}  // namespace
}  // namespace sonotape
