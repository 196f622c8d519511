#include "codecs/FlacDll.h"

#include "codecs/EntryTable.h"

namespace sonotape {

bool FlacBindings::Load() {
  if (library_.IsLoaded()) {
    return Complete();
  }
  if (!library_.Load()) {
    return false;
  }
  ResolveEntries();
  return Complete();
}

void FlacBindings::ResolveEntries() {
  FlacEncoderEntries& e = encoder_;
  library_.Resolve("FLAC__stream_encoder_new", e.stream_encoder_new);
  library_.Resolve("FLAC__stream_encoder_delete", e.stream_encoder_delete);
  library_.Resolve("FLAC__stream_encoder_set_channels", e.set_channels);
  library_.Resolve("FLAC__stream_encoder_set_bits_per_sample", e.set_bits_per_sample);
  library_.Resolve("FLAC__stream_encoder_set_sample_rate", e.set_sample_rate);
  library_.Resolve("FLAC__stream_encoder_set_compression_level", e.set_compression_level);
  library_.Resolve("FLAC__stream_encoder_set_streamable_subset", e.set_streamable_subset);
  library_.Resolve("FLAC__stream_encoder_set_metadata", e.set_metadata);
  library_.Resolve("FLAC__stream_encoder_init_stream", e.init_stream);
  library_.Resolve("FLAC__stream_encoder_process_interleaved", e.process_interleaved);
  library_.Resolve("FLAC__stream_encoder_finish", e.finish);
  library_.Resolve("FLAC__stream_encoder_get_state", e.get_state);
  FlacMetadataEntries& m = metadata_;
  library_.Resolve("FLAC__metadata_object_new", m.object_new);
  library_.Resolve("FLAC__metadata_object_delete", m.object_delete);
  library_.Resolve("FLAC__metadata_object_seektable_template_append_spaced_points_by_samples",
                   m.seektable_append_spaced_points);
  library_.Resolve("FLAC__metadata_object_vorbiscomment_append_comment", m.vorbiscomment_append_comment);
  library_.Resolve("FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair", m.vorbiscomment_entry_from_pair);
  FlacDecoderEntries& d = decoder_;
  library_.Resolve("FLAC__stream_decoder_new", d.stream_decoder_new);
  library_.Resolve("FLAC__stream_decoder_delete", d.stream_decoder_delete);
  library_.Resolve("FLAC__stream_decoder_set_metadata_respond", d.set_metadata_respond);
  library_.Resolve("FLAC__stream_decoder_init_stream", d.init_stream);
  library_.Resolve("FLAC__stream_decoder_process_single", d.process_single);
  library_.Resolve("FLAC__stream_decoder_process_until_end_of_metadata", d.process_until_end_of_metadata);
  library_.Resolve("FLAC__stream_decoder_seek_absolute", d.seek_absolute);
  library_.Resolve("FLAC__stream_decoder_flush", d.flush);
  library_.Resolve("FLAC__stream_decoder_finish", d.finish);
  library_.Resolve("FLAC__stream_decoder_get_state", d.get_state);
}

bool FlacBindings::Complete() const {
  return library_.IsLoaded() && AllSet(encoder_) && AllSet(metadata_) && AllSet(decoder_);
}

FlacBindings& FlacLibrary() {
  static FlacBindings bindings(PluginFolder());
  return bindings;
}

}  // namespace sonotape
