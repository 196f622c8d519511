// sonotape-host.exe: loads Sonotape.dll as the TV-viewer host does and drives it through its exports.
//
//   sonotape-host.exe [--plugin PATH]

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "FileVersion.h"
#include "HostWindow.h"
#include "PluginLibrary.h"

namespace {

constexpr INT32 kEventFree = 0;
constexpr INT32 kEventHostClosing = 1002;

struct Options {
  std::string pluginPath;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  options.pluginPath = devhost::PathBesideExecutable("Sonotape.dll");
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--plugin") == 0 && i + 1 < argc) {
      options.pluginPath = argv[++i];
    } else {
      std::fprintf(stderr, "usage: sonotape-host.exe [--plugin PATH]\n");
      return false;
    }
  }
  return true;
}

void PrintIdentification(const devhost::PluginExports& e, const std::string& path) {
  std::printf("Plug-in        %s\n", path.c_str());
  std::printf("Version        %s\n", e.Version());
  std::printf("Copyright      %s\n", e.Copyright());
  std::printf("LibTyp         %s\n", e.LibTyp());
  std::printf("PluginName     %s\n", e.PluginName());
  const INT32 priority = e.PluginPriority();
  std::printf("PluginPriority 0x%08lX (%ld)\n", static_cast<unsigned long>(static_cast<UINT32>(priority)),
              static_cast<long>(priority));
  devhost::FileVersion version;
  if (devhost::ReadFileVersion(path, version)) {
    std::printf("File version   %u.%u.%u.%u\n", version.fileMajor, version.fileMinor, version.fileBuild,
                version.filePrivate);
  } else {
    std::printf("File version   (none)\n");
  }
}

// The host's order: identification, menu, application window, ..., closing, free, unload.
int RunSession(devhost::PluginLibrary& plugin, const std::string& path) {
  const devhost::PluginExports& e = plugin.Exports();
  PrintIdentification(e, path);

  devhost::HostWindow host;
  if (!host.Create(false)) {
    std::fprintf(stderr, "cannot create the host window (error %lu)\n", GetLastError());
    return 1;
  }
  host.OnCommand([&e](int id) { e.MenuItemClick(id); });
  e.SetMenuHandle(host.MenuBar());
  e.SetAppHandle(host.Handle(), 0);
  devhost::HostWindow::PumpMessages();
  std::printf("EventMsg(1002) %ld\n", static_cast<long>(e.EventMsg(kEventHostClosing, nullptr)));
  std::printf("EventMsg(0)    %ld\n", static_cast<long>(e.EventMsg(kEventFree, nullptr)));
  host.Destroy();
  plugin.Unload();
  std::printf("Unloaded\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    return 2;
  }
  devhost::PluginLibrary plugin;
  std::string error;
  if (!plugin.Load(options.pluginPath, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const int result = RunSession(plugin, options.pluginPath);
  std::fflush(stdout);
  return result;
}
