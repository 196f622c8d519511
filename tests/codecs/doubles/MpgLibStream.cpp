// An MPGLib.DLL of the second generation: the library stores its own handle into the caller's
// slot. Decoding always asks for more input.
namespace {
int closes = 0;
void* lastClosed = nullptr;
char handle;
}

extern "C" __declspec(dllexport) unsigned char __cdecl MpgLib_OpenStream(void** slot) {
  *slot = &handle;
  return 1;
}
extern "C" __declspec(dllexport) int __cdecl MpgLib_DecodeChunk(void*, const char*, int, char*, int, int* done) {
  *done = 0;
  return 1;
}
extern "C" __declspec(dllexport) void __cdecl MpgLib_CloseStream(void* instance) {
  ++closes;
  lastClosed = instance;
}
extern "C" __declspec(dllexport) int __cdecl DoubleCloses() { return closes; }
extern "C" __declspec(dllexport) void* __cdecl DoubleLastClosed() { return lastClosed; }
