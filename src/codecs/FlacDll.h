#pragma once
// libFLAC: the entries the FLAC encoder and the FLAC reader call. The library counts as available
// when it loads and exports every one of them.

#ifndef FLAC__NO_DLL
#define FLAC__NO_DLL  // the entries are resolved at run time, nothing is imported
#endif
#include <FLAC/metadata.h>
#include <FLAC/stream_decoder.h>
#include <FLAC/stream_encoder.h>

#include "codecs/CodecLibrary.h"

namespace sonotape {

struct FlacEncoderEntries {
  decltype(&::FLAC__stream_encoder_new) stream_encoder_new;
  decltype(&::FLAC__stream_encoder_delete) stream_encoder_delete;
  decltype(&::FLAC__stream_encoder_set_channels) set_channels;
  decltype(&::FLAC__stream_encoder_set_bits_per_sample) set_bits_per_sample;
  decltype(&::FLAC__stream_encoder_set_sample_rate) set_sample_rate;
  decltype(&::FLAC__stream_encoder_set_compression_level) set_compression_level;
  decltype(&::FLAC__stream_encoder_set_streamable_subset) set_streamable_subset;
  decltype(&::FLAC__stream_encoder_set_metadata) set_metadata;
  decltype(&::FLAC__stream_encoder_init_stream) init_stream;
  decltype(&::FLAC__stream_encoder_process_interleaved) process_interleaved;
  decltype(&::FLAC__stream_encoder_finish) finish;
  decltype(&::FLAC__stream_encoder_get_state) get_state;
};

struct FlacMetadataEntries {
  decltype(&::FLAC__metadata_object_new) object_new;
  decltype(&::FLAC__metadata_object_delete) object_delete;
  decltype(&::FLAC__metadata_object_seektable_template_append_spaced_points_by_samples) seektable_append_spaced_points;
  decltype(&::FLAC__metadata_object_vorbiscomment_append_comment) vorbiscomment_append_comment;
  decltype(&::FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair) vorbiscomment_entry_from_pair;
};

struct FlacDecoderEntries {
  decltype(&::FLAC__stream_decoder_new) stream_decoder_new;
  decltype(&::FLAC__stream_decoder_delete) stream_decoder_delete;
  decltype(&::FLAC__stream_decoder_set_metadata_respond) set_metadata_respond;
  decltype(&::FLAC__stream_decoder_init_stream) init_stream;
  decltype(&::FLAC__stream_decoder_process_single) process_single;
  decltype(&::FLAC__stream_decoder_process_until_end_of_metadata) process_until_end_of_metadata;
  decltype(&::FLAC__stream_decoder_seek_absolute) seek_absolute;
  decltype(&::FLAC__stream_decoder_flush) flush;
  decltype(&::FLAC__stream_decoder_finish) finish;
  decltype(&::FLAC__stream_decoder_get_state) get_state;
};

#ifdef _WIN32
inline constexpr const char* kFlacLibrary = "libFLAC.dll";
#else
inline constexpr const char* kFlacLibrary = "libFLAC.so.12";
#endif

class FlacBindings {
 public:
  explicit FlacBindings(const std::string& folder) : library_(folder, kFlacLibrary) {}

  // Loaded with every entry present.
  bool Load();

  const FlacEncoderEntries& Encoder() const { return encoder_; }
  const FlacMetadataEntries& Metadata() const { return metadata_; }
  const FlacDecoderEntries& Decoder() const { return decoder_; }

 private:
  void ResolveEntries();
  bool Complete() const;

  CodecLibrary library_;
  FlacEncoderEntries encoder_{};
  FlacMetadataEntries metadata_{};
  FlacDecoderEntries decoder_{};
};

FlacBindings& FlacLibrary();

}  // namespace sonotape
