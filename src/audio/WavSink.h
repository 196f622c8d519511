#pragma once
// The WAV file of a recording: the delivered samples unchanged behind a header of their format.

#include <cstdint>
#include <memory>
#include <string>

#include "audio/PcmFormat.h"
#include "audio/RecordingSink.h"
#include "audio/WavWriter.h"

namespace sonotape {

class WavSink final : public RecordingSink {
 public:
  // maxFileLength lowers the WAV file limit for tests.
  WavSink(const PcmFormat& format, std::uint64_t maxFileLength) : format_(format), maxFileLength_(maxFileLength) {}

  bool Open(RecordingFile& file, const RecordingTags& tags, std::string& failure) override;
  bool Fits(std::uint64_t length) const override { return writer_->Fits(length); }
  std::uint64_t Write(const std::uint8_t* data, std::uint32_t length) override;
  // The header's sizes cover whole frames, also after a failed write.
  void Finish(bool writable) override;
  std::uint64_t BytesInFile() const override { return writer_ ? writer_->BytesWritten() : 0; }
  std::uint64_t HeaderBytes() const override { return WavHeaderSize(format_); }

 private:
  PcmFormat format_;
  std::uint64_t maxFileLength_;
  std::unique_ptr<WavWriter> writer_;
};

}  // namespace sonotape
