#include "codecs/Mp3Sink.h"

#include <new>
#include <vector>

#include "audio/SampleConversion.h"
#include "codecs/LameDll.h"
#include "codecs/Tags.h"

namespace sonotape {

// The tag goes first: LAME's XING header writer skips it to find the first frame.
bool Mp3Sink::Open(RecordingFile& file, const RecordingTags& tags, std::string& failure) {
  file_.emplace(file);
  const std::vector<std::uint8_t> tag = Id3v2Tag(tags);
  if (AppendWhole(*file_, tag.data(), tag.size()) != tag.size()) {
    return false;
  }
  tagBytes_ = bytes_ = tag.size();
  return encoder_.Start(settings_, format_, failure);
}

std::uint64_t Mp3Sink::Write(const std::uint8_t* data, std::uint32_t length) {
  ConvertForMp3(format_, kind_, data, length, encoder_.SamplesPerChunk(), encoder_.Left(), encoder_.Right(),
                [this](std::size_t n) { bytes_ += encoder_.EncodeChunk(n, *file_); });
  return file_->Failed() ? 0 : length;
}

void Mp3Sink::Finish(bool writable) {
  if (writable) {
    bytes_ += encoder_.Finish(*file_);
  }
  encoder_.Release();
}

void Mp3Sink::Closed(const std::string& fileName) { encoder_.WriteVbrHeader(fileName); }

std::unique_ptr<RecordingSink> MakeMp3Sink(const BE_CONFIG& settings, SampleKind kind, const PcmFormat& format,
                                           RecordingError& error) {
  if (!LoadLame()) {
    error = Failure(RecordingError::kMissingLibrary, "lame_enc.dll > 3.9 is required for MP3 encoding");
    error.switchToWav = true;
    return nullptr;
  }
  if (kind == skSpdif) {
    error = Failure(RecordingError::kRefusedFormat, "Cannot record MP3 from SPDIF output");
    return nullptr;
  }
  if (format.nChannels > 2) {
    error = Failure(RecordingError::kRefusedFormat,
                    "Cannot record - for MP3 the data delivered by the decoder\r\nmust be mono or stereo");
    return nullptr;
  }
  std::unique_ptr<RecordingSink> sink(new (std::nothrow) Mp3Sink(Lame().Entries(), settings, kind, format));
  if (!sink) {
    error = Failure(RecordingError::kFailed, kOutOfMemoryText);
  }
  return sink;
}

}  // namespace sonotape
