#include "audio/RecordingText.h"

#include <cmath>
#include <cstdio>

namespace sonotape {

namespace {

// Beyond this a duration is nonsense anyway; it keeps the conversion to an integer defined.
constexpr double kLongestDuration = 1e12;

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

bool IsForbiddenInFileName(char c) {
  const auto code = static_cast<unsigned char>(c);
  if (code < 32) {
    return true;
  }
  switch (c) {
    case '"': case '*': case '.': case '/': case ':':
    case '<': case '>': case '?': case '\\': case '|':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string FormatDuration(double seconds) {
  long long s = 0;
  if (seconds > 0) {
    s = static_cast<long long>(std::nearbyint(std::fmin(seconds, kLongestDuration)));
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.2lld:%.2lld:%.2lld", s / 3600, (s / 60) % 60, s % 60);
  return text;
}

std::string FormatWrittenSize(std::uint64_t bytes, std::string_view decimalSeparator) {
  // Exact below 2^49 bytes, so ties are ties and go to even, as they do in printf.
  const auto tenths = static_cast<std::uint64_t>(std::nearbyint(static_cast<double>(bytes) * 10.0 / 1048576.0));
  return "Written: " + std::to_string(tenths / 10) + std::string(decimalSeparator) + std::to_string(tenths % 10) + " MB";
}

std::string MakeFileNameSafe(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlankOrControl(text.back())) {
    text.remove_suffix(1);
  }
  std::string safe;
  safe.reserve(text.size());
  for (char c : text) {
    if (!IsForbiddenInFileName(c)) {
      safe.push_back(c);
    }
  }
  return safe;
}

}  // namespace sonotape
