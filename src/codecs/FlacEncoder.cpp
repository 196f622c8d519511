#include "codecs/FlacEncoder.h"

#include <algorithm>
#include <new>

#include "audio/RecordingError.h"

namespace sonotape {

namespace {

FlacEncoder& Self(void* self) { return *static_cast<FlacEncoder*>(self); }

constexpr std::size_t kRewriteBytes = 64 * 1024;

// FLAC__STREAM_METADATA_SEEKPOINT_PLACEHOLDER, a variable of the library, which is not linked.
constexpr FLAC__uint64 kPlaceholder = 0xFFFFFFFFFFFFFFFFull;

}  // namespace

FLAC__StreamEncoderWriteStatus FlacEncoder::OnWrite(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                                    size_t bytes, uint32_t, uint32_t, void* self) {
  return Self(self).WriteBytes(buffer, bytes) ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
                                              : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
}

FLAC__StreamEncoderSeekStatus FlacEncoder::OnSeek(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* self) {
  FlacEncoder& encoder = Self(self);
  if (offset > encoder.end_) {
    return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
  }
  encoder.position_ = offset;
  return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
}

FLAC__StreamEncoderTellStatus FlacEncoder::OnTell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* self) {
  *offset = Self(self).position_;
  return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

// Appended whole at the end, or rewritten in place (the finish's metadata).
bool FlacEncoder::WriteBytes(const void* data, std::size_t size) {
  const bool written =
      position_ < end_ ? Rewrite(data, size) : FlushRewrite() && AppendWhole(*file_, data, size) == size;
  if (!written) {
    return false;
  }
  position_ += size;
  end_ = std::max(end_, position_);
  return true;
}

// Gathered after the pieces it follows; those go to the file first when it does not follow them
// or would overfill the buffer.
bool FlacEncoder::Rewrite(const void* data, std::size_t size) {
  if (position_ + size > end_) {
    return false;  // a rewrite never runs past the end
  }
  if (rewriteAt_ + rewrite_.size() != position_ || rewrite_.size() + size > rewrite_.capacity()) {
    if (!FlushRewrite()) {
      return false;
    }
    rewriteAt_ = position_;
  }
  if (size > rewrite_.capacity()) {
    return file_->WriteAt(position_, data, size);
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  rewrite_.insert(rewrite_.end(), bytes, bytes + size);
  return true;
}

bool FlacEncoder::FlushRewrite() {
  const bool written = rewrite_.empty() || file_->WriteAt(rewriteAt_, rewrite_.data(), rewrite_.size());
  rewrite_.clear();  // keeps its capacity
  return written;
}

// The seek table's template (a point every 10 s of the first day), the comments and padding.
bool FlacEncoder::MakeMetadata(const FlacStreamFormat& format, const std::vector<std::string>& comments) {
  seekTable_ = NewObject(FLAC__METADATA_TYPE_SEEKTABLE);
  comments_ = NewObject(FLAC__METADATA_TYPE_VORBIS_COMMENT);
  padding_ = NewObject(FLAC__METADATA_TYPE_PADDING);
  if (!seekTable_ || !comments_ || !padding_) {
    return false;
  }
  padding_->length = kFlacPaddingBytes;
  const std::uint64_t rate = format.sampleRate;
  if (!metadata_.seektable_append_spaced_points(seekTable_.get(), static_cast<unsigned>(kFlacSeekPointSeconds * rate),
                                                kFlacSeekTableSeconds * rate)) {
    return false;
  }
  for (const std::string& comment : comments) {
    const std::size_t equals = comment.find('=');
    FLAC__StreamMetadata_VorbisComment_Entry entry{};
    if (equals == std::string::npos ||
        !metadata_.vorbiscomment_entry_from_pair(&entry, comment.substr(0, equals).c_str(),
                                                 comment.c_str() + equals + 1) ||
        !metadata_.vorbiscomment_append_comment(comments_.get(), entry, false)) {
      return false;
    }
  }
  return true;
}

bool FlacEncoder::Configure(const FlacSettings& settings, const FlacStreamFormat& format) {
  encoder_.reset(entries_.stream_encoder_new());
  if (!encoder_) {
    return false;
  }
  FLAC__StreamMetadata* blocks[] = {seekTable_.get(), comments_.get(), padding_.get()};
  FLAC__StreamEncoder* encoder = encoder_.get();
  // Rates above 655350 Hz and 32-bit samples are legal FLAC outside the streamable subset.
  return entries_.set_streamable_subset(encoder, false) && entries_.set_channels(encoder, format.channels) &&
         entries_.set_bits_per_sample(encoder, format.bitsPerSample) &&
         entries_.set_sample_rate(encoder, format.sampleRate) &&
         entries_.set_compression_level(encoder, static_cast<unsigned>(settings.level)) &&
         entries_.set_metadata(encoder, blocks, 3);
}

bool FlacEncoder::Start(const FlacSettings& settings, const FlacStreamFormat& format,
                        const std::vector<std::string>& comments, RecordingFile& file, std::string& failure) {
  file_ = &file;
  position_ = end_ = file.Length();
  framesIn_ = 0;
  rewrite_.clear();
  try {
    rewrite_.reserve(kRewriteBytes);
  } catch (const std::bad_alloc&) {
    failure = kOutOfMemoryText;
    return false;
  }
  if (!MakeMetadata(format, comments) || !Configure(settings, format)) {
    Release();
    failure = "Initializing the FLAC encoder failed";
    return false;
  }
  const FLAC__StreamEncoderInitStatus status =
      entries_.init_stream(encoder_.get(), OnWrite, OnSeek, OnTell, nullptr, this);
  headerBytes_ = end_;
  if (status != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
    const bool unwritten = entries_.get_state(encoder_.get()) == FLAC__STREAM_ENCODER_CLIENT_ERROR;
    Release();
    failure = unwritten ? std::string() : "Initializing the FLAC encoder failed";
    return false;
  }
  return true;
}

bool FlacEncoder::Encode(const std::int32_t* samples, std::size_t frames) {
  if (!encoder_ || !entries_.process_interleaved(encoder_.get(), samples, static_cast<uint32_t>(frames))) {
    return false;
  }
  framesIn_ += frames;
  return true;
}

// The finish sorts the table and writes it; points past the end of the stream are left as
// placeholders rather than as points that name no frame.
void FlacEncoder::UnreachedPointsToPlaceholders() {
  FLAC__StreamMetadata_SeekTable& table = seekTable_->data.seek_table;
  for (unsigned i = 0; i < table.num_points; ++i) {
    if (table.points[i].sample_number >= framesIn_) {
      table.points[i] = {kPlaceholder, 0, 0};
    }
  }
}

bool FlacEncoder::Finish() {
  bool finished = false;
  if (encoder_) {
    UnreachedPointsToPlaceholders();
    finished = entries_.finish(encoder_.get()) != 0;
    finished = FlushRewrite() && finished;
  }
  Release();
  return finished;
}

void FlacEncoder::Release() {
  encoder_.reset();
  padding_.reset();
  comments_.reset();
  seekTable_.reset();
  file_ = nullptr;
}

}  // namespace sonotape
