#pragma once
// The recording's output file: created empty, then held open for writing while others may
// read it. Every write names its offset, so rewriting the header never moves the end.

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
  // The bytes written at offset, all of them or fewer on an error.
  std::size_t WriteAtOffset(std::uint64_t offset, const void* data, std::size_t size);

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::uint64_t end_ = 0;
};

}  // namespace sonotape
