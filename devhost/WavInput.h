#pragma once
// Reads a WAV file for the development host's decoder to play instead of its sines.

#include <cstdint>
#include <string>
#include <vector>

#include "ToneFormat.h"

namespace devhost {

// The format and the whole data chunk of a PCM or float WAV file (plain or extensible). False,
// with the reason, on anything the decoder cannot play.
bool ReadWavInput(const std::string& path, ToneFormat& format, std::vector<std::uint8_t>& data, std::string& error);

}  // namespace devhost
