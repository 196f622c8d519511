#include "audio/WavWriter.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace sonotape {

static_assert(std::endian::native == std::endian::little, "the format record is copied as it lies in memory");

namespace {

constexpr std::size_t kShortHeaderSize = 46;
constexpr std::size_t kExtensibleHeaderSize = 68;
constexpr std::uint64_t kRiffSizeOffset = 4;
// The sizes are brought up to date after at least this much audio, and at least this many bytes.
constexpr std::uint64_t kSizesSeconds = 2;
constexpr std::uint64_t kSizesMinimumBytes = 64 * 1024;

void Put32(std::uint8_t* at, std::uint32_t value) { std::memcpy(at, &value, 4); }

std::uint32_t Low32(std::uint64_t value) { return static_cast<std::uint32_t>(value & 0xFFFFFFFFu); }

bool IsExtensible(const PcmFormat& format) { return format.wFormatTag == kFormatExtensible; }

std::uint64_t DataSizeOffset(const PcmFormat& format) { return WavHeaderSize(format) - 4; }

}  // namespace

std::size_t WavHeaderSize(const PcmFormat& format) {
  return IsExtensible(format) ? kExtensibleHeaderSize : kShortHeaderSize;
}

void BuildWavHeader(const PcmFormat& format, std::uint64_t fileLength, std::uint8_t (&header)[kMaxWavHeaderSize]) {
  const std::size_t size = WavHeaderSize(format);
  const std::size_t formatSize = IsExtensible(format) ? sizeof(PcmFormat) : kShortFormatSize;
  std::memset(header, 0, sizeof header);
  std::memcpy(header, "RIFF", 4);
  Put32(header + kRiffSizeOffset, Low32(fileLength - 8));
  std::memcpy(header + 8, "WAVEfmt ", 8);
  Put32(header + 16, static_cast<std::uint32_t>(formatSize));
  std::memcpy(header + 20, &format, formatSize);
  std::memcpy(header + 20 + formatSize, "data", 4);
  Put32(header + size - 4, Low32(fileLength >= size ? fileLength - size : 0));
}

std::size_t AppendWhole(RecordingFile& file, const void* data, std::size_t size, const void* more,
                        std::size_t moreSize) {
  const std::uint64_t end = file.Length();
  if (file.Append(data, size) == size && (moreSize == 0 || file.Append(more, moreSize) == moreSize)) {
    return size + moreSize;
  }
  file.Truncate(end);  // should this fail too, the bytes after end are not counted all the same
  return 0;
}

WavWriter::WavWriter(RecordingFile& file, const PcmFormat& format, std::uint64_t maxFileLength)
    : file_(file),
      format_(format),
      maxFileLength_(maxFileLength),
      sizesInterval_(std::max<std::uint64_t>(kSizesSeconds * format.nAvgBytesPerSec, kSizesMinimumBytes)) {}

bool WavWriter::Start() {
  std::uint8_t header[kMaxWavHeaderSize];
  const std::size_t size = WavHeaderSize(format_);
  BuildWavHeader(format_, size, header);
  bytesWritten_ = file_.Append(header, size);
  sizesWrittenAt_ = bytesWritten_;
  return bytesWritten_ == size;
}

bool WavWriter::Fits(std::uint64_t length) const { return bytesWritten_ + length <= maxFileLength_; }

void WavWriter::Write(const void* data, std::size_t length) {
  const std::size_t written = file_.Append(data, length);
  bytesWritten_ += written;
  if (written != length) {
    CutToWholeFrames();
  } else if (bytesWritten_ - sizesWrittenAt_ >= sizesInterval_) {
    WriteSizes();
  }
}

void WavWriter::CutToWholeFrames() {
  const std::uint64_t header = WavHeaderSize(format_);
  const std::uint64_t data = bytesWritten_ > header ? bytesWritten_ - header : 0;
  bytesWritten_ = header + data - (format_.nBlockAlign > 0 ? data % format_.nBlockAlign : 0);
  file_.Truncate(bytesWritten_);  // should this fail, the header still covers whole frames only
}

bool WavWriter::WriteSizes() {
  std::uint8_t header[kMaxWavHeaderSize];
  BuildWavHeader(format_, bytesWritten_, header);
  // One write from the RIFF size through the data size: the bytes between are unchanged.
  const std::uint64_t end = DataSizeOffset(format_) + 4;
  const bool written = file_.WriteAt(kRiffSizeOffset, header + kRiffSizeOffset, end - kRiffSizeOffset);
  sizesWrittenAt_ = bytesWritten_;
  return written;
}

bool WavWriter::Patch() {
  std::uint8_t header[kMaxWavHeaderSize];
  BuildWavHeader(format_, bytesWritten_, header);
  return file_.WriteAt(0, header, WavHeaderSize(format_));
}

}  // namespace sonotape
