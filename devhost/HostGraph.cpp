#include "HostGraph.h"

#include <cstdio>
#include <new>

#include "HostWindow.h"
#include "PcmConverter.h"
#include "baseclasses/BCMediaType.h"

using sonotape::ComPtr;
using sonotape::QueryInto;

namespace devhost {

namespace {

// Wine's null renderer (qedit), not declared by every header set.
constexpr GUID CLSID_NullRendererFilter = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION wanted) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.GetAddressOf()))) {
    return nullptr;
  }
  for (ComPtr<IPin> pin; pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
    PIN_DIRECTION direction;
    if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted) {
      return pin;
    }
  }
  return nullptr;
}

HRESULT ConnectInOrder(IGraphBuilder* graph, const ComPtr<IBaseFilter>* filters, std::size_t count) {
  for (std::size_t i = 0; i + 1 < count; ++i) {
    ComPtr<IPin> out = FirstPin(filters[i].Get(), PINDIR_OUTPUT);
    ComPtr<IPin> in = FirstPin(filters[i + 1].Get(), PINDIR_INPUT);
    const HRESULT hr = out && in ? graph->ConnectDirect(out.Get(), in.Get(), nullptr) : E_FAIL;
    if (FAILED(hr)) {
      return hr;
    }
  }
  return S_OK;
}

HRESULT CreateRenderer(RendererKind kind, ComPtr<IBaseFilter>& renderer) {
  const CLSID& type = kind == RendererKind::Null ? CLSID_NullRendererFilter : CLSID_DSoundRender;
  return CoCreateInstance(type, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          reinterpret_cast<void**>(renderer.ReleaseAndGetAddressOf()));
}

std::string Failed(const char* what, HRESULT hr) {
  char text[160];
  std::snprintf(text, sizeof text, "%s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
  return text;
}

}  // namespace

HostGraph::~HostGraph() { Release(); }

void HostGraph::Release() {
  if (control_) {
    control_->Stop();
  }
  events_.Reset();
  control_.Reset();
  graph_.Reset();
  sourceFilter_.Reset();
  renderer_.Reset();
  source_ = nullptr;
}

bool HostGraph::Build(const SourcePlan& plan, RendererKind renderer, bool converter, std::string& error) {
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph_.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) {
    error = Failed("creating the filter graph", hr);
    return false;
  }
  source_ = new (std::nothrow) TPcmSource(plan);
  if (source_ == nullptr) {
    error = "out of memory";
    return false;
  }
  sourceFilter_ = static_cast<IBaseFilter*>(source_);  // takes the first reference
  rendererKind_ = renderer;
  if (FAILED(hr = CreateRenderer(renderer, renderer_))) {
    error = Failed("creating the audio renderer", hr);
    return false;
  }
  ComPtr<IBaseFilter> chain[3] = {sourceFilter_};
  std::size_t count = 1;
  if (converter) {
    auto* pass = new (std::nothrow) TPcmConverter();
    if (pass == nullptr) {
      error = "out of memory";
      return false;
    }
    chain[count] = static_cast<IBaseFilter*>(pass);
    if (FAILED(hr = graph_->AddFilter(chain[count++].Get(), L"PCM Converter"))) {
      error = Failed("adding the converter", hr);
      return false;
    }
  }
  chain[count++] = renderer_;
  if (FAILED(hr = graph_->AddFilter(sourceFilter_.Get(), L"PCM Decoder")) ||
      FAILED(hr = graph_->AddFilter(renderer_.Get(), L"Audio Renderer"))) {
    error = Failed("adding the filters", hr);
    return false;
  }
  if (FAILED(hr = ConnectInOrder(graph_.Get(), chain, count))) {
    error = Failed("connecting the decoder to the renderer", hr);
    return false;
  }
  if (FAILED(hr = QueryInto(graph_.Get(), IID_IMediaControl, control_)) ||
      FAILED(hr = QueryInto(graph_.Get(), IID_IMediaEvent, events_))) {
    error = Failed("querying the graph's control", hr);
    return false;
  }
  if (!plan.paced) {
    // No reference clock: the renderer takes each sample at once, the stream runs flat out.
    ComPtr<IMediaFilter> timing;
    if (FAILED(hr = QueryInto(graph_.Get(), IID_IMediaFilter, timing)) || FAILED(hr = timing->SetSyncSource(nullptr))) {
      error = Failed("taking the clock out of the graph", hr);
      return false;
    }
  }
  return true;
}

HRESULT HostGraph::ReplaceRenderer(ComPtr<IPin>& feed) {
  ComPtr<IPin> input = FirstPin(renderer_.Get(), PINDIR_INPUT);
  HRESULT hr = input ? input->ConnectedTo(feed.ReleaseAndGetAddressOf()) : E_UNEXPECTED;
  if (FAILED(hr) || FAILED(hr = graph_->RemoveFilter(renderer_.Get())) ||
      FAILED(hr = CreateRenderer(rendererKind_, renderer_))) {
    return hr;
  }
  return graph_->AddFilter(renderer_.Get(), L"Audio Renderer");
}

HRESULT HostGraph::ReconnectDecoder() {
  HRESULT hr = control_->Stop();
  ComPtr<IPin> pin = FirstPin(sourceFilter_.Get(), PINDIR_OUTPUT);
  ComPtr<IFilterGraph2> graph2;
  if (FAILED(hr) || !pin || FAILED(hr = QueryInto(graph_.Get(), IID_IFilterGraph2, graph2))) {
    return FAILED(hr) ? hr : E_UNEXPECTED;
  }
  ComPtr<IPin> feed;
  if (rendererKind_ == RendererKind::DirectSound && FAILED(hr = ReplaceRenderer(feed))) {
    return hr;
  }
  AM_MEDIA_TYPE type{};
  if (FAILED(hr = MakeToneMediaType(source_->OfferedFormat(), type))) {
    return hr;
  }
  if (feed.Get() == pin.Get()) {
    hr = graph2->ConnectDirect(pin.Get(), FirstPin(renderer_.Get(), PINDIR_INPUT).Get(), &type);
  } else {
    // Through the filters between: each passes the new type on to the next.
    hr = graph2->ReconnectEx(pin.Get(), &type);
    if (SUCCEEDED(hr) && feed) {
      hr = graph2->ConnectDirect(feed.Get(), FirstPin(renderer_.Get(), PINDIR_INPUT).Get(), nullptr);
    }
  }
  sonotape::FreeMediaType(type);
  if (FAILED(hr)) {
    return hr;
  }
  ++reconnections_;
  return control_->Run();
}

// Waits on the graph's event handle and the window messages, as a host's message loop does.
bool HostGraph::WaitForCompletion(DWORD timeoutMs) {
  OAEVENT event = 0;
  if (FAILED(events_->GetEventHandle(&event))) {
    return false;
  }
  const auto handle = reinterpret_cast<HANDLE>(event);
  const DWORD begin = GetTickCount();
  for (DWORD waited = 0; waited < timeoutMs; waited = GetTickCount() - begin) {
    long code = 0;
    LONG_PTR first = 0, second = 0;
    while (events_->GetEvent(&code, &first, &second, 0) == S_OK) {
      events_->FreeEventParams(code, first, second);
      if (code == EC_COMPLETE) {
        return true;
      }
      if (code == EC_ERRORABORT || code == EC_USERABORT) {
        return false;
      }
      if (code == kEventReconnectDecoder) {
        const HRESULT hr = ReconnectDecoder();
        if (FAILED(hr)) {
          std::fprintf(stderr, "%s\n", Failed("reconnecting the decoder", hr).c_str());
          return false;
        }
      }
    }
    HostWindow::PumpMessages();
    if (MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs - waited, QS_ALLINPUT) == WAIT_FAILED) {
      Sleep(10);  // no waiting on the handle: look again shortly
    }
  }
  return false;
}

}  // namespace devhost
