// The WAV reader: the data offsets behind the recorder's two header sizes, frame-exact
// repositioning with 64-bit offsets (a recording may pass 2 GiB), and format records without a
// block alignment.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "player/FileReader.h"
#include "support/MemoryStream.h"
#include "support/PcmFormats.h"

namespace sonotape {
namespace {

using testsupport::ExtensibleFormat;
using testsupport::PlainFormat;

// Byte i of the file is the letter ('A' + i % 26), so every read shows where it came from.
std::string Lettered(std::size_t size, std::int64_t from = 0) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('A' + (from + static_cast<std::int64_t>(i)) % 26);
  return bytes;
}

struct Opened {
  testsupport::MemoryStream stream;
  std::unique_ptr<FileReader> reader = CreateFileReader(ftWav);
  std::string error;
  bool open = false;

  Opened(const std::string& bytes, PcmFormat format) : stream(bytes) { open = reader->Open(stream, format, error); }
  std::string Read(std::size_t size) {
    std::string buffer(size, '\0');
    buffer.resize(reader->ReadChunk(reinterpret_cast<std::uint8_t*>(buffer.data()), size));
    return buffer;
  }
};

TEST(WavReader, ReadsTheSamplesBehindTheHeaderTheRecorderWrote) {
  Opened plain(Lettered(1000), PlainFormat(kFormatPcm, 2, 16, 44100));
  ASSERT_TRUE(plain.open);
  EXPECT_EQ(plain.Read(10), Lettered(10, 46));
  Opened extensible(Lettered(1000), ExtensibleFormat(6, 24, 48000));
  ASSERT_TRUE(extensible.open);
  EXPECT_EQ(extensible.Read(10), Lettered(10, 68));
  EXPECT_EQ(extensible.Read(2000), Lettered(1000 - 78, 78)) << "up to the end of the file";
  EXPECT_EQ(extensible.Read(2000), "");
}

TEST(WavReader, AFileShorterThanItsHeaderOpensAndEndsAtOnce) {
  Opened shortFile(Lettered(20), PlainFormat(kFormatPcm, 2, 16, 44100));
  EXPECT_TRUE(shortFile.open);
  EXPECT_EQ(shortFile.Read(100), "");
}

TEST(WavReader, OpeningFailsWhenTheStreamCannotBePositioned) {
  testsupport::MemoryStream stream(Lettered(1000));
  stream.failing = true;
  PcmFormat format = PlainFormat(kFormatPcm, 2, 16, 44100);
  std::string error;
  EXPECT_FALSE(CreateFileReader(ftWav)->Open(stream, format, error));
  EXPECT_EQ(error, "");
}

TEST(WavReader, RepositionsToWholeFramesRoundingTheByteOffsetHalfToEven) {
  Opened wav(Lettered(4000), PlainFormat(kFormatPcm, 1, 8, 4));  // 4 bytes a second, 1-byte frames
  ASSERT_TRUE(wav.reader->Reposition(0.625, 4));  // 2.5 bytes: to 2
  EXPECT_EQ(wav.Read(1), Lettered(1, 46 + 2));
  ASSERT_TRUE(wav.reader->Reposition(0.875, 4));  // 3.5 bytes: to 4
  EXPECT_EQ(wav.Read(1), Lettered(1, 46 + 4));

  Opened stereo(Lettered(400000), PlainFormat(kFormatPcm, 2, 16, 44100));  // 4-byte frames
  ASSERT_TRUE(stereo.reader->Reposition(1.00001, 4));     // 176401.8 bytes: frame 44100
  EXPECT_EQ(stereo.Read(4), Lettered(4, 46 + 176400));
}

TEST(WavReader, ATargetAtOrBelowZeroIsTheStartOfTheData) {
  Opened wav(Lettered(4000), ExtensibleFormat(2, 16, 44100));
  ASSERT_TRUE(wav.reader->Reposition(-1.5, 1.0));  // a short file: its length less 2 s
  EXPECT_EQ(wav.Read(4), Lettered(4, 68)) << "never inside the header";
  ASSERT_TRUE(wav.reader->Reposition(0, 1.0));
  EXPECT_EQ(wav.Read(4), Lettered(4, 68));
}

TEST(WavReader, AFormatWithoutBlockAlignmentIsRepositionedByChannelsAndBits) {
  PcmFormat format = PlainFormat(kFormatPcm, 6, 24, 48000);
  format.nBlockAlign = 0;
  format.nAvgBytesPerSec = 0;
  Opened wav(Lettered(1000000), format);
  ASSERT_TRUE(wav.reader->Reposition(1.0, 4));
  EXPECT_EQ(wav.Read(6), Lettered(6, 46 + 864000));

  PcmFormat empty{};
  Opened nothing(Lettered(400000), empty);
  EXPECT_FALSE(nothing.reader->Reposition(1.0, 4)) << "no frame size to seek by";
}

TEST(WavReader, ReachesTheSecondHalfOfAFileLargerThanTwoGigabytes) {
  // 24-bit 5.1 at 48 kHz passes 2 GiB after 41 minutes; seek to 50 minutes of a 70-minute file.
  const PcmFormat format = ExtensibleFormat(6, 24, 48000);
  constexpr std::int64_t kBytesPerSecond = 48000 * 6 * 3;
  constexpr std::int64_t kTarget = 68 + kBytesPerSecond * 3000;
  Opened wav(Lettered(68), format);
  wav.stream.Place(kTarget, Lettered(64, kTarget));
  wav.stream.Place(kBytesPerSecond * 4200, "end");
  ASSERT_GT(kTarget, std::int64_t{1} << 31);
  ASSERT_TRUE(wav.reader->Reposition(3000, 4200));
  EXPECT_EQ(wav.stream.Position(), kTarget);
  EXPECT_EQ(wav.Read(64), Lettered(64, kTarget));
}

}  // namespace
}  // namespace sonotape
