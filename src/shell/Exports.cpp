// The plug-in's exported entry points: the whole boundary between the host and the plug-in.

#include <windows.h>

#include <type_traits>

#include "shell/PluginExports.h"
#include "shell/PluginIdentity.h"

extern "C" {

const char* Version() { return sonotape::kPluginVersion; }

const char* Copyright() { return sonotape::kPluginCopyright; }

const char* LibTyp() { return sonotape::kPluginLibType; }

const char* PluginName() { return sonotape::kPluginName; }

INT32 PluginPriority() { return sonotape::kPluginPriority; }

void WINAPI SetMenuHandle(HMENU /*hostMenu*/) {}

void WINAPI MenuItemClick(INT32 /*commandId*/) {}

void WINAPI SetAppHandle(HWND /*hostWindow*/, INT32 /*ignored*/) {}

void WINAPI GetGraph(IFilterGraph* /*graph*/, INT32 /*ignored1*/, INT32 /*ignored2*/) {}

void StopGraph() {}

BOOL WINAPI Execute(INT32 /*ignored1*/, INT32 /*ignored2*/) { return FALSE; }

INT32 WINAPI EventMsg(INT32 /*eventType*/, void* /*record*/) { return 0; }

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
