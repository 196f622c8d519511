#pragma once
// MPGLib.DLL in either of its two interface generations, behind one open, decode and close.

#include <cstdint>

#include "codecs/CodecLibrary.h"

namespace sonotape {

enum class MpgLibInterface { Classic = 0, Stream = 1 };

inline constexpr int kMpgLibError = -1;
inline constexpr int kMpgLibNeedMore = 1;
inline constexpr std::size_t kMpgLibClassicStateSize = 40000;

struct MpgLibEntries {
  // Classic: _InitMP3 (state) -> byte; Stream: MpgLib_OpenStream (address of the slot) -> byte.
  std::uint8_t(__cdecl* initClassic)(void* state);
  std::uint8_t(__cdecl* openStream)(void** slot);
  int(__cdecl* decode)(void* instance, const char* input, int inputSize, char* output, int outputSize, int* produced);
  void(__cdecl* close)(void* instance);
};

class MpgLibBinding {
 public:
  explicit MpgLibBinding(std::string folder) : library_(std::move(folder), "MPGLib.DLL") {}

  // True when the library is loaded with one of the two generations.
  bool Load();
  MpgLibInterface Interface() const { return interface_; }

  // Opens a decoder instance into the caller's slot; false when none can be opened.
  bool Open(void*& slot);
  // -1 error, 1 more input needed, otherwise produced bytes were written to output.
  int Decode(void* instance, const char* input, int inputSize, char* output, int outputSize, int& produced) const;
  void Close(void*& slot);
  bool Reset(void*& slot);

 private:
  CodecLibrary library_;
  MpgLibEntries entries_{};
  MpgLibInterface interface_ = MpgLibInterface::Classic;
};

MpgLibBinding& MpgLib();
inline bool LoadMpgLib() { return MpgLib().Load(); }
inline bool MpgLibOpen(void*& slot) { return MpgLib().Open(slot); }
inline void MpgLibClose(void*& slot) { MpgLib().Close(slot); }
inline bool MpgLibReset(void*& slot) { return MpgLib().Reset(slot); }

}  // namespace sonotape
