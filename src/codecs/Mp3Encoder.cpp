#include "codecs/Mp3Encoder.h"

#include <new>

#include "audio/RecordingError.h"
#include "codecs/Mp3Settings.h"

namespace sonotape {

bool Mp3Encoder::Start(const BE_CONFIG& config, const PcmFormat& format, std::string& failure) {
  live_ = MakeLiveConfig(config, format.nSamplesPerSec, format.nChannels);
  unsigned long samples = 0;
  if (lame_.beInitStream == nullptr || lame_.beInitStream(&live_, &samples, &outputSize_, &stream_) != BE_ERR_SUCCESSFUL) {
    failure = "Initializing the LameEncoder stream failed";
    return false;
  }
  open_ = true;
  framesPerChunk_ = samples / format.nChannels;
  output_.reset(new (std::nothrow) unsigned char[outputSize_]);
  left_.reset(new (std::nothrow) float[framesPerChunk_]);
  right_.reset(new (std::nothrow) float[framesPerChunk_]);
  if (framesPerChunk_ == 0 || !output_ || !left_ || !right_) {
    failure = kOutOfMemoryText;
    return false;
  }
  return true;
}

std::size_t Mp3Encoder::EncodeChunk(std::size_t n, RecordingFile& file) {
  unsigned long written = 0;
  if (lame_.beEncodeChunkFloatS16NI(stream_, static_cast<unsigned long>(n), left_.get(), right_.get(), output_.get(),
                                    &written) != BE_ERR_SUCCESSFUL) {
    return 0;  // this chunk's output is lost; the next one goes on
  }
  return AppendWhole(file, output_.get(), written);  // whole frames or none
}

std::size_t Mp3Encoder::Finish(RecordingFile& file) {
  std::size_t bytes = 0;
  unsigned long written = 0;
  if (open_ && lame_.beDeinitStream != nullptr &&
      lame_.beDeinitStream(stream_, output_.get(), &written) == BE_ERR_SUCCESSFUL) {
    bytes = AppendWhole(file, output_.get(), written);
  }
  Release();
  return bytes;
}

void Mp3Encoder::WriteVbrHeader(const std::string& fileName) const {
  if (live_.lhv1.bWriteVBRHeader != 0 && lame_.beWriteVBRHeader != nullptr) {
    lame_.beWriteVBRHeader(fileName.c_str());
  }
}

void Mp3Encoder::Release() {
  if (open_ && lame_.beCloseStream != nullptr) {
    lame_.beCloseStream(stream_);
  }
  open_ = false;
  output_.reset();
  left_.reset();
  right_.reset();
}

}  // namespace sonotape
