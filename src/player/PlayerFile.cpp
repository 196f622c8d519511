#include "player/PlayerFile.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

namespace sonotape {

namespace {

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

// Reads ahead in blocks of its own, so that the MP3 reader's small reads (a frame header, then the
// frame) and its position checks cost no system call each. A read at the end of the data asks
// the file again, so bytes a writer adds later are seen.
class PlayerFile : public PlayerStream {
 public:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  PlayerFile(HANDLE file, std::unique_ptr<std::uint8_t[]> block) : file_(file), block_(std::move(block)) {}
  ~PlayerFile() override { CloseHandle(file_); }
  PlayerFile(const PlayerFile&) = delete;
  PlayerFile& operator=(const PlayerFile&) = delete;

  std::size_t Read(void* buffer, std::size_t bytes) override {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < bytes) {
      if (next_ == end_) {
        if (bytes - done >= kBlockSize) {
          done += ReadFromFile(out + done, bytes - done);
          blockStart_ = filePosition_;
          next_ = end_ = 0;
          break;
        }
        blockStart_ = filePosition_;
        next_ = 0;
        end_ = ReadFromFile(block_.get(), kBlockSize);
        if (end_ == 0) {
          break;  // the end of the file, for now
        }
      }
      const std::size_t n = std::min(end_ - next_, bytes - done);
      std::memcpy(out + done, block_.get() + next_, n);
      next_ += n;
      done += n;
    }
    return done;
  }

  void Seek(std::int64_t offset, int origin) override {
    std::int64_t target = offset;
    if (origin == 1) {
      target += Position();
    } else if (origin == 2) {
      target += FileLength();
    }
    if (target >= blockStart_ && target <= blockStart_ + static_cast<std::int64_t>(end_)) {
      next_ = static_cast<std::size_t>(target - blockStart_);
      return;
    }
    MoveFilePointer(target);
    blockStart_ = filePosition_;
    next_ = end_ = 0;
  }

  std::int64_t Position() override { return blockStart_ + static_cast<std::int64_t>(next_); }

 private:
  std::size_t ReadFromFile(std::uint8_t* buffer, std::size_t bytes) {
    std::size_t done = 0;
    while (done < bytes) {
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(file_, buffer + done, want, &got, nullptr)) {
        blockStart_ = filePosition_;
        next_ = end_ = 0;
        ThrowLastError("ReadFile");
      }
      done += got;
      filePosition_ += got;
      if (got < want) {
        break;  // the end of the file
      }
    }
    return done;
  }

  void MoveFilePointer(std::int64_t target) {
    LARGE_INTEGER distance;
    distance.QuadPart = target;
    LARGE_INTEGER reached;
    if (!SetFilePointerEx(file_, distance, &reached, FILE_BEGIN)) {
      ThrowLastError("SetFilePointerEx");
    }
    filePosition_ = reached.QuadPart;
  }

  std::int64_t FileLength() const {
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file_, &length)) {
      ThrowLastError("GetFileSizeEx");
    }
    return length.QuadPart;
  }

  HANDLE file_;
  std::unique_ptr<std::uint8_t[]> block_;
  std::int64_t filePosition_ = 0;  // where the file's own pointer is
  std::int64_t blockStart_ = 0;    // the file offset of block_[0]
  std::size_t next_ = 0;           // the next byte of the block to read
  std::size_t end_ = 0;            // the bytes in the block
};

}  // namespace

std::unique_ptr<PlayerStream> OpenPlayerFile(const std::string& name) {
  std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[PlayerFile::kBlockSize]);
  if (!block) {
    return nullptr;
  }
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return nullptr;
  }
  std::unique_ptr<PlayerStream> stream(new (std::nothrow) PlayerFile(file, std::move(block)));
  if (!stream) {
    CloseHandle(file);
  }
  return stream;
}

}  // namespace sonotape
