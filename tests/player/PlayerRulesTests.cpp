#include "player/PlayerRules.h"

#include <gtest/gtest.h>

namespace sonotape {
namespace {

TEST(PlayerFileType, ByTheExtensionInAnyCase) {
  FileType type = ftOgg;
  EXPECT_TRUE(FileTypeFromName("C:\\Music\\Take1.wav", type));
  EXPECT_EQ(type, ftWav);
  EXPECT_TRUE(FileTypeFromName("news 01.Mp3", type));
  EXPECT_EQ(type, ftMp3);
  EXPECT_TRUE(FileTypeFromName("a.b.OGG", type));
  EXPECT_EQ(type, ftOgg);
  EXPECT_TRUE(FileTypeFromName("C:\\Rec\\Late News Dec-09.FLAC", type));
  EXPECT_EQ(type, ftFlac);
  EXPECT_TRUE(FileTypeFromName("take.flac", type));
  EXPECT_EQ(type, ftFlac);
  for (const char* other : {"Take1.aac", "Take1", "Take1.wav.bak", "C:\\rec.wav\\Take1", "Take1.wa", "Take1.fla", ""}) {
    EXPECT_FALSE(FileTypeFromName(other, type)) << other;
  }
}

TEST(PlayerChunkSize, WholeFramesUpTo8192Bytes) {
  PcmFormat format{};
  format.nBlockAlign = 4;
  EXPECT_EQ(ChunkSize(ftWav, format), 8192u);
  format.nBlockAlign = 6;
  EXPECT_EQ(ChunkSize(ftWav, format), 8190u);
  EXPECT_EQ(ChunkSize(ftOgg, format), 8190u);
  format.nBlockAlign = 18;  // 24-bit 5.1
  EXPECT_EQ(ChunkSize(ftWav, format), 8190u);
  EXPECT_EQ(ChunkSize(ftFlac, format), 8190u);
  EXPECT_EQ(ChunkSize(ftMp3, format), 8192u);
  format.nBlockAlign = 0;
  EXPECT_EQ(ChunkSize(ftWav, format), 8192u);
}

TEST(PlayerVolume, LogarithmicFromSilenceToFull) {
  const std::pair<int, int> table[] = {{10000, 0},     {8000, -485},   {5000, -1505},   {4000, -1990},
                                       {1000, -5000},  {200, -8495},   {100, -10000},   {0, -10000},
                                       {-5, -10000},   {12000, 0}};
  for (const auto& [slider, volume] : table) {
    EXPECT_EQ(VolumeFromSlider(slider), volume) << slider;
  }
}

TEST(PlayerSeekTarget, AtMostTwoSecondsBeforeTheEndAndNeverBeforeTheStart) {
  EXPECT_DOUBLE_EQ(SeekTarget(60, 59.5), 58);
  EXPECT_DOUBLE_EQ(SeekTarget(60, 30), 30);
  EXPECT_DOUBLE_EQ(SeekTarget(1.5, 1), 0);  // total - 2 is below 0
  EXPECT_DOUBLE_EQ(SeekTarget(60, -3), 0);
}

}  // namespace
}  // namespace sonotape
