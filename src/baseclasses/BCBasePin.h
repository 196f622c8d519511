#pragma once
// The common base of every pin: identity, the connection with a peer and its media type, the
// IPin connection protocol with media type negotiation, and the hooks subclasses override.
// A pin forwards its reference counts to its filter and lives as long as the filter.

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <string>

#include "baseclasses/BCCritSec.h"
#include "baseclasses/BCMediaType.h"
#include "baseclasses/BCUnknown.h"
#include "graph/ComPtr.h"

namespace sonotape {

class TBCBaseFilter;

class TBCBasePin : public TBCUnknown, public IPin, public IQualityControl {
 public:
  TBCBasePin(const char* objectName, TBCBaseFilter& filter, TBCCritSec& lock, const wchar_t* pinName,
             PIN_DIRECTION direction);

  TBC_DELEGATING_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;
  ULONG NonDelegatingAddRef() override;
  ULONG NonDelegatingRelease() override;

  // IPin
  HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE Disconnect() override;
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  // IQualityControl
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;
  HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* sink) override;

  // Hooks
  virtual LONG GetMediaTypeVersion() { return mediaTypeVersion_; }
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive();
  virtual HRESULT Run(REFERENCE_TIME start);
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type);
  virtual HRESULT CheckConnect(IPin* pin);
  virtual HRESULT BreakConnect() { return S_OK; }
  virtual HRESULT CompleteConnect(IPin* receivePin);
  virtual HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type);

  bool IsConnected() const { return connected_ != nullptr; }
  bool IsStopped() const;
  IPin* ConnectedPin() const { return connected_.Get(); }
  const AM_MEDIA_TYPE& CurrentMediaType() const { return mediaType_.Get(); }
  const std::wstring& Name() const { return name_; }
  PIN_DIRECTION Direction() const { return direction_; }
  TBCBaseFilter& Filter() const { return filter_; }

 protected:
  TBCCritSec& lock_;
  bool runTimeError_ = false;
  bool canReconnectWhenActive_ = false;
  bool tryMyTypesFirst_ = false;
  ComPtr<IQualityControl> qualitySink_;
  LONG mediaTypeVersion_ = 1;
  REFERENCE_TIME segmentStart_ = 0;
  REFERENCE_TIME segmentStop_ = 0x7FFFFFFFFFFFFFFF;
  double segmentRate_ = 1.0;

 private:
  HRESULT AgreeMediaType(IPin* receivePin, const AM_MEDIA_TYPE* type);
  HRESULT TryMediaTypes(IPin* receivePin, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types);
  HRESULT AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE* type);
  // Why a connection cannot be made now, or S_OK.
  HRESULT CheckMayConnect() const;

  std::wstring name_;
  ComPtr<IPin> connected_;
  PIN_DIRECTION direction_;
  TBCBaseFilter& filter_;
  TBCMediaType mediaType_;
  std::atomic<LONG> pinReferenceCount_{0};
};

// Refusals that say only "not this type"; a more telling failure wins over them.
inline bool IsPlainRefusal(HRESULT hr) {
  return hr == E_FAIL || hr == VFW_E_TYPE_NOT_ACCEPTED || hr == E_INVALIDARG;
}

}  // namespace sonotape
