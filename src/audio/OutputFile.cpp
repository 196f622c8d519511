#include "audio/OutputFile.h"

#include <algorithm>

namespace sonotape {

bool OutputFile::Open(const std::string& fileName) {
  Close();
  failed_ = false;
  {
    // Created empty (or emptied), and closed again.
    const FileHandle created(
        CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!created.Valid()) {
      return false;
    }
  }
  handle_ = FileHandle(CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  end_ = 0;
  if (!IsOpen()) {
    DeleteFileA(fileName.c_str());  // created, but of no use
    return false;
  }
  fileName_ = fileName;
  return true;
}

void OutputFile::Close() {
  handle_.Reset();
  fileName_.clear();
}

void OutputFile::Discard() {
  const std::string fileName = fileName_;
  Close();
  if (!fileName.empty()) {
    DeleteFileA(fileName.c_str());  // a file that cannot be deleted stays, empty or cut short
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
    if (!WriteFile(handle_.Get(), bytes + done, chunk, &written, at) || written == 0) {
      break;
    }
    done += written;
  }
  return done;
}

std::size_t OutputFile::Append(const void* data, std::size_t size) {
  if (failed_) {
    return 0;
  }
  // The file position is kept at the end: sequential writes are much cheaper than positioned ones.
  const std::size_t written = Write(data, size, nullptr);
  end_ += written;
  failed_ = written != size;
  return written;
}

bool OutputFile::SeekTo(std::uint64_t offset) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(handle_.Get(), position, nullptr, FILE_BEGIN) != FALSE;
}

bool OutputFile::Truncate(std::uint64_t length) {
  if (!IsOpen() || length > end_) {
    return false;
  }
  const bool cut = SeekTo(length) && SetEndOfFile(handle_.Get());
  if (cut) {
    end_ = length;
  }
  return SeekTo(end_) && cut;
}

bool OutputFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (offset + size > end_) {
    return false;
  }
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  const bool written = Write(data, size, &at) == size;
  failed_ |= !written;
  // A positioned write moves the file position of a synchronous handle: back to the end.
  return SeekTo(end_) && written;
}

}  // namespace sonotape
