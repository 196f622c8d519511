#pragma once
// One Ogg Vorbis file's encoder: libvorbis analysis into libogg pages, written as they leave.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/WavWriter.h"
#include "codecs/CodecState.h"
#include "codecs/VorbisDll.h"

namespace sonotape {

struct OggSettings {
  bool variableBitRate = true;
  int quality = 4;  // -1..10
};

// The average bit rate (kbps) of a quality position, as the settings page shows it.
int OggAverageBitrate(int quality);

class OggEncoder {
 public:
  explicit OggEncoder(const VorbisBindings& libraries) : ogg_(libraries.Ogg()), vorbis_(libraries.Vorbis()),
                                                          encoder_(libraries.VorbisEnc()) {}
  OggEncoder(const OggEncoder&) = delete;
  OggEncoder& operator=(const OggEncoder&) = delete;
  ~OggEncoder() { Release(); }

  // Sets the encoder up and writes the three headers, comments ("KEY=value") in the second, into
  // file (audio starts on a fresh page, as the Vorbis framing requires); on failure says why,
  // unless the headers could not be written. Pages go into the file whole or not at all.
  bool Start(const OggSettings& settings, unsigned channels, std::uint32_t sampleRate,
             const std::vector<std::string>& comments, RecordingFile& file, std::string& failure);
  // The bytes the headers took.
  std::size_t HeaderBytes() const { return headerBytes_; }
  // libvorbis's input arrays for n frames (Vorbis channel order).
  float** Buffer(std::size_t n);
  // n frames were filled: analysis, packets, pages into file; the bytes written.
  std::size_t EncodeChunk(std::size_t n, RecordingFile& file);
  // End of stream: the last pages up to the one flagged end-of-stream; then releases.
  std::size_t Finish(RecordingFile& file);
  void Release();

 private:
  bool SetUp(const OggSettings& settings, unsigned channels, std::uint32_t sampleRate,
             const std::vector<std::string>& comments);
  std::size_t Drain(RecordingFile& file, bool finishing);

  const OggEntries& ogg_;
  const VorbisEntries& vorbis_;
  const VorbisEncEntries& encoder_;
  std::size_t headerBytes_ = 0;
  // Cleared in the reverse order: the stream, the block, the analysis, the comment, the info.
  CodecState<vorbis_info, decltype(&::vorbis_info_clear)> info_;
  CodecState<vorbis_comment, decltype(&::vorbis_comment_clear)> comment_;
  CodecState<vorbis_dsp_state, decltype(&::vorbis_dsp_clear)> dsp_;
  CodecState<vorbis_block, decltype(&::vorbis_block_clear)> block_;
  CodecState<ogg_stream_state, decltype(&::ogg_stream_clear)> stream_;
};

}  // namespace sonotape
