#include "PluginLibrary.h"

namespace devhost {

namespace {

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& slot, std::string& missing) {
  slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (slot == nullptr) {
    missing += missing.empty() ? name : std::string(", ") + name;
  }
  return slot != nullptr;
}

bool ResolveAll(HMODULE module, PluginExports& e, std::string& missing) {
  bool ok = Resolve(module, "Version", e.Version, missing);
  ok &= Resolve(module, "Copyright", e.Copyright, missing);
  ok &= Resolve(module, "LibTyp", e.LibTyp, missing);
  ok &= Resolve(module, "PluginName", e.PluginName, missing);
  ok &= Resolve(module, "PluginPriority", e.PluginPriority, missing);
  ok &= Resolve(module, "SetMenuHandle", e.SetMenuHandle, missing);
  ok &= Resolve(module, "MenuItemClick", e.MenuItemClick, missing);
  ok &= Resolve(module, "SetAppHandle", e.SetAppHandle, missing);
  ok &= Resolve(module, "GetGraph", e.GetGraph, missing);
  ok &= Resolve(module, "StopGraph", e.StopGraph, missing);
  ok &= Resolve(module, "Execute", e.Execute, missing);
  ok &= Resolve(module, "EventMsg", e.EventMsg, missing);
  return ok;
}

}  // namespace

PluginLibrary::~PluginLibrary() { Unload(); }

bool PluginLibrary::Load(const std::string& path, std::string& error) {
  Unload();
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  std::string missing;
  PluginExports exports;
  if (!ResolveAll(module, exports, missing)) {
    FreeLibrary(module);
    error = path + " lacks the exports " + missing;
    return false;
  }
  module_ = module;
  exports_ = exports;
  return true;
}

void PluginLibrary::Unload() {
  if (module_ != nullptr) {
    FreeLibrary(module_);
    module_ = nullptr;
    exports_ = {};
  }
}

std::string PathBesideExecutable(const char* fileName) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return fileName;
  }
  std::string folder(path, length);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + fileName;
}

HWND FindPluginWindow() {
  for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "TfrmSonotape", nullptr)) != nullptr;) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
      return window;
    }
  }
  return nullptr;
}

}  // namespace devhost
