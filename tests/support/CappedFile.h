#pragma once
// A recording file in memory that holds at most capacity bytes, as a disk that fills: an append
// past it writes what still fits and comes up short.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "audio/WavWriter.h"

namespace testsupport {

class CappedFile : public sonotape::RecordingFile {
 public:
  explicit CappedFile(std::size_t capacity = SIZE_MAX) : capacity_(capacity) {}

  std::size_t Append(const void* data, std::size_t size) override {
    const std::size_t n = std::min(size, capacity_ - std::min(capacity_, bytes.size()));
    bytes.append(static_cast<const char*>(data), n);
    return n;
  }
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
    if (offset + size > bytes.size()) return false;
    std::memcpy(bytes.data() + offset, data, size);
    return true;
  }
  std::uint64_t Length() const override { return bytes.size(); }
  bool Truncate(std::uint64_t length) override {
    bytes.resize(std::min<std::size_t>(bytes.size(), length));
    return true;
  }

  std::string bytes;

 private:
  std::size_t capacity_;
};

}  // namespace testsupport
