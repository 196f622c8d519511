#include "codecs/VorbisFileDll.h"

#include "codecs/StreamCallbacks.h"

namespace sonotape {

bool VorbisFileBinding::Load() {
  if (library_.IsLoaded()) {
    return true;
  }
  if (!library_.Load()) {
    return false;
  }
  callbacks_ = {&StreamRead, &StreamSeek, nullptr, &StreamTell};
  library_.Resolve("ov_clear", entries_.ov_clear);
  library_.Resolve("ov_open_callbacks", entries_.ov_open_callbacks);
  library_.Resolve("ov_time_seek", entries_.ov_time_seek);
  library_.Resolve("ov_read", entries_.ov_read);
  return true;
}

VorbisFileBinding& VorbisFile() {
  static VorbisFileBinding binding(PluginFolder());
  return binding;
}

}  // namespace sonotape
