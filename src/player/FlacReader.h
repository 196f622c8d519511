#pragma once
// The FLAC reader: the file's samples as PCM of their own depth (a whole number of bytes, the
// samples in its top bits; 8-bit unsigned as WAVE has it), the channels in FLAC's order, which is
// the WAVE order, and a channel mask that says so. Decoded by libFLAC's stream decoder through the
// player's stream, up to where the data ends, also in a file still being written.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "codecs/FlacDll.h"
#include "player/FileReader.h"

namespace sonotape {

class FlacReader : public FileReader {
 public:
  explicit FlacReader(FlacBindings& flac) : flac_(flac) {}
  ~FlacReader() override { Close(); }
  FlacReader(const FlacReader&) = delete;
  FlacReader& operator=(const FlacReader&) = delete;

  bool Open(PlayerStream& stream, PcmFormat& format, std::string& errorText) override;
  std::size_t ReadChunk(std::uint8_t* buffer, std::size_t size) override;
  // To the sample at the target's time; a target of 0 or below is the start. False beyond the
  // end of the data.
  bool Reposition(double targetSeconds, double totalSeconds) override;
  void Close() override;

 private:
  struct StreamInfo {
    unsigned channels = 0;
    unsigned bitsPerSample = 0;
    std::uint32_t sampleRate = 0;
  };
  using Decoder = std::unique_ptr<FLAC__StreamDecoder, decltype(&::FLAC__stream_decoder_delete)>;

  bool OpenDecoder();
  // Decodes until a frame waits in pending_; false at the end of the data or on a failure.
  bool DecodeFrame();
  bool TakeFrame(const FLAC__Frame& frame, const FLAC__int32* const channels[]);

  static FLAC__StreamDecoderReadStatus OnRead(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                              void* self);
  static FLAC__StreamDecoderSeekStatus OnSeek(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* self);
  static FLAC__StreamDecoderTellStatus OnTell(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* self);
  static FLAC__StreamDecoderLengthStatus OnLength(const FLAC__StreamDecoder*, FLAC__uint64* length, void* self);
  static FLAC__bool OnEof(const FLAC__StreamDecoder*, void* self);
  static FLAC__StreamDecoderWriteStatus OnWrite(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                const FLAC__int32* const buffer[], void* self);
  static void OnMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* self);
  static void OnError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}

  FlacBindings& flac_;
  PlayerStream* stream_ = nullptr;
  Decoder decoder_{nullptr, nullptr};
  StreamInfo info_;
  bool hasInfo_ = false;
  std::uint32_t commentMask_ = 0;  // the speaker positions a comment names, if any
  unsigned sampleBytes_ = 0;
  std::vector<std::uint8_t> pending_;  // a decoded frame as output PCM, from pendingAt_ on
  std::size_t pendingAt_ = 0;
};

}  // namespace sonotape
