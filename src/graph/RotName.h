#pragma once
// The name under which a graph is entered in the Running Object Table, so that graph viewers
// can find it: "FilterGraph <address> pid <process id>".

#include <cstdint>
#include <string>

namespace sonotape {

// The address as upper-case hexadecimal of addressDigits digits (8 for 32-bit pointers, 16 for
// 64-bit), the process id in upper-case hexadecimal without leading zeros.
std::wstring FormatRotName(std::uint64_t address, unsigned addressDigits, std::uint32_t processId);

}  // namespace sonotape
