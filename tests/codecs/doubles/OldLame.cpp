// A lame_enc.dll from before the float interface: it lacks beEncodeChunkFloatS16NI.
extern "C" __declspec(dllexport) unsigned long __cdecl beInitStream(void*, unsigned long*, unsigned long*, void**) {
  return 1;
}
extern "C" __declspec(dllexport) void __cdecl beVersion(void*) {}
