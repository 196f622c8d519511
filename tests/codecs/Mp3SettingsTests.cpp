#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "codecs/Mp3Settings.h"

namespace sonotape {
namespace {

BE_CONFIG Template(const Mp3Controls& controls) {
  BE_CONFIG config;
  std::memset(&config, 0, sizeof config);
  ReadMP3Settings(controls, config);
  return config;
}

TEST(BeConfig, IsTheByteLayoutLameReads) {
  EXPECT_EQ(sizeof(BE_CONFIG), 331u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.dwStructVersion), 4u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.dwSampleRate), 12u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.nMode), 20u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.nPreset), 32u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.bPrivate), 48u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.bWriteVBRHeader), 64u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.nVBRQuality), 72u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.nVbrMethod), 80u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.bStrictIso), 88u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.nQuality), 92u);
  EXPECT_EQ(offsetof(BE_CONFIG, lhv1.btReserved), 94u);
}

TEST(ReadMP3Settings, FillsTheTemplateFromThePages) {
  Mp3Controls controls;  // the pages' initial state
  BE_CONFIG config = Template(controls);
  const BE_CONFIG_LHV1& c = config.lhv1;
  EXPECT_EQ(config.dwConfig, 256u);
  EXPECT_EQ(c.dwStructVersion, 1u);
  EXPECT_EQ(c.dwStructSize, 331u);
  EXPECT_EQ(c.dwSampleRate, 48000u);
  EXPECT_EQ(c.dwReSampleRate, 0u);  // "Auto"
  EXPECT_EQ(c.nMode, BE_MP3_MODE_STEREO);
  EXPECT_EQ(c.dwBitrate, 128u);
  EXPECT_EQ(c.dwMaxBitrate, 320u);
  EXPECT_EQ(c.nPreset, 2);
  EXPECT_EQ(c.dwMpegVersion, 1u);
  EXPECT_EQ(c.bEnableVBR, 0);
  EXPECT_EQ(c.nVbrMethod, VBR_METHOD_NONE);
  EXPECT_EQ(c.nVBRQuality, 4);
  EXPECT_EQ(c.dwVbrAbr_bps, 128000u);

  controls.method = mmVariable;
  controls.quality = 0;
  controls.jointStereo = controls.isPrivate = controls.crc = controls.copyright = controls.original = true;
  controls.vbrHeader = controls.noRes = true;
  controls.sampleRate = 5;
  config = Template(controls);
  EXPECT_EQ(c.nPreset, 1);
  EXPECT_EQ(c.nMode, BE_MP3_MODE_JSTEREO);
  EXPECT_EQ(c.dwReSampleRate, 22050u);
  EXPECT_EQ(c.bEnableVBR, -1);
  EXPECT_EQ(c.nVbrMethod, VBR_METHOD_DEFAULT);
  EXPECT_EQ(c.bPrivate, -1);
  EXPECT_EQ(c.bCRC, -1);
  EXPECT_EQ(c.bCopyright, -1);
  EXPECT_EQ(c.bOriginal, -1);
  EXPECT_EQ(c.bNoRes, -1);
  EXPECT_EQ(c.bWriteVBRHeader, 1);  // the one flag written as 1
  controls.method = mmAverage;
  controls.quality = 3;
  controls.bitrate = 10;
  config = Template(controls);
  EXPECT_EQ(c.nVbrMethod, VBR_METHOD_ABR);
  EXPECT_EQ(c.nPreset, 5);
  EXPECT_EQ(c.dwVbrAbr_bps, 192000u);
}

TEST(ReadMP3Settings, LeavesTheFieldsItDoesNotOwn) {
  BE_CONFIG config;
  std::memset(&config, 0x5A, sizeof config);
  ReadMP3Settings(Mp3Controls{}, config);
  EXPECT_EQ(config.lhv1.dwPsyModel, 0x5A5A5A5Au);
  EXPECT_EQ(config.lhv1.nQuality, 0x5A5A);
  EXPECT_EQ(config.lhv1.btReserved[236], 0x5A);
}

TEST(ShowMP3Settings, RoundTripsAndNormalisesUnknownValues) {
  Mp3Controls controls;
  controls.method = mmVariable;
  controls.quality = 3;
  controls.bitrate = 0;
  controls.maxBitrate = 12;
  controls.sampleRate = 6;
  controls.vbrQuality = 9;
  controls.copyright = controls.vbrHeader = true;
  Mp3Controls shown;
  ShowMP3Settings(Template(controls), shown);
  EXPECT_EQ(shown.method, mmVariable);
  EXPECT_EQ(shown.quality, 3);
  EXPECT_EQ(shown.bitrate, 0);
  EXPECT_EQ(shown.maxBitrate, 12);
  EXPECT_EQ(shown.sampleRate, 6);
  EXPECT_EQ(shown.vbrQuality, 9);
  EXPECT_TRUE(shown.copyright && shown.vbrHeader);
  EXPECT_FALSE(shown.isPrivate || shown.crc || shown.original || shown.noRes || shown.jointStereo);
  EXPECT_TRUE(shown.vbrControlsEnabled);
  EXPECT_STREQ(shown.bitrateCaption, "VBR Min. &Bit Rate:");

  controls.method = mmAverage;
  ShowMP3Settings(Template(controls), shown);
  EXPECT_EQ(shown.method, mmAverage);
  EXPECT_FALSE(shown.vbrControlsEnabled);
  EXPECT_STREQ(shown.bitrateCaption, "&Bit Rate:");

  BE_CONFIG odd = Template(Mp3Controls{});
  odd.lhv1.dwReSampleRate = 11025;
  odd.lhv1.dwBitrate = 129;
  odd.lhv1.dwMaxBitrate = 1000;
  odd.lhv1.nPreset = 77;
  odd.lhv1.nVBRQuality = 42;
  ShowMP3Settings(odd, shown);
  EXPECT_EQ(shown.sampleRate, 0);
  EXPECT_EQ(shown.bitrate, 8);
  EXPECT_EQ(shown.maxBitrate, 9);  // "160 kbps"
  EXPECT_EQ(shown.quality, 2);
  EXPECT_EQ(shown.vbrQuality, 0);
  EXPECT_EQ(shown.method, mmConstant);
}

}  // namespace
}  // namespace sonotape

namespace sonotape {
namespace {

TEST(MakeLiveConfig, FollowsTheInputAndTheMethod) {
  Mp3Controls controls;
  controls.jointStereo = true;
  BE_CONFIG config;
  std::memset(&config, 0, sizeof config);
  ReadMP3Settings(controls, config);
  BE_CONFIG live = MakeLiveConfig(config, 44100, 1);
  EXPECT_EQ(live.lhv1.dwSampleRate, 44100u);
  EXPECT_EQ(live.lhv1.nMode, BE_MP3_MODE_MONO);
  EXPECT_EQ(config.lhv1.nMode, BE_MP3_MODE_JSTEREO);  // the template keeps its mode
  EXPECT_EQ(live.lhv1.dwMaxBitrate, 0u);              // constant bit rate
  EXPECT_EQ(live.lhv1.dwVbrAbr_bps, 0u);
  EXPECT_EQ(MakeLiveConfig(config, 48000, 2).lhv1.nMode, BE_MP3_MODE_JSTEREO);

  controls.method = mmAverage;
  controls.bitrate = 10;  // 192 kbps
  ReadMP3Settings(controls, config);
  live = MakeLiveConfig(config, 48000, 2);
  EXPECT_EQ(live.lhv1.dwVbrAbr_bps, 192000u);
  EXPECT_EQ(live.lhv1.dwBitrate, 0u);
  EXPECT_EQ(live.lhv1.dwMaxBitrate, 0u);
  EXPECT_EQ(live.lhv1.bEnableVBR, -1);
  EXPECT_EQ(live.lhv1.nVbrMethod, VBR_METHOD_ABR);

  controls.method = mmVariable;
  controls.bitrate = 8;
  controls.maxBitrate = 13;
  controls.vbrQuality = 5;
  ReadMP3Settings(controls, config);
  live = MakeLiveConfig(config, 48000, 2);
  EXPECT_EQ(live.lhv1.dwBitrate, 128u);
  EXPECT_EQ(live.lhv1.dwMaxBitrate, 320u);
  EXPECT_EQ(live.lhv1.nVBRQuality, 4);
  EXPECT_EQ(live.lhv1.dwVbrAbr_bps, 0u);
  EXPECT_EQ(live.lhv1.nVbrMethod, VBR_METHOD_DEFAULT);
}

}  // namespace
}  // namespace sonotape
