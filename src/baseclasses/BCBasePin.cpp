#include "baseclasses/BCBasePin.h"

#include <algorithm>
#include <cwchar>
#include <new>

#include "baseclasses/BCBaseFilter.h"
#include "baseclasses/BCEnumMediaTypes.h"

namespace sonotape {

TBCBasePin::TBCBasePin(const char* objectName, TBCBaseFilter& filter, TBCCritSec& lock,
                       const wchar_t* pinName, PIN_DIRECTION direction)
    : TBCUnknown(objectName, nullptr),
      lock_(lock),
      name_(pinName != nullptr ? pinName : L""),
      direction_(direction),
      filter_(filter) {}

HRESULT TBCBasePin::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (iid == IID_IPin) {
    return GetInterface(static_cast<IPin*>(this), out);
  }
  if (iid == IID_IQualityControl) {
    return GetInterface(static_cast<IQualityControl*>(this), out);
  }
  return TBCUnknown::NonDelegatingQueryInterface(iid, out);
}

ULONG TBCBasePin::NonDelegatingAddRef() {
  ++pinReferenceCount_;
  return static_cast<IBaseFilter&>(filter_).AddRef();
}

ULONG TBCBasePin::NonDelegatingRelease() {
  --pinReferenceCount_;
  return static_cast<IBaseFilter&>(filter_).Release();
}

bool TBCBasePin::IsStopped() const { return filter_.IsStopped(); }

HRESULT TBCBasePin::CheckMayConnect() const {
  if (IsConnected()) {
    return VFW_E_ALREADY_CONNECTED;
  }
  return IsStopped() || canReconnectWhenActive_ ? S_OK : VFW_E_NOT_STOPPED;
}

HRESULT TBCBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (receivePin == nullptr) {
    return E_POINTER;
  }
  TBCAutoLock lock(lock_);
  if (const HRESULT refused = CheckMayConnect(); refused != S_OK) {
    return refused;
  }
  const HRESULT hr = AgreeMediaType(receivePin, type);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  return S_OK;
}

HRESULT TBCBasePin::AgreeMediaType(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (type != nullptr && !IsPartiallySpecified(*type)) {
    return AttemptConnection(receivePin, type);
  }
  HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
  for (int pass = 0; pass < 2; ++pass) {
    // With try-my-types-first clear the peer's types go first.
    const bool peerTypes = pass == static_cast<int>(tryMyTypesFirst_);
    ComPtr<IEnumMediaTypes> types;
    const HRESULT enumerated =
        peerTypes ? receivePin->EnumMediaTypes(types.GetAddressOf()) : EnumMediaTypes(types.GetAddressOf());
    if (FAILED(enumerated) || !types) {
      continue;
    }
    const HRESULT hr = TryMediaTypes(receivePin, type, types.Get());
    if (SUCCEEDED(hr)) {
      return S_OK;
    }
    // A pass that found nothing to try must not hide why the other pass failed.
    if (!IsPlainRefusal(hr) && hr != VFW_E_NO_ACCEPTABLE_TYPES) {
      failure = hr;
    }
  }
  return failure;
}

HRESULT TBCBasePin::TryMediaTypes(IPin* receivePin, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types) {
  HRESULT hr = types->Reset();
  if (FAILED(hr)) {
    return hr;
  }
  HRESULT failure = S_OK;
  for (;;) {
    AM_MEDIA_TYPE* candidate = nullptr;
    if (types->Next(1, &candidate, nullptr) != S_OK || candidate == nullptr) {
      return failure != S_OK ? failure : VFW_E_NO_ACCEPTABLE_TYPES;
    }
    hr = VFW_E_NO_ACCEPTABLE_TYPES;
    if (partial == nullptr || MatchesPartial(*candidate, *partial)) {
      hr = AttemptConnection(receivePin, candidate);
      if (FAILED(hr) && failure == S_OK && !IsPlainRefusal(hr)) {
        failure = hr;
      }
    }
    DeleteMediaType(candidate);
    if (hr == S_OK) {
      return S_OK;
    }
  }
}

HRESULT TBCBasePin::AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(type);
  if (hr == S_OK) {
    connected_ = receivePin;
    hr = SetMediaType(type);
    if (SUCCEEDED(hr)) {
      hr = receivePin->ReceiveConnection(static_cast<IPin*>(this), type);
      if (SUCCEEDED(hr)) {
        hr = CompleteConnect(receivePin);
        if (SUCCEEDED(hr)) {
          return hr;
        }
        receivePin->Disconnect();  // the peer accepted; undo its side
      }
    }
  } else if (SUCCEEDED(hr) || IsPlainRefusal(hr)) {
    hr = VFW_E_TYPE_NOT_ACCEPTED;
  }
  BreakConnect();
  connected_.Reset();
  return hr;
}

HRESULT TBCBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (connector == nullptr || type == nullptr) {
    return E_POINTER;
  }
  TBCAutoLock lock(lock_);
  if (const HRESULT refused = CheckMayConnect(); refused != S_OK) {
    return refused;
  }
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = CheckMediaType(type);
  if (hr != S_OK) {
    BreakConnect();
    return SUCCEEDED(hr) || IsPlainRefusal(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
  }
  connected_ = connector;
  hr = SetMediaType(type);
  if (SUCCEEDED(hr)) {
    hr = CompleteConnect(connector);
    if (SUCCEEDED(hr)) {
      return S_OK;
    }
  }
  connected_.Reset();
  BreakConnect();
  return hr;
}

HRESULT TBCBasePin::Disconnect() {
  TBCAutoLock lock(lock_);
  if (!IsStopped()) {
    return VFW_E_NOT_STOPPED;
  }
  if (!IsConnected()) {
    return S_FALSE;
  }
  const HRESULT hr = BreakConnect();
  if (FAILED(hr)) {
    return hr;
  }
  connected_.Reset();
  return S_OK;
}

HRESULT TBCBasePin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) {
    return E_POINTER;
  }
  ComPtr<IPin> peer = connected_;
  *pin = peer.Detach();
  return *pin != nullptr ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT TBCBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) {
    return E_POINTER;
  }
  TBCAutoLock lock(lock_);
  if (!IsConnected()) {
    *type = DefaultMediaType();
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(*type, mediaType_.Get());
}

HRESULT TBCBasePin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  info->pFilter = &filter_;
  filter_.AddRef();
  info->dir = direction_;
  const size_t length = std::min<size_t>(name_.size(), MAX_PIN_NAME - 1);
  std::wmemcpy(info->achName, name_.c_str(), length);
  info->achName[length] = L'\0';
  return S_OK;
}

HRESULT TBCBasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) {
    return E_POINTER;
  }
  *direction = direction_;
  return S_OK;
}

HRESULT TBCBasePin::QueryId(LPWSTR* id) { return WideStringResult(name_.c_str(), id); }

HRESULT TBCBasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
  const HRESULT hr = CheckMediaType(type);
  return FAILED(hr) ? S_FALSE : hr;
}

HRESULT TBCBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  if (types == nullptr) {
    return E_POINTER;
  }
  auto* enumerator = new (std::nothrow) TBCEnumMediaTypes(*this, nullptr);
  *types = enumerator;
  if (enumerator == nullptr) {
    return E_OUTOFMEMORY;
  }
  enumerator->AddRef();
  return S_OK;
}

HRESULT TBCBasePin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*count*/) { return E_NOTIMPL; }

HRESULT TBCBasePin::EndOfStream() { return S_OK; }

HRESULT TBCBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  segmentStart_ = start;
  segmentStop_ = stop;
  segmentRate_ = rate;
  return S_OK;
}

HRESULT TBCBasePin::Notify(IBaseFilter* /*sender*/, Quality /*quality*/) { return E_NOTIMPL; }

HRESULT TBCBasePin::SetSink(IQualityControl* sink) {
  TBCAutoLock lock(lock_);
  qualitySink_ = sink;
  return S_OK;
}

HRESULT TBCBasePin::Inactive() {
  runTimeError_ = false;
  return S_OK;
}

HRESULT TBCBasePin::Run(REFERENCE_TIME /*start*/) { return S_OK; }

HRESULT TBCBasePin::SetMediaType(const AM_MEDIA_TYPE* type) {
  return type != nullptr ? mediaType_.Set(*type) : E_POINTER;
}

HRESULT TBCBasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION peerDirection;
  const HRESULT hr = pin->QueryDirection(&peerDirection);
  if (FAILED(hr)) {
    return hr;
  }
  return peerDirection == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT TBCBasePin::CompleteConnect(IPin* /*receivePin*/) { return S_OK; }

HRESULT TBCBasePin::GetMediaType(int /*position*/, AM_MEDIA_TYPE* /*type*/) { return E_UNEXPECTED; }

}  // namespace sonotape
