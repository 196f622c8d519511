// Until the file decoders land: the file stream and a WAV reader, enough to drive the engine.
#include <windows.h>

#include "player/FileReader.h"
#include "player/PlayerFile.h"

namespace sonotape {

namespace {

class FileStream final : public PlayerStream {
 public:
  explicit FileStream(HANDLE file) : file_(file) {}
  ~FileStream() override { CloseHandle(file_); }
  std::size_t Read(void* buffer, std::size_t bytes) override {
    DWORD read = 0;
    return ReadFile(file_, buffer, static_cast<DWORD>(bytes), &read, nullptr) ? read : 0;
  }
  void Seek(std::int32_t offset, int origin) override {
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    SetFilePointerEx(file_, distance, nullptr, static_cast<DWORD>(origin));
  }
  std::int64_t Position() override {
    LARGE_INTEGER zero{}, at{};
    SetFilePointerEx(file_, zero, &at, FILE_CURRENT);
    return at.QuadPart;
  }

 private:
  HANDLE file_;
};

class WavReader final : public FileReader {
 public:
  bool Open(PlayerStream& stream, PcmFormat& format, std::string&) override {
    stream_ = &stream;
    format_ = format;
    start_ = format.wFormatTag == kFormatExtensible ? 68 : 46;
    stream.Seek(static_cast<std::int32_t>(start_), 0);
    return stream.Position() == start_;
  }
  std::size_t ReadChunk(std::uint8_t* buffer, std::size_t size) override { return stream_->Read(buffer, size); }
  bool Reposition(double target, double) override {
    const std::int64_t offset =
        start_ + static_cast<std::int64_t>(format_.nAvgBytesPerSec * target) / format_.nBlockAlign * format_.nBlockAlign;
    stream_->Seek(static_cast<std::int32_t>(offset), 0);
    return stream_->Position() == offset;
  }
  void Close() override {}

 private:
  PlayerStream* stream_ = nullptr;
  PcmFormat format_{};
  std::int64_t start_ = 0;
};

}  // namespace

std::unique_ptr<PlayerStream> OpenPlayerFile(const std::string& name) {
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : std::make_unique<FileStream>(file);
}

std::unique_ptr<FileReader> CreateFileReader(FileType type) {
  return type == ftWav ? std::make_unique<WavReader>() : nullptr;
}

}  // namespace sonotape
