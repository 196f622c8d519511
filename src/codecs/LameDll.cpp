#include "codecs/LameDll.h"

namespace sonotape {

bool LameBinding::Load() {
  if (library_.IsLoaded()) {
    return true;
  }
  if (!library_.Load()) {
    return false;
  }
  library_.Resolve("beEncodeChunkFloatS16NI", entries_.beEncodeChunkFloatS16NI);
  if (entries_.beEncodeChunkFloatS16NI == nullptr) {
    library_.Release();  // too old: tried again at the next use
    return false;
  }
  library_.Resolve("beInitStream", entries_.beInitStream);
  library_.Resolve("beDeinitStream", entries_.beDeinitStream);
  library_.Resolve("beCloseStream", entries_.beCloseStream);
  library_.Resolve("beWriteVBRHeader", entries_.beWriteVBRHeader);
  return true;
}

LameBinding& Lame() {
  static LameBinding binding(PluginFolder());
  return binding;
}

}  // namespace sonotape
