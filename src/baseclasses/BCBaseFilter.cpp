#include "baseclasses/BCBaseFilter.h"

#include <algorithm>
#include <cwchar>
#include <new>

#include "baseclasses/BCBasePin.h"
#include "baseclasses/BCEnumPins.h"
#include "baseclasses/BCFilterTemplate.h"

namespace sonotape {

TBCBaseFilter::TBCBaseFilter(const char* objectName, IUnknown* owner, std::unique_ptr<TBCCritSec> lock,
                             REFCLSID clsid)
    : TBCUnknown(objectName, owner), clsid_(clsid), lock_(std::move(lock)) {}

TBCBaseFilter::TBCBaseFilter(const TBCFilterTemplateEntry& entry, IUnknown* owner)
    : TBCUnknown(entry, owner), clsid_(entry.clsid), lock_(std::make_unique<TBCCritSec>()) {}

TBCBaseFilter::~TBCBaseFilter() = default;

HRESULT TBCBaseFilter::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  // IPersist and IMediaFilter are reachable only as part of IBaseFilter.
  if (iid == IID_IBaseFilter) {
    return GetInterface(static_cast<IBaseFilter*>(this), out);
  }
  if (iid == IID_IAMovieSetup) {
    return GetInterface(static_cast<IAMovieSetup*>(this), out);
  }
  return TBCUnknown::NonDelegatingQueryInterface(iid, out);
}

HRESULT TBCBaseFilter::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) {
    return E_POINTER;
  }
  *clsid = clsid_;
  return S_OK;
}

// Calls step on every connected pin in index order. The first failure is answered; with
// stopAtFailure the walk ends there, else it goes on over the remaining pins.
template <typename Step>
HRESULT TBCBaseFilter::ForEachConnectedPin(Step step, bool stopAtFailure) {
  HRESULT result = S_OK;
  const int count = GetPinCount();
  for (int i = 0; i < count; ++i) {
    TBCBasePin* pin = GetPin(i);
    if (pin == nullptr || !pin->IsConnected()) {
      continue;
    }
    const HRESULT hr = step(*pin);
    if (FAILED(hr) && SUCCEEDED(result)) {
      result = hr;
      if (stopAtFailure) {
        break;
      }
    }
  }
  return result;
}

HRESULT TBCBaseFilter::Stop() {
  TBCAutoLock lock(*lock_);
  HRESULT result = S_OK;
  if (state_ != State_Stopped) {
    result = ForEachConnectedPin([](TBCBasePin& pin) { return pin.Inactive(); }, false);
  }
  state_ = State_Stopped;
  return result;
}

HRESULT TBCBaseFilter::Pause() {
  TBCAutoLock lock(*lock_);
  if (state_ == State_Stopped) {
    const HRESULT hr = ForEachConnectedPin([](TBCBasePin& pin) { return pin.Active(); }, true);
    if (FAILED(hr)) {
      return hr;
    }
  }
  state_ = State_Paused;
  return S_OK;
}

HRESULT TBCBaseFilter::Run(REFERENCE_TIME start) {
  TBCAutoLock lock(*lock_);
  start_ = start;
  if (state_ == State_Stopped) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) {
      return hr;
    }
  }
  if (state_ != State_Running) {
    const HRESULT hr = ForEachConnectedPin([start](TBCBasePin& pin) { return pin.Run(start); }, true);
    if (FAILED(hr)) {
      return hr;
    }
  }
  state_ = State_Running;
  return S_OK;
}

HRESULT TBCBaseFilter::GetState(DWORD /*timeout*/, FILTER_STATE* state) {
  if (state == nullptr) {
    return E_POINTER;
  }
  *state = state_;
  return S_OK;
}

HRESULT TBCBaseFilter::SetSyncSource(IReferenceClock* clock) {
  TBCAutoLock lock(*lock_);
  clock_ = clock;
  return S_OK;
}

HRESULT TBCBaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) {
    return E_POINTER;
  }
  TBCAutoLock lock(*lock_);
  ComPtr<IReferenceClock> copy = clock_;
  *clock = copy.Detach();
  return S_OK;
}

HRESULT TBCBaseFilter::EnumPins(IEnumPins** pins) {
  if (pins == nullptr) {
    return E_POINTER;
  }
  auto* enumerator = new (std::nothrow) TBCEnumPins(*this, nullptr);
  *pins = enumerator;
  if (enumerator == nullptr) {
    return E_OUTOFMEMORY;
  }
  enumerator->AddRef();
  return S_OK;
}

HRESULT TBCBaseFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (pin == nullptr) {
    return E_POINTER;
  }
  *pin = nullptr;
  if (id == nullptr) {
    return VFW_E_NOT_FOUND;
  }
  TBCAutoLock lock(*lock_);
  const int count = GetPinCount();
  for (int i = 0; i < count; ++i) {
    TBCBasePin* candidate = GetPin(i);
    if (candidate != nullptr && candidate->Name() == id) {
      *pin = candidate;
      candidate->AddRef();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

HRESULT TBCBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  const size_t length = std::min<size_t>(name_.size(), MAX_FILTER_NAME - 1);
  std::wmemcpy(info->achName, name_.c_str(), length);
  info->achName[length] = L'\0';
  info->pGraph = graph_;
  if (graph_ != nullptr) {
    graph_->AddRef();
  }
  return S_OK;
}

HRESULT TBCBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  TBCAutoLock lock(*lock_);
  graph_ = graph;
  eventSink_ = nullptr;
  if (graph != nullptr) {
    ComPtr<IMediaEventSink> sink;
    if (SUCCEEDED(QueryInto(graph, IID_IMediaEventSink, sink))) {
      eventSink_ = sink.Get();  // the graph outlives our membership; no reference is kept
    }
  }
  try {
    name_ = name != nullptr ? name : L"";
  } catch (...) {
    name_.clear();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT TBCBaseFilter::Register() { return RegisterFromTemplate(clsid_, RegistrationAction::Register); }

HRESULT TBCBaseFilter::Unregister() { return RegisterFromTemplate(clsid_, RegistrationAction::Unregister); }

HRESULT TBCBaseFilter::QueryVendorInfo(LPWSTR* /*vendorInfo*/) { return E_NOTIMPL; }

HRESULT TBCBaseFilter::StreamTime(REFERENCE_TIME* time) {
  if (time == nullptr) {
    return E_POINTER;
  }
  if (!clock_) {
    return VFW_E_NO_CLOCK;
  }
  const HRESULT hr = clock_->GetTime(time);
  if (FAILED(hr)) {
    return hr;
  }
  *time -= start_;
  return S_OK;
}

HRESULT TBCBaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink = eventSink_;
  if (sink == nullptr) {
    return E_NOTIMPL;
  }
  if (code != EC_COMPLETE) {
    return sink->Notify(code, param1, param2);
  }
  ComPtr<IBaseFilter> self;
  if (FAILED(QueryInto(static_cast<IBaseFilter*>(this), IID_IBaseFilter, self))) {
    return sink->Notify(code, param1, 0);
  }
  return sink->Notify(code, param1, reinterpret_cast<LONG_PTR>(self.Get()));
}

HRESULT TBCBaseFilter::ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* type) {
  if (graph_ == nullptr) {
    return E_NOINTERFACE;
  }
  ComPtr<IFilterGraph2> graph2;
  if (SUCCEEDED(QueryInto(graph_, IID_IFilterGraph2, graph2))) {
    return graph2->ReconnectEx(pin, type);
  }
  return graph_->Reconnect(pin);
}

}  // namespace sonotape
