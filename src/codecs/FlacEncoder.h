#pragma once
// One FLAC file's encoder: libFLAC's stream encoder writing into a recording file, frames whole
// or not at all. The stream's metadata goes first with the sample count and MD5 left open; the
// finish fills them in, and the seek table's points, in place.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/WavWriter.h"
#include "codecs/FlacDll.h"

namespace sonotape {

// libFLAC's compression levels: the fastest encoding, and the smallest files.
inline constexpr int kFlacFastestLevel = 0;
inline constexpr int kFlacSmallestLevel = 8;

struct FlacSettings {
  int level = 5;  // compression level, kFlacFastestLevel to kFlacSmallestLevel
};

struct FlacStreamFormat {
  unsigned channels = 2;
  unsigned bitsPerSample = 16;
  std::uint32_t sampleRate = 48000;
};

// Seek points every this many seconds for the first day of a recording.
inline constexpr std::uint32_t kFlacSeekPointSeconds = 10;
inline constexpr std::uint32_t kFlacSeekTableSeconds = 24 * 3600;
inline constexpr unsigned kFlacPaddingBytes = 4096;  // room to edit the tags in place

class FlacEncoder {
 public:
  explicit FlacEncoder(const FlacBindings& libraries)
      : encoder_(nullptr, libraries.Encoder().stream_encoder_delete), entries_(libraries.Encoder()),
        metadata_(libraries.Metadata()) {}
  FlacEncoder(const FlacEncoder&) = delete;
  FlacEncoder& operator=(const FlacEncoder&) = delete;
  ~FlacEncoder() { Release(); }

  // Sets the encoder up and writes the stream's metadata into file, which it writes to until
  // Finish; comments are the Vorbis comments ("NAME=value", UTF-8). On failure says why, unless
  // the metadata could not be written.
  bool Start(const FlacSettings& settings, const FlacStreamFormat& format, const std::vector<std::string>& comments,
             RecordingFile& file, std::string& failure);
  std::uint64_t HeaderBytes() const { return headerBytes_; }
  // The bytes in the file.
  std::uint64_t BytesInFile() const { return end_; }
  // frames of interleaved samples, right-justified; false once the encoder failed.
  bool Encode(const std::int32_t* samples, std::size_t frames);
  // The last frames, then STREAMINFO and the seek table rewritten; then releases.
  bool Finish();
  void Release();

 private:
  using Object = std::unique_ptr<FLAC__StreamMetadata, decltype(&::FLAC__metadata_object_delete)>;

  Object NewObject(FLAC__MetadataType type) { return Object(metadata_.object_new(type), metadata_.object_delete); }
  bool MakeMetadata(const FlacStreamFormat& format, const std::vector<std::string>& comments);
  bool Configure(const FlacSettings& settings, const FlacStreamFormat& format);
  void UnreachedPointsToPlaceholders();
  bool WriteBytes(const void* data, std::size_t size);
  bool Rewrite(const void* data, std::size_t size);
  bool FlushRewrite();

  static FLAC__StreamEncoderWriteStatus OnWrite(const FLAC__StreamEncoder*, const FLAC__byte buffer[], size_t bytes,
                                                uint32_t samples, uint32_t frame, void* self);
  static FLAC__StreamEncoderSeekStatus OnSeek(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* self);
  static FLAC__StreamEncoderTellStatus OnTell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* self);

  // The metadata outlive the encoder, which refers to them until it is deleted.
  Object seekTable_{nullptr, nullptr};
  Object comments_{nullptr, nullptr};
  Object padding_{nullptr, nullptr};
  std::unique_ptr<FLAC__StreamEncoder, decltype(&::FLAC__stream_encoder_delete)> encoder_;
  const FlacEncoderEntries& entries_;
  const FlacMetadataEntries& metadata_;
  RecordingFile* file_ = nullptr;
  std::uint64_t position_ = 0;  // where the next write goes
  std::uint64_t end_ = 0;
  std::uint64_t headerBytes_ = 0;
  std::uint64_t framesIn_ = 0;
  // The finish rewrites the metadata in many small pieces (a seek point at a time): gathered
  // while they follow each other, they reach the file in few writes.
  std::vector<std::uint8_t> rewrite_;
  std::uint64_t rewriteAt_ = 0;
};

}  // namespace sonotape
