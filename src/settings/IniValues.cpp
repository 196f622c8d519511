#include "settings/IniValues.h"

#include <cctype>
#include <cstdint>
#include <limits>

namespace sonotape {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int DigitValue(char c, int base) {
  const int value = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                    : std::isxdigit(static_cast<unsigned char>(c))
                        ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                        : base;
  return value < base ? value : -1;
}

}  // namespace

std::int32_t ParseIniInteger(const std::string& text, std::int32_t fallback) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  const std::string number = text.substr(begin, end - begin);
  int base = 10;
  std::size_t at = 0;
  bool negative = false;
  if (number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X')) {
    base = 16;
    at = 2;
  } else if (!number.empty() && (number[0] == '-' || number[0] == '+')) {
    negative = number[0] == '-';
    at = 1;
  }
  if (at >= number.size()) {
    return fallback;
  }
  // Hexadecimal texts give the 32-bit pattern ("0xFFFFFFFF" is -1); decimal ones must fit.
  const std::int64_t limit = base == 16 ? 0xFFFFFFFFll : std::int64_t{std::numeric_limits<std::int32_t>::max()} + negative;
  std::int64_t value = 0;
  for (; at < number.size(); ++at) {
    const int digit = DigitValue(number[at], base);
    if (digit < 0) {
      return fallback;
    }
    value = value * base + digit;
    if (value > limit) {
      return fallback;
    }
  }
  if (base == 16) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

bool ParseIniBool(const std::string& text, bool fallback) { return ParseIniInteger(text, fallback ? 1 : 0) != 0; }

}  // namespace sonotape
