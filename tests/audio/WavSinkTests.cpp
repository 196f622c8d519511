// The WAV sink: the header before the samples, what it counts as recorded when the disk fills,
// and the file's limit.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "audio/WavSink.h"
#include "support/CappedFile.h"

namespace sonotape {
namespace {

PcmFormat Stereo16() {
  PcmFormat format{};
  format.wFormatTag = kFormatPcm;
  format.nChannels = 2;
  format.nSamplesPerSec = 48000;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = 192000;
  format.wBitsPerSample = 16;
  return format;
}

std::uint32_t At32(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

TEST(WavSink, CountsWhatReachedTheFileInWholeFramesWhenTheDiskFills) {
  testsupport::CappedFile file(46 + 1000 + 2);  // full in mid-frame
  WavSink sink(Stereo16(), WavWriter::kMaxFileLength);
  std::string failure;
  ASSERT_TRUE(sink.Open(file, "take", failure));
  EXPECT_EQ(sink.HeaderBytes(), 46u);
  EXPECT_EQ(sink.BytesInFile(), 46u);
  const std::vector<std::uint8_t> data(800, 0x5A);
  EXPECT_EQ(sink.Write(data.data(), 800), 800u);
  EXPECT_EQ(sink.Write(data.data(), 800), 200u);  // the disk took 202 bytes: 50 whole frames
  sink.Finish(false);
  EXPECT_EQ(file.bytes.size(), 46u + 1000u);
  EXPECT_EQ(sink.BytesInFile(), 46u + 1000u);
  EXPECT_EQ(At32(file.bytes, 42), 1000u);  // the header covers the whole frames
  EXPECT_EQ(At32(file.bytes, 4), 1038u);
}

TEST(WavSink, AHeaderThatDoesNotFitFailsWithoutAMessageOfItsOwn) {
  testsupport::CappedFile file(20);
  WavSink sink(Stereo16(), WavWriter::kMaxFileLength);
  std::string failure;
  EXPECT_FALSE(sink.Open(file, "take", failure));
  EXPECT_TRUE(failure.empty());  // the file's failure says it
}

TEST(WavSink, FitsTellsWhenTheNextBufferWouldPassTheLimit) {
  testsupport::CappedFile file;
  WavSink sink(Stereo16(), 46 + 1000);
  std::string failure;
  ASSERT_TRUE(sink.Open(file, "take", failure));
  const std::vector<std::uint8_t> data(600, 1);
  EXPECT_TRUE(sink.Fits(600));
  sink.Write(data.data(), 600);
  EXPECT_TRUE(sink.Fits(400));
  EXPECT_FALSE(sink.Fits(404));
}

}  // namespace
}  // namespace sonotape
