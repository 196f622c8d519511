#include "audio/WavWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/MemoryStream.h"
#include "support/PcmFormats.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace sonotape {
namespace {

using testsupport::ExtensibleFormat;
using testsupport::MemoryStream;
using testsupport::PlainFormat;

std::uint32_t At32(const MemoryStream& file, std::int64_t offset) {
  const std::string bytes = file.Bytes(offset, 4);
  std::uint32_t value;
  std::memcpy(&value, bytes.data(), 4);
  return value;
}

TEST(WavWriter, ShortHeaderWithTheRealFormatAndFinalSizes) {
  MemoryStream file;
  const PcmFormat format = PlainFormat(kFormatPcm, 2, 16);
  WavWriter writer(file, format);
  ASSERT_TRUE(writer.Start());
  ASSERT_EQ(file.Length(), 46u);
  // the real format from the start
  EXPECT_EQ(file.Bytes(20, 18), std::string(reinterpret_cast<const char*>(&format), 18));
  EXPECT_EQ(At32(file, 42), 0u);
  const std::vector<std::uint8_t> buffer(4800, 0x11);
  for (int i = 0; i < 40; ++i) writer.Write(buffer.data(), buffer.size());
  ASSERT_TRUE(writer.Patch());
  ASSERT_EQ(file.Length(), 192046u);
  EXPECT_EQ(file.Bytes(0, 4), "RIFF");
  EXPECT_EQ(At32(file, 4), 192038u);
  EXPECT_EQ(file.Bytes(8, 8), "WAVEfmt ");
  EXPECT_EQ(At32(file, 16), 18u);
  EXPECT_EQ(file.Bytes(38, 4), "data");
  EXPECT_EQ(At32(file, 42), 192000u);
  EXPECT_EQ(writer.BytesWritten(), 192046u);
}

TEST(WavWriter, ExtensibleHeaderCarriesTheWholeFormat) {
  MemoryStream file;
  const PcmFormat format = ExtensibleFormat(6, 24);
  WavWriter writer(file, format);
  ASSERT_TRUE(writer.Start());
  writer.Write(std::vector<std::uint8_t>(180).data(), 180);
  ASSERT_TRUE(writer.Patch());
  ASSERT_EQ(file.Length(), 68u + 180u);
  EXPECT_EQ(At32(file, 16), 40u);
  EXPECT_EQ(file.Bytes(20, 40), std::string(reinterpret_cast<const char*>(&format), 40));
  EXPECT_EQ(file.Bytes(60, 4), "data");
  EXPECT_EQ(At32(file, 64), 180u);
  EXPECT_EQ(At32(file, 4), 68u + 180u - 8u);
}

TEST(WavWriter, SizesFollowTheRecordingEveryTwoSecondsWithoutAPatch) {
  MemoryStream file;
  WavWriter writer(file, PlainFormat(kFormatPcm, 2, 16));  // 192000 bytes a second
  ASSERT_TRUE(writer.Start());
  const std::vector<std::uint8_t> tenth(19200);
  for (std::uint32_t tenths = 1; tenths <= 55; ++tenths) {  // 5.5 s, then a "crash"
    writer.Write(tenth.data(), tenth.size());
    const std::uint32_t covered = tenths / 20 * 20 * 19200;  // every whole 2 s, between buffers
    ASSERT_EQ(At32(file, 42), covered) << "after " << tenths << " tenths of a second";
    ASSERT_EQ(At32(file, 4), covered + 38) << "after " << tenths << " tenths of a second";
  }
  EXPECT_EQ(file.Length(), 46u + 55u * 19200u);
}

TEST(WavWriter, AFullDiskLeavesWholeFramesAndTheLimitIsKept) {
  MemoryStream file;
  file.room = 46 + 100;
  WavWriter writer(file, PlainFormat(kFormatPcm, 2, 24), 46 + 150);  // 6-byte frames
  ASSERT_TRUE(writer.Start());
  EXPECT_TRUE(writer.Fits(150));
  EXPECT_FALSE(writer.Fits(151));
  writer.Write(std::vector<std::uint8_t>(120, 7).data(), 120);  // the disk takes 100: 16 frames and 4 bytes
  EXPECT_EQ(writer.BytesWritten(), 46u + 96u);
  ASSERT_EQ(file.Length(), 46u + 96u);
  ASSERT_TRUE(writer.Patch());
  EXPECT_EQ(At32(file, 42), 96u);
  EXPECT_EQ(At32(file, 4), 46u + 96u - 8u);

  MemoryStream full;
  full.room = 10;
  WavWriter failing(full, PlainFormat(kFormatPcm, 2, 16));
  EXPECT_FALSE(failing.Start());
}

TEST(AppendWhole, AppendsAllPiecesOrCutsTheFileBackToWhereItEnded) {
  MemoryStream file;
  file.room = 10;
  EXPECT_EQ(AppendWhole(file, "abcd", 4, "efg", 3), 7u);
  EXPECT_EQ(AppendWhole(file, "hi", 2, "jkl", 3), 0u);  // the disk takes "hi" and "j"
  EXPECT_EQ(file.Contents(), "abcdefg");
  EXPECT_EQ(AppendWhole(file, "hij", 3), 3u);
  EXPECT_EQ(file.Contents(), "abcdefghij");
}

#ifndef _WIN32  // sox runs natively; the Windows build of these tests runs under Wine
// A real file, for independent readers.
class DiskFile : public RecordingFile {
 public:
  explicit DiskFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~DiskFile() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  std::size_t Append(const void* data, std::size_t size) override {
    std::fseek(file_, 0, SEEK_END);
    return std::fwrite(data, 1, size, file_);
  }
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
    return std::fseek(file_, static_cast<long>(offset), SEEK_SET) == 0 && std::fwrite(data, 1, size, file_) == size &&
           std::fflush(file_) == 0;
  }
  std::uint64_t Length() const override {
    std::fseek(file_, 0, SEEK_END);
    return static_cast<std::uint64_t>(std::ftell(file_));
  }
  bool Truncate(std::uint64_t length) override {
    return std::fflush(file_) == 0 && ftruncate(fileno(file_), static_cast<off_t>(length)) == 0;
  }
  bool IsOpen() const { return file_ != nullptr; }

 private:
  std::FILE* file_;
};

// What sox reads from a file: "channels rate bits seconds".
std::string SoxInfo(const std::string& path) {
  const std::string command = "soxi -c '" + path + "'; soxi -r '" + path + "'; soxi -b '" + path + "'; soxi -D '" + path + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "no sox";
  std::string text;
  char line[128];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    text += line;
    text.back() = ' ';
  }
  pclose(pipe);
  return text;
}

TEST(WavWriter, SoxReadsFinishedAndCutOffFiles) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "sonotape-wav-tests";
  std::filesystem::create_directories(folder);
  const std::string finished = (folder / "finished.wav").string();
  const std::string cut = (folder / "cut.wav").string();
  const PcmFormat format = ExtensibleFormat(6, 24);
  std::vector<std::uint8_t> second(format.nAvgBytesPerSec);
  {
    DiskFile file(finished);
    ASSERT_TRUE(file.IsOpen());
    WavWriter writer(file, format);
    ASSERT_TRUE(writer.Start());
    writer.Write(second.data(), second.size());
    ASSERT_TRUE(writer.Patch());
  }
  EXPECT_EQ(SoxInfo(finished), "6 48000 24 1.000000 ");
  {
    DiskFile file(cut);
    WavWriter writer(file, format);
    ASSERT_TRUE(writer.Start());
    for (int i = 0; i < 50; ++i) writer.Write(second.data(), second.size() / 10);  // 5 s, never patched
  }
  const std::string info = SoxInfo(cut);
  EXPECT_EQ(info.substr(0, 11), "6 48000 24 ") << info;
  EXPECT_EQ(info.substr(11), "4.000000 ") << "the sizes cover every whole 2 s";
  std::filesystem::remove_all(folder);
}
#endif

}  // namespace
}  // namespace sonotape
