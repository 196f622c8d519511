#include "ToneFormat.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace devhost {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAmplitude = 0.5;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t begin = 0;
  for (size_t end; (end = text.find(separator, begin)) != std::string::npos; begin = end + 1) {
    parts.push_back(text.substr(begin, end - begin));
  }
  parts.push_back(text.substr(begin));
  return parts;
}

bool ParseUnsigned(const std::string& text, unsigned low, unsigned high, unsigned& value) {
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || parsed < low || parsed > high) {
    return false;
  }
  value = static_cast<unsigned>(parsed);
  return true;
}

bool ValidBits(const ToneFormat& format) {
  if (format.isFloat) {
    return format.bits == 32;
  }
  return format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32;
}

void StoreSample(const ToneFormat& format, double value, std::uint8_t* out) {
  if (format.isFloat) {
    const float sample = static_cast<float>(value);
    std::memcpy(out, &sample, sizeof sample);
    return;
  }
  const unsigned bytes = format.bits / 8;
  const double scale = std::ldexp(1.0, static_cast<int>(format.bits) - 1) - 1;
  auto integer = static_cast<std::int64_t>(std::lround(value * scale));
  if (bytes == 1) {
    integer += 128;  // 8-bit samples are unsigned
  }
  for (unsigned i = 0; i < bytes; ++i) {
    out[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(integer) >> (8 * i));
  }
}

}  // namespace

bool ParseToneFormat(const std::string& text, ToneFormat& format) {
  ToneFormat parsed;
  if (text == "ac3-spdif") {
    parsed.spdif = true;
    format = parsed;
    return true;
  }
  const std::vector<std::string> parts = Split(text, ':');
  if (parts.size() < 3 || parts.size() > 4 || !ParseUnsigned(parts[0], 8000, 192000, parsed.rate) ||
      !ParseUnsigned(parts[1], 1, 8, parsed.channels) || !ParseUnsigned(parts[2], 8, 32, parsed.bits)) {
    return false;
  }
  parsed.extensible = parsed.channels > 2 || parsed.bits > 16;
  if (parts.size() == 4) {
    if (parts[3] == "float") {
      parsed.isFloat = true;
    } else if (parts[3] == "ext") {
      parsed.extensible = true;
    } else if (parts[3] == "plain") {
      parsed.extensible = false;
    } else {
      return false;
    }
  }
  if (!ValidBits(parsed)) {
    return false;
  }
  format = parsed;
  return true;
}

double ToneFrequency(unsigned channel) { return 250.0 * (channel + 1); }

void FillTone(const ToneFormat& format, std::uint64_t firstFrame, std::uint8_t* out, std::size_t frames) {
  const unsigned bytes = format.bits / 8;
  for (std::size_t frame = 0; frame < frames; ++frame) {
    const double seconds = static_cast<double>(firstFrame + frame) / format.rate;
    for (unsigned channel = 0; channel < format.channels; ++channel) {
      const double value = format.spdif ? 0.0 : kAmplitude * std::sin(2 * kPi * ToneFrequency(channel) * seconds);
      StoreSample(format, value, out);
      out += bytes;
    }
  }
}

}  // namespace devhost
