// The peak meter: the levels of tones at known amplitudes per channel in each sample format, in
// hundredths of dBFS; the last 300 ms only; nothing when no sound flows or no such channel.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "audio/PeakMeter.h"
#include "support/PcmFormats.h"

namespace sonotape {
namespace {

// 100 ms of a 1 kHz sine on each channel at its amplitude (a fraction of full scale).
std::vector<std::uint8_t> Tones(const PcmFormat& format, SampleKind kind, const std::vector<double>& amplitudes) {
  const unsigned bytes = format.wBitsPerSample / 8;
  const std::size_t frames = format.nSamplesPerSec / 10;
  std::vector<std::uint8_t> data(frames * format.nBlockAlign);
  for (std::size_t f = 0; f < frames; ++f) {
    for (unsigned c = 0; c < format.nChannels; ++c) {
      const double value = amplitudes[c] * std::sin(2 * std::numbers::pi * 1000 * (f + 0.25 * 48) / format.nSamplesPerSec);
      std::uint8_t* out = data.data() + f * format.nBlockAlign + c * bytes;
      if (kind == skFloat) {
        const auto sample = static_cast<float>(value);
        std::memcpy(out, &sample, sizeof sample);
      } else {
        const double full = std::ldexp(1.0, format.wBitsPerSample - 1);
        const auto sample = static_cast<std::int64_t>(std::fmax(-full, std::fmin(full - 1, std::round(value * full))));
        for (unsigned b = 0; b < bytes; ++b) out[b] = static_cast<std::uint8_t>(sample >> (8 * b));
      }
    }
  }
  return data;
}

struct Meter {
  PeakMeter meter;
  std::uint64_t now = 1000;
  void Feed(const PcmFormat& format, SampleKind kind, const std::vector<std::uint8_t>& data) {
    now += 100;
    meter.Measure(format, kind, data.data(), data.size(), now);
  }
  int Level(unsigned channel) const { return PeakHundredthsDb(meter.RecentPeak(channel, now)); }
};

TEST(PeakMeter, TonesReadAtTheirLevelsInEachSampleFormat) {
  Meter stereo;
  const PcmFormat stereo16 = testsupport::PlainFormat(kFormatPcm, 2, 16, 48000);
  stereo.Feed(stereo16, skIntegerPcm, Tones(stereo16, skIntegerPcm, {1.0, 0.5}));
  EXPECT_EQ(stereo.Level(0), 0) << "a full-scale sine";
  EXPECT_EQ(stereo.Level(1), -602) << "a half-scale one";

  Meter surround;
  const PcmFormat surround24 = testsupport::ExtensibleFormat(6, 24, 48000, 0x60F);
  surround.Feed(surround24, skIntegerPcm, Tones(surround24, skIntegerPcm, {0.5, 0.25, 0.1, 0.01, 1e-6, 0}));
  EXPECT_EQ(surround.Level(0), -602);
  EXPECT_EQ(surround.Level(1), -1204);
  EXPECT_EQ(surround.Level(2), -2000);
  EXPECT_EQ(surround.Level(3), -4000);
  EXPECT_EQ(surround.Level(4), kNoLevel) << "below -100 dB";
  EXPECT_EQ(surround.Level(5), kNoLevel) << "silence";
  EXPECT_EQ(surround.Level(6), kNoLevel) << "no such channel";

  Meter floating;
  const PcmFormat stereoFloat = testsupport::ExtensibleFormat(2, 32, 44100, 0x3, kFormatFloat);
  floating.Feed(stereoFloat, skFloat, Tones(stereoFloat, skFloat, {1.5, 0.001}));
  EXPECT_EQ(floating.Level(0), 352) << "above full scale: clipping";
  EXPECT_EQ(floating.Level(1), -6000);

  Meter wide;
  const PcmFormat mono32 = testsupport::PlainFormat(kFormatPcm, 1, 32, 96000);
  wide.Feed(mono32, skIntegerPcm, Tones(mono32, skIntegerPcm, {0.5}));
  EXPECT_EQ(wide.Level(0), -602);
}

TEST(PeakMeter, OnlyTheLast300MsCountAndNothingWhenTheSoundStops) {
  Meter meter;
  const PcmFormat stereo16 = testsupport::PlainFormat(kFormatPcm, 2, 16, 48000);
  const std::vector<std::uint8_t> loud = Tones(stereo16, skIntegerPcm, {1.0, 1.0});
  const std::vector<std::uint8_t> quiet = Tones(stereo16, skIntegerPcm, {0.1, 0.1});
  meter.meter.Measure(stereo16, skIntegerPcm, loud.data(), loud.size() / 2, meter.now);
  EXPECT_EQ(meter.Level(0), kNoLevel) << "half a block: nothing measured to the end yet";
  meter.meter.Measure(stereo16, skIntegerPcm, loud.data(), loud.size() / 2, meter.now);
  EXPECT_EQ(meter.Level(0), 0);
  for (int i = 0; i < 2; ++i) meter.Feed(stereo16, skIntegerPcm, quiet);
  EXPECT_EQ(meter.Level(0), 0) << "the loud block is among the last three";
  meter.Feed(stereo16, skIntegerPcm, quiet);
  EXPECT_EQ(meter.Level(0), -2000) << "the loud block has left";
  meter.now += 500;
  EXPECT_EQ(meter.Level(0), kNoLevel) << "no sound for half a second";
  meter.Feed(stereo16, skIntegerPcm, quiet);
  meter.meter.Reset();
  EXPECT_EQ(meter.Level(0), kNoLevel) << "a new format starts afresh";
}

}  // namespace
}  // namespace sonotape
