#pragma once
// The WAV writer: a 46-byte header (18-byte fmt chunk) or, for an extensible format, a 68-byte
// header (40-byte fmt chunk), then the sample data exactly as delivered. The header carries the
// real format from the start and its two sizes are kept current every few seconds of audio, so
// a file cut off by a crash plays all but its last seconds.

#include <cstddef>
#include <cstdint>

#include "audio/PcmFormat.h"

namespace sonotape {

// Where a recording's bytes go.
class RecordingFile {
 public:
  virtual ~RecordingFile() = default;
  // Appends at the end; the bytes actually written.
  virtual std::size_t Append(const void* data, std::size_t size) = 0;
  // Rewrites bytes at offset without moving the end; false on failure.
  virtual bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
  // The bytes in the file.
  virtual std::uint64_t Length() const = 0;
  // Cuts the file back to length bytes; false on failure.
  virtual bool Truncate(std::uint64_t length) = 0;
};

// Appends data and then more whole or not at all: after a short write the file is cut back to
// where it ended. The bytes appended: all of them, or 0.
std::size_t AppendWhole(RecordingFile& file, const void* data, std::size_t size, const void* more = nullptr,
                        std::size_t moreSize = 0);

inline constexpr std::size_t kMaxWavHeaderSize = 68;

std::size_t WavHeaderSize(const PcmFormat& format);
// The header for a file of fileLength bytes in all (the low 32 bits of the sizes).
void BuildWavHeader(const PcmFormat& format, std::uint64_t fileLength, std::uint8_t (&header)[kMaxWavHeaderSize]);

class WavWriter {
 public:
  // No RIFF size may pass 32 bits.
  static constexpr std::uint64_t kMaxFileLength = 0xFFFFFFFFull;

  // maxFileLength lowers the limit for tests.
  WavWriter(RecordingFile& file, const PcmFormat& format, std::uint64_t maxFileLength = kMaxFileLength);

  // Writes the header; false when it could not be written whole.
  bool Start();
  // Whether length more bytes keep the file within its limit.
  bool Fits(std::uint64_t length) const;
  // Appends the data unchanged. After a short write the file is cut back to its last whole
  // frame, and only whole frames are counted.
  void Write(const void* data, std::size_t length);
  // Rewrites the header with the final sizes; false on a write error.
  bool Patch();
  // The file's length: header and data.
  std::uint64_t BytesWritten() const { return bytesWritten_; }

 private:
  bool WriteSizes();
  void CutToWholeFrames();

  RecordingFile& file_;
  PcmFormat format_;
  std::uint64_t maxFileLength_;
  std::uint64_t bytesWritten_ = 0;
  std::uint64_t sizesWrittenAt_ = 0;
  std::uint64_t sizesInterval_;
};

}  // namespace sonotape
