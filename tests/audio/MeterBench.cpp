// Cost of the tap's peak measurement per sample (one channel's value), as the streaming thread
// pays it for every buffer, in 20 ms buffers of a tone with noise.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/PeakMeter.h"
#include "support/PcmFormats.h"

namespace {

constexpr int kRepeats = 20000;

void Report(const char* name, const sonotape::PcmFormat& format, sonotape::SampleKind kind) {
  const std::size_t frames = format.nSamplesPerSec / 50;
  std::vector<std::uint8_t> data(frames * format.nBlockAlign);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + (i >> 7));
  if (kind == sonotape::skFloat) {
    for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
      const float value = static_cast<float>(i % 1999) / 1000.0f - 1.0f;
      std::memcpy(&data[i], &value, 4);
    }
  }
  sonotape::PeakMeter meter;
  std::uint64_t now = 1;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRepeats; ++i) meter.Measure(format, kind, data.data(), data.size(), now += 20);
  const std::chrono::duration<double, std::nano> used = std::chrono::steady_clock::now() - start;
  const double samples = static_cast<double>(kRepeats) * frames * format.nChannels;
  std::printf("  %-20s %6.3f ns per sample (peak %.3f)\n", name, used.count() / samples,
              meter.RecentPeak(0, now).value_or(0.0f));
}

}  // namespace

int main() {
  std::printf("Peak meter in the tap, 20 ms buffers:\n");
  Report("16-bit stereo", testsupport::PlainFormat(sonotape::kFormatPcm, 2, 16, 48000), sonotape::skIntegerPcm);
  Report("24-bit 5.1", testsupport::PlainFormat(sonotape::kFormatPcm, 6, 24, 48000), sonotape::skIntegerPcm);
  Report("32-bit float stereo", testsupport::PlainFormat(sonotape::kFormatFloat, 2, 32, 48000), sonotape::skFloat);
  return 0;
}
