#include "SoundCapture.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>
#include <stdexcept>

namespace playertest {

namespace {

constexpr unsigned kTones = 6;

std::uint32_t Le32(const std::vector<char>& data, std::size_t at) {
  std::uint32_t value = 0;
  std::memcpy(&value, data.data() + at, sizeof value);
  return value;
}

std::uint16_t Le16(const std::vector<char>& data, std::size_t at) {
  std::uint16_t value = 0;
  std::memcpy(&value, data.data() + at, sizeof value);
  return value;
}

// The share of each source channel's tone in each side of a stereo device.
double Share(unsigned sourceChannels, unsigned side, unsigned sourceChannel) {
  if (sourceChannels == 1) {
    return 1.0;
  }
  if (sourceChannels == 2) {
    return side == sourceChannel ? 1.0 : 0.0;
  }
  static const double kSurround[2][6] = {{1.0, 0.0, 0.7, 0.0, 0.24, 0.0}, {0.0, 1.0, 0.7, 0.0, 0.0, 0.24}};
  return kSurround[side][sourceChannel];
}

}  // namespace

Capture ReadCapture(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 || std::memcmp(data.data() + 8, "WAVE", 4) != 0) {
    throw std::runtime_error("no WAV capture in " + path);
  }
  Capture capture;
  std::size_t at = 12;
  while (at + 8 <= data.size()) {
    const std::uint32_t size = Le32(data, at + 4);
    if (std::memcmp(data.data() + at, "fmt ", 4) == 0 && at + 24 <= data.size()) {
      capture.channels = Le16(data, at + 10);
      capture.rate = Le32(data, at + 12);
      if (Le16(data, at + 8) != 1 || Le16(data, at + 22) != 16) {
        throw std::runtime_error("the capture is not 16-bit PCM");
      }
    } else if (std::memcmp(data.data() + at, "data", 4) == 0) {
      break;
    }
    at += 8 + size;
  }
  if (capture.channels == 0 || at + 8 > data.size()) {
    throw std::runtime_error("the capture has no format or no data");
  }
  // The data size in the header is not to be trusted while the sink writes: all that follows.
  const std::size_t frameBytes = 2u * capture.channels;
  const std::size_t frames = (data.size() - at - 8) / frameBytes;
  const auto* samples = reinterpret_cast<const std::int16_t*>(data.data() + at + 8);
  std::size_t silentRun = 0;
  for (std::size_t frame = 0; frame < frames; ++frame) {
    const std::int16_t* first = samples + frame * capture.channels;
    bool silent = true;
    for (unsigned c = 0; c < capture.channels; ++c) silent = silent && first[c] == 0;
    if (silent) {
      ++silentRun;
      continue;
    }
    if (silentRun < kPaddingFrames) {  // zeros within the signal (a sine crossing 0) belong to it
      capture.sound.insert(capture.sound.end(), silentRun * capture.channels, 0.0f);
    }
    silentRun = 0;
    for (unsigned c = 0; c < capture.channels; ++c) capture.sound.push_back(first[c] / 32768.0f);
  }
  return capture;
}

// Goertzel's single-frequency transform over the whole sound.
double ToneAmplitude(const Capture& capture, unsigned channel, double frequency) {
  const std::size_t frames = capture.sound.size() / capture.channels;
  const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / capture.rate);
  double previous = 0, beforePrevious = 0;
  for (std::size_t frame = 0; frame < frames; ++frame) {
    const double current = capture.sound[frame * capture.channels + channel] + coefficient * previous - beforePrevious;
    beforePrevious = previous;
    previous = current;
  }
  const double power = previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
  return frames == 0 ? 0 : 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(frames);
}

bool TonesAsRecorded(const Capture& capture, unsigned sourceChannels, std::string& why) {
  std::ostringstream differences;
  if (capture.channels != 2) {
    differences << "the device has " << capture.channels << " channels, not 2; ";
  } else {
    for (unsigned side = 0; side < 2; ++side) {
      const double front = ToneAmplitude(capture, side, 250.0 * (side == 1 && sourceChannels > 1 ? 2 : 1));
      for (unsigned tone = 0; tone < kTones; ++tone) {
        const double share = tone < sourceChannels ? Share(sourceChannels, side, tone) : 0.0;
        const double measured = ToneAmplitude(capture, side, 250.0 * (tone + 1)) / front;
        const bool fits = share > 0 ? std::abs(measured - share) <= 0.1 * share : measured < 0.05;
        if (!fits) {
          differences << (side == 0 ? "left" : "right") << " side, " << 250 * (tone + 1) << " Hz: " << measured
                      << " of the front, not " << share << "; ";
        }
      }
    }
  }
  why = differences.str();
  return why.empty();
}

}  // namespace playertest
