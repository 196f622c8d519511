#pragma once
// The MP3 file of a recording: an ID3v2 tag, then the input converted to floats in chunks and
// encoded by lame_enc.dll, the XING header written into the closed file when the settings ask
// for it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/PcmFormat.h"
#include "audio/RecordingError.h"
#include "audio/RecordingSink.h"
#include "codecs/BeConfig.h"
#include "codecs/Mp3Encoder.h"

namespace sonotape {

class Mp3Sink final : public RecordingSink {
 public:
  Mp3Sink(const LameEntries& lame, const BE_CONFIG& settings, SampleKind kind, const PcmFormat& format)
      : encoder_(lame), settings_(settings), kind_(kind), format_(format) {}

  bool Open(RecordingFile& file, const RecordingTags& tags, std::string& failure) override;
  std::uint64_t Write(const std::uint8_t* data, std::uint32_t length) override;
  void Finish(bool writable) override;
  void Closed(const std::string& fileName) override;
  std::uint64_t BytesInFile() const override { return bytes_; }
  std::uint64_t HeaderBytes() const override { return tagBytes_; }

 private:
  Mp3Encoder encoder_;
  BE_CONFIG settings_;
  SampleKind kind_;
  PcmFormat format_;
  std::optional<WatchedFile> file_;
  std::uint64_t bytes_ = 0;
  std::uint64_t tagBytes_ = 0;  // the ID3v2 tag before the first frame
};

// The sink of an MP3 recording of this input, or none and why: lame_enc.dll is missing or too
// old (the next start records WAV), the input is AC-3 over S/PDIF or has more than two channels.
std::unique_ptr<RecordingSink> MakeMp3Sink(const BE_CONFIG& settings, SampleKind kind, const PcmFormat& format,
                                           RecordingError& error);

}  // namespace sonotape
