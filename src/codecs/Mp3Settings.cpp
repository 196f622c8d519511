#include "codecs/Mp3Settings.h"

#include <algorithm>

namespace sonotape {

namespace {

constexpr std::int32_t kTrue = -1;

template <typename T, int N>
T Entry(const T (&table)[N], int index, int fallback) {
  return table[index >= 0 && index < N ? index : fallback];
}

template <typename T, int N>
int IndexOf(const T (&table)[N], T value, int fallback) {
  for (int i = 0; i < N; ++i) {
    if (table[i] == value) return i;
  }
  return fallback;
}

std::int32_t Flag(bool on) { return on ? kTrue : 0; }

}  // namespace

void ReadMP3Settings(const Mp3Controls& controls, BE_CONFIG& config) {
  BE_CONFIG_LHV1& c = config.lhv1;
  config.dwConfig = BE_CONFIG_LAME;
  c.dwStructVersion = 1;
  c.dwStructSize = kBeConfigSize;
  c.dwSampleRate = 48000;
  c.dwReSampleRate = Entry(kMp3SampleRates, controls.sampleRate, 0);
  c.nMode = controls.jointStereo ? BE_MP3_MODE_JSTEREO : BE_MP3_MODE_STEREO;
  c.dwBitrate = Entry(kMp3Bitrates, controls.bitrate, 8);
  c.dwMaxBitrate = Entry(kMp3Bitrates, controls.maxBitrate, 13);
  c.nPreset = Entry(kMp3Presets, controls.quality, 2);
  c.dwMpegVersion = 1;
  c.bPrivate = Flag(controls.isPrivate);
  c.bCRC = Flag(controls.crc);
  c.bCopyright = Flag(controls.copyright);
  c.bOriginal = Flag(controls.original);
  c.bWriteVBRHeader = controls.vbrHeader ? 1 : 0;
  c.bEnableVBR = Flag(controls.method == mmVariable || controls.method == mmAverage);
  c.nVBRQuality = 9 - std::clamp(controls.vbrQuality, 0, 9);
  c.dwVbrAbr_bps = c.dwBitrate * 1000;
  c.nVbrMethod = controls.method == mmVariable  ? VBR_METHOD_DEFAULT
                 : controls.method == mmAverage ? VBR_METHOD_ABR
                                                : VBR_METHOD_NONE;
  c.bNoRes = Flag(controls.noRes);
}

void ShowMP3Settings(const BE_CONFIG& config, Mp3Controls& controls) {
  const BE_CONFIG_LHV1& c = config.lhv1;
  controls.sampleRate = IndexOf(kMp3SampleRates, c.dwReSampleRate, 0);
  controls.jointStereo = c.nMode == BE_MP3_MODE_JSTEREO;
  controls.bitrate = IndexOf(kMp3Bitrates, c.dwBitrate, 8);
  controls.maxBitrate = IndexOf(kMp3Bitrates, c.dwMaxBitrate, 9);
  controls.quality = IndexOf(kMp3Presets, c.nPreset, 2);
  controls.isPrivate = c.bPrivate != 0;
  controls.crc = c.bCRC != 0;
  controls.copyright = c.bCopyright != 0;
  controls.original = c.bOriginal != 0;
  controls.vbrHeader = c.bWriteVBRHeader != 0;
  controls.vbrQuality = std::clamp(9 - c.nVBRQuality, 0, 9);  // as the track bar holds it
  controls.noRes = c.bNoRes != 0;
  if (c.bEnableVBR == 0) {
    controls.method = mmConstant;
  } else {
    controls.method = c.nVbrMethod == VBR_METHOD_ABR ? mmAverage : mmVariable;
  }
  controls.vbrControlsEnabled = controls.method == mmVariable;
  controls.bitrateCaption = controls.vbrControlsEnabled ? "VBR Min. &Bit Rate:" : "&Bit Rate:";
}

BE_CONFIG MakeLiveConfig(const BE_CONFIG& config, std::uint32_t sampleRate, unsigned channels) {
  BE_CONFIG live = config;
  live.dwConfig = BE_CONFIG_LAME;
  BE_CONFIG_LHV1& c = live.lhv1;
  c.dwSampleRate = sampleRate;
  if (channels == 1) {
    c.nMode = BE_MP3_MODE_MONO;
  }
  if (c.bEnableVBR == 0) {
    c.dwMaxBitrate = 0;
    c.dwVbrAbr_bps = 0;
  } else if (c.nVbrMethod == VBR_METHOD_ABR) {
    c.dwVbrAbr_bps = c.dwBitrate * 1000;
    c.dwBitrate = 0;
    c.dwMaxBitrate = 0;
  } else {
    c.dwVbrAbr_bps = 0;
  }
  return live;
}

}  // namespace sonotape
