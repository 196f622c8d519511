#pragma once
// ogg.dll, vorbis.dll and vorbisenc.dll: the entries the Ogg Vorbis encoder calls. Each library
// counts as available when it loads.

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include "codecs/CodecLibrary.h"

namespace sonotape {

struct OggEntries {
  decltype(&::ogg_stream_init) ogg_stream_init;
  decltype(&::ogg_stream_clear) ogg_stream_clear;
  decltype(&::ogg_stream_packetin) ogg_stream_packetin;
  decltype(&::ogg_stream_pageout) ogg_stream_pageout;
  decltype(&::ogg_stream_flush) ogg_stream_flush;
  decltype(&::ogg_page_eos) ogg_page_eos;
};

struct VorbisEntries {
  decltype(&::vorbis_info_init) vorbis_info_init;
  decltype(&::vorbis_info_clear) vorbis_info_clear;
  decltype(&::vorbis_comment_init) vorbis_comment_init;
  decltype(&::vorbis_comment_add) vorbis_comment_add;
  decltype(&::vorbis_comment_clear) vorbis_comment_clear;
  decltype(&::vorbis_block_init) vorbis_block_init;
  decltype(&::vorbis_block_clear) vorbis_block_clear;
  decltype(&::vorbis_dsp_clear) vorbis_dsp_clear;
  decltype(&::vorbis_analysis_init) vorbis_analysis_init;
  decltype(&::vorbis_analysis_headerout) vorbis_analysis_headerout;
  decltype(&::vorbis_analysis_buffer) vorbis_analysis_buffer;
  decltype(&::vorbis_analysis_wrote) vorbis_analysis_wrote;
  decltype(&::vorbis_analysis_blockout) vorbis_analysis_blockout;
  decltype(&::vorbis_analysis) vorbis_analysis;
  decltype(&::vorbis_bitrate_addblock) vorbis_bitrate_addblock;
  decltype(&::vorbis_bitrate_flushpacket) vorbis_bitrate_flushpacket;
};

struct VorbisEncEntries {
  decltype(&::vorbis_encode_init) vorbis_encode_init;
  decltype(&::vorbis_encode_init_vbr) vorbis_encode_init_vbr;
};

// The libraries' file names (the native build loads the system's).
#ifdef _WIN32
inline constexpr const char* kOggLibrary = "ogg.dll";
inline constexpr const char* kVorbisLibrary = "vorbis.dll";
inline constexpr const char* kVorbisEncLibrary = "vorbisenc.dll";
#else
inline constexpr const char* kOggLibrary = "libogg.so.0";
inline constexpr const char* kVorbisLibrary = "libvorbis.so.0";
inline constexpr const char* kVorbisEncLibrary = "libvorbisenc.so.2";
#endif

// The three libraries in the plug-in's folder (or the platform's order).
class VorbisBindings {
 public:
  explicit VorbisBindings(const std::string& folder)
      : ogg_(folder, kOggLibrary), vorbis_(folder, kVorbisLibrary), vorbisEnc_(folder, kVorbisEncLibrary) {}

  bool LoadOgg();
  bool LoadVorbis();
  bool LoadVorbisEnc();
  // All three loaded and every entry the encoder calls present.
  bool Complete() const;

  const OggEntries& Ogg() const { return oggEntries_; }
  const VorbisEntries& Vorbis() const { return vorbisEntries_; }
  const VorbisEncEntries& VorbisEnc() const { return vorbisEncEntries_; }

 private:
  CodecLibrary ogg_, vorbis_, vorbisEnc_;
  OggEntries oggEntries_{};
  VorbisEntries vorbisEntries_{};
  VorbisEncEntries vorbisEncEntries_{};
};

VorbisBindings& VorbisLibraries();

}  // namespace sonotape
