// Cost of the sample conversions for the encoders, in ns per frame, beside a plain loop doing
// the same work on the same data.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/SampleConversion.h"
#include "support/PcmFormats.h"

using sonotape::PcmFormat;

namespace {

constexpr std::size_t kFrames = 1024;  // the Ogg chunk
constexpr int kRepeats = 200000;

// ns per frame of body(), run kRepeats times over kFrames frames.
template <typename Body>
double Time(Body&& body) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRepeats; ++i) body();
  const std::chrono::duration<double, std::nano> used = std::chrono::steady_clock::now() - start;
  return used.count() / (static_cast<double>(kRepeats) * kFrames);
}

// Keeps the compiler from dropping work whose results are never read.
volatile float sink;

void Report(const char* name, const PcmFormat& format, sonotape::SampleKind kind, float (*plain)(const std::uint8_t*, unsigned)) {
  std::vector<std::uint8_t> data(kFrames * format.nBlockAlign);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37);
  if (kind == sonotape::skFloat) {
    for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
      const float value = static_cast<float>(i % 1000) / 1000.0f;
      std::memcpy(&data[i], &value, 4);
    }
  }
  std::vector<std::vector<float>> out(format.nChannels, std::vector<float>(kFrames));
  float* dest[6] = {};
  for (unsigned c = 0; c < format.nChannels; ++c) dest[c] = out[c].data();
  const double ours = Time([&] {
    sonotape::ConvertFrames(format, kind, data.data(), kFrames, dest, sonotape::kOggGain);
    sink = dest[0][kFrames - 1];
  });
  const unsigned bytes = format.wBitsPerSample / 8;
  const double loop = Time([&] {
    const std::uint8_t* p = data.data();
    for (std::size_t f = 0; f < kFrames; ++f) {
      for (unsigned c = 0; c < format.nChannels; ++c) dest[c][f] = plain(p + c * bytes, c);
      p += format.nBlockAlign;
    }
    sink = dest[0][kFrames - 1];
  });
  std::printf("  %-28s %6.2f ns per frame (plain loop %6.2f ns)\n", name, ours, loop);
}

float Plain16(const std::uint8_t* p, unsigned) {
  std::int16_t v;
  std::memcpy(&v, p, 2);
  return static_cast<float>(v) * (1.0f / 32768.0f);
}

float Plain24(const std::uint8_t* p, unsigned) { return static_cast<float>(sonotape::Read24(p)) * (1.0f / 8388608.0f); }

float PlainFloat(const std::uint8_t* p, unsigned) {
  float v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

int main() {
  std::printf("Sample conversion to float, %zu-frame chunks (best case: data in cache)\n", kFrames);
  Report("16-bit stereo", testsupport::PlainFormat(sonotape::kFormatPcm, 2, 16), sonotape::skIntegerPcm, Plain16);
  Report("24-bit 5.1", testsupport::PlainFormat(sonotape::kFormatPcm, 6, 24), sonotape::skIntegerPcm, Plain24);
  Report("32-bit float stereo", testsupport::PlainFormat(sonotape::kFormatFloat, 2, 32), sonotape::skFloat, PlainFloat);
  return 0;
}
