// The Ogg Vorbis sink on the real libraries: what it counts as recorded while the file takes
// everything and after the disk filled, and that a finish after a failed write adds nothing.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "codecs/OggSink.h"
#include "support/MemoryStream.h"
#include "support/PcmFormats.h"
#include "support/Tags.h"

namespace sonotape {
namespace {

constexpr PcmFormat kStereo16 = testsupport::PlainFormat(kFormatPcm, 2, 16, 44100);

// A second of a loud 440 Hz tone in both channels, 16-bit: something to encode.
std::vector<std::uint8_t> Tone() {
  std::vector<std::uint8_t> bytes(176400);
  for (std::size_t frame = 0; frame < 44100; ++frame) {
    const auto sample = static_cast<std::int16_t>(20000 * std::sin(2 * std::numbers::pi * 440 * frame / 44100.0));
    for (std::size_t c = 0; c < 2; ++c) {
      bytes[frame * 4 + c * 2] = static_cast<std::uint8_t>(sample & 0xFF);
      bytes[frame * 4 + c * 2 + 1] = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
    }
  }
  return bytes;
}

std::unique_ptr<RecordingSink> MakeSink() {
  RecordingError error;
  std::unique_ptr<RecordingSink> sink = MakeOggSink(OggSettings{}, skIntegerPcm, kStereo16, error);
  EXPECT_FALSE(error) << error.text;
  return sink;
}

TEST(OggSink, CountsTheInputUntilThePagesNoLongerFitAndThenNothing) {
  testsupport::MemoryStream file;
  file.room = 24 * 1024;
  std::unique_ptr<RecordingSink> sink = MakeSink();
  ASSERT_TRUE(sink);
  std::string failure;
  ASSERT_TRUE(sink->Open(file, testsupport::TitleTags(), failure)) << failure;
  EXPECT_EQ(sink->BytesInFile(), sink->HeaderBytes());
  const std::vector<std::uint8_t> tone = Tone();
  std::uint64_t taken = 0;
  int refused = 0;
  for (int second = 0; second < 10; ++second) {
    const std::uint64_t n = sink->Write(tone.data(), static_cast<std::uint32_t>(tone.size()));
    EXPECT_TRUE(n == tone.size() || n == 0);
    taken += n;
    refused += n == 0;
  }
  EXPECT_GT(refused, 0) << "the file never filled";
  EXPECT_GT(taken, 0u);
  const std::uint64_t full = file.Length();
  sink->Finish(false);
  EXPECT_EQ(file.Length(), full);  // nothing after a failed write
  EXPECT_EQ(sink->BytesInFile(), full);
}

TEST(OggSink, ACompleteFileEndsWithItsLastPage) {
  testsupport::MemoryStream file;
  std::unique_ptr<RecordingSink> sink = MakeSink();
  ASSERT_TRUE(sink);
  std::string failure;
  ASSERT_TRUE(sink->Open(file, testsupport::TitleTags(), failure)) << failure;
  const std::vector<std::uint8_t> tone = Tone();
  EXPECT_EQ(sink->Write(tone.data(), static_cast<std::uint32_t>(tone.size())), tone.size());
  sink->Finish(true);
  EXPECT_EQ(sink->BytesInFile(), file.Length());
  const std::string bytes = file.Bytes(0, static_cast<std::size_t>(file.Length()));
  const std::size_t last = bytes.rfind("OggS");
  ASSERT_NE(last, std::string::npos);
  EXPECT_EQ(bytes[last + 5] & 4, 4) << "the last page is not flagged end-of-stream";
}

TEST(OggSink, RefusesAc3OverSpdif) {
  RecordingError error;
  EXPECT_FALSE(MakeOggSink(OggSettings{}, skSpdif, kStereo16, error));
  EXPECT_EQ(error.kind, RecordingError::kRefusedFormat);
  EXPECT_EQ(error.text, "Cannot record Ogg Vorbis from SPDIF output");
}

}  // namespace
}  // namespace sonotape
