#pragma once
// The recording's output file: created empty, then held open for writing while others may
// read it. Appends go to the end; rewriting the header leaves the end where it was.

#include <windows.h>

#include <string>

#include "recorder/WavWriter.h"

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
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

  std::size_t Append(const void* data, std::size_t size) override;
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override;

 private:
  // The bytes written (at the current position, or at at's offset), all or fewer on an error.
  std::size_t Write(const void* data, std::size_t size, OVERLAPPED* at);

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::uint64_t end_ = 0;
};

}  // namespace sonotape
