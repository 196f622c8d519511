#pragma once
// One MP3 file's encoder: lame_enc.dll's stream with the buffers sized from what it reports,
// allocated once per file.

#include <cstddef>
#include <memory>
#include <string>

#include "audio/PcmFormat.h"
#include "audio/WavWriter.h"
#include "codecs/BeConfig.h"
#include "codecs/LameDll.h"

namespace sonotape {

class Mp3Encoder {
 public:
  explicit Mp3Encoder(const LameEntries& lame) : lame_(lame) {}
  Mp3Encoder(const Mp3Encoder&) = delete;
  Mp3Encoder& operator=(const Mp3Encoder&) = delete;
  ~Mp3Encoder() { Release(); }

  // Starts the stream for the input; on failure says why (the user's message).
  bool Start(const BE_CONFIG& config, const PcmFormat& format, std::string& failure);
  // Encodes n frames from Left() (and Right() for stereo) into file; the bytes written.
  std::size_t EncodeChunk(std::size_t n, RecordingFile& file);
  // Flushes the stream into file and closes the stream; the bytes written.
  std::size_t Finish(RecordingFile& file);
  // After the file is closed: the XING header, when the configuration asks for it.
  void WriteVbrHeader(const std::string& fileName) const;

  // Ends the stream without flushing and frees the buffers (a failed start, a closed file).
  void Release();

  std::size_t SamplesPerChunk() const { return framesPerChunk_; }
  float* Left() { return left_.get(); }
  float* Right() { return right_.get(); }

 private:
  const LameEntries& lame_;
  BE_CONFIG live_{};
  HBE_STREAM stream_ = nullptr;
  bool open_ = false;
  std::size_t framesPerChunk_ = 0;
  unsigned long outputSize_ = 0;
  std::unique_ptr<unsigned char[]> output_;
  std::unique_ptr<float[]> left_, right_;
};

}  // namespace sonotape
