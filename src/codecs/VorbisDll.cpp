#include "codecs/VorbisDll.h"

#include "codecs/EntryTable.h"

namespace sonotape {

bool VorbisBindings::LoadOgg() {
  if (ogg_.IsLoaded()) return true;
  if (!ogg_.Load()) return false;
  OggEntries& e = oggEntries_;
  ogg_.Resolve("ogg_stream_init", e.ogg_stream_init);
  ogg_.Resolve("ogg_stream_clear", e.ogg_stream_clear);
  ogg_.Resolve("ogg_stream_packetin", e.ogg_stream_packetin);
  ogg_.Resolve("ogg_stream_pageout", e.ogg_stream_pageout);
  ogg_.Resolve("ogg_stream_flush", e.ogg_stream_flush);
  ogg_.Resolve("ogg_page_eos", e.ogg_page_eos);
  return true;
}

bool VorbisBindings::LoadVorbis() {
  if (vorbis_.IsLoaded()) return true;
  if (!vorbis_.Load()) return false;
  VorbisEntries& e = vorbisEntries_;
  vorbis_.Resolve("vorbis_info_init", e.vorbis_info_init);
  vorbis_.Resolve("vorbis_info_clear", e.vorbis_info_clear);
  vorbis_.Resolve("vorbis_comment_init", e.vorbis_comment_init);
  vorbis_.Resolve("vorbis_comment_add", e.vorbis_comment_add);
  vorbis_.Resolve("vorbis_comment_clear", e.vorbis_comment_clear);
  vorbis_.Resolve("vorbis_block_init", e.vorbis_block_init);
  vorbis_.Resolve("vorbis_block_clear", e.vorbis_block_clear);
  vorbis_.Resolve("vorbis_dsp_clear", e.vorbis_dsp_clear);
  vorbis_.Resolve("vorbis_analysis_init", e.vorbis_analysis_init);
  vorbis_.Resolve("vorbis_analysis_headerout", e.vorbis_analysis_headerout);
  vorbis_.Resolve("vorbis_analysis_buffer", e.vorbis_analysis_buffer);
  vorbis_.Resolve("vorbis_analysis_wrote", e.vorbis_analysis_wrote);
  vorbis_.Resolve("vorbis_analysis_blockout", e.vorbis_analysis_blockout);
  vorbis_.Resolve("vorbis_analysis", e.vorbis_analysis);
  vorbis_.Resolve("vorbis_bitrate_addblock", e.vorbis_bitrate_addblock);
  vorbis_.Resolve("vorbis_bitrate_flushpacket", e.vorbis_bitrate_flushpacket);
  return true;
}

bool VorbisBindings::LoadVorbisEnc() {
  if (vorbisEnc_.IsLoaded()) return true;
  if (!vorbisEnc_.Load()) return false;
  vorbisEnc_.Resolve("vorbis_encode_init", vorbisEncEntries_.vorbis_encode_init);
  vorbisEnc_.Resolve("vorbis_encode_init_vbr", vorbisEncEntries_.vorbis_encode_init_vbr);
  return true;
}

bool VorbisBindings::Complete() const {
  return ogg_.IsLoaded() && vorbis_.IsLoaded() && vorbisEnc_.IsLoaded() && AllSet(oggEntries_) &&
         AllSet(vorbisEntries_) && AllSet(vorbisEncEntries_);
}

VorbisBindings& VorbisLibraries() {
  static VorbisBindings bindings(PluginFolder());
  return bindings;
}

}  // namespace sonotape
