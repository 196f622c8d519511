// The FLAC sink on the real libFLAC, its files judged by Debian's flac and metaflac: the decoded
// PCM bit for bit, STREAMINFO's sample count and MD5, the seek table, the channel mask comment,
// a file cut off mid-recording, and a full disk.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "codecs/FlacSink.h"
#include "support/FlacRecording.h"
#include "support/MemoryStream.h"
#include "support/PcmFormats.h"
#include "support/Program.h"
#include "support/Tags.h"
#include "support/TestFolder.h"

namespace sonotape {
namespace {

using testsupport::ExtensibleFormat;
using testsupport::FlacSamplesOf;
using testsupport::NoisyTones;
using testsupport::PlainFormat;
using testsupport::RunCommand;

class FlacFiles : public ::testing::Test {
 protected:

  // The sink's file for this input, on disk; finished unless cut says otherwise.
  std::string Record(const PcmFormat& format, SampleKind kind, const std::vector<std::uint8_t>& input,
                     bool finish = true, int level = 5) {
    return Save(testsupport::RecordFlac(format, kind, input, finish, level).Contents());
  }

  std::string Save(const std::string& bytes) {
    const std::string path = (folder_ / ("take" + std::to_string(files_++) + ".flac")).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // The raw little-endian PCM flac decodes from path; the status of flac.
  std::vector<std::uint8_t> Decode(const std::string& path, int* status = nullptr) {
    const std::string raw = path + ".raw";
    const auto result = RunCommand("flac -s -d -f --force-raw-format --endian=little --sign=signed -o '" + raw +
                                   "' '" + path + "'");
    if (status != nullptr) *status = result.status;
    else EXPECT_EQ(result.status, 0) << result.printed;
    std::ifstream in(raw, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static std::string Metaflac(const std::string& arguments, const std::string& path) {
    const auto result = RunCommand("metaflac " + arguments + " '" + path + "'");
    EXPECT_EQ(result.status, 0) << result.printed;
    return result.printed;
  }

  testsupport::TestFolder folder_{"flac-sink"};
  int files_ = 0;
};

struct InputCase {
  const char* name;
  PcmFormat format;
  SampleKind kind;
  const char* bits;  // what STREAMINFO says
};

class FlacInputs : public FlacFiles, public ::testing::WithParamInterface<InputCase> {};

TEST_P(FlacInputs, DecodeBitForBitWithTheSampleCountAndTheMd5InStreaminfo) {
  const InputCase& c = GetParam();
  const std::size_t frames = c.format.nSamplesPerSec * 3 / 2 + 7;  // not a whole block
  const std::vector<std::uint8_t> input = NoisyTones(c.format, c.kind, frames);
  const std::string path = Record(c.format, c.kind, input);
  EXPECT_EQ(Decode(path), FlacSamplesOf(c.kind, input));
  const auto test = RunCommand("flac -s -t '" + path + "'");
  EXPECT_EQ(test.status, 0) << test.printed;  // the MD5 of the decoded audio matches
  const std::string info =
      Metaflac("--show-total-samples --show-channels --show-bps --show-sample-rate --show-md5sum", path);
  EXPECT_EQ(info, std::to_string(frames) + "\n" + std::to_string(c.format.nChannels) + "\n" + c.bits + "\n" +
                      std::to_string(c.format.nSamplesPerSec) + "\n" + info.substr(info.rfind('\n', info.size() - 2) + 1));
  EXPECT_EQ(info.find("00000000000000000000000000000000"), std::string::npos) << "no MD5 in STREAMINFO";
}

INSTANTIATE_TEST_SUITE_P(
    Pcm, FlacInputs,
    ::testing::Values(InputCase{"Stereo16", PlainFormat(kFormatPcm, 2, 16, 44100), skIntegerPcm, "16"},
                      InputCase{"Mono24At96k", PlainFormat(kFormatPcm, 1, 24, 96000), skIntegerPcm, "24"},
                      InputCase{"Surround24", ExtensibleFormat(6, 24, 48000, 0x60F), skIntegerPcm, "24"},
                      InputCase{"Quad32", ExtensibleFormat(4, 32, 48000, 0x33), skIntegerPcm, "32"},
                      InputCase{"Three16At192k", PlainFormat(kFormatPcm, 3, 16, 192000), skIntegerPcm, "16"},
                      InputCase{"FloatStereo", PlainFormat(kFormatFloat, 2, 32, 48000), skFloat, "24"},
                      InputCase{"FloatSurround", ExtensibleFormat(6, 32, 48000, 0x3F, kFormatFloat), skFloat, "24"}),
    [](const ::testing::TestParamInfo<InputCase>& param) { return std::string(param.param.name); });

TEST_F(FlacFiles, FloatIsRoundedAndClippedAtFullScale) {
  const PcmFormat format = PlainFormat(kFormatFloat, 1, 32, 8000);
  const float values[] = {0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 1.5f, -7.0f, 1.0f / 16777216.0f, 3.0f / 16777216.0f,
                          std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity()};
  const std::int32_t expected[] = {0, 4194304, -4194304, 8388607, -8388608, 8388607, -8388608, 1, 2, 0, 8388607,
                                   -8388608};
  std::vector<std::uint8_t> input(sizeof values);
  std::memcpy(input.data(), values, sizeof values);
  const std::vector<std::uint8_t> decoded = Decode(Record(format, skFloat, input));
  ASSERT_EQ(decoded.size(), 3 * std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const std::int32_t sample = static_cast<std::int32_t>(static_cast<std::uint32_t>(decoded[3 * i]) |
                                                          (decoded[3 * i + 1] << 8) | (decoded[3 * i + 2] << 16))
                                    << 8 >> 8;
    EXPECT_EQ(sample, expected[i]) << "value " << values[i];
  }
}

TEST_F(FlacFiles, SpeakerPositionsOtherThanFlacsOwnAreNamedInAComment) {
  const auto maskOf = [&](const PcmFormat& format) {
    const std::string path = Record(format, skIntegerPcm, NoisyTones(format, skIntegerPcm, 4800));
    const std::string tags = Metaflac("--export-tags-to=-", path);
    EXPECT_NE(tags.find("TITLE=take\n"), std::string::npos) << tags;
    const std::size_t at = tags.find("WAVEFORMATEXTENSIBLE_CHANNEL_MASK=");
    return at == std::string::npos ? std::string("none") : tags.substr(at + 34, tags.find('\n', at) - at - 34);
  };
  EXPECT_EQ(maskOf(ExtensibleFormat(6, 16, 48000, 0x3F)), "0x003F");  // back, not side, surrounds
  EXPECT_EQ(maskOf(ExtensibleFormat(6, 16, 48000, 0x60F)), "none");
  EXPECT_EQ(maskOf(ExtensibleFormat(2, 16, 48000, 0x3)), "none");
  EXPECT_EQ(maskOf(ExtensibleFormat(1, 16, 48000, 0x4)), "none");
  EXPECT_EQ(maskOf(ExtensibleFormat(4, 16, 48000, 0x603)), "0x0603");
  EXPECT_EQ(maskOf(PlainFormat(kFormatPcm, 6, 16)), "none");
}

TEST_F(FlacFiles, TheSeekTableHasAPointEveryTenSecondsOfTheRecordingAndPlaceholdersAfterIt) {
  const PcmFormat format = PlainFormat(kFormatPcm, 1, 16, 8000);
  const std::vector<std::uint8_t> input = NoisyTones(format, skIntegerPcm, 8000 * 25);
  const std::string path = Record(format, skIntegerPcm, input);
  const std::string table = Metaflac("--list --block-type=SEEKTABLE", path);
  EXPECT_NE(table.find("seek points: 8640"), std::string::npos) << table.substr(0, 300);
  // Points at 0, 10 s and 20 s name real frames (the frame holding the target sample).
  EXPECT_NE(table.find("point 0: sample_number=0,"), std::string::npos);
  EXPECT_NE(table.find("point 1: sample_number=77824,"), std::string::npos) << table.substr(0, 600);
  EXPECT_NE(table.find("point 2: sample_number=159744,"), std::string::npos);
  EXPECT_NE(table.find("point 3: PLACEHOLDER"), std::string::npos);
  EXPECT_NE(table.find("point 8639: PLACEHOLDER"), std::string::npos);
  // flac seeks through it: 5 s from the 21st second on.
  const auto cut = RunCommand("flac -s -d -f --force-raw-format --endian=little --sign=signed --skip=168000 "
                              "--until=176000 -o '" + path + ".part' '" + path + "'");
  ASSERT_EQ(cut.status, 0) << cut.printed;
  std::ifstream in(path + ".part", std::ios::binary);
  const std::vector<std::uint8_t> part{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_TRUE(std::equal(part.begin(), part.end(), input.begin() + 168000 * 2, input.begin() + 176000 * 2));
  EXPECT_EQ(part.size(), 16000u);
}

TEST_F(FlacFiles, AFileCutOffMidRecordingDecodesUpToItsLastFrame) {
  const PcmFormat format = PlainFormat(kFormatPcm, 2, 16, 44100);
  const std::vector<std::uint8_t> input = NoisyTones(format, skIntegerPcm, 44100 * 3);
  const std::string path = Record(format, skIntegerPcm, input, /*finish=*/false);
  int status = 0;
  const std::vector<std::uint8_t> decoded = Decode(path, &status);
  EXPECT_EQ(status, 0);
  // Everything but what the encoder still held: less than two blocks of 4096 frames.
  EXPECT_GT(decoded.size(), input.size() - 2 * 4096 * 4);
  EXPECT_EQ(decoded.size() % (4096 * 4), 0u);
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), input.begin()));
}

TEST_F(FlacFiles, OnAFullDiskFramesGoInWholeAndTheInputIsRefusedAfterwards) {
  const PcmFormat format = PlainFormat(kFormatPcm, 2, 16, 44100);
  const std::vector<std::uint8_t> input = NoisyTones(format, skIntegerPcm, 44100);
  RecordingError error;
  std::unique_ptr<RecordingSink> sink = MakeFlacSink(FlacSettings{}, skIntegerPcm, format, error);
  ASSERT_TRUE(sink) << error.text;
  testsupport::MemoryStream file;
  std::string failure;
  ASSERT_TRUE(sink->Open(file, testsupport::TitleTags(), failure)) << failure;
  file.room = 100000;  // about a third of a second of this signal
  std::uint64_t taken = 0;
  int refused = 0;
  for (int pass = 0; pass < 4; ++pass) {
    const std::uint64_t n = sink->Write(input.data(), static_cast<std::uint32_t>(input.size()));
    EXPECT_TRUE(n == input.size() || n == 0);
    taken += n;
    refused += n == 0;
  }
  EXPECT_GT(refused, 0) << "the disk never filled";
  const std::uint64_t full = file.Length();
  sink->Finish(false);
  EXPECT_EQ(file.Length(), full);  // nothing after a failed write
  EXPECT_EQ(sink->BytesInFile(), full);
  int status = 0;
  const std::vector<std::uint8_t> decoded = Decode(Save(file.Contents()), &status);
  EXPECT_EQ(status, 0) << "a frame was cut";
  std::vector<std::uint8_t> passes;
  for (int pass = 0; pass < 4; ++pass) passes.insert(passes.end(), input.begin(), input.end());
  EXPECT_GT(decoded.size(), 0u);
  EXPECT_LT(decoded.size(), passes.size());
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), passes.begin()));
}

TEST_F(FlacFiles, AStartOnAFullDiskFailsWithoutAMessageOfItsOwn) {
  const PcmFormat format = PlainFormat(kFormatPcm, 2, 16, 44100);
  RecordingError error;
  std::unique_ptr<RecordingSink> sink = MakeFlacSink(FlacSettings{}, skIntegerPcm, format, error);
  ASSERT_TRUE(sink);
  testsupport::MemoryStream file;
  file.room = 1000;  // not even the seek table fits
  std::string failure;
  EXPECT_FALSE(sink->Open(file, testsupport::TitleTags(), failure));
  EXPECT_EQ(failure, "");  // the file says why
  sink->Finish(false);
}

TEST(FlacSink, RefusesSpdifInput) {
  RecordingError error;
  EXPECT_FALSE(MakeFlacSink(FlacSettings{}, skSpdif, PlainFormat(kFormatSpdif, 2, 16), error));
  EXPECT_EQ(error.kind, RecordingError::kRefusedFormat);
  EXPECT_EQ(error.text, "Cannot record FLAC from SPDIF output");
}

}  // namespace
}  // namespace sonotape
