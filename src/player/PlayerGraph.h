#pragma once
// The player's own graph: the host's push source, added as "DVB Source", rendered from its pin
// "Audio" into the DirectSound renderer, added as "Default DirectSound Device"; registered in
// the Running Object Table, and reporting its events to a window.

#include <windows.h>
#include <dshow.h>

#include "audio/PcmFormat.h"
#include "graph/ComPtr.h"
#include "graph/HostSource.h"

namespace sonotape {

// Posted to the window while graph events wait, with the instance value kPlayerEventInstance.
inline constexpr UINT WM_PLAYER_GRAPH_EVENT = WM_APP + 777;
inline constexpr LONG_PTR kPlayerEventInstance = 777;

class PlayerGraph {
 public:
  PlayerGraph() = default;
  PlayerGraph(const PlayerGraph&) = delete;
  PlayerGraph& operator=(const PlayerGraph&) = delete;
  ~PlayerGraph() { Release(); }

  // Builds the graph for PCM in format, which must outlive the graph; events go to window
  // when one is given. False when any step fails (what was built is released again).
  bool Build(const PcmFormat& format, HWND window);
  // Stops the graph, revokes its registration and releases every reference.
  void Release();
  // Reports a failure of the stream that feeds the graph as a filter would: EC_ERRORABORT with
  // failure, among the graph's events. Safe on the player's worker while the graph exists.
  void ReportAbort(HRESULT failure);

  IMediaControl* Control() const { return control_.Get(); }
  IBasicAudio* Audio() const { return audio_.Get(); }
  ISourceSet* Source() const { return source_.Get(); }
  // Null when no window was given or the graph has no event interface.
  IMediaEventEx* Events() const { return events_.Get(); }

 private:
  bool BuildSteps(const PcmFormat& format);
  HRESULT SetSourceMediaType(const PcmFormat& format);
  void Notify(HWND window);
  void StopEveryFilter();

  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
  ComPtr<IBasicAudio> audio_;
  ComPtr<ISourceSet> source_;
  ComPtr<IMediaEventEx> events_;
  DWORD rotCookie_ = 0;
  bool registered_ = false;
};

}  // namespace sonotape
