#include "PlayPagePlayer.h"

#include <commctrl.h>

#include <cstdio>

#include "HostWindow.h"
#include "PluginTabs.h"
#include "Screenshot.h"
#include "graph/ComPtr.h"
#include "ui/WindowIds.h"

namespace devhost {

namespace {

constexpr DWORD kPictureAfterMs = 1500;  // or at the first position shown, whichever comes first

std::string TextOf(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// The volume of the host's graph, or none when it has no audio renderer to ask.
std::string VolumeText(IGraphBuilder* graph) {
  sonotape::ComPtr<IBasicAudio> audio;
  long volume = 0;
  if (graph == nullptr || FAILED(sonotape::QueryInto(graph, IID_IBasicAudio, audio)) ||
      FAILED(audio->get_Volume(&volume))) {
    return "(none)";
  }
  return std::to_string(volume);
}

// Shows the window on its Play page, as a click on the page's tab does, and saves its picture.
bool PicturePlayPage(HWND plugin, const std::string& path) {
  ShowWindow(plugin, SW_SHOW);
  ShowTab(plugin, "Play");
  HostWindow::PumpMessages();
  return SaveWindowPng(plugin, path);
}

}  // namespace

bool PlayThroughPlayPage(const PlayPageRun& run) {
  HWND play = GetDlgItem(run.plugin, sonotape::btnPlay);
  HWND stop = GetDlgItem(run.plugin, sonotape::btnStop);
  HWND position = GetDlgItem(run.plugin, sonotape::lblPosition);
  std::printf("Host volume    %s before playing\n", VolumeText(run.hostGraph).c_str());
  const DWORD started = GetTickCount();
  SendMessageA(run.plugin, WM_COMMAND, MAKEWPARAM(sonotape::btnPlay, BN_CLICKED), reinterpret_cast<LPARAM>(play));
  if (!IsWindowEnabled(stop)) {
    std::printf("Play           did not start (%s)\n", TextOf(play).c_str());
    return false;
  }
  std::printf("Play           pressed, the button says %s\n", TextOf(play).c_str());
  std::printf("Host volume    %s while playing\n", VolumeText(run.hostGraph).c_str());
  const std::string first = TextOf(position);
  std::string shown;
  bool pictured = run.picture.empty();
  bool pictureSaved = pictured;
  while (IsWindowEnabled(stop) && GetTickCount() - started < run.timeoutMs) {
    HostWindow::PumpMessages();
    const std::string now = TextOf(position);
    if (!IsWindowEnabled(stop)) {
      break;
    }
    if (now != shown) {
      std::printf("Position       %s\n", (shown = now).c_str());
    }
    if (!pictured && (now != first || GetTickCount() - started >= kPictureAfterMs)) {
      pictured = true;
      pictureSaved = PicturePlayPage(run.plugin, run.picture);
      std::printf("Picture        %s%s\n", run.picture.c_str(), pictureSaved ? "" : " could not be saved");
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  const bool ended = !IsWindowEnabled(stop);
  const THostPushSource* source = run.pushSource != nullptr ? run.pushSource->LastSource() : nullptr;
  const long ends = source != nullptr ? source->ZeroByteHandOvers() : 0;
  std::printf("Play ended     %s after %.1f s: %lld bytes handed to the push source, %ld end%s of data\n",
              ended ? "by itself" : "not in time", (GetTickCount() - started) / 1000.0,
              source != nullptr ? source->BytesHandedOver() : 0LL, ends, ends == 1 ? "" : "s");
  std::printf("Position       %s; the button says %s\n", TextOf(position).c_str(), TextOf(play).c_str());
  std::printf("Host volume    %s afterwards\n", VolumeText(run.hostGraph).c_str());
  if (!pictured) {  // too short to be pictured while it played
    pictureSaved = PicturePlayPage(run.plugin, run.picture);
    std::printf("Picture        %s, after the end%s\n", run.picture.c_str(), pictureSaved ? "" : " could not be saved");
  }
  if (!ended) {
    SendMessageA(run.plugin, WM_COMMAND, MAKEWPARAM(sonotape::btnStop, BN_CLICKED), reinterpret_cast<LPARAM>(stop));
  }
  return ended && ends == 1 && pictureSaved;
}

}  // namespace devhost
