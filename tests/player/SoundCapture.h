#pragma once
// What reached the sound device, read back from the WAV file that ALSA's file sink wrote, and
// compared with the development host's signal: every channel of that signal is a sine of
// 250 Hz × its number.
//
// The device runs before the first and after the last sound, and Wine fills any gap with
// digital silence. Only the sound counts: runs of at least kPaddingFrames frames that are zero on
// every channel are dropped, and what remains is the played signal, contiguous again.

#include <string>
#include <vector>

namespace playertest {

struct Capture {
  unsigned rate = 0;
  unsigned channels = 0;
  std::vector<float> sound;  // interleaved, padding removed
  double Seconds() const { return channels == 0 ? 0 : static_cast<double>(sound.size()) / channels / rate; }
};

inline constexpr std::size_t kPaddingFrames = 64;

// Reads a 16-bit PCM WAV capture; throws when it is none.
Capture ReadCapture(const std::string& path);

// The amplitude (0..1 of full scale) of a frequency on one channel of the sound.
double ToneAmplitude(const Capture& capture, unsigned channel, double frequency);

// Whether the stereo capture carries a recording of sourceChannels tones as the device mixes
// them down (mono to both sides; 5.1 with the centre at 0.7 and the rear at 0.24 of the front,
// the LFE left out): each expected tone within 10 % of its share, every other tone below 5 %
// of the front. Says what differs in why.
bool TonesAsRecorded(const Capture& capture, unsigned sourceChannels, std::string& why);

}  // namespace playertest
