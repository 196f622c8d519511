#include "codecs/OggSink.h"

#include <new>

#include "audio/SampleConversion.h"
#include "codecs/Tags.h"

namespace sonotape {

bool OggSink::Open(RecordingFile& file, const RecordingTags& tags, std::string& failure) {
  file_.emplace(file);
  const bool started =
      encoder_.Start(settings_, format_.nChannels, format_.nSamplesPerSec, VorbisComments(tags), *file_, failure);
  bytes_ = encoder_.HeaderBytes();
  return started;
}

std::uint64_t OggSink::Write(const std::uint8_t* data, std::uint32_t length) {
  ConvertForOgg(format_, kind_, data, length, [this](std::size_t n) { return encoder_.Buffer(n); },
                [this](std::size_t n) { bytes_ += encoder_.EncodeChunk(n, *file_); });
  return file_->Failed() ? 0 : length;
}

void OggSink::Finish(bool writable) {
  if (writable) {
    bytes_ += encoder_.Finish(*file_);
  }
  encoder_.Release();
}

std::unique_ptr<RecordingSink> MakeOggSink(const OggSettings& settings, SampleKind kind, const PcmFormat& format,
                                           RecordingError& error) {
  VorbisBindings& libraries = VorbisLibraries();
  if (!libraries.LoadVorbis() || !libraries.LoadVorbisEnc() || !libraries.LoadOgg() || !libraries.Complete()) {
    error = Failure(RecordingError::kMissingLibrary,
                    "vorbis.dll, vorbisenc.dll and ogg.dll\r\nare required for Ogg Vorbis encoding");
    return nullptr;
  }
  if (kind == skSpdif) {
    error = Failure(RecordingError::kRefusedFormat, "Cannot record Ogg Vorbis from SPDIF output");
    return nullptr;
  }
  std::unique_ptr<RecordingSink> sink(new (std::nothrow) OggSink(libraries, settings, kind, format));
  if (!sink) {
    error = Failure(RecordingError::kFailed, kOutOfMemoryText);
  }
  return sink;
}

}  // namespace sonotape
