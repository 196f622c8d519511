#pragma once
// A codec library loaded by its file name when a feature first needs it: from the plug-in's own
// folder by full path (its own imports resolved from that folder too), else by the bare name in
// the platform's normal order. A failed load is tried again at the next use; a loaded library
// stays until the binding is destroyed.

#include <string>

// The codec libraries' entries take the C calling convention (the only one outside 32-bit Windows).
#ifdef _WIN32
#define SONOTAPE_CDECL __cdecl
#else
#define SONOTAPE_CDECL
#endif

namespace sonotape {

// The folder of the module holding this code (the plug-in), with a trailing path separator.
std::string PluginFolder();

class CodecLibrary {
 public:
  CodecLibrary(std::string folder, const char* fileName) : folder_(std::move(folder)), fileName_(fileName) {}
  CodecLibrary(const CodecLibrary&) = delete;
  CodecLibrary& operator=(const CodecLibrary&) = delete;
  ~CodecLibrary() { Release(); }

  // True when loaded (at once when it already is).
  bool Load();
  void Release();
  bool IsLoaded() const { return module_ != nullptr; }

  // The entry, or null when the library does not export it.
  template <typename Fn>
  void Resolve(const char* name, Fn& entry) const {
    entry = reinterpret_cast<Fn>(Symbol(name));
  }

 private:
  void* Symbol(const char* name) const;

  std::string folder_;
  const char* fileName_;
  void* module_ = nullptr;  // the platform's module handle
};

}  // namespace sonotape
