#pragma once
// The peak level of each channel of the sound passing the tap: measured on the streaming thread
// without allocation or a lock of its own, kept as blocks of 100 ms, and read on any thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "audio/PcmFormat.h"

namespace sonotape {

class PeakMeter {
 public:
  static constexpr unsigned kMaxChannels = 6;
  static constexpr int kBlocks = 3;  // of 100 ms each: the last 300 ms
  static constexpr std::uint64_t kBlockMs = 100;

  // Streaming thread, under the lock that keeps the format: the peaks of length bytes of input
  // in format; nowMs is a millisecond clock.
  void Measure(const PcmFormat& format, SampleKind kind, const std::uint8_t* data, std::size_t length,
               std::uint64_t nowMs);
  // Under the same lock: a new format starts afresh (when sound last came stays).
  void Reset();

  // Any thread: the highest magnitude of channel in the blocks that ended in the last 300 ms, as a
  // fraction of full scale (float input may pass 1); none when no sound flowed in that time or
  // the format has no such channel.
  std::optional<float> RecentPeak(unsigned channel, std::uint64_t nowMs) const;
  // Any thread: when the last block that reached kSoundPeak on some channel ended; 0: none yet.
  std::uint64_t LastSoundMs() const { return lastSoundMs_; }

 private:
  struct Block {
    std::atomic<float> peak[kMaxChannels] = {};
    std::atomic<std::uint64_t> endedMs{0};
  };

  void EndBlock(std::uint64_t nowMs);

  // The block being measured: the streaming thread's alone.
  float current_[kMaxChannels] = {};
  std::uint32_t framesInBlock_ = 0;
  std::uint32_t framesPerBlock_ = 0;
  Block blocks_[kBlocks];
  std::atomic<unsigned> next_{0};      // the block written next
  std::atomic<unsigned> channels_{0};  // of the format measured
  std::atomic<std::uint64_t> lastSoundMs_{0};
};

// A peak below this (-60 dBFS) on every channel is silence.
inline constexpr float kSoundPeak = 0.001f;

// Hundredths of dBFS of a peak, rounded: a full-scale peak is 0, a half-scale one -602;
// kNoLevel for none or one below -100 dB.
inline constexpr int kNoLevel = -10000;
int PeakHundredthsDb(std::optional<float> peak);

}  // namespace sonotape
