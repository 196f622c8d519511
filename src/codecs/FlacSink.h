#pragma once
// The FLAC file of a recording: the input's integer samples as they are, float input quantised
// to 24 bits, in the WAVE channel order that FLAC shares.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/PcmFormat.h"
#include "audio/RecordingError.h"
#include "audio/RecordingSink.h"
#include "codecs/FlacEncoder.h"

namespace sonotape {

// The stream a PCM input is recorded as.
FlacStreamFormat FlacFormatOf(const PcmFormat& format, SampleKind kind);

class FlacSink final : public RecordingSink {
 public:
  FlacSink(const FlacBindings& libraries, const FlacSettings& settings, SampleKind kind, const PcmFormat& format)
      : encoder_(libraries), settings_(settings), kind_(kind), format_(format) {}

  bool Open(RecordingFile& file, const RecordingTags& tags, std::string& failure) override;
  std::uint64_t Write(const std::uint8_t* data, std::uint32_t length) override;
  void Finish(bool writable) override;
  std::uint64_t BytesInFile() const override { return encoder_.BytesInFile(); }
  std::uint64_t HeaderBytes() const override { return encoder_.HeaderBytes(); }

 private:
  FlacEncoder encoder_;
  FlacSettings settings_;
  SampleKind kind_;
  PcmFormat format_;
  std::optional<WatchedFile> file_;
  std::vector<std::int32_t> samples_;  // one chunk of the input, converted
  bool failed_ = false;
};

// The sink of a FLAC recording of this input, or none and why: the library is missing, or the
// input is AC-3 over S/PDIF.
std::unique_ptr<RecordingSink> MakeFlacSink(const FlacSettings& settings, SampleKind kind, const PcmFormat& format,
                                            RecordingError& error);

}  // namespace sonotape
