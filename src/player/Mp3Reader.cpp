#include "player/Mp3Reader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "codecs/Tags.h"
#include "player/StreamAccess.h"

namespace sonotape {

bool Mp3Reader::Open(PlayerStream& stream, PcmFormat& format, std::string& errorText) {
  Close();
  stream_ = &stream;
  if (!decoder_.Load()) {
    errorText = "MpgLib.dll is required for MP3 playback";
    return false;
  }
  if (!decoder_.Open(instance_)) {
    return false;
  }
  decoderOpen_ = true;
  frame_.reset(new (std::nothrow) std::uint8_t[kFrameBufferSize]);
  if (!frame_) {
    errorText = "Not enough memory";
    return false;
  }
  const std::optional<Mp3FrameHeader> first = Synchronise(TagLength());
  const std::optional<std::int64_t> start = StreamPosition(stream);
  if (!first || !start) {
    return false;
  }
  dataStart_ = *start;
  const PcmFormat handedIn = format;
  format = PcmFormat{};
  format.wFormatTag = kFormatPcm;
  format.nChannels = handedIn.nChannels;
  format.nSamplesPerSec = static_cast<std::uint32_t>(first->sampleRate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = static_cast<std::uint16_t>(2 * format.nChannels);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  return true;
}

std::size_t Mp3Reader::ReadChunk(std::uint8_t* buffer, std::size_t size) {
  std::size_t done = 0;
  while (decoderOpen_ && size - done >= kLargestDecodedFrame) {
    const int room = static_cast<int>(std::min<std::size_t>(size - done, INT_MAX));
    int result = kMpgLibNeedMore;
    int produced = 0;
    while (result == kMpgLibNeedMore) {
      const std::size_t length = ReadFrame();
      if (length == 0) {
        return done;
      }
      result = decoder_.Decode(instance_, reinterpret_cast<const char*>(frame_.get()), static_cast<int>(length),
                               reinterpret_cast<char*>(buffer + done), room, produced);
    }
    // A decoder that claims more than the room it was given is taken at its error.
    if (result == kMpgLibError || produced < 0 || produced > room) {
      ResetDecoder();
      return done;
    }
    done += static_cast<std::size_t>(produced);
  }
  return done;
}

bool Mp3Reader::Reposition(double targetSeconds, double totalSeconds) {
  if (stream_ == nullptr || !frame_ || !(totalSeconds > 0)) {
    return false;
  }
  ResetDecoder();  // a decoder lost by an earlier reset is opened again
  const std::optional<std::int64_t> length = StreamLength(*stream_);
  if (!decoderOpen_ || !length) {
    return false;
  }
  const double share = std::max(targetSeconds, 0.0) / totalSeconds;
  const auto offset = static_cast<std::int64_t>(std::trunc(static_cast<double>(*length - dataStart_) * share));
  return Synchronise(dataStart_ + std::max<std::int64_t>(offset, 0)).has_value();
}

void Mp3Reader::Close() {
  if (decoderOpen_) {
    decoder_.Close(instance_);
    decoderOpen_ = false;
  }
  frame_.reset();
  stream_ = nullptr;
}

std::int64_t Mp3Reader::TagLength() {
  std::uint8_t header[kId3v2HeaderSize];
  if (!SeekStream(*stream_, 0) || ReadStream(*stream_, header, sizeof header) != sizeof header) {
    return 0;
  }
  return static_cast<std::int64_t>(Id3v2TagLength(header, sizeof header));
}

std::optional<Mp3FrameHeader> Mp3Reader::Synchronise(std::int64_t offset) {
  if (!SeekStream(*stream_, offset)) {
    return std::nullopt;
  }
  const std::size_t got = ReadStream(*stream_, frame_.get(), kFrameBufferSize);
  const std::optional<std::size_t> found = FindMp3Frame(frame_.get(), std::min(got, kFrameBufferSize), kLayer3);
  if (!found || !SeekStream(*stream_, offset + static_cast<std::int64_t>(*found))) {
    return std::nullopt;
  }
  return ParseMp3Header(frame_.get() + *found, kLayer3);
}

std::size_t Mp3Reader::ReadFrame() {
  const std::optional<std::int64_t> position = StreamPosition(*stream_);
  if (!position) {
    return 0;
  }
  std::optional<Mp3FrameHeader> header;
  if (ReadStream(*stream_, frame_.get(), kMp3HeaderSize) == kMp3HeaderSize) {
    header = ParseMp3Header(frame_.get(), kLayer3);
  }
  if (header && header->length <= kFrameBufferSize) {
    const std::size_t rest = header->length - kMp3HeaderSize;
    if (ReadStream(*stream_, frame_.get() + kMp3HeaderSize, rest) == rest) {
      return header->length;
    }
  }
  SeekStream(*stream_, *position);
  return 0;
}

void Mp3Reader::ResetDecoder() {
  decoderOpen_ = decoderOpen_ ? decoder_.Reset(instance_) : decoder_.Open(instance_);
}

}  // namespace sonotape
