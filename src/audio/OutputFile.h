#pragma once
// The recording's output file: created empty, then held open for writing while others may
// read it. Appends go to the end; rewriting the header leaves the end where it was. After a
// failed or short write the file takes no more appends: nothing lands after a gap.

#include <windows.h>

#include <string>

#include "audio/FileHandle.h"
#include "audio/WavWriter.h"

namespace sonotape {

class OutputFile final : public RecordingFile {
 public:
  OutputFile() = default;
  ~OutputFile() override { Close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates (or truncates) fileName and opens it; false when it cannot be created or opened.
  bool Open(const std::string& fileName);
  void Close();
  // Closes the open file and deletes it.
  void Discard();
  bool IsOpen() const { return handle_.Valid(); }
  // Whether a write to the file opened last failed or fell short.
  bool Failed() const { return failed_; }

  std::size_t Append(const void* data, std::size_t size) override;
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override;
  std::uint64_t Length() const override { return end_; }
  bool Truncate(std::uint64_t length) override;

 private:
  // The bytes written (at the current position, or at at's offset), all or fewer on an error.
  std::size_t Write(const void* data, std::size_t size, OVERLAPPED* at);
  bool SeekTo(std::uint64_t offset);

  FileHandle handle_;
  std::string fileName_;
  std::uint64_t end_ = 0;
  bool failed_ = false;
};

}  // namespace sonotape
