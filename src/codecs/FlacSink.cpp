#include "codecs/FlacSink.h"

#include <algorithm>
#include <new>

#include "audio/SampleConversion.h"
#include "codecs/FlacChannels.h"
#include "codecs/Tags.h"

namespace sonotape {

namespace {

constexpr std::size_t kChunkFrames = 4096;

}  // namespace

FlacStreamFormat FlacFormatOf(const PcmFormat& format, SampleKind kind) {
  return {format.nChannels, kind == skFloat ? 24u : format.wBitsPerSample, format.nSamplesPerSec};
}

bool FlacSink::Open(RecordingFile& file, const RecordingTags& tags, std::string& failure) {
  file_.emplace(file);
  try {
    samples_.assign(kChunkFrames * format_.nChannels, 0);
  } catch (const std::bad_alloc&) {
    failure = kOutOfMemoryText;
    return false;
  }
  std::vector<std::string> comments = VorbisComments(tags);
  if (std::string mask = FlacChannelMaskComment(format_); !mask.empty()) {
    comments.push_back(std::move(mask));
  }
  return encoder_.Start(settings_, FlacFormatOf(format_, kind_), comments, *file_, failure);
}

std::uint64_t FlacSink::Write(const std::uint8_t* data, std::uint32_t length) {
  std::size_t frames = length / format_.nBlockAlign;
  while (frames > 0 && !failed_) {
    const std::size_t n = std::min(frames, kChunkFrames);
    ConvertToInt32(format_, kind_, data, n, samples_.data());
    failed_ = !encoder_.Encode(samples_.data(), n);
    data += n * format_.nBlockAlign;
    frames -= n;
  }
  return failed_ || file_->Failed() ? 0 : length;
}

void FlacSink::Finish(bool writable) {
  if (writable && !failed_) {
    encoder_.Finish();
  }
  encoder_.Release();
}

std::unique_ptr<RecordingSink> MakeFlacSink(const FlacSettings& settings, SampleKind kind, const PcmFormat& format,
                                            RecordingError& error) {
  FlacBindings& library = FlacLibrary();
  if (!library.Load()) {
    error = Failure(RecordingError::kMissingLibrary, "libFLAC.dll is required for FLAC encoding");
    error.switchToWav = true;
    return nullptr;
  }
  if (kind == skSpdif) {
    error = Failure(RecordingError::kRefusedFormat, "Cannot record FLAC from SPDIF output");
    return nullptr;
  }
  std::unique_ptr<RecordingSink> sink(new (std::nothrow) FlacSink(library, settings, kind, format));
  if (!sink) {
    error = Failure(RecordingError::kFailed, kOutOfMemoryText);
  }
  return sink;
}

}  // namespace sonotape
