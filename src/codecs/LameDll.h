#pragma once
// lame_enc.dll in its BladeEnc-style interface.

#include <cstdint>

#include "codecs/BeConfig.h"
#include "codecs/CodecLibrary.h"

namespace sonotape {

using HBE_STREAM = void*;  // 32 bits in the 32-bit library, pointer-sized in a 64-bit build
using BE_ERR = unsigned long;
inline constexpr BE_ERR BE_ERR_SUCCESSFUL = 0;

struct LameEntries {
  BE_ERR(__cdecl* beEncodeChunkFloatS16NI)(HBE_STREAM, unsigned long, float*, float*, unsigned char*, unsigned long*);
  BE_ERR(__cdecl* beInitStream)(BE_CONFIG*, unsigned long*, unsigned long*, HBE_STREAM*);
  BE_ERR(__cdecl* beDeinitStream)(HBE_STREAM, unsigned char*, unsigned long*);
  BE_ERR(__cdecl* beCloseStream)(HBE_STREAM);
  BE_ERR(__cdecl* beWriteVBRHeader)(const char*);
};

class LameBinding {
 public:
  explicit LameBinding(std::string folder) : library_(std::move(folder), "lame_enc.dll") {}

  // True when the library is loaded and new enough (it has beEncodeChunkFloatS16NI); an older
  // one is released at once, as if it were missing.
  bool Load();
  const LameEntries& Entries() const { return entries_; }

 private:
  CodecLibrary library_;
  LameEntries entries_{};
};

// The plug-in's binding, over its own folder.
LameBinding& Lame();
inline bool LoadLame() { return Lame().Load(); }

}  // namespace sonotape
