#include "support/TestWav.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <vector>

namespace testsupport {

namespace {

void Put16(std::vector<char>& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::vector<char>& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

void PutTag(std::vector<char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

bool WriteSineWav(const std::string& path, unsigned sampleRate, unsigned channels, double seconds,
                  double frequency) {
  const auto frames = static_cast<std::uint32_t>(sampleRate * seconds);
  const std::uint32_t blockAlign = 2 * channels;
  const std::uint32_t dataBytes = frames * blockAlign;
  std::vector<char> file;
  file.reserve(44 + dataBytes);
  PutTag(file, "RIFF");
  Put32(file, 36 + dataBytes);
  PutTag(file, "WAVE");
  PutTag(file, "fmt ");
  Put32(file, 16);
  Put16(file, 1);
  Put16(file, static_cast<std::uint16_t>(channels));
  Put32(file, sampleRate);
  Put32(file, sampleRate * blockAlign);
  Put16(file, static_cast<std::uint16_t>(blockAlign));
  Put16(file, 16);
  PutTag(file, "data");
  Put32(file, dataBytes);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double phase = 2 * std::numbers::pi * frequency * i / sampleRate;
    const auto sample = static_cast<std::int16_t>(std::lround(16000 * std::sin(phase)));
    for (unsigned c = 0; c < channels; ++c) {
      Put16(file, static_cast<std::uint16_t>(sample));
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace testsupport
