#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "codecs/StreamCallbacks.h"

namespace sonotape {
namespace {

class MemoryStream : public PlayerStream {
 public:
  explicit MemoryStream(std::string data) : data_(std::move(data)) {}
  std::size_t Read(void* buffer, std::size_t bytes) override {
    if (failing) throw std::runtime_error("read error");
    const std::size_t n = std::min(bytes, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
  }
  void Seek(std::int32_t offset, int origin) override {
    if (failing) throw std::runtime_error("seek error");
    const std::int64_t base = origin == 0 ? 0 : origin == 1 ? static_cast<std::int64_t>(position_)
                                                            : static_cast<std::int64_t>(data_.size());
    position_ = static_cast<std::size_t>(std::clamp<std::int64_t>(base + offset, 0, static_cast<std::int64_t>(data_.size())));
  }
  std::int64_t Position() override {
    if (failing) throw std::runtime_error("tell error");
    return static_cast<std::int64_t>(position_) + bias;
  }
  bool failing = false;
  std::int64_t bias = 0;

 private:
  std::string data_;
  std::size_t position_ = 0;
};

TEST(StreamCallbacks, ReadCountsWholeItemsOnly) {
  MemoryStream stream("0123456789");
  PlayerStream* slot = &stream;
  char buffer[16] = "";
  EXPECT_EQ(StreamRead(buffer, 0, 4, &slot), 0u);
  EXPECT_EQ(StreamRead(buffer, 3, 0, &slot), 0u);
  EXPECT_EQ(StreamTell(&slot), 0);
  EXPECT_EQ(StreamRead(buffer, 3, 4, &slot), 3u);  // 10 bytes: three whole items, all consumed
  EXPECT_EQ(StreamTell(&slot), 10);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  stream.failing = true;
  EXPECT_EQ(StreamRead(buffer, 1, 4, &slot), 0u);
}

TEST(StreamCallbacks, SeekAndTellUseThirtyTwoBitsAndSwallowErrors) {
  MemoryStream stream("0123456789");
  PlayerStream* slot = &stream;
  EXPECT_EQ(StreamSeek(&slot, 4, 0), 0);
  EXPECT_EQ(StreamTell(&slot), 4);
  EXPECT_EQ(StreamSeek(&slot, 2, 1), 0);
  EXPECT_EQ(StreamTell(&slot), 6);
  EXPECT_EQ(StreamSeek(&slot, -3, 2), 0);
  EXPECT_EQ(StreamTell(&slot), 7);
  EXPECT_EQ(StreamSeek(&slot, 1, 5), 0);  // unknown whence: nothing happens
  EXPECT_EQ(StreamTell(&slot), 7);
  EXPECT_EQ(StreamSeek(&slot, (std::int64_t{1} << 32) + 2, 0), 0);  // the high bits are dropped
  EXPECT_EQ(StreamTell(&slot), 2);
  stream.bias = (std::int64_t{1} << 32);
  EXPECT_EQ(StreamTell(&slot), 2);  // truncated to 32 bits
  stream.failing = true;
  EXPECT_EQ(StreamSeek(&slot, 0, 0), -1);
  EXPECT_EQ(StreamTell(&slot), -1);
}

}  // namespace
}  // namespace sonotape
