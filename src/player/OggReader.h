#pragma once
// The Ogg Vorbis reader: 16-bit PCM from vorbisfile, its channels moved from the Vorbis order into
// the WAVE order of the recording.

#include <cstddef>
#include <cstdint>

#include "codecs/VorbisFileDll.h"
#include "player/FileReader.h"

namespace sonotape {

// Moves the channels of the whole frames of 16-bit pcm from the Vorbis order into the WAVE order:
// 3 and 5 channels swap the second and third, 6 channels (FL FC FR RL RR LFE) become
// FL FR FC LFE RL RR. Other counts are left as they are.
void ReorderVorbisChannels(std::uint8_t* pcm, std::size_t bytes, unsigned channels);

class OggReader : public FileReader {
 public:
  explicit OggReader(VorbisFileBinding& vorbisfile) : vorbisfile_(vorbisfile) {}
  ~OggReader() override { Close(); }
  OggReader(const OggReader&) = delete;
  OggReader& operator=(const OggReader&) = delete;

  bool Open(PlayerStream& stream, PcmFormat& format, std::string& errorText) override;
  std::size_t ReadChunk(std::uint8_t* buffer, std::size_t size) override;
  // Opens the stream again and seeks to the target's time; a target of 0 or below is the start.
  bool Reposition(double targetSeconds, double totalSeconds) override;
  void Close() override;

 private:
  bool OpenDecoder();

  VorbisFileBinding& vorbisfile_;
  PlayerStream* stream_ = nullptr;  // vorbisfile's datasource is this variable's address
  OggVorbis_File file_{};
  bool decoderOpen_ = false;
  unsigned channels_ = 0;
};

}  // namespace sonotape
