#pragma once
// Filters that misbehave in one way, registered with COM in place of the class the player
// creates (the host's push source or the DirectSound renderer) while the double lives.

#include <windows.h>
#include <dshow.h>

#include <atomic>

#include "HostPushSource.h"
#include "baseclasses/BCFilterTemplate.h"
#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"
#include "graph/HostSource.h"

namespace playertest {

// The class object of Filter (default-constructible) for clsid, on the registering thread's
// apartment; it keeps the filter it made last.
template <typename Filter>
class FilterDouble final : public IClassFactory {
 public:
  explicit FilterDouble(REFCLSID clsid) {
    result_ = CoRegisterClassObject(clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
  }
  ~FilterDouble() {
    if (SUCCEEDED(result_)) CoRevokeClassObject(cookie_);
  }
  FilterDouble(const FilterDouble&) = delete;
  FilterDouble& operator=(const FilterDouble&) = delete;
  HRESULT Result() const { return result_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
    auto* made = new Filter();
    sonotape::ComPtr<IBaseFilter> filter(static_cast<IBaseFilter*>(made));
    last_ = filter;
    lastFilter_ = made;
    return filter->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  // The filter made last (a thread of the test's own creates them), or null.
  Filter* Last() const { return lastFilter_; }

 private:
  DWORD cookie_ = 0;
  HRESULT result_;
  sonotape::ComPtr<IBaseFilter> last_;
  Filter* lastFilter_ = nullptr;
};

// The entry a double of the host's push source is made from; it outlives every source.
inline const sonotape::TBCFilterTemplateEntry& SourceDoubleEntry() {
  static const sonotape::TBCFilterTemplateEntry entry = [] {
    sonotape::TBCFilterTemplateEntry made;
    made.name = "Host push source double";
    made.clsid = sonotape::CLSID_HostPushSource;
    return made;
  }();
  return entry;
}

// The development host's push source, for doubles that change one of its answers.
class SourceDouble : public devhost::THostPushSource {
 public:
  SourceDouble() : THostPushSource(SourceDoubleEntry(), nullptr) {}
};

// A source that refuses the third chunk it is handed, and counts every hand-over.
class SourceThatRefusesAChunk : public SourceDouble {
 public:
  static constexpr long kRefused = 3;
  HRESULT STDMETHODCALLTYPE PutData(const BYTE* data, INT32 size) override {
    return ++handOvers == kRefused ? E_FAIL : THostPushSource::PutData(data, size);
  }
  std::atomic<long> handOvers{0};
};

// Takes PCM as a full renderer does: each sample is held until the filter stops.
class HoldingPin : public testsupport::SinkPin {
 public:
  using SinkPin::SinkPin;
  ~HoldingPin() { CloseHandle(stopped_); }
  HoldingPin(const HoldingPin&) = delete;
  HoldingPin& operator=(const HoldingPin&) = delete;
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override {
    const HRESULT hr = SinkPin::Receive(sample);
    if (hr != S_OK) {
      return hr;
    }
    WaitForSingleObject(stopped_, INFINITE);
    return VFW_E_WRONG_STATE;
  }
  void Hold() { ResetEvent(stopped_); }
  void LetGo() { SetEvent(stopped_); }

 private:
  HANDLE stopped_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

// A renderer whose samples wait in HoldingPin, so that the player's worker stays in a hand-over
// until the graph stops.
class HoldingRenderer : public testsupport::OnePinFilter<HoldingPin> {
 public:
  HRESULT STDMETHODCALLTYPE Stop() override {
    pin.LetGo();
    return OnePinFilter::Stop();
  }
  HRESULT STDMETHODCALLTYPE Pause() override {
    pin.Hold();
    return OnePinFilter::Pause();
  }
};

// A HoldingRenderer that starts once: stopped, it cannot leave the stopped state again.
class RendererThatStartsOnce : public HoldingRenderer {
 public:
  HRESULT STDMETHODCALLTYPE Pause() override {
    FILTER_STATE state = State_Stopped;
    GetState(0, &state);
    return state == State_Stopped && started_.exchange(true) ? E_FAIL : HoldingRenderer::Pause();
  }

 private:
  std::atomic<bool> started_{false};
};

}  // namespace playertest
