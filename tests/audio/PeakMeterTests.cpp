// The peak meter: the levels of tones at known amplitudes per channel in each sample format, in
// hundredths of dBFS; the last 300 ms only; nothing when no sound flows or no such channel. The
// exact peaks of every layout of channels and samples against a plain reading of the samples:
// random lengths, alignments and buffer sizes, full-scale negative samples and NaN in each place.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numbers>
#include <optional>
#include <random>
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

// A sample format the meter reads.
struct Layout {
  SampleKind kind;
  std::uint16_t bits;
};
constexpr Layout kLayouts[] = {{skIntegerPcm, 16}, {skIntegerPcm, 24}, {skIntegerPcm, 32}, {skFloat, 32}};

PcmFormat FormatOf(Layout layout, unsigned channels, std::uint32_t framesPerBlock) {
  const std::uint16_t tag = layout.kind == skFloat ? kFormatFloat : kFormatPcm;
  return testsupport::PlainFormat(tag, static_cast<std::uint16_t>(channels), layout.bits, framesPerBlock * 10);
}

// Calls check for every layout and channel count.
void ForEachLayout(const std::function<void(Layout, unsigned)>& check) {
  for (const Layout layout : kLayouts) {
    for (unsigned channels = 1; channels <= PeakMeter::kMaxChannels; ++channels) {
      SCOPED_TRACE(::testing::Message() << (layout.kind == skFloat ? "float " : "integer ") << layout.bits << " bits, "
                                        << channels << " channels");
      check(layout, channels);
    }
  }
}

// Writes value, a fraction of full scale; integers clamped to their range.
void Put(Layout layout, std::uint8_t* out, double value) {
  if (layout.kind == skFloat) {
    const auto sample = static_cast<float>(value);
    std::memcpy(out, &sample, sizeof sample);
    return;
  }
  const double full = std::ldexp(1.0, layout.bits - 1);
  const auto sample = static_cast<std::int64_t>(std::fmax(-full, std::fmin(full - 1, std::floor(value * full))));
  for (unsigned b = 0; b < layout.bits / 8u; ++b) out[b] = static_cast<std::uint8_t>(sample >> (8 * b));
}

// Random samples within +-range of full scale; with nans, one float in eight a NaN of either sign.
std::vector<std::uint8_t> RandomSamples(Layout layout, std::size_t samples, double range, std::mt19937& random,
                                        bool nans = true) {
  std::uniform_real_distribution<double> value(-range, range);
  std::vector<std::uint8_t> data(samples * (layout.bits / 8u));
  for (std::size_t i = 0; i < samples; ++i) {
    const bool nan = nans && layout.kind == skFloat && random() % 8 == 0;
    Put(layout, data.data() + i * (layout.bits / 8u),
        nan ? std::copysign(std::numeric_limits<double>::quiet_NaN(), value(random)) : value(random));
  }
  return data;
}

// The magnitude of the sample at p as a fraction of full scale, read a byte at a time.
double PlainMagnitude(Layout layout, const std::uint8_t* p) {
  if (layout.kind == skFloat) {
    float value;
    std::memcpy(&value, p, sizeof value);
    return std::fabs(value);
  }
  std::uint64_t bits = 0;
  for (unsigned b = 0; b < layout.bits / 8u; ++b) bits |= std::uint64_t{p[b]} << (8 * b);
  const int unused = 64 - layout.bits;
  const std::int64_t value = static_cast<std::int64_t>(bits << unused) >> unused;
  return std::ldexp(static_cast<double>(value < 0 ? -value : value), 1 - layout.bits);
}

using Peaks = std::vector<std::optional<float>>;

// Each channel's highest magnitude in frames [begin, end) of data; a NaN is never one.
Peaks PlainPeaks(Layout layout, unsigned channels, const std::uint8_t* data, std::size_t begin, std::size_t end) {
  std::vector<double> highest(channels, 0.0);
  for (std::size_t i = begin * channels; i < end * channels; ++i) {
    const double magnitude = PlainMagnitude(layout, data + i * (layout.bits / 8u));
    if (magnitude > highest[i % channels]) highest[i % channels] = magnitude;
  }
  return Peaks(highest.begin(), highest.end());
}

Peaks MeterPeaks(const PeakMeter& meter, unsigned channels, std::uint64_t now) {
  Peaks peaks;
  for (unsigned c = 0; c < channels; ++c) peaks.push_back(meter.RecentPeak(c, now));
  return peaks;
}

// The meter's peaks of frames of data as one 100 ms block, starting offset bytes into it.
Peaks MeasuredAsABlock(Layout layout, unsigned channels, const std::vector<std::uint8_t>& data, std::size_t offset) {
  const std::size_t frames = (data.size() - offset) / (channels * layout.bits / 8u);
  PeakMeter meter;
  meter.Measure(FormatOf(layout, channels, static_cast<std::uint32_t>(frames)), layout.kind, data.data() + offset,
                data.size() - offset, 1000);
  return MeterPeaks(meter, channels, 1000);
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

TEST(PeakMeter, AgreesWithAPlainReadingOfEveryLayoutLengthAndAlignment) {
  std::mt19937 random(11);
  ForEachLayout([&](Layout layout, unsigned channels) {
    for (std::size_t frames = 1; frames <= 1001; frames += frames < 70 ? 1 : 931) {  // 1 to 70, and 1001
      for (std::size_t offset = 0; offset < 16; ++offset) {
        SCOPED_TRACE(::testing::Message() << frames << " frames " << offset << " bytes past alignment");
        std::vector<std::uint8_t> data(offset);
        const std::vector<std::uint8_t> samples = RandomSamples(layout, frames * channels, 1.0, random);
        data.insert(data.end(), samples.begin(), samples.end());
        EXPECT_EQ(MeasuredAsABlock(layout, channels, data, offset),
                  PlainPeaks(layout, channels, data.data() + offset, 0, frames));
      }
    }
  });
}

TEST(PeakMeter, FullScaleNegativeAndNanSamplesInEveryPlace) {
  constexpr std::size_t kFrames = 75;  // several vector steps of every layout, and frames left over
  std::mt19937 random(12);
  ForEachLayout([&](Layout layout, unsigned channels) {
    const std::vector<std::uint8_t> quiet = RandomSamples(layout, kFrames * channels, 0.25, random, false);
    for (std::size_t i = 0; i < kFrames * channels; ++i) {
      SCOPED_TRACE(::testing::Message() << "sample " << i);
      std::vector<std::uint8_t> data = quiet;
      Put(layout, data.data() + i * (layout.bits / 8u), -1.0);
      const Peaks peaks = MeasuredAsABlock(layout, channels, data, 0);
      EXPECT_EQ(peaks, PlainPeaks(layout, channels, data.data(), 0, kFrames));
      EXPECT_EQ(peaks[i % channels], 1.0f) << "clipping reads full scale";
      if (layout.kind == skFloat) {
        Put(layout, data.data() + i * (layout.bits / 8u), std::numeric_limits<double>::quiet_NaN());
        EXPECT_EQ(MeasuredAsABlock(layout, channels, data, 0), PlainPeaks(layout, channels, data.data(), 0, kFrames))
            << "a NaN is passed over";
      }
    }
  });
}

TEST(PeakMeter, BlocksEndOnTheirFrameWhereverTheBuffersEnd) {
  constexpr std::size_t kFrames = 300;
  constexpr std::size_t kBuffers[] = {1, 7, 33, 2, 64, 19, 5};
  std::mt19937 random(13);
  ForEachLayout([&](Layout layout, unsigned channels) {
    const std::vector<std::uint8_t> data = RandomSamples(layout, kFrames * channels, 1.0, random);
    const std::size_t frameBytes = channels * layout.bits / 8u;
    for (const std::uint32_t framesPerBlock : {1u, 5u, 16u, 37u}) {
      PeakMeter meter;
      const PcmFormat format = FormatOf(layout, channels, framesPerBlock);
      for (std::size_t fed = 0, b = 0; fed < kFrames; ++b) {
        const std::size_t frames = std::min(kBuffers[b % std::size(kBuffers)], kFrames - fed);
        meter.Measure(format, layout.kind, data.data() + fed * frameBytes, frames * frameBytes, 1000);
        fed += frames;
        SCOPED_TRACE(::testing::Message() << fed << " frames fed in blocks of " << framesPerBlock);
        const std::size_t ended = fed / framesPerBlock;  // the last three count
        const Peaks expected = ended == 0 ? Peaks(channels)
                                          : PlainPeaks(layout, channels, data.data(),
                                                       (ended - std::min<std::size_t>(ended, 3)) * framesPerBlock,
                                                       ended * framesPerBlock);
        ASSERT_EQ(MeterPeaks(meter, channels, 1000), expected);
      }
    }
  });
}

TEST(PeakMeter, SamplesItCannotReadAreNotMeasured) {
  for (const Layout layout : {Layout{skFloat, 16}, Layout{skFloat, 24}, Layout{skFloat, 64}, Layout{skIntegerPcm, 8}}) {
    SCOPED_TRACE(::testing::Message() << layout.bits << " bits");
    const std::vector<std::uint8_t> data(2 * layout.bits / 8u * 480, 0x7F);
    PeakMeter meter;
    meter.Measure(FormatOf(layout, 2, 480), layout.kind, data.data(), data.size(), 1000);
    EXPECT_EQ(meter.RecentPeak(0, 1000), std::nullopt);
  }
}

// Silence is every channel below -60 dBFS: sound on any one channel ends it.
TEST(PeakMeter, SoundIsRememberedOnlyWhereAChannelReachesMinus60Db) {
  Meter meter;
  const PcmFormat stereo16 = testsupport::PlainFormat(kFormatPcm, 2, 16, 48000);
  meter.Feed(stereo16, skIntegerPcm, Tones(stereo16, skIntegerPcm, {0.0009, 0.0009}));
  EXPECT_EQ(meter.meter.LastSoundMs(), 0u) << "-61 dB is silence";
  meter.Feed(stereo16, skIntegerPcm, Tones(stereo16, skIntegerPcm, {0, 0.0011}));
  const std::uint64_t heard = meter.now;
  EXPECT_EQ(meter.meter.LastSoundMs(), heard) << "-59 dB on one channel is sound";
  meter.Feed(stereo16, skIntegerPcm, Tones(stereo16, skIntegerPcm, {0, 0}));
  meter.meter.Reset();
  EXPECT_EQ(meter.meter.LastSoundMs(), heard) << "silence since then, across a format change";
}

}  // namespace
}  // namespace sonotape
