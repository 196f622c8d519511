#pragma once
// The WAV reader: the recorded samples as they are, from the fixed offset behind the header that
// the recorder writes (68 bytes for an extensible format, 46 otherwise); the header itself is not
// read.

#include "player/FileReader.h"

namespace sonotape {

class WavReader : public FileReader {
 public:
  bool Open(PlayerStream& stream, PcmFormat& format, std::string& errorText) override;
  std::size_t ReadChunk(std::uint8_t* buffer, std::size_t size) override;
  // To the frame at the target's byte offset; a target of 0 or below is the start of the data.
  bool Reposition(double targetSeconds, double totalSeconds) override;
  void Close() override {}

 private:
  PlayerStream* stream_ = nullptr;
  PcmFormat format_{};
  std::int64_t dataStart_ = 0;
};

}  // namespace sonotape
