#include "codecs/FlacChannels.h"

#include <cctype>
#include <cstdio>
#include <iterator>

namespace sonotape {

namespace {

constexpr std::string_view kMaskName = "WAVEFORMATEXTENSIBLE_CHANNEL_MASK=";

constexpr std::uint32_t kDefaultMasks[9] = {0, 0x4, 0x3, 0x7, 0x33, 0x607, 0x60F, 0x70F, 0x63F};

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::uint32_t FlacDefaultChannelMask(unsigned channels) {
  return channels < std::size(kDefaultMasks) ? kDefaultMasks[channels] : 0;
}

std::string FlacChannelMaskComment(const PcmFormat& format) {
  const std::uint32_t mask = format.dwChannelMask;
  if (format.wFormatTag != kFormatExtensible || mask == 0 || format.nChannels > 6 ||
      mask == FlacDefaultChannelMask(format.nChannels)) {
    return {};
  }
  char comment[64];
  std::snprintf(comment, sizeof comment, "WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x%04X", static_cast<unsigned>(mask));
  return comment;
}

std::optional<std::uint32_t> FlacChannelMaskOfComment(std::string_view comment) {
  if (comment.size() < kMaskName.size() || !SameLetters(comment.substr(0, kMaskName.size()), kMaskName)) {
    return std::nullopt;
  }
  const std::string_view value = comment.substr(kMaskName.size());
  if (value.size() < 3 || value.size() > 10 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X')) {
    return std::nullopt;
  }
  std::uint32_t mask = 0;
  for (const char c : value.substr(2)) {
    const int digit = HexDigit(c);
    if (digit < 0) {
      return std::nullopt;
    }
    mask = mask << 4 | static_cast<std::uint32_t>(digit);
  }
  return mask;
}

}  // namespace sonotape
