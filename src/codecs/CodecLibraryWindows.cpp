#include "codecs/CodecLibrary.h"

#include <windows.h>

namespace sonotape {

std::string PluginFolder() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&PluginFolder), &self)) {
    return {};
  }
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(self, path, sizeof path);
  if (length == 0 || length >= sizeof path) {
    return {};
  }
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

bool CodecLibrary::Load() {
  if (module_ != nullptr) {
    return true;
  }
  const std::string beside = folder_ + fileName_;
  HMODULE module = nullptr;
  if (!folder_.empty() && GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // By full path; the library's own imports (vorbis.dll's ogg.dll) come from the same folder.
    module = LoadLibraryExA(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  if (module == nullptr) {
    module = LoadLibraryA(fileName_);
  }
  module_ = module;
  return module_ != nullptr;
}

void CodecLibrary::Release() {
  if (module_ != nullptr) {
    FreeLibrary(static_cast<HMODULE>(module_));
    module_ = nullptr;
  }
}

void* CodecLibrary::Symbol(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), name));
}

}  // namespace sonotape
