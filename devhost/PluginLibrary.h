#pragma once
// Loads the plug-in DLL and resolves every export the host calls.

#include <windows.h>

#include <string>

#include "shell/PluginExports.h"

namespace devhost {

struct PluginExports {
  sonotape::host::VersionFn Version = nullptr;
  sonotape::host::CopyrightFn Copyright = nullptr;
  sonotape::host::LibTypFn LibTyp = nullptr;
  sonotape::host::PluginNameFn PluginName = nullptr;
  sonotape::host::PluginPriorityFn PluginPriority = nullptr;
  sonotape::host::SetMenuHandleFn SetMenuHandle = nullptr;
  sonotape::host::MenuItemClickFn MenuItemClick = nullptr;
  sonotape::host::SetAppHandleFn SetAppHandle = nullptr;
  sonotape::host::GetGraphFn GetGraph = nullptr;
  sonotape::host::StopGraphFn StopGraph = nullptr;
  sonotape::host::ExecuteFn Execute = nullptr;
  sonotape::host::EventMsgFn EventMsg = nullptr;
};

class PluginLibrary {
 public:
  PluginLibrary() = default;
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;
  ~PluginLibrary();

  // Loads the DLL and resolves all exports; on failure says why in error and loads nothing.
  bool Load(const std::string& path, std::string& error);
  void Unload();

  bool IsLoaded() const { return module_ != nullptr; }
  HMODULE Module() const { return module_; }
  const PluginExports& Exports() const { return exports_; }

 private:
  HMODULE module_ = nullptr;
  PluginExports exports_;
};

// The plug-in's tool window in this process, found by its class name as remote controls find it
// (FindWindow alone would also find the window of another host running on the same desktop).
HWND FindPluginWindow();

// Full path of a file in the folder of the running executable.
std::string PathBesideExecutable(const char* fileName);

}  // namespace devhost
