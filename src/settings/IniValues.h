#pragma once
// How the settings file's texts read as numbers and switches.

#include <cstdint>
#include <string>

namespace sonotape {

// Decimal, or hexadecimal after "0x"/"0X" (more than two characters); blanks around the number
// are allowed. Anything else, or a value outside 32 bits, gives the fallback.
std::int32_t ParseIniInteger(const std::string& text, std::int32_t fallback);

// Any non-zero integer is true; a text that is no number gives the fallback.
bool ParseIniBool(const std::string& text, bool fallback);

}  // namespace sonotape
