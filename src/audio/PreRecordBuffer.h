#pragma once
// The last seconds of the PCM passing the tap while nothing records, kept in a ring so that a
// recording can start with them. Used under a lock the caller holds; it takes none itself and
// allocates only in Allocate.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/PcmFormat.h"

namespace sonotape {

class PreRecordBuffer {
 public:
  // The host is a 32-bit process: CapacityFor never gives more than this.
  static constexpr std::size_t kMaxBytes = 32u << 20;
  // The bytes `seconds` of format take, in whole frames (nBlockAlign), capped at kMaxBytes
  // (rounded down to whole frames); 0 for 0 seconds or a format without frames or rate.
  static std::size_t CapacityFor(const PcmFormat& format, unsigned seconds);
  // Whole seconds of format a capacity holds (what the page shows when the cap bites).
  static unsigned SecondsIn(const PcmFormat& format, std::size_t capacity);

  // Window thread: (re)allocates for capacity bytes of format (as the caller gives them: take
  // them from CapacityFor) and empties it. False, with nothing held, when the memory cannot be
  // had or the format has no frames. Capacity 0 frees it (Off).
  bool Allocate(const PcmFormat& format, std::size_t capacity) noexcept;
  void Free() noexcept;
  // Empties it and keeps the memory; the next byte appended starts a frame.
  void Clear() noexcept;
  // Streaming thread: keeps the last Capacity() bytes of the stream, whatever the lengths.
  void Append(const std::uint8_t* data, std::size_t length) noexcept;
  std::size_t Capacity() const noexcept { return capacity_; }
  // The format it was allocated for; none (all zero) when Off.
  const PcmFormat& Format() const noexcept { return format_; }
  // The bytes it hands over: from the oldest whole frame kept (frames counted from the first
  // byte appended since Allocate or Clear) to the newest byte appended.
  std::size_t Size() const noexcept;
  // Calls write(const std::uint8_t* data, std::size_t length) for the content in order, in at
  // most two pieces; stops and returns false when write returns false. Keeps the content.
  template <typename Write>
  bool ForEachPiece(Write&& write) const;
  // Exchanges everything with other, the count of the stream included: O(1), no allocation. An
  // empty buffer taken in exchange counts frames from the next byte appended, as after Clear.
  void Swap(PreRecordBuffer& other) noexcept;

 private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t capacity_ = 0;
  std::size_t next_ = 0;      // where the next byte goes; the newest byte is before it
  std::uint64_t total_ = 0;   // bytes appended since Allocate or Clear
  PcmFormat format_{};
};

template <typename Write>
bool PreRecordBuffer::ForEachPiece(Write&& write) const {
  const std::size_t size = Size();
  if (size == 0) {
    return true;
  }
  const std::size_t start = next_ >= size ? next_ - size : next_ + capacity_ - size;
  const std::size_t first = std::min(size, capacity_ - start);
  if (!write(static_cast<const std::uint8_t*>(data_.get() + start), first)) {
    return false;
  }
  return first == size || write(static_cast<const std::uint8_t*>(data_.get()), size - first);
}

}  // namespace sonotape
