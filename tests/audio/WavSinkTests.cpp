// The WAV sink: the header before the samples, what it counts as recorded when the disk fills,
// and the file's limit.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "audio/WavSink.h"
#include "support/MemoryStream.h"
#include "support/PcmFormats.h"
#include "support/Tags.h"

namespace sonotape {
namespace {

constexpr PcmFormat kStereo16 = testsupport::PlainFormat(kFormatPcm, 2, 16);

std::uint32_t At32(const testsupport::MemoryStream& file, std::size_t offset) {
  std::uint32_t value = 0;
  std::memcpy(&value, file.Bytes(static_cast<std::int64_t>(offset), 4).data(), 4);
  return value;
}

TEST(WavSink, CountsWhatReachedTheFileInWholeFramesWhenTheDiskFills) {
  testsupport::MemoryStream file;
  file.room = 46 + 1000 + 2;  // full in mid-frame
  WavSink sink(kStereo16, WavWriter::kMaxFileLength);
  std::string failure;
  ASSERT_TRUE(sink.Open(file, testsupport::TitleTags(), failure));
  EXPECT_EQ(sink.HeaderBytes(), 46u);
  EXPECT_EQ(sink.BytesInFile(), 46u);
  const std::vector<std::uint8_t> data(800, 0x5A);
  EXPECT_EQ(sink.Write(data.data(), 800), 800u);
  EXPECT_EQ(sink.Write(data.data(), 800), 200u);  // the disk took 202 bytes: 50 whole frames
  sink.Finish(false);
  EXPECT_EQ(file.Length(), 46u + 1000u);
  EXPECT_EQ(sink.BytesInFile(), 46u + 1000u);
  EXPECT_EQ(At32(file, 42), 1000u);  // the header covers the whole frames
  EXPECT_EQ(At32(file, 4), 1038u);
}

TEST(WavSink, AHeaderThatDoesNotFitFailsWithoutAMessageOfItsOwn) {
  testsupport::MemoryStream file;
  file.room = 20;
  WavSink sink(kStereo16, WavWriter::kMaxFileLength);
  std::string failure;
  EXPECT_FALSE(sink.Open(file, testsupport::TitleTags(), failure));
  EXPECT_TRUE(failure.empty());  // the file's failure says it
}

TEST(WavSink, FitsTellsWhenTheNextBufferWouldPassTheLimit) {
  testsupport::MemoryStream file;
  WavSink sink(kStereo16, 46 + 1000);
  std::string failure;
  ASSERT_TRUE(sink.Open(file, testsupport::TitleTags(), failure));
  const std::vector<std::uint8_t> data(600, 1);
  EXPECT_TRUE(sink.Fits(600));
  sink.Write(data.data(), 600);
  EXPECT_TRUE(sink.Fits(400));
  EXPECT_FALSE(sink.Fits(404));
}

}  // namespace
}  // namespace sonotape
