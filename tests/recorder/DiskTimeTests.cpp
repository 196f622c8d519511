// The time left on disk: the byte rate each recording format is reckoned at, the seconds that fit
// and the page's text.

#include <gtest/gtest.h>

#include "recorder/DiskTime.h"

namespace sonotape {
namespace {

TEST(DiskTime, EachFormatIsReckonedAtItsRate) {
  RateBasis wav;
  wav.pcmBytesPerSecond = 1152000;  // 48 kHz 5.1 32-bit
  wav.recordedSeconds = 60;
  wav.recordedBytes = 1000;  // a WAV file's rate is exact, whatever was written
  EXPECT_DOUBLE_EQ(EstimatedByteRate(wav), 1152000);
  wav.pcmBytesPerSecond = 0;
  EXPECT_DOUBLE_EQ(EstimatedByteRate(wav), kNominalPcmBytesPerSecond) << "nothing connected";

  RateBasis mp3;
  mp3.format = rfMp3;
  mp3.mp3Kbps = 192;
  mp3.recordedSeconds = 60;
  mp3.recordedBytes = 1;
  EXPECT_DOUBLE_EQ(EstimatedByteRate(mp3), 24000) << "a constant rate is the rate";
  mp3.mp3Method = mmAverage;
  EXPECT_DOUBLE_EQ(EstimatedByteRate(mp3), 1.0 / 60) << "anything else: the recording's own rate";
  mp3.recordedSeconds = 4.9;
  EXPECT_DOUBLE_EQ(EstimatedByteRate(mp3), 24000) << "before 5 s: the average rate";
  mp3.mp3Method = mmVariable;
  mp3.mp3Kbps = 96;
  mp3.mp3MaxKbps = 256;
  EXPECT_DOUBLE_EQ(EstimatedByteRate(mp3), 176 * 125) << "between the least and the most";

  RateBasis ogg;
  ogg.format = rfOgg;
  ogg.oggQuality = 4;
  EXPECT_DOUBLE_EQ(EstimatedByteRate(ogg), 128 * 125);
  RateBasis flac;
  flac.format = rfFlac;
  flac.pcmBytesPerSecond = 176400;
  EXPECT_DOUBLE_EQ(EstimatedByteRate(flac), 176400 * kNominalFlacShare);
  flac.recordedSeconds = 5;
  flac.recordedBytes = 500000;
  EXPECT_DOUBLE_EQ(EstimatedByteRate(flac), 100000);
}

TEST(DiskTime, WholeSecondsFitAndUnknownsAreMinusOne) {
  EXPECT_EQ(SecondsThatFit(1999999, 1000), 1999);
  EXPECT_EQ(SecondsThatFit(0, 1000), 0);
  EXPECT_EQ(SecondsThatFit(std::nullopt, 1000), -1);
  EXPECT_EQ(SecondsThatFit(1000, 0), -1);
  EXPECT_EQ(SecondsThatFit(1ull << 50, 1), 2147483647) << "what a 32-bit answer holds";
}

TEST(DiskTime, TheTextGivesTheSpaceAndTheTimeInWords) {
  constexpr std::uint64_t kGiB = 1ull << 30;
  EXPECT_EQ(FreeSpaceText(kGiB * 123 / 10, 20 * 3600 + 5 * 60 + 59, "."), "Free: 12.3 GB, about 20 h 5 min");
  EXPECT_EQ(FreeSpaceText(850 * (1ull << 20), 12 * 60, ","), "Free: 850,0 MB, about 12 min");
  EXPECT_EQ(FreeSpaceText(kGiB - 200 * (1ull << 20), 3600, "."), "Free: 824.0 MB, about 1 h 0 min");
  EXPECT_EQ(FreeSpaceText(3 * (1ull << 20), 59, "."), "Free: 3.0 MB, less than 1 min");
  EXPECT_EQ(FreeSpaceText(3 * (1ull << 20), -1, "."), "Free: 3.0 MB");
  EXPECT_EQ(FreeSpaceText(std::nullopt, -1, "."), "Free: unknown");
}

}  // namespace
}  // namespace sonotape
