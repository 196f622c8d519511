#include "baseclasses/BCOutputPin.h"

namespace sonotape {

TBCBaseOutputPin::TBCBaseOutputPin(const char* objectName, TBCBaseFilter& filter, TBCCritSec& lock,
                                   const wchar_t* pinName)
    : TBCBasePin(objectName, filter, lock, pinName, PINDIR_OUTPUT) {}

HRESULT CreateMemoryAllocator(IMemAllocator** allocator) {
  return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                          reinterpret_cast<void**>(allocator));
}

bool AllocatorBelow(const ALLOCATOR_PROPERTIES& actual, const ALLOCATOR_PROPERTIES& wanted) {
  return actual.cBuffers < wanted.cBuffers || actual.cbBuffer < wanted.cbBuffer || actual.cbAlign < wanted.cbAlign;
}

HRESULT DecommitAndRelease(ComPtr<IMemAllocator>& allocator) {
  if (allocator) {
    const HRESULT hr = allocator->Decommit();
    if (FAILED(hr)) {
      return hr;
    }
    allocator.Reset();
  }
  return S_OK;
}

HRESULT TBCBaseOutputPin::OfferAllocator(IMemInputPin* pin, IMemAllocator* allocator,
                                         ALLOCATOR_PROPERTIES& properties) {
  const HRESULT hr = DecideBufferSize(allocator, &properties);
  return FAILED(hr) ? hr : pin->NotifyAllocator(allocator, FALSE);
}

HRESULT TBCBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (pin == nullptr || allocator == nullptr) {
    return E_POINTER;
  }
  *allocator = nullptr;
  ALLOCATOR_PROPERTIES properties{};
  pin->GetAllocatorRequirements(&properties);  // a pin without requirements leaves the record as it is
  if (properties.cbAlign == 0) {
    properties.cbAlign = 1;
  }
  // The downstream pin's own allocator first, then one of our own.
  ComPtr<IMemAllocator> candidate;
  HRESULT hr = pin->GetAllocator(candidate.GetAddressOf());
  if (SUCCEEDED(hr) && candidate) {
    hr = OfferAllocator(pin, candidate.Get(), properties);
    if (SUCCEEDED(hr)) {
      *allocator = candidate.Detach();
      return S_OK;
    }
  }
  candidate.Reset();
  hr = InitAllocator(candidate.GetAddressOf());
  if (SUCCEEDED(hr)) {
    hr = OfferAllocator(pin, candidate.Get(), properties);
    if (SUCCEEDED(hr)) {
      *allocator = candidate.Detach();
      return S_OK;
    }
  }
  return hr;
}

HRESULT TBCBaseOutputPin::DecideBufferSize(IMemAllocator* /*allocator*/, ALLOCATOR_PROPERTIES* /*properties*/) {
  return S_OK;
}

HRESULT TBCBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                            DWORD flags) {
  if (!allocator_) {
    return E_NOINTERFACE;
  }
  return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT TBCBaseOutputPin::Deliver(IMediaSample* sample) {
  return inputPin_ ? inputPin_->Receive(sample) : VFW_E_NOT_CONNECTED;
}

HRESULT TBCBaseOutputPin::InitAllocator(IMemAllocator** allocator) { return CreateMemoryAllocator(allocator); }

HRESULT TBCBaseOutputPin::DeliverEndOfStream() {
  IPin* peer = ConnectedPin();
  return peer != nullptr ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT TBCBaseOutputPin::DeliverBeginFlush() {
  IPin* peer = ConnectedPin();
  return peer != nullptr ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT TBCBaseOutputPin::DeliverEndFlush() {
  IPin* peer = ConnectedPin();
  return peer != nullptr ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT TBCBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  IPin* peer = ConnectedPin();
  return peer != nullptr ? peer->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

HRESULT TBCBaseOutputPin::Active() { return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR; }

HRESULT TBCBaseOutputPin::Inactive() {
  runTimeError_ = false;
  return allocator_ ? allocator_->Decommit() : VFW_E_NO_ALLOCATOR;
}

HRESULT TBCBaseOutputPin::CheckConnect(IPin* pin) {
  HRESULT hr = TBCBasePin::CheckConnect(pin);
  if (FAILED(hr)) {
    return hr;
  }
  return QueryInto(pin, IID_IMemInputPin, inputPin_);
}

HRESULT TBCBaseOutputPin::BreakConnect() {
  const HRESULT hr = DecommitAndRelease(allocator_);
  if (SUCCEEDED(hr)) {
    inputPin_.Reset();
  }
  return hr;
}

HRESULT TBCBaseOutputPin::CompleteConnect(IPin* /*receivePin*/) {
  return DecideAllocator(inputPin_.Get(), allocator_.ReleaseAndGetAddressOf());
}

}  // namespace sonotape
