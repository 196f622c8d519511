#pragma once
// The MP3 reader: frames found and framed here, decoded to 16-bit PCM by the MP3 decoding library.
// The data starts at the first frame of the 4096 bytes behind a leading ID3v2 tag (or of the
// file's first 4096 bytes) that a second valid frame follows; a chunk holds whole decoded frames
// and ends at the first invalid header or short frame.

#include <memory>

#include "codecs/MpgLib.h"
#include "player/FileReader.h"
#include "player/Mp3Frame.h"

namespace sonotape {

class Mp3Reader : public FileReader {
 public:
  explicit Mp3Reader(Mp3Decoder& decoder) : decoder_(decoder) {}
  ~Mp3Reader() override { Close(); }
  Mp3Reader(const Mp3Reader&) = delete;
  Mp3Reader& operator=(const Mp3Reader&) = delete;

  bool Open(PlayerStream& stream, PcmFormat& format, std::string& errorText) override;
  std::size_t ReadChunk(std::uint8_t* buffer, std::size_t size) override;
  // To the first frame from the target's share of the data; a target of 0 or below is its start.
  bool Reposition(double targetSeconds, double totalSeconds) override;
  void Close() override;

 private:
  static constexpr std::size_t kFrameBufferSize = 4096;            // one frame; the search block
  static constexpr std::size_t kLargestDecodedFrame = 1152 * 2 * 2;  // MPEG 1, stereo, 16 bits

  // The bytes of the ID3v2 tag the file starts with, or 0.
  std::int64_t TagLength();
  // Seeks to the first frame at or behind offset, searching the 4096 bytes from there.
  std::optional<Mp3FrameHeader> Synchronise(std::int64_t offset);
  // The frame at the position into the frame buffer: its length, or 0 with the position kept
  // when no whole valid frame is there.
  std::size_t ReadFrame();
  // Starts the decoder afresh; decoderOpen_ says whether that worked.
  void ResetDecoder();

  Mp3Decoder& decoder_;
  PlayerStream* stream_ = nullptr;
  void* instance_ = nullptr;
  bool decoderOpen_ = false;
  std::unique_ptr<std::uint8_t[]> frame_;
  std::int64_t dataStart_ = 0;
};

}  // namespace sonotape
