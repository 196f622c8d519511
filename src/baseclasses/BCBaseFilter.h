#pragma once
// The base filter: state machine, reference clock, graph membership, pin lookup and events.
// Subclasses create and own the pins and answer GetPinCount and GetPin.

#include <windows.h>
#include <dshow.h>

#include <memory>
#include <string>

#include "baseclasses/BCCritSec.h"
#include "baseclasses/BCUnknown.h"
#include "graph/ComPtr.h"

namespace sonotape {

class TBCBasePin;

class TBCBaseFilter : public TBCUnknown, public IBaseFilter, public IAMovieSetup {
 public:
  // The filter owns lock from now on.
  TBCBaseFilter(const char* objectName, IUnknown* owner, std::unique_ptr<TBCCritSec> lock, REFCLSID clsid);
  // From a registration template entry (name and class id), with a lock of its own.
  TBCBaseFilter(const TBCFilterTemplateEntry& entry, IUnknown* owner);
  ~TBCBaseFilter() override;

  TBC_DELEGATING_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;

  // IPersist and IMediaFilter, as part of IBaseFilter
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
  HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE* state) override;
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;
  // IAMovieSetup: from the class's registration template; S_FALSE without one.
  HRESULT STDMETHODCALLTYPE Register() override;
  HRESULT STDMETHODCALLTYPE Unregister() override;

  // Clock time since the last Run's start time.
  virtual HRESULT StreamTime(REFERENCE_TIME* time);
  virtual LONG GetPinVersion() { return pinVersion_; }
  virtual int GetPinCount() = 0;
  // The pin at index, or null.
  virtual TBCBasePin* GetPin(int index) = 0;

  // Sends an event to the graph; EC_COMPLETE carries this filter as its second parameter.
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
  HRESULT ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* type);
  bool IsStopped() const { return state_ == State_Stopped; }
  FILTER_STATE State() const { return state_; }
  TBCCritSec& FilterLock() { return *lock_; }
  IFilterGraph* Graph() const { return graph_; }

 protected:
  FILTER_STATE state_ = State_Stopped;
  REFERENCE_TIME start_ = 0;

 private:
  template <typename Step>
  HRESULT ForEachConnectedPin(Step step, bool stopAtFailure);

  ComPtr<IReferenceClock> clock_;
  CLSID clsid_;
  std::unique_ptr<TBCCritSec> lock_;
  std::wstring name_;
  IFilterGraph* graph_ = nullptr;       // not counted: the graph holds us
  IMediaEventSink* eventSink_ = nullptr;  // likewise
  LONG pinVersion_ = 1;
};

}  // namespace sonotape
