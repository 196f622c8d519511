#include "baseclasses/BCTransformPins.h"

#include "baseclasses/BCTransformFilter.h"

namespace sonotape {

// Input pin

TBCTransformInputPin::TBCTransformInputPin(TBCTransformFilter& filter, const char* objectName,
                                           const wchar_t* pinName)
    : TBCBaseInputPin(objectName, filter, filter.FilterLock(), pinName), transform_(filter) {}

HRESULT TBCTransformInputPin::QueryId(LPWSTR* id) { return WideStringResult(L"In", id); }

HRESULT TBCTransformInputPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  const HRESULT hr = transform_.CheckInputType(type);
  if (hr != S_OK) {
    return hr;
  }
  const TBCTransformOutputPin* output = transform_.OutputPin();
  if (output != nullptr && output->IsConnected()) {
    return transform_.CheckTransform(type, &output->CurrentMediaType());
  }
  return S_OK;
}

HRESULT TBCTransformInputPin::SetMediaType(const AM_MEDIA_TYPE* type) {
  const HRESULT hr = TBCBaseInputPin::SetMediaType(type);
  if (FAILED(hr)) {
    return hr;
  }
  transform_.CheckInputType(type);  // lets the filter see the type again; the answer is known
  return transform_.SetMediaType(PINDIR_INPUT, type);
}

HRESULT TBCTransformInputPin::CheckConnect(IPin* pin) {
  const HRESULT hr = transform_.CheckConnect(PINDIR_INPUT, pin);
  return FAILED(hr) ? hr : TBCBaseInputPin::CheckConnect(pin);
}

HRESULT TBCTransformInputPin::BreakConnect() {
  transform_.BreakConnect(PINDIR_INPUT);
  return TBCBaseInputPin::BreakConnect();
}

HRESULT TBCTransformInputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = transform_.CompleteConnect(PINDIR_INPUT, receivePin);
  return FAILED(hr) ? hr : TBCBaseInputPin::CompleteConnect(receivePin);
}

HRESULT TBCTransformInputPin::CheckStreaming() {
  const TBCTransformOutputPin* output = transform_.OutputPin();
  if (output == nullptr || !output->IsConnected()) {
    return VFW_E_NOT_CONNECTED;
  }
  if (flushing_) {
    return S_FALSE;
  }
  if (IsStopped()) {
    return VFW_E_WRONG_STATE;
  }
  return runTimeError_ ? VFW_E_RUNTIME_ERROR : S_OK;
}

HRESULT TBCTransformInputPin::Receive(IMediaSample* sample) {
  TBCAutoLock lock(transform_.ReceiveLock());
  const HRESULT hr = TBCBaseInputPin::Receive(sample);
  return hr == S_OK ? transform_.Receive(sample) : hr;
}

HRESULT TBCTransformInputPin::EndOfStream() {
  TBCAutoLock lock(transform_.ReceiveLock());
  const HRESULT hr = CheckStreaming();
  return hr == S_OK ? transform_.EndOfStream() : hr;
}

bool TBCTransformInputPin::BothPinsConnected() const {
  const TBCTransformOutputPin* output = transform_.OutputPin();
  return IsConnected() && output != nullptr && output->IsConnected();
}

HRESULT TBCTransformInputPin::BeginFlush() {
  TBCAutoLock lock(lock_);
  if (!BothPinsConnected()) {
    return VFW_E_NOT_CONNECTED;
  }
  const HRESULT hr = TBCBaseInputPin::BeginFlush();
  return FAILED(hr) ? hr : transform_.BeginFlush();
}

HRESULT TBCTransformInputPin::EndFlush() {
  TBCAutoLock lock(lock_);
  if (!BothPinsConnected()) {
    return VFW_E_NOT_CONNECTED;
  }
  const HRESULT hr = transform_.EndFlush();
  return FAILED(hr) ? hr : TBCBaseInputPin::EndFlush();
}

HRESULT TBCTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  TBCBaseInputPin::NewSegment(start, stop, rate);
  return transform_.NewSegment(start, stop, rate);
}

// Output pin

TBCTransformOutputPin::TBCTransformOutputPin(TBCTransformFilter& filter, const char* objectName,
                                             const wchar_t* pinName)
    : TBCBaseOutputPin(objectName, filter, filter.FilterLock(), pinName), transform_(filter) {}

HRESULT TBCTransformOutputPin::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (out != nullptr && (iid == IID_IMediaPosition || iid == IID_IMediaSeeking)) {
    return QueryPassThrough(iid, out);
  }
  return TBCBaseOutputPin::NonDelegatingQueryInterface(iid, out);
}

HRESULT TBCTransformOutputPin::QueryPassThrough(REFIID iid, void** out) {
  // Not the filter lock: a downstream renderer asks for IMediaSeeking on the streaming thread,
  // which may hold the receive lock while Stop holds the filter lock and waits for it.
  TBCAutoLock lock(passThroughLock_);
  if (!passThrough_) {
    // Aggregated into this pin: its interfaces answer for the pin's identity and hold the pin
    // (and so the filter) alive; the pin owns it through its inner IUnknown.
    ComPtr<IUnknown> created;
    HRESULT hr = CoCreateInstance(CLSID_SeekingPassThru, NonDelegatingUnknown(), CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(created.GetAddressOf()));
    ComPtr<ISeekingPassThru> init;
    if (SUCCEEDED(hr)) {
      hr = QueryInto(created.Get(), IID_ISeekingPassThru, init);
    }
    if (SUCCEEDED(hr)) {
      hr = init->Init(FALSE, transform_.InputPin());
    }
    if (FAILED(hr)) {
      *out = nullptr;
      return hr;
    }
    passThrough_ = created;
  }
  return passThrough_->QueryInterface(iid, out);
}

HRESULT TBCTransformOutputPin::QueryId(LPWSTR* id) { return WideStringResult(L"Out", id); }

HRESULT TBCTransformOutputPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  const TBCTransformInputPin* input = transform_.InputPin();
  if (input == nullptr || !input->IsConnected()) {
    return E_INVALIDARG;
  }
  return transform_.CheckTransform(&input->CurrentMediaType(), type);
}

HRESULT TBCTransformOutputPin::SetMediaType(const AM_MEDIA_TYPE* type) {
  const HRESULT hr = TBCBaseOutputPin::SetMediaType(type);
  return FAILED(hr) ? hr : transform_.SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT TBCTransformOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* type) {
  const TBCTransformInputPin* input = transform_.InputPin();
  if (input == nullptr || !input->IsConnected()) {
    return VFW_S_NO_MORE_ITEMS;
  }
  return transform_.GetMediaType(position, type);
}

HRESULT TBCTransformOutputPin::CheckConnect(IPin* pin) {
  const TBCTransformInputPin* input = transform_.InputPin();
  if (input == nullptr || !input->IsConnected()) {
    return E_UNEXPECTED;
  }
  const HRESULT hr = transform_.CheckConnect(PINDIR_OUTPUT, pin);
  return FAILED(hr) ? hr : TBCBaseOutputPin::CheckConnect(pin);
}

HRESULT TBCTransformOutputPin::BreakConnect() {
  transform_.BreakConnect(PINDIR_OUTPUT);
  return TBCBaseOutputPin::BreakConnect();
}

HRESULT TBCTransformOutputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = transform_.CompleteConnect(PINDIR_OUTPUT, receivePin);
  return FAILED(hr) ? hr : TBCBaseOutputPin::CompleteConnect(receivePin);
}

HRESULT TBCTransformOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) {
  return transform_.DecideBufferSize(allocator, properties);
}

HRESULT TBCTransformOutputPin::Notify(IBaseFilter* /*sender*/, Quality quality) {
  const HRESULT hr = transform_.AlterQuality(quality);
  if (hr != S_FALSE) {
    return hr;
  }
  TBCTransformInputPin* input = transform_.InputPin();
  return input != nullptr ? input->PassNotify(quality) : VFW_E_NOT_FOUND;
}

}  // namespace sonotape
