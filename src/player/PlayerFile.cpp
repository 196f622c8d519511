#include "player/PlayerFile.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <system_error>

namespace sonotape {

namespace {

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

class PlayerFile : public PlayerStream {
 public:
  explicit PlayerFile(HANDLE file) : file_(file) {}
  ~PlayerFile() override { CloseHandle(file_); }
  PlayerFile(const PlayerFile&) = delete;
  PlayerFile& operator=(const PlayerFile&) = delete;

  std::size_t Read(void* buffer, std::size_t bytes) override {
    std::size_t done = 0;
    while (done < bytes) {
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(file_, static_cast<char*>(buffer) + done, want, &got, nullptr)) {
        ThrowLastError("ReadFile");
      }
      done += got;
      if (got < want) {
        break;  // the end of the file
      }
    }
    return done;
  }

  void Seek(std::int64_t offset, int origin) override {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    const DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(file_, distance, nullptr, method)) {
      ThrowLastError("SetFilePointerEx");
    }
  }

  std::int64_t Position() override {
    LARGE_INTEGER zero{};
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(file_, zero, &position, FILE_CURRENT)) {
      ThrowLastError("SetFilePointerEx");
    }
    return position.QuadPart;
  }

 private:
  HANDLE file_;
};

}  // namespace

std::unique_ptr<PlayerStream> OpenPlayerFile(const std::string& name) {
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return nullptr;
  }
  std::unique_ptr<PlayerStream> stream(new (std::nothrow) PlayerFile(file));
  if (!stream) {
    CloseHandle(file);
  }
  return stream;
}

}  // namespace sonotape
