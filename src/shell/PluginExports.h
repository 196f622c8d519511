#pragma once
// The host's calling contract: the plug-in's exports as the host sees them. The exports with
// arguments are stdcall; those without take none and return a plain 32-bit value.

#include <windows.h>

struct IFilterGraph;

namespace sonotape::host {

using VersionFn = const char* (*)();
using CopyrightFn = const char* (*)();
using LibTypFn = const char* (*)();
using PluginNameFn = const char* (*)();
using PluginPriorityFn = INT32 (*)();
using SetMenuHandleFn = void(WINAPI*)(HMENU hostMenu);
using MenuItemClickFn = void(WINAPI*)(INT32 commandId);
using SetAppHandleFn = void(WINAPI*)(HWND hostWindow, INT32 ignored);
using GetGraphFn = void(WINAPI*)(IFilterGraph* graph, INT32 ignored1, INT32 ignored2);
using StopGraphFn = void (*)();
using ExecuteFn = BOOL(WINAPI*)(INT32 ignored1, INT32 ignored2);
using EventMsgFn = INT32(WINAPI*)(INT32 eventType, void* record);

}  // namespace sonotape::host
