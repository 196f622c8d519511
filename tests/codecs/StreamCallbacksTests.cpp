#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "codecs/StreamCallbacks.h"
#include "support/MemoryStream.h"

namespace sonotape {
namespace {

TEST(StreamCallbacks, ReadCountsWholeItemsOnly) {
  testsupport::MemoryStream stream("0123456789");
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

TEST(StreamCallbacks, SeekAndTellSwallowErrors) {
  testsupport::MemoryStream stream("0123456789");
  PlayerStream* slot = &stream;
  EXPECT_EQ(StreamSeek(&slot, 4, 0), 0);
  EXPECT_EQ(StreamTell(&slot), 4);
  EXPECT_EQ(StreamSeek(&slot, 2, 1), 0);
  EXPECT_EQ(StreamTell(&slot), 6);
  EXPECT_EQ(StreamSeek(&slot, -3, 2), 0);
  EXPECT_EQ(StreamTell(&slot), 7);
  EXPECT_EQ(StreamSeek(&slot, 1, 5), 0);  // unknown whence: nothing happens
  EXPECT_EQ(StreamTell(&slot), 7);
  stream.failing = true;
  EXPECT_EQ(StreamSeek(&slot, 0, 0), -1);
  EXPECT_EQ(StreamTell(&slot), -1);
}

TEST(StreamCallbacks, OffsetsBeyondFourGigabytesAreKeptWhole) {
  testsupport::MemoryStream stream("0123456789");
  PlayerStream* slot = &stream;
  constexpr std::int64_t kFar = (std::int64_t{1} << 32) + 2;
  EXPECT_EQ(StreamSeek(&slot, kFar, 0), 0);
  EXPECT_EQ(stream.Position(), kFar);
  EXPECT_EQ(StreamSeek(&slot, -kFar + 5, 1), 0);
  EXPECT_EQ(stream.Position(), 5);
  EXPECT_EQ(StreamSeek(&slot, kFar, 0), 0);
  // Where a long has 32 bits (Windows), a position it cannot hold is an error, not a wrong one.
  if constexpr (sizeof(long) >= sizeof(std::int64_t)) {
    EXPECT_EQ(static_cast<std::int64_t>(StreamTell(&slot)), kFar);
  } else {
    EXPECT_EQ(StreamTell(&slot), -1);
  }
}

}  // namespace
}  // namespace sonotape
