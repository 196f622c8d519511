#include "audio/PreRecordBuffer.h"

#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace sonotape {

std::size_t PreRecordBuffer::CapacityFor(const PcmFormat& format, unsigned seconds) {
  const std::size_t frameBytes = format.nBlockAlign;
  if (seconds == 0 || frameBytes == 0 || format.nSamplesPerSec == 0) {
    return 0;
  }
  // At most (2^32 - 1)^2 frames: no overflow in 64 bits.
  const std::uint64_t frames = std::uint64_t{format.nSamplesPerSec} * seconds;
  return static_cast<std::size_t>(std::min<std::uint64_t>(frames, kMaxBytes / frameBytes)) * frameBytes;
}

unsigned PreRecordBuffer::SecondsIn(const PcmFormat& format, std::size_t capacity) {
  if (format.nBlockAlign == 0 || format.nSamplesPerSec == 0) {
    return 0;
  }
  const std::uint64_t seconds = capacity / format.nBlockAlign / format.nSamplesPerSec;
  return static_cast<unsigned>(std::min<std::uint64_t>(seconds, std::numeric_limits<unsigned>::max()));
}

bool PreRecordBuffer::Allocate(const PcmFormat& format, std::size_t capacity) noexcept {
  Free();  // first: a 32-bit process may not have room for both
  if (capacity == 0) {
    return true;
  }
  if (format.nBlockAlign == 0) {
    return false;
  }
  data_.reset(new (std::nothrow) std::uint8_t[capacity]);
  if (!data_) {
    return false;
  }
  capacity_ = capacity;
  format_ = format;
  return true;
}

void PreRecordBuffer::Free() noexcept {
  data_.reset();
  capacity_ = 0;
  format_ = {};
  Clear();
}

void PreRecordBuffer::Clear() noexcept {
  next_ = 0;
  total_ = 0;
}

void PreRecordBuffer::Append(const std::uint8_t* data, std::size_t length) noexcept {
  if (capacity_ == 0 || length == 0) {
    return;
  }
  total_ += length;
  if (length >= capacity_) {
    std::memcpy(data_.get(), data + (length - capacity_), capacity_);
    next_ = 0;
    return;
  }
  const std::size_t first = std::min(length, capacity_ - next_);
  std::memcpy(data_.get() + next_, data, first);
  std::memcpy(data_.get(), data + first, length - first);
  next_ += length;
  if (next_ >= capacity_) {
    next_ -= capacity_;
  }
}

std::size_t PreRecordBuffer::Size() const noexcept {
  const std::size_t held = static_cast<std::size_t>(std::min<std::uint64_t>(total_, capacity_));
  if (held == 0) {
    return 0;
  }
  // From the oldest byte held to the next frame boundary of the stream.
  const std::uint64_t frameBytes = format_.nBlockAlign;
  const auto skip = static_cast<std::size_t>((frameBytes - (total_ - held) % frameBytes) % frameBytes);
  return held > skip ? held - skip : 0;
}

void PreRecordBuffer::Swap(PreRecordBuffer& other) noexcept {
  using std::swap;
  swap(data_, other.data_);
  swap(capacity_, other.capacity_);
  swap(next_, other.next_);
  swap(total_, other.total_);
  swap(format_, other.format_);
}

}  // namespace sonotape
