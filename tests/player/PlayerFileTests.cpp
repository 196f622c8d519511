// The player's file stream on the platform's files: a recording still being written, a sparse file
// beyond 2 GiB read in its second half through the WAV reader and the vorbisfile callbacks, and
// errors that the readers and callbacks must see.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

#include "codecs/StreamCallbacks.h"
#include "player/FileReader.h"
#include "player/PlayerFile.h"
#include "support/PcmFormats.h"
#include "support/TempFolder.h"

namespace sonotape {
namespace {

class Writer {
 public:
  explicit Writer(const std::string& path)
      : file_(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr)) {}
  ~Writer() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  bool WriteAt(std::int64_t offset, const std::string& bytes) {
    LARGE_INTEGER at;
    at.QuadPart = offset;
    DWORD written = 0;
    return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) &&
           WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  }

 private:
  HANDLE file_;
};

std::string Read(PlayerStream& stream, std::size_t size) {
  std::string bytes(size, '\0');
  bytes.resize(stream.Read(bytes.data(), size));
  return bytes;
}

TEST(PlayerFile, AFileThatIsNotThereIsNotOpened) {
  testsupport::TempFolder folder;
  EXPECT_EQ(OpenPlayerFile(folder.File("Take1.wav")), nullptr);
}

TEST(PlayerFile, AFileTheRecorderIsWritingIsReadAsItGrows) {
  testsupport::TempFolder folder;
  const std::string path = folder.File("Take1.wav");
  Writer recorder(path);  // shares reading only, as the recorder's file does
  ASSERT_TRUE(recorder.IsOpen());
  ASSERT_TRUE(recorder.WriteAt(0, "first"));
  const std::unique_ptr<PlayerStream> player = OpenPlayerFile(path);
  ASSERT_NE(player, nullptr) << "opened beside the writer";
  EXPECT_EQ(Read(*player, 100), "first");
  EXPECT_EQ(Read(*player, 100), "");
  ASSERT_TRUE(recorder.WriteAt(5, "second"));
  EXPECT_EQ(Read(*player, 100), "second");
}

TEST(PlayerFile, ReadsAndSeeksAnywhereAsTheFileHoldsIt) {
  testsupport::TempFolder folder;
  const std::string path = folder.File("Take1.wav");
  std::string content(300000, '\0');
  std::mt19937 random(7);
  for (char& byte : content) byte = static_cast<char>(random());
  {
    Writer recorder(path);
    ASSERT_TRUE(recorder.WriteAt(0, content));
  }
  const std::unique_ptr<PlayerStream> file = OpenPlayerFile(path);
  ASSERT_NE(file, nullptr);
  // Small and large reads, seeks back and forth from all three origins, reads at and past the end.
  std::int64_t position = 0;
  const auto size = static_cast<std::int64_t>(content.size());
  for (int step = 0; step < 2000; ++step) {
    if (random() % 3 == 0) {
      const int origin = static_cast<int>(random() % 3);
      const std::int64_t target = static_cast<std::int64_t>(random() % (content.size() + 100));
      const std::int64_t base = origin == 0 ? 0 : origin == 1 ? position : size;
      file->Seek(target - base, origin);
      position = target;
    } else {
      const std::size_t want = random() % 4 == 0 ? random() % 100000 : random() % 600;
      const std::size_t expected = static_cast<std::size_t>(std::clamp<std::int64_t>(size - position, 0, static_cast<std::int64_t>(want)));
      ASSERT_EQ(Read(*file, want), content.substr(static_cast<std::size_t>(std::min(position, size)), expected)) << "step " << step;
      position += static_cast<std::int64_t>(expected);
    }
    ASSERT_EQ(file->Position(), position) << "step " << step;
  }
}

TEST(PlayerFile, ASparseWavFileBeyondTwoGigabytesIsReadInItsSecondHalf) {
  testsupport::TempFolder folder;
  const std::string path = folder.File("Film.wav");
  // 24-bit 5.1 at 48 kHz: 864000 bytes a second; 50 minutes in lies beyond 2 GiB.
  constexpr std::int64_t kBytesPerSecond = 864000;
  constexpr std::int64_t kAtFiftyMinutes = 68 + kBytesPerSecond * 3000;
  {
    Writer recorder(path);
    ASSERT_TRUE(recorder.IsOpen());
    ASSERT_TRUE(recorder.WriteAt(0, std::string(68, 'h')));
    ASSERT_TRUE(recorder.WriteAt(kAtFiftyMinutes, "fifty minutes"));
    ASSERT_TRUE(recorder.WriteAt(kBytesPerSecond * 4200, "end"));
  }
  const std::unique_ptr<PlayerStream> file = OpenPlayerFile(path);
  ASSERT_NE(file, nullptr);
  PcmFormat format = testsupport::ExtensibleFormat(6, 24);
  std::string error;
  const std::unique_ptr<FileReader> reader = CreateFileReader(ftWav);
  ASSERT_TRUE(reader->Open(*file, format, error));
  ASSERT_TRUE(reader->Reposition(3000, 4200));
  std::string bytes(13, '\0');
  ASSERT_EQ(reader->ReadChunk(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()), 13u);
  EXPECT_EQ(bytes, "fifty minutes");

  // vorbisfile's callbacks seek as far; a long of 32 bits cannot tell the position, so it is an error.
  PlayerStream* slot = file.get();
  EXPECT_EQ(StreamSeek(&slot, kAtFiftyMinutes + 6, 0), 0);
  EXPECT_EQ(StreamRead(bytes.data(), 1, 7, &slot), 7u);
  EXPECT_EQ(bytes.substr(0, 7), "minutes");
  EXPECT_EQ(file->Position(), kAtFiftyMinutes + 13);
  EXPECT_EQ(StreamTell(&slot), -1);
  EXPECT_EQ(StreamSeek(&slot, 10, 0), 0);
  EXPECT_EQ(StreamTell(&slot), 10);
}

TEST(PlayerFile, ErrorsOfTheFileAreThrown) {
  testsupport::TempFolder folder;
  const std::string path = folder.File("Take1.mp3");
  {
    Writer recorder(path);
    ASSERT_TRUE(recorder.WriteAt(0, "0123456789"));
  }
  const std::unique_ptr<PlayerStream> file = OpenPlayerFile(path);
  ASSERT_NE(file, nullptr);
  EXPECT_ANY_THROW(file->Seek(-5, 0));
  PlayerStream* slot = file.get();
  EXPECT_EQ(StreamSeek(&slot, -5, 0), -1);
  EXPECT_EQ(StreamSeek(&slot, -3, 2), 0);
  EXPECT_EQ(Read(*file, 10), "789");
}

}  // namespace
}  // namespace sonotape
