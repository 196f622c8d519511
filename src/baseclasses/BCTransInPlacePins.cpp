#include "baseclasses/BCTransInPlacePins.h"

#include "baseclasses/BCTransInPlaceFilter.h"

namespace sonotape {

namespace {

// The peer of a connected pin, or null.
IPin* PeerOf(const TBCBasePin* pin) { return pin != nullptr ? pin->ConnectedPin() : nullptr; }

HRESULT EnumPeerMediaTypes(const TBCBasePin* opposite, IEnumMediaTypes** types) {
  if (types == nullptr) {
    return E_POINTER;
  }
  *types = nullptr;
  IPin* peer = PeerOf(opposite);
  return peer != nullptr ? peer->EnumMediaTypes(types) : VFW_E_NOT_CONNECTED;
}

// The filter's own check, then the peer on the other side.
HRESULT CheckWithOppositePeer(TBCTransInPlaceFilter& filter, const TBCBasePin* opposite,
                              const AM_MEDIA_TYPE* type) {
  const HRESULT hr = filter.CheckInputType(type);
  if (hr != S_OK) {
    return hr;
  }
  IPin* peer = PeerOf(opposite);
  return peer != nullptr ? peer->QueryAccept(type) : S_OK;
}

}  // namespace

// Input pin

TBCTransInPlaceInputPin::TBCTransInPlaceInputPin(TBCTransInPlaceFilter& filter)
    : TBCTransformInputPin(filter, "TransInPlace input pin", L"Input"), inPlace_(filter) {}

HRESULT TBCTransInPlaceInputPin::EnumMediaTypes(IEnumMediaTypes** types) {
  return EnumPeerMediaTypes(inPlace_.OutputPin(), types);
}

HRESULT TBCTransInPlaceInputPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  return CheckWithOppositePeer(inPlace_, inPlace_.OutputPin(), type);
}

HRESULT TBCTransInPlaceInputPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) {
    return E_POINTER;
  }
  TBCAutoLock lock(lock_);
  TBCTransInPlaceOutputPin* output = inPlace_.InPlaceOutputPin();
  if (!output->IsConnected()) {
    return TBCTransformInputPin::GetAllocator(allocator);
  }
  *allocator = nullptr;
  const HRESULT hr = output->DownstreamInputPin()->GetAllocator(allocator);
  if (SUCCEEDED(hr)) {
    output->SetAllocator(*allocator);
  }
  return hr;
}

HRESULT TBCTransInPlaceInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  if (allocator == nullptr) {
    return E_POINTER;
  }
  TBCAutoLock lock(lock_);
  readOnly_ = readOnly != FALSE;
  TBCTransInPlaceOutputPin* output = inPlace_.InPlaceOutputPin();
  if (!output->IsConnected()) {
    return TBCTransformInputPin::NotifyAllocator(allocator, readOnly);
  }
  HRESULT hr = S_OK;
  if (readOnly_ && inPlace_.ModifiesData()) {
    hr = NotifySeparateAllocator(allocator);
  } else {
    hr = output->DownstreamInputPin()->NotifyAllocator(allocator, readOnly);
    if (SUCCEEDED(hr)) {
      output->SetAllocator(allocator);
    }
  }
  if (SUCCEEDED(hr) && allocator != allocator_.Get()) {
    allocator_ = allocator;
  }
  return hr;
}

HRESULT TBCTransInPlaceInputPin::NotifySeparateAllocator(IMemAllocator* allocator) {
  TBCTransInPlaceOutputPin* output = inPlace_.InPlaceOutputPin();
  IMemInputPin* downstream = output->DownstreamInputPin();
  ComPtr<IMemAllocator> separate = output->Allocator();
  HRESULT hr = S_OK;
  if (!separate) {
    hr = downstream->GetAllocator(separate.GetAddressOf());
    if (FAILED(hr)) {
      hr = CreateMemoryAllocator(separate.ReleaseAndGetAddressOf());
    }
    if (SUCCEEDED(hr)) {
      output->SetAllocator(separate.Get());
    }
  }
  if (separate.Get() == allocator) {
    return E_FAIL;  // the read-only buffers would be written after all
  }
  if (FAILED(hr)) {
    return hr;
  }
  ALLOCATOR_PROPERTIES wanted{};
  hr = allocator->GetProperties(&wanted);
  if (FAILED(hr)) {
    return hr;
  }
  ALLOCATOR_PROPERTIES actual{};
  hr = separate->SetProperties(&wanted, &actual);
  if (FAILED(hr)) {
    return hr;
  }
  if (AllocatorBelow(actual, wanted)) {
    return E_FAIL;
  }
  return downstream->NotifyAllocator(separate.Get(), FALSE);
}

HRESULT TBCTransInPlaceInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) {
  const TBCTransInPlaceOutputPin* output = inPlace_.InPlaceOutputPin();
  if (!output->IsConnected()) {
    return E_NOTIMPL;
  }
  return output->DownstreamInputPin()->GetAllocatorRequirements(properties);
}

// Output pin

TBCTransInPlaceOutputPin::TBCTransInPlaceOutputPin(TBCTransInPlaceFilter& filter)
    : TBCTransformOutputPin(filter, "TransInPlace output pin", L"Output"), inPlace_(filter) {}

HRESULT TBCTransInPlaceOutputPin::EnumMediaTypes(IEnumMediaTypes** types) {
  return EnumPeerMediaTypes(inPlace_.InputPin(), types);
}

HRESULT TBCTransInPlaceOutputPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (inPlace_.UsingDifferentAllocators() && !inPlace_.IsStopped()) {
    // The input allocator's buffers could not follow a change of type now.
    return type != nullptr && MediaTypesEqual(*type, CurrentMediaType()) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  return CheckWithOppositePeer(inPlace_, inPlace_.InputPin(), type);
}

}  // namespace sonotape
