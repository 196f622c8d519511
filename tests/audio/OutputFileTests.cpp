// The output file on Wine's file system, written through the WAV writer.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "audio/OutputFile.h"
#include "audio/WavWriter.h"
#include "support/PcmFormats.h"
#include "support/TempFolder.h"

namespace {

std::vector<char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(OutputFile, ReplacesAnOldFileStaysReadableWhileOpenAndKeepsItsEndWhenTheHeaderIsRewritten) {
  testsupport::TempFolder folder;
  const std::string path = folder.File("take.wav");
  { std::ofstream(path) << std::string(100000, 'x'); }

  const sonotape::PcmFormat format = testsupport::PlainFormat(sonotape::kFormatPcm, 2, 16);
  sonotape::OutputFile file;
  ASSERT_TRUE(file.Open(path));
  sonotape::WavWriter writer(file, format);
  ASSERT_TRUE(writer.Start());
  const std::vector<std::uint8_t> second(192000, 0x22);
  for (int i = 0; i < 3; ++i) writer.Write(second.data(), second.size());
  // Another program may read the growing file; the live sizes cover at least two seconds.
  std::vector<char> live = ReadAll(path);
  ASSERT_EQ(live.size(), 46u + 3 * 192000u);
  std::uint32_t liveData = 0;
  std::memcpy(&liveData, live.data() + 42, 4);
  EXPECT_GE(liveData, 2 * 192000u);
  ASSERT_TRUE(writer.Patch());
  writer.Write(second.data(), 4);  // appends after the patch still go to the end
  file.Close();
  EXPECT_FALSE(file.IsOpen());

  const std::vector<char> bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 46u + 3 * 192000u + 4u);
  std::uint32_t data = 0;
  std::memcpy(&data, bytes.data() + 42, 4);
  EXPECT_EQ(data, 3 * 192000u);
  EXPECT_EQ(bytes[46], 0x22);
  EXPECT_FALSE(file.WriteAt(0, "x", 1));  // closed
  EXPECT_FALSE(file.Open(folder.File("no such folder\\take.wav")));
}

}  // namespace
