#pragma once
// The sample formats the development host's decoder can deliver, and the test signal it plays:
// on every channel a sine of its own frequency, so a channel out of place is audible and
// measurable.

#include <cstddef>
#include <cstdint>
#include <string>

namespace devhost {

struct ToneFormat {
  unsigned rate = 48000;
  unsigned channels = 2;
  unsigned bits = 16;
  bool isFloat = false;
  bool extensible = false;  // WAVEFORMATEXTENSIBLE with the usual speaker mask
  bool spdif = false;       // AC-3 over S/PDIF: 2 × 16 bit at 48 kHz, carried opaque

  unsigned BlockAlign() const { return channels * (bits / 8); }
  std::uint32_t BytesPerSecond() const { return rate * BlockAlign(); }
};

// "RATE:CHANNELS:BITS" with optional ":float", ":ext" or ":plain" (by default more than two
// channels or more than 16 bits are extensible), or "ac3-spdif". False on anything else.
bool ParseToneFormat(const std::string& text, ToneFormat& format);

// The frequency in Hz of a channel's sine.
double ToneFrequency(unsigned channel);

// Writes frames of the signal, starting at the stream's frame firstFrame, in the format's
// sample layout (8 bit unsigned, 16/24/32 bit signed little-endian, 32 bit float).
void FillTone(const ToneFormat& format, std::uint64_t firstFrame, std::uint8_t* out, std::size_t frames);

}  // namespace devhost
