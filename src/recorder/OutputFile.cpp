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

std::size_t OutputFile::WriteAtOffset(std::uint64_t offset, const void* data, std::size_t size) {
  if (!IsOpen()) {
    return 0;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 0x40000000));
    DWORD written = 0;
    if (!WriteFile(handle_, bytes + done, chunk, &written, &at) || written == 0) {
      break;
    }
    done += written;
  }
  return done;
}

std::size_t OutputFile::Append(const void* data, std::size_t size) {
  const std::size_t written = WriteAtOffset(end_, data, size);
  end_ += written;
  return written;
}

bool OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  return offset + size <= end_ && WriteAtOffset(offset, data, size) == size;
}

}  // namespace sonotape
