#include "player/WavReader.h"

#include <algorithm>
#include <cmath>

#include "audio/WavWriter.h"
#include "player/StreamAccess.h"

namespace sonotape {

bool WavReader::Open(PlayerStream& stream, PcmFormat& format, std::string&) {
  stream_ = &stream;
  format_ = format;
  dataStart_ = static_cast<std::int64_t>(WavHeaderSize(format));
  return SeekStream(stream, dataStart_);
}

std::size_t WavReader::ReadChunk(std::uint8_t* buffer, std::size_t size) {
  return stream_ != nullptr ? ReadStream(*stream_, buffer, size) : 0;
}

bool WavReader::Reposition(double targetSeconds, double) {
  // A format record without its block alignment or byte rate gets them from channels, bits and
  // rate; without those either there is no frame to seek to.
  const std::int64_t blockAlign = format_.nBlockAlign != 0
                                      ? format_.nBlockAlign
                                      : std::int64_t{format_.nChannels} * ((format_.wBitsPerSample + 7) / 8);
  if (stream_ == nullptr || blockAlign == 0) {
    return false;
  }
  const double bytesPerSecond = format_.nAvgBytesPerSec != 0
                                    ? format_.nAvgBytesPerSec
                                    : static_cast<double>(format_.nSamplesPerSec) * static_cast<double>(blockAlign);
  const auto bytes = static_cast<std::int64_t>(std::nearbyint(bytesPerSecond * std::max(targetSeconds, 0.0)));
  return SeekStream(*stream_, dataStart_ + bytes / blockAlign * blockAlign);
}

}  // namespace sonotape
