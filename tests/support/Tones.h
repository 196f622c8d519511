#pragma once
// Test signals with a tone of its own in every channel, and the power of one tone in one channel.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <vector>

namespace testsupport {

// Interleaved 16-bit PCM, every channel a sine of its own frequency.
inline std::vector<std::uint8_t> Tones(const std::vector<double>& frequencies, std::uint32_t rate, std::size_t frames) {
  std::vector<std::uint8_t> data;
  data.reserve(frames * frequencies.size() * 2);
  for (std::size_t f = 0; f < frames; ++f) {
    for (double frequency : frequencies) {
      const auto value = static_cast<std::int16_t>(12000 * std::sin(2 * std::numbers::pi * frequency * static_cast<double>(f) / rate));
      data.push_back(static_cast<std::uint8_t>(value & 0xFF));
      data.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
  }
  return data;
}

// The power of one channel of interleaved samples at a frequency (Goertzel).
inline double TonePower(const std::vector<std::int16_t>& samples, int channels, double rate, int channel, double frequency) {
  const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / rate);
  double previous = 0, before = 0;
  for (std::size_t i = static_cast<std::size_t>(channel); i < samples.size(); i += static_cast<std::size_t>(channels)) {
    const double current = samples[i] + coefficient * previous - before;
    before = previous;
    previous = current;
  }
  return previous * previous + before * before - coefficient * previous * before;
}

}  // namespace testsupport
