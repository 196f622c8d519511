#include "audio/WavSink.h"

#include <new>

#include "audio/RecordingError.h"

namespace sonotape {

bool WavSink::Open(RecordingFile& file, const RecordingTags& /*tags*/, std::string& failure) {
  writer_.reset(new (std::nothrow) WavWriter(file, format_, maxFileLength_));
  if (!writer_) {
    failure = kOutOfMemoryText;
    return false;
  }
  return writer_->Start();  // a header that could not be written: the file says why
}

std::uint64_t WavSink::Write(const std::uint8_t* data, std::uint32_t length) {
  const std::uint64_t before = writer_->BytesWritten();
  writer_->Write(data, length);
  const std::uint64_t after = writer_->BytesWritten();
  return after > before ? after - before : 0;
}

void WavSink::Finish(bool /*writable*/) { writer_->Patch(); }

}  // namespace sonotape
