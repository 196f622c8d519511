#include "graph/RotName.h"

namespace sonotape {

namespace {

std::wstring Hex(std::uint64_t value, unsigned minDigits) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (text.size() < minDigits) {
    text.insert(0, minDigits - text.size(), L'0');
  }
  return text;
}

}  // namespace

std::wstring FormatRotName(std::uint64_t address, unsigned addressDigits, std::uint32_t processId) {
  return L"FilterGraph " + Hex(address, addressDigits) + L" pid " + Hex(processId, 1);
}

}  // namespace sonotape
