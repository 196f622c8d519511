#pragma once
// MPGLib.DLL in either of its two interface generations, behind one open, decode and close.

#include <cstddef>
#include <cstdint>

#include "codecs/CodecLibrary.h"

namespace sonotape {

enum class MpgLibInterface { Classic = 0, Stream = 1 };

inline constexpr int kMpgLibError = -1;
inline constexpr int kMpgLibNeedMore = 1;
inline constexpr std::size_t kMpgLibClassicStateSize = 40000;

struct MpgLibEntries {
  // Classic: _InitMP3 (state) -> byte; Stream: MpgLib_OpenStream (address of the slot) -> byte.
  std::uint8_t(SONOTAPE_CDECL* initClassic)(void* state);
  std::uint8_t(SONOTAPE_CDECL* openStream)(void** slot);
  int(SONOTAPE_CDECL* decode)(void* instance, const char* input, int inputSize, char* output, int outputSize,
                              int* produced);
  void(SONOTAPE_CDECL* close)(void* instance);
};

// What the MP3 reader decodes through: the library's binding, or a double in tests.
class Mp3Decoder {
 public:
  virtual ~Mp3Decoder() = default;
  // True when the library is available.
  virtual bool Load() = 0;
  // Opens a decoder instance into the caller's slot; false when none can be opened.
  virtual bool Open(void*& slot) = 0;
  // -1 error, 1 more input needed, otherwise produced bytes were written to output.
  virtual int Decode(void* instance, const char* input, int inputSize, char* output, int outputSize,
                     int& produced) = 0;
  // Closes an instance that Open opened.
  virtual void Close(void*& slot) = 0;
  // Close, then Open.
  virtual bool Reset(void*& slot) = 0;
};

class MpgLibBinding : public Mp3Decoder {
 public:
  explicit MpgLibBinding(std::string folder) : library_(std::move(folder), "MPGLib.DLL") {}

  // True when the library is loaded with one of the two generations.
  bool Load() override;
  MpgLibInterface Interface() const { return interface_; }

  bool Open(void*& slot) override;
  int Decode(void* instance, const char* input, int inputSize, char* output, int outputSize, int& produced) override;
  void Close(void*& slot) override;
  bool Reset(void*& slot) override;

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
