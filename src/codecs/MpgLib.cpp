#include "codecs/MpgLib.h"

#include <cstdlib>

namespace sonotape {

bool MpgLibBinding::Load() {
  if (library_.IsLoaded()) {
    return true;
  }
  if (!library_.Load()) {
    return false;
  }
  entries_ = {};
  library_.Resolve("_InitMP3", entries_.initClassic);
  if (entries_.initClassic != nullptr) {
    library_.Resolve("_decodeMP3", entries_.decode);
    library_.Resolve("_ExitMP3", entries_.close);
    interface_ = MpgLibInterface::Classic;
  } else {
    library_.Resolve("MpgLib_OpenStream", entries_.openStream);
    library_.Resolve("MpgLib_DecodeChunk", entries_.decode);
    library_.Resolve("MpgLib_CloseStream", entries_.close);
    interface_ = MpgLibInterface::Stream;
  }
  // Neither generation, or one without its decode and close: as if missing.
  if ((entries_.initClassic == nullptr && entries_.openStream == nullptr) || entries_.decode == nullptr ||
      entries_.close == nullptr) {
    library_.Release();
    return false;
  }
  return true;
}

bool MpgLibBinding::Open(void*& slot) {
  if (!Load()) {
    return false;
  }
  if (interface_ == MpgLibInterface::Stream) {
    return (entries_.openStream(&slot) & 0xFF) != 0;
  }
  if (slot == nullptr) {
    slot = std::calloc(1, kMpgLibClassicStateSize);
    if (slot == nullptr) {
      return false;
    }
  }
  if ((entries_.initClassic(slot) & 0xFF) != 0) {
    return true;
  }
  std::free(slot);
  slot = nullptr;
  return false;
}

int MpgLibBinding::Decode(void* instance, const char* input, int inputSize, char* output, int outputSize,
                          int& produced) {
  produced = 0;
  return entries_.decode != nullptr ? entries_.decode(instance, input, inputSize, output, outputSize, &produced)
                                    : kMpgLibError;
}

void MpgLibBinding::Close(void*& slot) {
  if (entries_.close == nullptr) {
    return;
  }
  entries_.close(slot);
  if (interface_ == MpgLibInterface::Classic && slot != nullptr) {
    std::free(slot);
    slot = nullptr;
  }
}

bool MpgLibBinding::Reset(void*& slot) {
  Close(slot);
  return Open(slot);
}

MpgLibBinding& MpgLib() {
  static MpgLibBinding binding(PluginFolder());
  return binding;
}

}  // namespace sonotape
