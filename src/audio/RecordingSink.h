#pragma once
// One output file's content in the format recorded: the recorder opens the file, hands it to the
// sink, feeds the sink every buffer of the input and has it finish the file.

#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/RecordingTags.h"
#include "audio/WavWriter.h"

namespace sonotape {

class RecordingSink {
 public:
  virtual ~RecordingSink() = default;
  // Writes what precedes the audio, the tags of formats that carry them included, into file,
  // which the sink writes to until Finish. False with the user's message in failure; an empty
  // message when the file itself could not be written.
  virtual bool Open(RecordingFile& file, const RecordingTags& tags, std::string& failure) = 0;
  // Whether length more bytes of input keep the file within its limits.
  virtual bool Fits(std::uint64_t /*length*/) const { return true; }
  // One buffer of the input; the bytes of it whose sound reached the file.
  virtual std::uint64_t Write(const std::uint8_t* data, std::uint32_t length) = 0;
  // Completes the file. writable: false after a failed write, when nothing more may go in.
  virtual void Finish(bool writable) = 0;
  // After the file is closed under fileName.
  virtual void Closed(const std::string& /*fileName*/) {}
  // The bytes in the file so far, and those of them before the audio.
  virtual std::uint64_t BytesInFile() const = 0;
  virtual std::uint64_t HeaderBytes() const = 0;
};

// The file a sink writes to, remembering whether a write to it came up short.
class WatchedFile final : public RecordingFile {
 public:
  explicit WatchedFile(RecordingFile& file) : file_(file) {}
  std::size_t Append(const void* data, std::size_t size) override {
    const std::size_t written = file_.Append(data, size);
    failed_ |= written != size;
    return written;
  }
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
    const bool written = file_.WriteAt(offset, data, size);
    failed_ |= !written;
    return written;
  }
  std::uint64_t Length() const override { return file_.Length(); }
  bool Truncate(std::uint64_t length) override { return file_.Truncate(length); }
  bool Failed() const { return failed_; }

 private:
  RecordingFile& file_;
  bool failed_ = false;
};

}  // namespace sonotape
