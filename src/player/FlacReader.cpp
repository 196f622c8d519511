#include "player/FlacReader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "codecs/FlacChannels.h"
#include "player/StreamAccess.h"

namespace sonotape {

namespace {

FlacReader& Self(void* self) { return *static_cast<FlacReader*>(self); }

bool Decoding(FLAC__StreamDecoderState state) {
  return state == FLAC__STREAM_DECODER_SEARCH_FOR_FRAME_SYNC || state == FLAC__STREAM_DECODER_READ_FRAME;
}

// Samples of bits in whole bytes; the extensible form where the plain one cannot say what they
// are, or where the recording had it. A comment's mask counts when it names a speaker per channel.
PcmFormat OutputFormat(unsigned channels, unsigned bits, std::uint32_t rate, std::uint32_t commentMask,
                       bool extensible) {
  const std::uint32_t flacLayout = FlacDefaultChannelMask(channels);
  const std::uint32_t layout = std::popcount(commentMask) == static_cast<int>(channels) ? commentMask : flacLayout;
  const unsigned bytes = (bits + 7) / 8;
  PcmFormat format{};
  format.wFormatTag = kFormatPcm;
  format.nChannels = static_cast<std::uint16_t>(channels);
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = static_cast<std::uint16_t>(8 * bytes);
  format.nBlockAlign = static_cast<std::uint16_t>(bytes * channels);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  if (extensible || channels > 2 || bits != 8 * bytes || layout != flacLayout) {
    format.wFormatTag = kFormatExtensible;
    format.cbSize = 22;
    format.wValidBitsPerSample = static_cast<std::uint16_t>(bits);
    format.dwChannelMask = layout;
    format.SubFormat = kSubtypePcm;
  }
  return format;
}

}  // namespace

bool FlacReader::Open(PlayerStream& stream, PcmFormat& format, std::string& errorText) {
  Close();
  stream_ = &stream;
  if (!flac_.Load()) {
    errorText = "libFLAC.dll is required for FLAC playback";
    return false;
  }
  if (!OpenDecoder()) {
    decoder_.reset();
    return false;
  }
  sampleBytes_ = (info_.bitsPerSample + 7) / 8;
  format = OutputFormat(info_.channels, info_.bitsPerSample, info_.sampleRate, commentMask_,
                        format.wFormatTag == kFormatExtensible);
  return true;
}

// The stream's metadata up to its first frame, with a STREAMINFO that describes PCM.
bool FlacReader::OpenDecoder() {
  const FlacDecoderEntries& d = flac_.Decoder();
  decoder_ = Decoder(d.stream_decoder_new(), d.stream_decoder_delete);
  info_ = {};
  hasInfo_ = false;
  commentMask_ = 0;
  if (!decoder_ || !d.set_metadata_respond(decoder_.get(), FLAC__METADATA_TYPE_VORBIS_COMMENT) ||
      d.init_stream(decoder_.get(), OnRead, OnSeek, OnTell, OnLength, OnEof, OnWrite, OnMetadata, OnError, this) !=
          FLAC__STREAM_DECODER_INIT_STATUS_OK ||
      !d.process_until_end_of_metadata(decoder_.get())) {
    return false;
  }
  return hasInfo_ && Decoding(d.get_state(decoder_.get()));
}

std::size_t FlacReader::ReadChunk(std::uint8_t* buffer, std::size_t size) {
  if (!decoder_) {
    return 0;
  }
  const std::size_t frameBytes = std::size_t{sampleBytes_} * info_.channels;
  std::size_t done = 0;
  while (size - done >= frameBytes) {
    if (pendingAt_ == pending_.size() && !DecodeFrame()) {
      break;
    }
    const std::size_t n = std::min(pending_.size() - pendingAt_, (size - done) / frameBytes * frameBytes);
    std::memcpy(buffer + done, pending_.data() + pendingAt_, n);
    pendingAt_ += n;
    done += n;
  }
  return done;
}

// The end of the data, a frame cut off by it and a failure all end decoding alike.
bool FlacReader::DecodeFrame() {
  pending_.clear();
  pendingAt_ = 0;
  const FlacDecoderEntries& d = flac_.Decoder();
  for (;;) {
    const bool going = d.process_single(decoder_.get());
    if (!pending_.empty()) {
      return true;
    }
    if (!going || !Decoding(d.get_state(decoder_.get()))) {
      return false;
    }
  }
}

bool FlacReader::Reposition(double targetSeconds, double) {
  if (!decoder_) {
    return false;
  }
  pending_.clear();
  pendingAt_ = 0;
  const double sample = std::nearbyint(std::max(targetSeconds, 0.0) * info_.sampleRate);
  if (!(sample < std::ldexp(1.0, 63))) {
    return false;
  }
  // Flushed first, as a decoder at the end, after a failure or after a failed seek must be. The
  // seek decodes the frame holding the sample, which arrives from that sample on.
  const FlacDecoderEntries& d = flac_.Decoder();
  return d.flush(decoder_.get()) && d.seek_absolute(decoder_.get(), static_cast<FLAC__uint64>(sample));
}

void FlacReader::Close() {
  decoder_.reset();
  pending_.clear();
  pendingAt_ = 0;
  stream_ = nullptr;
}

// Output PCM: the top bits of whole bytes, little-endian; 8-bit samples unsigned.
bool FlacReader::TakeFrame(const FLAC__Frame& frame, const FLAC__int32* const channels[]) {
  if (frame.header.channels != info_.channels || frame.header.bits_per_sample != info_.bitsPerSample) {
    return false;  // the output format cannot change
  }
  const unsigned shift = 8 * sampleBytes_ - info_.bitsPerSample;
  const std::uint32_t offset = sampleBytes_ == 1 ? 0x80 : 0;
  const std::size_t start = pending_.size();
  pending_.resize(start + std::size_t{frame.header.blocksize} * info_.channels * sampleBytes_);
  std::uint8_t* out = pending_.data() + start;
  for (unsigned i = 0; i < frame.header.blocksize; ++i) {
    for (unsigned c = 0; c < info_.channels; ++c) {
      const std::uint32_t sample = (static_cast<std::uint32_t>(channels[c][i]) << shift) + offset;
      for (unsigned b = 0; b < sampleBytes_; ++b) {
        *out++ = static_cast<std::uint8_t>(sample >> (8 * b));
      }
    }
  }
  return true;
}

FLAC__StreamDecoderReadStatus FlacReader::OnRead(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                                 void* self) {
  *bytes = ReadStream(*Self(self).stream_, buffer, *bytes);
  return *bytes > 0 ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
}

FLAC__StreamDecoderSeekStatus FlacReader::OnSeek(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* self) {
  return offset <= static_cast<FLAC__uint64>(INT64_MAX) &&
                 SeekStream(*Self(self).stream_, static_cast<std::int64_t>(offset))
             ? FLAC__STREAM_DECODER_SEEK_STATUS_OK
             : FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
}

FLAC__StreamDecoderTellStatus FlacReader::OnTell(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* self) {
  const std::optional<std::int64_t> position = StreamPosition(*Self(self).stream_);
  if (!position || *position < 0) {
    return FLAC__STREAM_DECODER_TELL_STATUS_ERROR;
  }
  *offset = static_cast<FLAC__uint64>(*position);
  return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

// The length now: a file being written grows.
FLAC__StreamDecoderLengthStatus FlacReader::OnLength(const FLAC__StreamDecoder*, FLAC__uint64* length, void* self) {
  PlayerStream& stream = *Self(self).stream_;
  const std::optional<std::int64_t> position = StreamPosition(stream);
  const std::optional<std::int64_t> end = StreamLength(stream);
  if (!position || !end || *end < 0 || !SeekStream(stream, *position)) {
    return FLAC__STREAM_DECODER_LENGTH_STATUS_ERROR;
  }
  *length = static_cast<FLAC__uint64>(*end);
  return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}

// The end shows as a read that finds nothing: a file being written has none of its own.
FLAC__bool FlacReader::OnEof(const FLAC__StreamDecoder*, void*) { return false; }

FLAC__StreamDecoderWriteStatus FlacReader::OnWrite(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                   const FLAC__int32* const buffer[], void* self) {
  try {
    return Self(self).TakeFrame(*frame, buffer) ? FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE
                                                : FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
  } catch (...) {
    return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;  // no memory for the frame
  }
}

void FlacReader::OnMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata, void* self) {
  FlacReader& reader = Self(self);
  if (metadata->type == FLAC__METADATA_TYPE_STREAMINFO) {
    const FLAC__StreamMetadata_StreamInfo& info = metadata->data.stream_info;
    reader.info_ = {info.channels, info.bits_per_sample, info.sample_rate};
    reader.hasInfo_ = info.channels >= 1 && info.channels <= 8 && info.bits_per_sample >= 4 &&
                      info.bits_per_sample <= 32 && info.sample_rate > 0;
  } else if (metadata->type == FLAC__METADATA_TYPE_VORBIS_COMMENT) {
    const FLAC__StreamMetadata_VorbisComment& comments = metadata->data.vorbis_comment;
    for (FLAC__uint32 i = 0; i < comments.num_comments; ++i) {
      const FLAC__StreamMetadata_VorbisComment_Entry& entry = comments.comments[i];
      if (const auto mask = FlacChannelMaskOfComment(
              std::string_view(reinterpret_cast<const char*>(entry.entry), entry.length))) {
        reader.commentMask_ = *mask;
      }
    }
  }
}

}  // namespace sonotape
