// The plug-in's exported entry points: the whole boundary between the host and the plug-in.

#include <windows.h>

#include <memory>
#include <new>
#include <type_traits>

#include "host/HostMessages.h"
#include "settings/ConfigDir.h"
#include "shell/PluginExports.h"
#include "shell/PluginIdentity.h"
#include "window/SonotapeWindow.h"

namespace {

// The module's singletons: its instance, the tool window, and the plug-in menu with the host
// menu it sits in.
HINSTANCE pluginModule = nullptr;
std::unique_ptr<sonotape::TfrmSonotape> mainWindow;
HMENU pluginMenu = nullptr;
HMENU hostMenu = nullptr;

// Takes the plug-in menu out of the host's menu and destroys it. When the host has destroyed its
// menu, the plug-in menu went with it and its handle may name another menu by now: left alone.
void RemovePluginMenu() {
  if (IsMenu(hostMenu)) {
    for (int position = GetMenuItemCount(hostMenu) - 1; position >= 0; --position) {
      if (GetSubMenu(hostMenu, position) == pluginMenu) {
        RemoveMenu(hostMenu, static_cast<UINT>(position), MF_BYPOSITION);
        break;
      }
    }
    DestroyMenu(pluginMenu);
  }
  pluginMenu = nullptr;
  hostMenu = nullptr;
}

// Runs body unless it throws: nothing may cross the boundary to the host.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body body) {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    pluginModule = module;
    DisableThreadLibraryCalls(module);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr && pluginMenu != nullptr) {
    RemovePluginMenu();  // on FreeLibrary only: at process exit the system cleans up
  }
  return TRUE;
}

const char* Version() { return sonotape::kPluginVersion; }

const char* Copyright() { return sonotape::kPluginCopyright; }

const char* LibTyp() { return sonotape::kPluginLibType; }

const char* PluginName() { return sonotape::kPluginName; }

INT32 PluginPriority() { return sonotape::kPluginPriority; }

void WINAPI SetMenuHandle(HMENU menu) {
  if (pluginMenu != nullptr) {
    return;
  }
  HMENU popup = CreatePopupMenu();
  if (popup == nullptr) {
    return;
  }
  if (!AppendMenuA(popup, MF_STRING, sonotape::kMenuItemId, PluginName()) ||
      !InsertMenuA(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), nullptr)) {
    DestroyMenu(popup);  // no menu yet: a later call with a usable host menu may create it
    return;
  }
  pluginMenu = popup;
  hostMenu = menu;
  if (mainWindow) {
    mainWindow->SetPluginMenu(pluginMenu);
  }
}

void WINAPI MenuItemClick(INT32 commandId) {
  if (mainWindow && commandId == static_cast<INT32>(sonotape::kMenuItemId)) {
    mainWindow->Show();
  }
}

void WINAPI SetAppHandle(HWND hostWindow, INT32 /*ignored*/) {
  Guarded(0, [hostWindow] {
    if (!mainWindow) {
      auto ini = std::make_unique<sonotape::TMyIniFile>(sonotape::GetConfigPath("Plugins\\Sonotape.ini", true));
      auto window = std::make_unique<sonotape::TfrmSonotape>(pluginModule, std::move(ini));
      if (!window->Create(hostWindow)) {
        return 0;
      }
      mainWindow = std::move(window);
    }
    mainWindow->SetHostWindow(hostWindow);
    mainWindow->SetPluginMenu(pluginMenu);
    return 0;
  });
}

void WINAPI GetGraph(IFilterGraph* graph, INT32 /*ignored1*/, INT32 /*ignored2*/) {
  Guarded(0, [graph] { return mainWindow ? (mainWindow->AttachGraph(graph), 0) : 0; });
}

void StopGraph() {
  Guarded(0, [] { return mainWindow ? (mainWindow->DetachGraph(), 0) : 0; });
}

BOOL WINAPI Execute(INT32 /*ignored1*/, INT32 /*ignored2*/) {
  return Guarded(FALSE, [] { return mainWindow ? mainWindow->Execute() : FALSE; });
}

INT32 WINAPI EventMsg(INT32 eventType, void* record) {
  return Guarded(0, [eventType, record] {
    if (!mainWindow) {
      return 0;
    }
    if (eventType == 0) {
      mainWindow.reset();  // stops recording and destroys the window
      return 0;
    }
    return mainWindow->EventMsg(eventType, record);
  });
}

}  // extern "C"

// Each export has exactly the type (calling convention included) that the host calls it through.
namespace host = sonotape::host;
static_assert(std::is_same_v<decltype(&Version), host::VersionFn>);
static_assert(std::is_same_v<decltype(&Copyright), host::CopyrightFn>);
static_assert(std::is_same_v<decltype(&LibTyp), host::LibTypFn>);
static_assert(std::is_same_v<decltype(&PluginName), host::PluginNameFn>);
static_assert(std::is_same_v<decltype(&PluginPriority), host::PluginPriorityFn>);
static_assert(std::is_same_v<decltype(&SetMenuHandle), host::SetMenuHandleFn>);
static_assert(std::is_same_v<decltype(&MenuItemClick), host::MenuItemClickFn>);
static_assert(std::is_same_v<decltype(&SetAppHandle), host::SetAppHandleFn>);
static_assert(std::is_same_v<decltype(&GetGraph), host::GetGraphFn>);
static_assert(std::is_same_v<decltype(&StopGraph), host::StopGraphFn>);
static_assert(std::is_same_v<decltype(&Execute), host::ExecuteFn>);
static_assert(std::is_same_v<decltype(&EventMsg), host::EventMsgFn>);
