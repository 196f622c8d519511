#pragma once
// Writes small PCM WAV files for tests, independently of the recorder's own writer.

#include <string>

namespace testsupport {

// A 16-bit PCM file of the given length holding a sine on every channel; false on any write error.
bool WriteSineWav(const std::string& path, unsigned sampleRate, unsigned channels, double seconds,
                  double frequency = 440.0);

}  // namespace testsupport
