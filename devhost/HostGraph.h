#pragma once
// The host's playback graph: the decoder (our PCM source), optionally a PCM converter, and
// DirectSound or the null renderer, as the TV viewer builds it before handing it to the plug-in.

#include <windows.h>
#include <dshow.h>

#include <string>

#include "PcmSource.h"
#include "graph/ComPtr.h"

namespace devhost {

enum class RendererKind { DirectSound, Null };

class HostGraph {
 public:
  HostGraph() = default;
  HostGraph(const HostGraph&) = delete;
  HostGraph& operator=(const HostGraph&) = delete;
  ~HostGraph();

  // Builds and connects the graph, with a PCM converter between decoder and renderer when
  // asked; on failure says why.
  bool Build(const SourcePlan& plan, RendererKind renderer, bool converter, std::string& error);
  void Release();

  IGraphBuilder* Graph() const { return graph_.Get(); }
  TPcmSource* Source() const { return source_; }
  IMediaControl* Control() const { return control_.Get(); }

  // Pumps this thread's messages and answers the graph's events until the graph reports
  // completion (true), an abort, or the timeout. A decoder that asks for it is reconnected.
  bool WaitForCompletion(DWORD timeoutMs);
  int Reconnections() const { return reconnections_; }

 private:
  // Stops the graph, reconnects the decoder's output pin with the type it offers now and runs
  // the graph again, as a host does when its decoder's new format needs a new connection.
  HRESULT ReconnectDecoder();
  // Puts a new DirectSound renderer in the old one's place, unconnected; feed is the pin that
  // fed the old one. Wine's renderer keeps the play position of its old buffer across a
  // reconnection and writes past the new one when that is smaller.
  HRESULT ReplaceRenderer(sonotape::ComPtr<IPin>& feed);

  sonotape::ComPtr<IGraphBuilder> graph_;
  sonotape::ComPtr<IMediaControl> control_;
  sonotape::ComPtr<IMediaEvent> events_;
  sonotape::ComPtr<IBaseFilter> sourceFilter_;
  sonotape::ComPtr<IBaseFilter> renderer_;
  RendererKind rendererKind_ = RendererKind::DirectSound;
  TPcmSource* source_ = nullptr;  // owned through sourceFilter_
  int reconnections_ = 0;
};

}  // namespace devhost
