#pragma once
// Plays the plug-in's last recording through its Play page as a user does: presses Play, prints
// the position as it goes and, at the end, what happened, read from the host's push source and
// the host graph's volume.

#include <windows.h>
#include <dshow.h>

#include <string>

#include "HostPushSource.h"

namespace devhost {

struct PlayPageRun {
  HWND plugin = nullptr;             // the plug-in's tool window
  IGraphBuilder* hostGraph = nullptr;  // the graph handed to the plug-in, whose volume it mutes
  const HostPushSourceRegistration* pushSource = nullptr;
  std::string picture;               // when set, a picture of the Play page while it plays
  DWORD timeoutMs = 60000;
};

// True when playback started and ended by itself at the end of the data.
bool PlayThroughPlayPage(const PlayPageRun& run);

}  // namespace devhost
