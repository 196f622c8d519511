#pragma once
// A file in memory, positioned as the player's file is: a position behind the end reads nothing,
// a negative one is the platform's seek error. Bytes may be placed far into the file with zeros
// before them (a sparse file of any length), appended as a recorder does, up to a full disk, and
// rewritten in place.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>

#include "audio/WavWriter.h"
#include "codecs/StreamCallbacks.h"

namespace testsupport {

class MemoryStream : public sonotape::PlayerStream, public sonotape::RecordingFile {
 public:
  MemoryStream() = default;
  explicit MemoryStream(const std::string& bytes) { Place(0, bytes); }

  // Writes bytes at offset over what was there; the file grows to cover them.
  void Place(std::int64_t offset, const std::string& bytes) {
    const std::int64_t end = offset + static_cast<std::int64_t>(bytes.size());
    Cut(offset, end);
    if (!bytes.empty()) segments_[offset] = bytes;
    length_ = std::max(length_, end);
  }
  std::uint64_t Length() const override { return static_cast<std::uint64_t>(length_); }
  // The bytes of [offset, offset + size), zeros where nothing was placed.
  std::string Bytes(std::int64_t offset, std::size_t size) const {
    std::string out(size, '\0');
    for (const auto& [at, bytes] : segments_) {
      const std::int64_t from = std::max(at, offset);
      const std::int64_t to = std::min(at + static_cast<std::int64_t>(bytes.size()), offset + static_cast<std::int64_t>(size));
      if (from < to) {
        std::memcpy(out.data() + (from - offset), bytes.data() + (from - at), static_cast<std::size_t>(to - from));
      }
    }
    return out;
  }
  std::string Contents() const { return Bytes(0, static_cast<std::size_t>(length_)); }

  std::size_t Read(void* buffer, std::size_t size) override {
    if (failing) throw std::runtime_error("read error");
    const std::size_t n = static_cast<std::size_t>(std::clamp<std::int64_t>(length_ - position_, 0, static_cast<std::int64_t>(size)));
    std::memcpy(buffer, Bytes(position_, n).data(), n);
    position_ += static_cast<std::int64_t>(n);
    ++reads;
    return n;
  }
  void Seek(std::int64_t offset, int origin) override {
    if (failing) throw std::runtime_error("seek error");
    const std::int64_t base = origin == 0 ? 0 : origin == 1 ? position_ : length_;
    if (base + offset < 0) throw std::runtime_error("negative seek");
    position_ = base + offset;
  }
  std::int64_t Position() override {
    if (failing) throw std::runtime_error("tell error");
    return position_;
  }

  std::size_t Append(const void* data, std::size_t size) override {
    const std::size_t taken = std::min(size, room);
    room -= taken;
    Place(length_, std::string(static_cast<const char*>(data), taken));
    return taken;
  }
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
    if (offset + size > Length()) return false;
    Place(static_cast<std::int64_t>(offset), std::string(static_cast<const char*>(data), size));
    return true;
  }
  bool Truncate(std::uint64_t length) override {
    const auto end = static_cast<std::int64_t>(length);
    if (end < length_) {
      Cut(end, length_);
      if (room != SIZE_MAX) room += static_cast<std::size_t>(length_ - end);
      length_ = end;
    }
    return true;
  }

  bool failing = false;
  int reads = 0;
  std::size_t room = SIZE_MAX;  // a full disk after this many more bytes

 private:
  // Takes [from, to) out of the placed bytes, keeping what lies on either side.
  void Cut(std::int64_t from, std::int64_t to) {
    if (from >= to) return;
    auto it = segments_.lower_bound(from);
    if (it != segments_.begin()) {
      const auto before = std::prev(it);
      if (before->first + static_cast<std::int64_t>(before->second.size()) > from) it = before;
    }
    std::map<std::int64_t, std::string> sides;
    while (it != segments_.end() && it->first < to) {
      const auto [at, bytes] = *it;
      const std::int64_t end = at + static_cast<std::int64_t>(bytes.size());
      it = segments_.erase(it);
      if (at < from) sides[at] = bytes.substr(0, static_cast<std::size_t>(from - at));
      if (end > to) sides[to] = bytes.substr(static_cast<std::size_t>(to - at));
    }
    segments_.merge(sides);
  }

  std::map<std::int64_t, std::string> segments_;
  std::int64_t length_ = 0;
  std::int64_t position_ = 0;
};

}  // namespace testsupport
