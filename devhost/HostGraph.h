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

  // Pumps this thread's messages until the graph reports completion (true), an abort, or the
  // timeout.
  bool WaitForCompletion(DWORD timeoutMs);

 private:
  sonotape::ComPtr<IGraphBuilder> graph_;
  sonotape::ComPtr<IMediaControl> control_;
  sonotape::ComPtr<IMediaEvent> events_;
  sonotape::ComPtr<IBaseFilter> sourceFilter_;
  TPcmSource* source_ = nullptr;  // owned through sourceFilter_
};

}  // namespace devhost
