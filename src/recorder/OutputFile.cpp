#include "recorder/OutputFile.h"

#include <algorithm>

namespace sonotape {

bool OutputFile::Open(const std::string& fileName) {
  Close();
  HANDLE created = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) {
    return false;
  }
  CloseHandle(created);
  handle_ = CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  end_ = 0;
  return IsOpen();
}

void OutputFile::Close() {
  if (IsOpen()) {
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
}

std::size_t OutputFile::Write(const void* data, std::size_t size, OVERLAPPED* at) {
  if (!IsOpen()) {
    return 0;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  const std::uint64_t start = at != nullptr ? (static_cast<std::uint64_t>(at->OffsetHigh) << 32 | at->Offset) : 0;
  std::size_t done = 0;
  while (done < size) {
    if (at != nullptr) {
      at->Offset = static_cast<DWORD>((start + done) & 0xFFFFFFFFu);
      at->OffsetHigh = static_cast<DWORD>((start + done) >> 32);
    }
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 0x40000000));
    DWORD written = 0;
    if (!WriteFile(handle_, bytes + done, chunk, &written, at) || written == 0) {
      break;
    }
    done += written;
  }
  return done;
}

std::size_t OutputFile::Append(const void* data, std::size_t size) {
  // The file position is kept at the end: sequential writes are much cheaper than positioned ones.
  const std::size_t written = Write(data, size, nullptr);
  end_ += written;
  return written;
}

bool OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (offset + size > end_) {
    return false;
  }
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  const bool written = Write(data, size, &at) == size;
  // A positioned write moves the file position of a synchronous handle: back to the end.
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(end_);
  return SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN) && written;
}

}  // namespace sonotape
