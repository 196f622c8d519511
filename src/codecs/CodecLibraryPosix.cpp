// The native build's loader: the same search, with dlopen.
#include <dlfcn.h>
#include <sys/stat.h>

#include "codecs/CodecLibrary.h"

namespace sonotape {

std::string PluginFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&PluginFolder), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  const std::string path = info.dli_fname;
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool CodecLibrary::Load() {
  if (module_ != nullptr) {
    return true;
  }
  const std::string beside = folder_ + fileName_;
  struct stat status {};
  if (!folder_.empty() && stat(beside.c_str(), &status) == 0) {
    module_ = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (module_ == nullptr) {
    module_ = dlopen(fileName_, RTLD_NOW | RTLD_LOCAL);
  }
  return module_ != nullptr;
}

void CodecLibrary::Release() {
  if (module_ != nullptr) {
    dlclose(module_);
    module_ = nullptr;
  }
}

void* CodecLibrary::Symbol(const char* name) const { return dlsym(module_, name); }

}  // namespace sonotape
