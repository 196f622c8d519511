#include "player/PlayerGraph.h"

#include <algorithm>

#include "graph/GraphUtils.h"

namespace sonotape {

namespace {

template <typename T>
HRESULT Create(REFCLSID clsid, REFIID iid, ComPtr<T>& out) {
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid,
                          reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
}

}  // namespace

bool PlayerGraph::Build(const PcmFormat& format, HWND window) {
  if (!BuildSteps(format)) {
    Release();
    return false;
  }
  Notify(window);
  registered_ = SUCCEEDED(RegisterGraphInRot(graph_.Get(), &rotCookie_));
  return true;
}

bool PlayerGraph::BuildSteps(const PcmFormat& format) {
  ComPtr<IBaseFilter> source, renderer;
  ComPtr<IPin> audioPin;
  SourceInfo info;
  return SUCCEEDED(Create(CLSID_FilterGraph, IID_IGraphBuilder, graph_)) &&
         SUCCEEDED(QueryInto(graph_.Get(), IID_IMediaControl, control_)) &&
         SUCCEEDED(Create(CLSID_HostPushSource, IID_IBaseFilter, source)) &&
         SUCCEEDED(QueryInto(source.Get(), IID_ISourceSet, source_)) &&
         SUCCEEDED(source_->GetSourceInfo(&info)) && IsSupportedSourceVersion(info.version) &&
         SUCCEEDED(graph_->AddFilter(source.Get(), L"DVB Source")) &&
         SUCCEEDED(source->FindPin(L"Audio", audioPin.GetAddressOf())) &&
         SUCCEEDED(SetSourceMediaType(format)) &&
         SUCCEEDED(Create(CLSID_DSoundRender, IID_IBaseFilter, renderer)) &&
         SUCCEEDED(graph_->AddFilter(renderer.Get(), L"Default DirectSound Device")) &&
         SUCCEEDED(graph_->Render(audioPin.Get())) &&
         SUCCEEDED(QueryInto(graph_.Get(), IID_IBasicAudio, audio_));
}

// The PCM template with the format's own block: its cbSize counted in (an extensible format
// gives 40 bytes, never more than the record holds), and the subtype of its format tag unless
// it is extensible.
HRESULT PlayerGraph::SetSourceMediaType(const PcmFormat& format) {
  AM_MEDIA_TYPE type = PcmAudioMediaType();
  type.cbFormat = static_cast<ULONG>(kShortFormatSize + std::min<std::size_t>(format.cbSize, sizeof(PcmFormat) - kShortFormatSize));
  if (format.wFormatTag != kFormatExtensible) {
    type.subtype.Data1 = format.wFormatTag;
  }
  type.pbFormat = reinterpret_cast<BYTE*>(const_cast<PcmFormat*>(&format));
  return source_->SetOutputMediaType(&type, 1);
}

void PlayerGraph::Notify(HWND window) {
  if (window == nullptr) {
    return;
  }
  if (SUCCEEDED(QueryInto(graph_.Get(), IID_IMediaEventEx, events_))) {
    events_->SetNotifyWindow(reinterpret_cast<OAHWND>(window), WM_PLAYER_GRAPH_EVENT, kPlayerEventInstance);
  }
}

void PlayerGraph::ReportAbort(HRESULT failure) {
  ComPtr<IMediaEventSink> sink;
  if (SUCCEEDED(QueryInto(graph_.Get(), IID_IMediaEventSink, sink))) {
    sink->Notify(EC_ERRORABORT, failure, 0);
  }
}

// A graph whose start failed stays stopped itself while the filters it paused before the failure
// stay paused, and a paused filter cannot be taken out of the graph: every filter is stopped.
void PlayerGraph::StopEveryFilter() {
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph_->EnumFilters(filters.GetAddressOf()))) {
    return;
  }
  for (ComPtr<IBaseFilter> filter; filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
    filter->Stop();
  }
}

void PlayerGraph::Release() {
  if (control_) {
    control_->Stop();
  }
  if (graph_) {
    StopEveryFilter();
  }
  if (graph_ && registered_) {
    RevokeGraphFromRot(rotCookie_);
  }
  registered_ = false;
  source_.Reset();
  audio_.Reset();
  events_.Reset();
  control_.Reset();
  graph_.Reset();
}

}  // namespace sonotape
