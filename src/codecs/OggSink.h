#pragma once
// The Ogg Vorbis file of a recording: the input converted to floats in Vorbis channel order and
// encoded by libvorbis into libogg pages.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/PcmFormat.h"
#include "audio/RecordingError.h"
#include "audio/RecordingSink.h"
#include "codecs/OggEncoder.h"

namespace sonotape {

class OggSink final : public RecordingSink {
 public:
  OggSink(const VorbisBindings& libraries, const OggSettings& settings, SampleKind kind, const PcmFormat& format)
      : encoder_(libraries), settings_(settings), kind_(kind), format_(format) {}

  bool Open(RecordingFile& file, const RecordingTags& tags, std::string& failure) override;
  std::uint64_t Write(const std::uint8_t* data, std::uint32_t length) override;
  void Finish(bool writable) override;
  std::uint64_t BytesInFile() const override { return bytes_; }
  std::uint64_t HeaderBytes() const override { return encoder_.HeaderBytes(); }

 private:
  OggEncoder encoder_;
  OggSettings settings_;
  SampleKind kind_;
  PcmFormat format_;
  std::optional<WatchedFile> file_;
  std::uint64_t bytes_ = 0;
};

// The sink of an Ogg Vorbis recording of this input, or none and why: a library is missing, or
// the input is AC-3 over S/PDIF.
std::unique_ptr<RecordingSink> MakeOggSink(const OggSettings& settings, SampleKind kind, const PcmFormat& format,
                                           RecordingError& error);

}  // namespace sonotape
