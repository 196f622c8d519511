// The pre-record ring: after appends of any length it holds the stream's last bytes from a frame
// boundary of the stream, and the stream goes on from its newest byte; its capacity in whole
// frames under the cap; emptying, swapping, Off, and memory that cannot be had.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "audio/PreRecordBuffer.h"
#include "support/PcmFormats.h"

#ifdef __SANITIZE_ADDRESS__
// An allocation that cannot be had fails as it does without the sanitizer, which otherwise ends
// the process.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace sonotape {
namespace {

using testsupport::PlainFormat;

// Byte i of the reference stream: no short period, so bytes from the wrong place cannot match.
std::uint8_t StreamByte(std::uint64_t i) { return static_cast<std::uint8_t>((i * 0x9E3779B97F4A7C15ull) >> 56); }

std::vector<std::uint8_t> Stream(std::uint64_t from, std::uint64_t to) {
  std::vector<std::uint8_t> bytes;
  for (std::uint64_t i = from; i < to; ++i) bytes.push_back(StreamByte(i));
  return bytes;
}

// The tap's side: appends the stream's next bytes.
struct Tap {
  PreRecordBuffer buffer;
  std::uint64_t position = 0;  // of the stream's next byte
  void Append(std::size_t length) {
    const std::vector<std::uint8_t> bytes = Stream(position, position + length);
    buffer.Append(bytes.data(), bytes.size());
    position += length;
  }
};

struct Content {
  std::vector<std::uint8_t> bytes;
  int pieces = 0;
};

Content ContentOf(const PreRecordBuffer& buffer) {
  Content content;
  EXPECT_TRUE(buffer.ForEachPiece([&](const std::uint8_t* data, std::size_t length) {
    content.bytes.insert(content.bytes.end(), data, data + length);
    ++content.pieces;
    return true;
  }));
  return content;
}

// What a buffer of capacity bytes must hold after total bytes of the stream.
std::vector<std::uint8_t> Expected(std::uint64_t total, std::size_t capacity, unsigned frameBytes) {
  const std::uint64_t oldest = total > capacity ? total - capacity : 0;
  const std::uint64_t firstFrame = (oldest + frameBytes - 1) / frameBytes * frameBytes;
  return Stream(std::min(firstFrame, total), total);
}

// Off: no memory, no format, appending takes nothing, and there is nothing to hand over.
void ExpectOff(PreRecordBuffer& buffer) {
  const std::vector<std::uint8_t> bytes = Stream(0, 100);
  buffer.Append(bytes.data(), bytes.size());
  EXPECT_EQ(buffer.Capacity(), 0u);
  EXPECT_EQ(buffer.Format().nBlockAlign, 0u) << "no format";
  EXPECT_EQ(buffer.Size(), 0u);
  EXPECT_EQ(ContentOf(buffer).pieces, 0);
}

// Lengths 1 to 997 in a scrambled order, now and then more than the capacity at once.
std::vector<std::size_t> OddLengths(std::size_t capacity) {
  std::vector<std::size_t> lengths;
  for (std::size_t i = 0; i < 997; ++i) {
    lengths.push_back(i * 389 % 997 + 1);
    if (i % 97 == 96) lengths.push_back(capacity + i % 7);
  }
  return lengths;
}

TEST(PreRecordBuffer, HoldsTheStreamsLastBytesFromAFrameBoundaryAfterAppendsOfAnyLength) {
  struct Case {
    const char* name;
    PcmFormat format;
    std::size_t capacity;
  };
  const Case cases[] = {
      {"16-bit 3 channels: 6-byte frames", PlainFormat(kFormatPcm, 3, 16), 6 * 100},
      {"24-bit 6 channels: 18-byte frames", PlainFormat(kFormatPcm, 6, 24), 18 * 97},
      {"18-byte frames in a capacity of no whole frames", PlainFormat(kFormatPcm, 6, 24), 1000},
      {"32-bit float stereo in less than most buffers", PlainFormat(kFormatFloat, 2, 32), 8 * 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tap tap;
    ASSERT_TRUE(tap.buffer.Allocate(c.format, c.capacity));
    for (const std::size_t length : OddLengths(c.capacity)) {
      tap.Append(length);
      const Content content = ContentOf(tap.buffer);
      const std::vector<std::uint8_t> expected = Expected(tap.position, c.capacity, c.format.nBlockAlign);
      ASSERT_TRUE(content.bytes == expected) << "after " << tap.position << " bytes (the last " << length
                                             << "): " << content.bytes.size() << " bytes, expected "
                                             << expected.size();
      ASSERT_EQ(tap.buffer.Size(), expected.size());
      ASSERT_LE(content.pieces, 2);
    }
  }
}

TEST(PreRecordBuffer, TheRecorderSwapsTheContentOutAndTheStreamGoesOnWithoutGapOrRepeat) {
  const PcmFormat format = PlainFormat(kFormatPcm, 6, 24);
  const unsigned frameBytes = format.nBlockAlign;
  Tap tap;
  ASSERT_TRUE(tap.buffer.Allocate(format, 50 * frameBytes));
  PreRecordBuffer handover;
  ASSERT_TRUE(handover.Allocate(PlainFormat(kFormatPcm, 2, 16), 100 * frameBytes));
  for (int i = 0; i < 20; ++i) tap.Append(7 * frameBytes);
  tap.Append(frameBytes + 5);  // the stream now ends mid-frame

  handover.Swap(tap.buffer);
  EXPECT_EQ(handover.Capacity(), 50u * frameBytes);
  EXPECT_EQ(handover.Format().nChannels, 6u);
  EXPECT_EQ(tap.buffer.Capacity(), 100u * frameBytes);
  EXPECT_EQ(tap.buffer.Format().nChannels, 2u);
  EXPECT_EQ(tap.buffer.Size(), 0u) << "the tap goes on in the empty buffer";
  const std::vector<std::uint8_t> buffered = ContentOf(handover).bytes;
  EXPECT_EQ(ContentOf(handover).bytes, buffered) << "handing over keeps the content";

  // The recording: what was buffered, then the stream's next buffer.
  std::vector<std::uint8_t> recording = buffered;
  const std::vector<std::uint8_t> live = Stream(tap.position, tap.position + 2 * frameBytes - 5);
  recording.insert(recording.end(), live.begin(), live.end());
  const std::uint64_t end = tap.position + live.size();
  ASSERT_GE(recording.size(), 50u * frameBytes) << "all but the oldest partial frame kept";
  EXPECT_EQ((end - recording.size()) % frameBytes, 0u) << "the recording starts on a frame of the stream";
  EXPECT_TRUE(recording == Stream(end - recording.size(), end));

  tap.Append(3 * frameBytes);
  EXPECT_EQ(tap.buffer.Size(), 3u * frameBytes);
  EXPECT_EQ(handover.Size(), buffered.size()) << "the tap's appends do not reach the recorder's buffer";
}

TEST(PreRecordBuffer, CapacityIsWholeFramesOfTheSecondsUpTo32MiB) {
  const PcmFormat stereo16 = PlainFormat(kFormatPcm, 2, 16, 48000);
  EXPECT_EQ(PreRecordBuffer::CapacityFor(stereo16, 60), 192000u * 60);
  EXPECT_EQ(PreRecordBuffer::SecondsIn(stereo16, 192000u * 60), 60u);
  EXPECT_EQ(PreRecordBuffer::SecondsIn(stereo16, 192000u * 60 - 1), 59u) << "whole seconds";

  // 1152000 bytes a second: 60 seconds would take 69120000.
  const PcmFormat float51 = PlainFormat(kFormatFloat, 6, 32, 48000);
  const std::size_t capped = PreRecordBuffer::CapacityFor(float51, 60);
  EXPECT_EQ(capped, 1398101u * 24) << "the whole 24-byte frames of 32 MiB";
  EXPECT_EQ(PreRecordBuffer::SecondsIn(float51, capped), 29u);
  EXPECT_EQ(PreRecordBuffer::CapacityFor(PlainFormat(kFormatPcm, 6, 24, 96000), 60), 1864135u * 18)
      << "the whole 18-byte frames of 32 MiB";
  EXPECT_EQ(PreRecordBuffer::CapacityFor(PlainFormat(kFormatPcm, 6, 32, 192000), 1u << 23), 1398101u * 24)
      << "frames past 32 bits capped, not wrapped";

  EXPECT_EQ(PreRecordBuffer::CapacityFor(stereo16, 0), 0u);
  PcmFormat noFrames = stereo16;
  noFrames.nBlockAlign = 0;
  PcmFormat noRate = stereo16;
  noRate.nSamplesPerSec = 0;
  for (const PcmFormat& format : {noFrames, noRate}) {
    EXPECT_EQ(PreRecordBuffer::CapacityFor(format, 60), 0u);
    EXPECT_EQ(PreRecordBuffer::SecondsIn(format, 192000u), 0u);
  }
}

TEST(PreRecordBuffer, ClearAndAllocateEmptyItAndCountFramesAfresh) {
  Tap tap;
  ASSERT_TRUE(tap.buffer.Allocate(PlainFormat(kFormatPcm, 3, 16), 60));  // 10 frames of 6 bytes
  tap.Append(100);
  tap.buffer.Clear();
  EXPECT_EQ(tap.buffer.Size(), 0u);
  EXPECT_EQ(ContentOf(tap.buffer).pieces, 0);
  EXPECT_EQ(tap.buffer.Capacity(), 60u) << "the memory stays";

  tap.Append(10);
  EXPECT_TRUE(ContentOf(tap.buffer).bytes == Stream(100, 110)) << "the first byte after Clear starts a frame";
  tap.Append(54);
  EXPECT_TRUE(ContentOf(tap.buffer).bytes == Stream(106, 164)) << "frames counted from byte 100 of the stream";

  ASSERT_TRUE(tap.buffer.Allocate(PlainFormat(kFormatPcm, 2, 16), 40));
  EXPECT_EQ(tap.buffer.Size(), 0u);
  EXPECT_EQ(tap.buffer.Capacity(), 40u);
  EXPECT_EQ(tap.buffer.Format().nChannels, 2u);
  tap.Append(42);
  EXPECT_TRUE(ContentOf(tap.buffer).bytes == Stream(168, 206)) << "4-byte frames from byte 164";
}

TEST(PreRecordBuffer, OffHoldsNothing) {
  const PcmFormat format = PlainFormat(kFormatPcm, 2, 16);
  PreRecordBuffer never;
  ExpectOff(never);

  Tap tap;
  ASSERT_TRUE(tap.buffer.Allocate(format, 400));
  tap.Append(100);
  EXPECT_TRUE(tap.buffer.Allocate(format, 0));
  ExpectOff(tap.buffer);

  ASSERT_TRUE(tap.buffer.Allocate(format, 400));
  tap.Append(100);
  tap.buffer.Free();
  ExpectOff(tap.buffer);
}

TEST(PreRecordBuffer, MemoryThatCannotBeHadOrAFormatWithoutFramesLeavesItOff) {
  const PcmFormat format = PlainFormat(kFormatPcm, 2, 16);
  Tap tap;
  ASSERT_TRUE(tap.buffer.Allocate(format, 400));
  tap.Append(100);
  EXPECT_FALSE(tap.buffer.Allocate(format, std::numeric_limits<std::size_t>::max())) << "more than any address space";
  ExpectOff(tap.buffer);

  ASSERT_TRUE(tap.buffer.Allocate(format, 400)) << "it recovers";
  tap.Append(100);
  EXPECT_EQ(tap.buffer.Size(), 100u);

  PcmFormat noFrames = format;
  noFrames.nBlockAlign = 0;
  EXPECT_FALSE(tap.buffer.Allocate(noFrames, 400));
  ExpectOff(tap.buffer);
}

TEST(PreRecordBuffer, HandingOverStopsWhenTheWriterFails) {
  Tap tap;
  ASSERT_TRUE(tap.buffer.Allocate(PlainFormat(kFormatPcm, 3, 16), 60));
  tap.Append(50);
  tap.Append(40);  // wraps the ring
  int calls = 0;
  EXPECT_FALSE(tap.buffer.ForEachPiece([&](const std::uint8_t*, std::size_t) {
    ++calls;
    return false;
  }));
  EXPECT_EQ(calls, 1);
  const Content content = ContentOf(tap.buffer);
  EXPECT_EQ(content.pieces, 2);
  EXPECT_TRUE(content.bytes == Stream(30, 90));
}

}  // namespace
}  // namespace sonotape
