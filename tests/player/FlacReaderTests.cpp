// The FLAC reader on the real libFLAC, reading files our FLAC sink made (finished, and still being
// written) and files Debian's flac made: the samples bit for bit, the output format and its
// channel mask, repositioning to the exact sample, the end of the data in a file being written
// or cut off, and streams that are no FLAC.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/WavWriter.h"
#include "player/FileReader.h"
#include "support/FlacRecording.h"
#include "support/MemoryStream.h"
#include "support/PcmFormats.h"
#include "support/Program.h"
#include "support/TestFolder.h"

namespace sonotape {
namespace {

using testsupport::ExtensibleFormat;
using testsupport::MemoryStream;
using testsupport::NoisyTones;
using testsupport::PlainFormat;
using testsupport::RecordFlac;
using Bytes = std::vector<std::uint8_t>;

// The chunk size the player uses: the largest multiple of the block alignment up to 8192.
std::size_t ChunkSize(const PcmFormat& format) { return 8192 / format.nBlockAlign * format.nBlockAlign; }

struct Played {
  Bytes bytes;
  std::vector<std::size_t> chunks;
};

Played ReadToTheEnd(FileReader& reader, std::size_t chunkSize) {
  Played played;
  Bytes buffer(chunkSize);
  for (std::size_t got; (got = reader.ReadChunk(buffer.data(), chunkSize)) > 0;) {
    played.chunks.push_back(got);
    played.bytes.insert(played.bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
  }
  return played;
}

// A FLAC reader opened on file with the recording's format; the output format in format.
std::unique_ptr<FileReader> OpenReader(MemoryStream& file, PcmFormat& format) {
  std::unique_ptr<FileReader> reader = CreateFileReader(ftFlac);
  std::string error;
  EXPECT_TRUE(reader->Open(file, format, error)) << error;
  EXPECT_EQ(error, "");
  return reader;
}

void ExpectExtensiblePcm(const PcmFormat& format, unsigned channels, unsigned container, unsigned valid,
                         std::uint32_t rate, std::uint32_t mask) {
  EXPECT_EQ(format.wFormatTag, kFormatExtensible);
  EXPECT_EQ(format.nChannels, channels);
  EXPECT_EQ(format.nSamplesPerSec, rate);
  EXPECT_EQ(format.wBitsPerSample, container);
  EXPECT_EQ(format.wValidBitsPerSample, valid);
  EXPECT_EQ(format.nBlockAlign, channels * container / 8);
  EXPECT_EQ(format.nAvgBytesPerSec, rate * format.nBlockAlign);
  EXPECT_EQ(format.cbSize, 22);
  EXPECT_EQ(format.dwChannelMask, mask);
  EXPECT_EQ(std::memcmp(&format.SubFormat, &kSubtypePcm, sizeof kSubtypePcm), 0) << "integer PCM";
}

TEST(FlacReader, SixteenBitStereoComesOutAsRecordedInFullChunks) {
  PcmFormat format = PlainFormat(kFormatPcm, 2, 16, 44100);
  const Bytes input = NoisyTones(format, skIntegerPcm, 44100 * 3 / 2 + 7);
  MemoryStream file = RecordFlac(format, skIntegerPcm, input);
  auto reader = OpenReader(file, format);
  EXPECT_EQ(format.wFormatTag, kFormatPcm);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.wBitsPerSample, 16);
  EXPECT_EQ(format.nBlockAlign, 4);
  EXPECT_EQ(format.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(format.cbSize, 0);
  const Played played = ReadToTheEnd(*reader, ChunkSize(format));
  EXPECT_TRUE(played.bytes == input) << played.bytes.size() << " bytes of " << input.size();
  for (std::size_t i = 0; i + 1 < played.chunks.size(); ++i) EXPECT_EQ(played.chunks[i], 8192u) << "chunk " << i;
  EXPECT_EQ(reader->ReadChunk(nullptr, 0), 0u);
}

TEST(FlacReader, TwentyFourBitSurroundKeepsItsSamplesAndSpeakerPositions) {
  PcmFormat format = ExtensibleFormat(6, 24, 48000, 0x60F);
  const Bytes input = NoisyTones(format, skIntegerPcm, 48000 + 11);
  MemoryStream file = RecordFlac(format, skIntegerPcm, input, true, 8);
  auto reader = OpenReader(file, format);
  ExpectExtensiblePcm(format, 6, 24, 24, 48000, 0x60F);
  const Played played = ReadToTheEnd(*reader, ChunkSize(format));
  EXPECT_TRUE(played.bytes == input) << played.bytes.size() << " bytes of " << input.size();
  for (std::size_t i = 0; i + 1 < played.chunks.size(); ++i) EXPECT_EQ(played.chunks[i], 8190u) << "chunk " << i;

  // Back rather than side surrounds, which the recording names in a comment.
  PcmFormat back = ExtensibleFormat(6, 24, 48000, 0x3F);
  MemoryStream backFile = RecordFlac(back, skIntegerPcm, input);
  auto backReader = OpenReader(backFile, back);
  ExpectExtensiblePcm(back, 6, 24, 24, 48000, 0x3F);
  EXPECT_TRUE(ReadToTheEnd(*backReader, ChunkSize(back)).bytes == input);
}

TEST(FlacReader, ThreeChannelsGetTheirLayoutsMask) {
  PcmFormat format = PlainFormat(kFormatPcm, 3, 16, 48000);
  const Bytes input = NoisyTones(format, skIntegerPcm, 24000);
  MemoryStream file = RecordFlac(format, skIntegerPcm, input);
  auto reader = OpenReader(file, format);
  ExpectExtensiblePcm(format, 3, 16, 16, 48000, 0x7);
  EXPECT_TRUE(ReadToTheEnd(*reader, ChunkSize(format)).bytes == input);
}

TEST(FlacReader, AFloatRecordingPlaysItsTwentyFourBitSamples) {
  PcmFormat format = PlainFormat(kFormatFloat, 2, 32, 48000);
  const Bytes input = NoisyTones(format, skFloat, 9600);
  MemoryStream file = RecordFlac(format, skFloat, input);
  auto reader = OpenReader(file, format);
  EXPECT_EQ(format.wFormatTag, kFormatPcm);
  EXPECT_EQ(format.wBitsPerSample, 24);
  EXPECT_EQ(format.nBlockAlign, 6);
  EXPECT_EQ(format.nAvgBytesPerSec, 288000u);
  EXPECT_TRUE(ReadToTheEnd(*reader, ChunkSize(format)).bytes == testsupport::FlacSamplesOf(skFloat, input));
}

TEST(FlacReader, ChunksOfOneFrameTakeADecodedBlockApart) {
  PcmFormat format = PlainFormat(kFormatPcm, 2, 16, 8000);
  const Bytes input = NoisyTones(format, skIntegerPcm, 10000);
  MemoryStream file = RecordFlac(format, skIntegerPcm, input);
  auto reader = OpenReader(file, format);
  const Played played = ReadToTheEnd(*reader, 7);  // one frame and 3 bytes of room
  EXPECT_TRUE(played.bytes == input);
  EXPECT_EQ(played.chunks.size(), 10000u);
}

// The sample at the target's time, and every one after it.
TEST(FlacReader, RepositionsToTheExactSample) {
  PcmFormat format = PlainFormat(kFormatPcm, 2, 16, 44100);
  const Bytes input = NoisyTones(format, skIntegerPcm, 4 * 44100);
  MemoryStream file = RecordFlac(format, skIntegerPcm, input);
  auto reader = OpenReader(file, format);
  for (const double target : {2.5, 1.0 + 17.0 / 44100, 4096.0 / 44100, 8191.0 / 44100, 3.99, 0.3}) {
    ASSERT_TRUE(reader->Reposition(target, 4)) << target;
    const auto first = static_cast<std::size_t>(std::nearbyint(target * 44100)) * 4;
    const Bytes rest = ReadToTheEnd(*reader, 8192).bytes;
    EXPECT_EQ(rest.size(), input.size() - first) << target;
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), input.begin() + static_cast<std::ptrdiff_t>(first)))
        << "from " << target << " s on";
  }
  ASSERT_TRUE(reader->Reposition((4 * 44100 - 1) / 44100.0, 4));
  EXPECT_EQ(ReadToTheEnd(*reader, 8192).bytes, Bytes(input.end() - 4, input.end())) << "the last frame";
  ASSERT_TRUE(reader->Reposition(-1.5, 4));
  EXPECT_TRUE(ReadToTheEnd(*reader, 8192).bytes == input) << "a target below 0 is the start";
  EXPECT_FALSE(reader->Reposition(4, 4)) << "the end";
  EXPECT_FALSE(reader->Reposition(1e300, 4));
  ASSERT_TRUE(reader->Reposition(1, 4)) << "a failed reposition leaves the reader usable";
  EXPECT_TRUE(std::equal(input.begin() + 44100 * 4, input.begin() + 44100 * 4 + 8192,
                         ReadToTheEnd(*reader, 8192).bytes.begin()));
}

TEST(FlacReader, RepositionsInSurroundToTheExactSample) {
  PcmFormat format = ExtensibleFormat(6, 24, 48000, 0x60F);
  const Bytes input = NoisyTones(format, skIntegerPcm, 3 * 48000);
  MemoryStream file = RecordFlac(format, skIntegerPcm, input);
  auto reader = OpenReader(file, format);
  ASSERT_TRUE(reader->Reposition(1.23456, 3));
  const std::size_t first = 59259 * 18;  // 1.23456 s at 48 kHz, rounded
  const Bytes rest = ReadToTheEnd(*reader, ChunkSize(format)).bytes;
  ASSERT_EQ(rest.size(), input.size() - first);
  EXPECT_TRUE(std::equal(rest.begin(), rest.end(), input.begin() + first));
}

// A recording still going: STREAMINFO counts no samples, the seek table holds no points yet, and
// the last block is still in the encoder.
class FileBeingWritten : public ::testing::Test {
 protected:
  static constexpr std::size_t kBlockBytes = 4096 * 4;
  PcmFormat format_ = PlainFormat(kFormatPcm, 2, 16, 44100);
  Bytes input_ = NoisyTones(format_, skIntegerPcm, 3 * 44100);
  MemoryStream file_ = RecordFlac(format_, skIntegerPcm, input_, /*finish=*/false);
};

TEST_F(FileBeingWritten, PlaysToTheEndOfItsData) {
  // STREAMINFO's 36-bit sample count ends at byte 25 of the file.
  const std::string head = file_.Bytes(0, 26);
  EXPECT_EQ(head.substr(0, 4), "fLaC");
  EXPECT_EQ(head[21] & 0x0F, 0);
  EXPECT_EQ(head.substr(22, 4), std::string(4, '\0')) << "no samples counted yet";
  auto reader = OpenReader(file_, format_);
  const Bytes played = ReadToTheEnd(*reader, 8192).bytes;
  EXPECT_GT(played.size(), input_.size() - 2 * kBlockBytes);
  EXPECT_EQ(played.size() % kBlockBytes, 0u);
  EXPECT_TRUE(std::equal(played.begin(), played.end(), input_.begin()));
  std::uint8_t buffer[8];
  EXPECT_EQ(reader->ReadChunk(buffer, sizeof buffer), 0u) << "the end stays the end";
}

TEST_F(FileBeingWritten, RepositionsWithinItsDataOnly) {
  auto reader = OpenReader(file_, format_);
  const std::size_t written = ReadToTheEnd(*reader, 8192).bytes.size();
  ASSERT_TRUE(reader->Reposition(1.5, 3));
  const Bytes rest = ReadToTheEnd(*reader, 8192).bytes;
  EXPECT_EQ(rest.size(), written - 66150 * 4);
  EXPECT_TRUE(std::equal(rest.begin(), rest.end(), input_.begin() + 66150 * 4));
  EXPECT_FALSE(reader->Reposition(2.99, 3)) << "beyond the written data";
  ASSERT_TRUE(reader->Reposition(0.5, 3));
  EXPECT_EQ(ReadToTheEnd(*reader, 8192).bytes.size(), written - 22050 * 4);
}

TEST_F(FileBeingWritten, ACutLastFrameEndsPlaybackBeforeIt) {
  const std::string whole = file_.Contents();
  MemoryStream cut(whole.substr(0, whole.size() - 1000));
  auto reader = OpenReader(cut, format_);
  const Bytes played = ReadToTheEnd(*reader, 8192).bytes;
  EXPECT_EQ(played.size() % kBlockBytes, 0u);
  EXPECT_GT(played.size(), input_.size() - 3 * kBlockBytes);
  EXPECT_TRUE(std::equal(played.begin(), played.end(), input_.begin()));
}

TEST(FlacReader, AFinishedFileCutOffPlaysItsWholeFramesAndSeeksNoFurther) {
  PcmFormat format = ExtensibleFormat(6, 24, 48000, 0x60F);
  const Bytes input = NoisyTones(format, skIntegerPcm, 2 * 48000);
  const std::string whole = RecordFlac(format, skIntegerPcm, input).Contents();
  MemoryStream cut(whole.substr(0, whole.size() / 2));
  auto reader = OpenReader(cut, format);
  const Bytes played = ReadToTheEnd(*reader, ChunkSize(format)).bytes;
  EXPECT_GT(played.size(), input.size() / 4);
  EXPECT_LT(played.size(), input.size() * 3 / 4);
  EXPECT_EQ(played.size() % (4096 * 18), 0u);
  EXPECT_TRUE(std::equal(played.begin(), played.end(), input.begin()));
  EXPECT_FALSE(reader->Reposition(1.9, 2)) << "into what was cut off";
  ASSERT_TRUE(reader->Reposition(0.25, 2));
  EXPECT_EQ(ReadToTheEnd(*reader, ChunkSize(format)).bytes.size(), played.size() - 12000 * 18);
}

TEST(FlacReader, AStreamThatIsNoFlacDoesNotOpen) {
  PcmFormat stereo = PlainFormat(kFormatPcm, 2, 16, 44100);
  const std::string recorded = RecordFlac(stereo, skIntegerPcm, NoisyTones(stereo, skIntegerPcm, 4410)).Contents();
  std::uint8_t wavHeader[kMaxWavHeaderSize];
  BuildWavHeader(stereo, 68, wavHeader);
  const std::pair<const char*, std::string> cases[] = {
      {"noise", std::string(10000, 'x')},
      {"nothing", std::string()},
      {"a WAV file", std::string(reinterpret_cast<const char*>(wavHeader), 46) + std::string(22, '\x11')},
      {"STREAMINFO cut off", recorded.substr(0, 20)},
      {"no STREAMINFO", "fLaC" + recorded.substr(42)},
  };
  for (const auto& [name, bytes] : cases) {
    MemoryStream file(bytes);
    PcmFormat format = stereo;
    std::string error;
    auto reader = CreateFileReader(ftFlac);
    EXPECT_FALSE(reader->Open(file, format, error)) << name;
    EXPECT_EQ(error, "") << name << ": the player names the file";
    std::uint8_t buffer[16];
    EXPECT_EQ(reader->ReadChunk(buffer, sizeof buffer), 0u) << name;
    EXPECT_FALSE(reader->Reposition(0, 1)) << name;
  }
  MemoryStream failing(recorded);
  failing.failing = true;
  PcmFormat format = stereo;
  std::string error;
  EXPECT_FALSE(CreateFileReader(ftFlac)->Open(failing, format, error)) << "a stream that cannot be read";
}

TEST(FlacReader, AnExtensibleRecordingStaysExtensible) {
  PcmFormat format = ExtensibleFormat(2, 24, 48000, 0x3);
  const Bytes input = NoisyTones(format, skIntegerPcm, 4800);
  MemoryStream file = RecordFlac(format, skIntegerPcm, input);
  auto reader = OpenReader(file, format);
  ExpectExtensiblePcm(format, 2, 24, 24, 48000, 0x3);
  EXPECT_TRUE(ReadToTheEnd(*reader, ChunkSize(format)).bytes == input);
}

// Frames of fewer channels than STREAMINFO announced cannot fill the output's frames.
TEST(FlacReader, FramesThatContradictStreaminfoEndPlayback) {
  PcmFormat mono = PlainFormat(kFormatPcm, 1, 16, 44100);
  std::string bytes = RecordFlac(mono, skIntegerPcm, NoisyTones(mono, skIntegerPcm, 44100)).Contents();
  bytes[20] = static_cast<char>(bytes[20] | 0x02);  // STREAMINFO: 2 channels
  MemoryStream file(bytes);
  PcmFormat format = mono;
  auto reader = OpenReader(file, format);
  EXPECT_EQ(format.nChannels, 2);
  std::uint8_t buffer[8192];
  EXPECT_EQ(reader->ReadChunk(buffer, sizeof buffer), 0u);
}

TEST(FlacReader, AFileWithoutFramesYetPlaysNothing) {
  PcmFormat format = PlainFormat(kFormatPcm, 2, 16, 44100);
  MemoryStream file = RecordFlac(format, skIntegerPcm, {}, /*finish=*/false);
  auto reader = OpenReader(file, format);
  std::uint8_t buffer[8192];
  EXPECT_EQ(reader->ReadChunk(buffer, sizeof buffer), 0u);
}

// Files that Debian's flac made from WAV files our WAV writer wrote.
class FilesOfFlac : public ::testing::Test {
 protected:

  // flac's file of a WAV file of data in format, with its further options.
  MemoryStream Encode(const PcmFormat& format, const Bytes& data, const std::string& options = "") {
    const std::string wav = (folder_ / "in.wav").string(), flac = (folder_ / "out.flac").string();
    std::filesystem::remove(flac);
    const std::uint64_t length = WavHeaderSize(format) + data.size();
    std::uint8_t header[kMaxWavHeaderSize];
    BuildWavHeader(format, length, header);
    std::ofstream out(wav, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), static_cast<std::streamsize>(WavHeaderSize(format)));
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    out.close();
    const auto result = testsupport::RunCommand("flac -s -f " + options + " -o '" + flac + "' '" + wav + "'");
    EXPECT_EQ(result.status, 0) << result.printed;
    std::ifstream in(flac, std::ios::binary);
    return MemoryStream(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }

  testsupport::TestFolder folder_{"flac-reader"};
};

TEST_F(FilesOfFlac, DecodeBitForBitWithTheirLayouts) {
  struct Case {
    const char* name;
    PcmFormat format;
    std::uint32_t mask;  // what the output format says
  };
  const Case cases[] = {
      {"stereo", PlainFormat(kFormatPcm, 2, 16, 44100), 0},
      {"24-bit 5.1", ExtensibleFormat(6, 24, 48000, 0x60F), 0x60F},
      {"three channels", ExtensibleFormat(3, 16, 48000, 0x7), 0x7},
      {"quad", ExtensibleFormat(4, 16, 48000, 0x33), 0x33},
      {"32-bit 5.0", ExtensibleFormat(5, 32, 96000, 0x607), 0x607},
  };
  for (const Case& c : cases) {
    const Bytes input = NoisyTones(c.format, skIntegerPcm, c.format.nSamplesPerSec + 333);
    MemoryStream file = Encode(c.format, input);
    PcmFormat format = c.format;
    auto reader = OpenReader(file, format);
    if (c.mask == 0) {
      EXPECT_EQ(format.wFormatTag, kFormatPcm) << c.name;
    } else {
      ExpectExtensiblePcm(format, c.format.nChannels, c.format.wBitsPerSample, c.format.wBitsPerSample,
                          c.format.nSamplesPerSec, c.mask);
    }
    EXPECT_EQ(format.nBlockAlign, c.format.nBlockAlign) << c.name;
    const Bytes played = ReadToTheEnd(*reader, ChunkSize(format)).bytes;
    EXPECT_TRUE(played == input) << c.name << ": " << played.size() << " bytes of " << input.size();
  }
}

TEST_F(FilesOfFlac, TheChannelMaskCommentNamesTheSpeakers) {
  const PcmFormat sides = ExtensibleFormat(4, 16, 48000, 0x603);  // FL FR SL SR
  const Bytes input = NoisyTones(sides, skIntegerPcm, 4800);
  MemoryStream file = Encode(sides, input);
  ASSERT_NE(file.Contents().find("WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x0603"), std::string::npos);
  PcmFormat format = PlainFormat(kFormatPcm, 4, 16, 48000);
  auto reader = OpenReader(file, format);
  ExpectExtensiblePcm(format, 4, 16, 16, 48000, 0x603);
  EXPECT_TRUE(ReadToTheEnd(*reader, ChunkSize(format)).bytes == input);

  // A stereo pair other than front left and right needs the extensible form to say so.
  const PcmFormat rear = PlainFormat(kFormatPcm, 2, 16, 48000);
  MemoryStream rearFile =
      Encode(rear, NoisyTones(rear, skIntegerPcm, 4800), "--tag=WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x0030");
  PcmFormat rearFormat = PlainFormat(kFormatPcm, 2, 16, 48000);
  OpenReader(rearFile, rearFormat);
  ExpectExtensiblePcm(rearFormat, 2, 16, 16, 48000, 0x30);

  // A mask with a speaker count other than the channels' describes nothing.
  MemoryStream wrong =
      Encode(rear, NoisyTones(rear, skIntegerPcm, 4800), "--tag=WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x0007");
  ASSERT_NE(wrong.Contents().find("WAVEFORMATEXTENSIBLE_CHANNEL_MASK=0x0007"), std::string::npos);
  PcmFormat wrongFormat = rear;
  OpenReader(wrong, wrongFormat);
  EXPECT_EQ(wrongFormat.wFormatTag, kFormatPcm);
  EXPECT_EQ(wrongFormat.dwChannelMask, 0u);
}

TEST_F(FilesOfFlac, SamplesOfOddDepthsFillTheTopBitsOfWholeBytes) {
  // 20 bits in 24: the WAV file holds them in the top bits already.
  PcmFormat twenty = ExtensibleFormat(2, 24, 48000, 0x3);
  twenty.wValidBitsPerSample = 20;
  Bytes input = NoisyTones(twenty, skIntegerPcm, 4800);
  for (std::size_t i = 0; i < input.size(); i += 3) input[i] &= 0xF0;
  MemoryStream file = Encode(twenty, input);
  PcmFormat format = PlainFormat(kFormatPcm, 2, 24, 48000);
  auto reader = OpenReader(file, format);
  ExpectExtensiblePcm(format, 2, 24, 20, 48000, 0x3);
  EXPECT_TRUE(ReadToTheEnd(*reader, ChunkSize(format)).bytes == input);

  // 8 bits: unsigned in WAVE, as in the WAV file.
  const PcmFormat eight = PlainFormat(kFormatPcm, 1, 8, 8000);
  Bytes bytes(256);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  MemoryStream eightFile = Encode(eight, bytes);
  PcmFormat eightFormat = eight;
  auto eightReader = OpenReader(eightFile, eightFormat);
  EXPECT_EQ(eightFormat.wFormatTag, kFormatPcm);
  EXPECT_EQ(eightFormat.wBitsPerSample, 8);
  EXPECT_EQ(eightFormat.nBlockAlign, 1);
  EXPECT_TRUE(ReadToTheEnd(*eightReader, 8192).bytes == bytes);
}

TEST_F(FilesOfFlac, RepositionToTheExactSample) {
  const PcmFormat surround = ExtensibleFormat(6, 24, 48000, 0x60F);
  const Bytes input = NoisyTones(surround, skIntegerPcm, 5 * 48000);
  MemoryStream file = Encode(surround, input, "-8");
  PcmFormat format = surround;
  auto reader = OpenReader(file, format);
  for (const double target : {3.3, 0.7, 4.5}) {
    ASSERT_TRUE(reader->Reposition(target, 5)) << target;
    const auto first = static_cast<std::size_t>(std::nearbyint(target * 48000)) * 18;
    const Bytes rest = ReadToTheEnd(*reader, ChunkSize(format)).bytes;
    ASSERT_EQ(rest.size(), input.size() - first) << target;
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), input.begin() + static_cast<std::ptrdiff_t>(first))) << target;
  }
}

}  // namespace
}  // namespace sonotape
