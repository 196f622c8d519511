// An MPGLib.DLL of the first generation: the caller owns the decoder state. Decoding copies the
// input to the output; the state's first byte tells whether it was initialised.
#include <cstring>

namespace {
int closes = 0;
}

extern "C" __declspec(dllexport) unsigned char __cdecl _InitMP3(void* state) {
  static_cast<unsigned char*>(state)[0] = 0x5A;
  return 1;
}
extern "C" __declspec(dllexport) int __cdecl _decodeMP3(void* state, const char* in, int size, char* out, int capacity,
                                                        int* done) {
  if (static_cast<unsigned char*>(state)[0] != 0x5A || size > capacity) return -1;
  std::memcpy(out, in, static_cast<std::size_t>(size));
  *done = size;
  return 0;
}
extern "C" __declspec(dllexport) void __cdecl _ExitMP3(void*) { ++closes; }
extern "C" __declspec(dllexport) int __cdecl DoubleCloses() { return closes; }
