#pragma once
// vorbisfile.dll: the entries the Ogg Vorbis player calls, and the callbacks it reads through.

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include "codecs/CodecLibrary.h"

namespace sonotape {

struct VorbisFileEntries {
  decltype(&::ov_open_callbacks) ov_open_callbacks;
  decltype(&::ov_clear) ov_clear;
  decltype(&::ov_read) ov_read;
  decltype(&::ov_time_seek) ov_time_seek;
};

#ifdef _WIN32
inline constexpr const char* kVorbisFileLibrary = "vorbisfile.dll";
#else
inline constexpr const char* kVorbisFileLibrary = "libvorbisfile.so.3";  // the system's, natively
#endif

class VorbisFileBinding {
 public:
  explicit VorbisFileBinding(std::string folder) : library_(std::move(folder), kVorbisFileLibrary) {}

  // True when the library loaded (and StreamCallbacks is filled).
  bool Load();
  const VorbisFileEntries& Entries() const { return entries_; }
  const ov_callbacks& StreamCallbacks() const { return callbacks_; }

 private:
  CodecLibrary library_;
  VorbisFileEntries entries_{};
  ov_callbacks callbacks_{};
};

VorbisFileBinding& VorbisFile();
inline bool LoadVorbisFile() { return VorbisFile().Load(); }

}  // namespace sonotape
