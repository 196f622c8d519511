#include "RecordingLength.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace playertest {

namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw std::runtime_error("cannot read " + path);
  }
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool EndsWith(const std::string& text, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  return text.size() >= n && _strnicmp(text.c_str() + text.size() - n, suffix, n) == 0;
}

bool HoldsVbrTag(const std::vector<std::uint8_t>& data, std::size_t begin, std::size_t end) {
  for (const char* tag : {"Xing", "Info"}) {
    if (std::search(data.begin() + begin, data.begin() + end, tag, tag + 4) != data.begin() + end) {
      return true;
    }
  }
  return false;
}

// The bytes of the ID3v2 tag (header and sync-safe size) the file starts with.
std::size_t Id3TagBytes(const std::vector<std::uint8_t>& data) {
  if (data.size() < 10 || std::memcmp(data.data(), "ID3", 3) != 0) {
    return 0;
  }
  return 10 + ((data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]);
}

// Layer III frames from behind the ID3v2 tag to the first byte that is no frame header; a first
// frame that carries the XING tag holds no sound.
double Mp3Seconds(const std::vector<std::uint8_t>& data) {
  static const int kBitrates[2][15] = {{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                       {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
  static const int kRates[3] = {44100, 48000, 32000};
  const std::size_t first = Id3TagBytes(data);
  std::size_t at = first;
  double seconds = 0;
  while (at + 4 <= data.size() && data[at] == 0xFF && (data[at + 1] & 0xE0) == 0xE0) {
    const int version = (data[at + 1] >> 3) & 3;  // 3 MPEG 1, 2 MPEG 2, 0 MPEG 2.5
    const int bitrateIndex = data[at + 2] >> 4, rateIndex = (data[at + 2] >> 2) & 3;
    if (version == 1 || ((data[at + 1] >> 1) & 3) != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
      break;
    }
    const bool mpeg1 = version == 3;
    const int rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int samples = mpeg1 ? 1152 : 576;
    const std::size_t length = samples / 8 * 1000 * kBitrates[mpeg1][bitrateIndex] / rate + ((data[at + 2] >> 1) & 1);
    if (at > first || !HoldsVbrTag(data, at, std::min(at + length, data.size()))) {
      seconds += static_cast<double>(samples) / rate;
    }
    at += length;
  }
  return seconds;
}

// The granule position of the last page: the stream's samples per channel.
double OggSeconds(const std::vector<std::uint8_t>& data, double rate) {
  for (std::size_t at = data.size() >= 27 ? data.size() - 27 : 0; at-- > 0;) {
    if (std::memcmp(data.data() + at, "OggS", 4) == 0) {
      std::int64_t granule = 0;
      std::memcpy(&granule, data.data() + at + 6, sizeof granule);
      return static_cast<double>(granule) / rate;
    }
  }
  return 0;
}

// STREAMINFO's sample count over its rate: exact once the recording is finished.
double FlacSeconds(const std::vector<std::uint8_t>& data) {
  if (data.size() < 26 || std::memcmp(data.data(), "fLaC", 4) != 0) {
    return 0;
  }
  const std::uint8_t* info = data.data() + 18;  // behind the magic, the block header and the sizes
  const std::uint32_t rate = (info[0] << 12) | (info[1] << 4) | (info[2] >> 4);
  std::uint64_t samples = info[3] & 0x0F;
  for (int i = 4; i < 8; ++i) {
    samples = samples << 8 | info[i];
  }
  return rate == 0 ? 0 : static_cast<double>(samples) / rate;
}

}  // namespace

double PlayableSeconds(const std::string& path, const sonotape::PcmFormat& format) {
  const std::vector<std::uint8_t> data = ReadAll(path);
  if (EndsWith(path, ".mp3")) {
    return Mp3Seconds(data);
  }
  if (EndsWith(path, ".ogg")) {
    return OggSeconds(data, format.nSamplesPerSec);
  }
  if (EndsWith(path, ".flac")) {
    return FlacSeconds(data);
  }
  const std::size_t start = format.wFormatTag == sonotape::kFormatExtensible ? 68 : 46;
  return data.size() > start ? static_cast<double>(data.size() - start) / format.nAvgBytesPerSec : 0;
}

}  // namespace playertest
