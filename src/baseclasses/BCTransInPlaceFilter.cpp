#include "baseclasses/BCTransInPlaceFilter.h"

#include <cstddef>
#include <cstring>
#include <new>

namespace sonotape {

TBCTransInPlaceFilter::TBCTransInPlaceFilter(const char* objectName, IUnknown* owner, REFCLSID clsid,
                                             bool modifiesData)
    : TBCTransformFilter(objectName, owner, clsid), modifiesData_(modifiesData) {}

TBCTransInPlaceFilter::TBCTransInPlaceFilter(const TBCFilterTemplateEntry& entry, IUnknown* owner)
    : TBCTransformFilter(entry, owner), modifiesData_(true) {}

std::unique_ptr<TBCTransformInputPin> TBCTransInPlaceFilter::NewInputPin() {
  return std::unique_ptr<TBCTransformInputPin>(new (std::nothrow) TBCTransInPlaceInputPin(*this));
}

std::unique_ptr<TBCTransformOutputPin> TBCTransInPlaceFilter::NewOutputPin() {
  return std::unique_ptr<TBCTransformOutputPin>(new (std::nothrow) TBCTransInPlaceOutputPin(*this));
}

// The pins are ours: NewInputPin and NewOutputPin made them.
TBCTransInPlaceInputPin* TBCTransInPlaceFilter::InPlaceInputPin() const {
  return static_cast<TBCTransInPlaceInputPin*>(InputPin());
}

TBCTransInPlaceOutputPin* TBCTransInPlaceFilter::InPlaceOutputPin() const {
  return static_cast<TBCTransInPlaceOutputPin*>(OutputPin());
}

bool TBCTransInPlaceFilter::UsingDifferentAllocators() const {
  return InputPin()->PinAllocator() != OutputPin()->Allocator();
}

HRESULT TBCTransInPlaceFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) {
  if (allocator == nullptr || properties == nullptr) {
    return E_POINTER;
  }
  ALLOCATOR_PROPERTIES request{1, 1, 0, 0};
  const TBCTransformInputPin* input = InputPin();
  if (input->IsConnected()) {
    IMemAllocator* upstream = input->PinAllocator();
    if (upstream == nullptr) {
      return VFW_E_NO_ALLOCATOR;
    }
    const HRESULT hr = upstream->GetProperties(&request);
    if (FAILED(hr)) {
      return hr;
    }
  }
  properties->cBuffers = request.cBuffers > 0 ? request.cBuffers : 1;
  properties->cbBuffer = request.cbBuffer > 0 ? request.cbBuffer : 1;
  properties->cbAlign = request.cbAlign;
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(properties, &actual);
  if (FAILED(hr)) {
    return hr;
  }
  return AllocatorBelow(actual, request) ? E_FAIL : S_OK;
}

HRESULT TBCTransInPlaceFilter::CompleteConnect(PIN_DIRECTION direction, IPin* /*pin*/) {
  if (Graph() == nullptr) {
    return VFW_E_NOT_IN_GRAPH;
  }
  TBCTransformInputPin* input = InputPin();
  TBCTransformOutputPin* output = OutputPin();
  // Whichever side connects second makes the other side connect again with its type.
  if (direction == PINDIR_OUTPUT) {
    return input->IsConnected() ? ReconnectPin(input, &output->CurrentMediaType()) : S_OK;
  }
  if (!output->IsConnected() || MediaTypesEqual(input->CurrentMediaType(), output->CurrentMediaType())) {
    return S_OK;
  }
  return ReconnectPin(output, &input->CurrentMediaType());
}

HRESULT TBCTransInPlaceFilter::Receive(IMediaSample* sample) {
  TBCTransformOutputPin* output = OutputPin();
  if (InputPin()->SampleProps().dwStreamId != AM_STREAM_MEDIA) {
    return output->Deliver(sample);
  }
  ComPtr<IMediaSample> working;
  if (UsingDifferentAllocators()) {
    working = Copy(sample);
    if (!working) {
      return E_UNEXPECTED;
    }
  } else {
    working = sample;
  }
  const HRESULT hr = Transform(working.Get());
  if (hr == S_OK) {
    return output->Deliver(working.Get());
  }
  return hr == S_FALSE ? NoteSkippedSample() : hr;
}

void TBCTransInPlaceFilter::CopyAttributes(IMediaSample* source, IMediaSample* destination, bool timeValid,
                                           REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (timeValid) {
    destination->SetTime(&start, &stop);
  }
  if (source->IsSyncPoint() == S_OK) {
    destination->SetSyncPoint(TRUE);
  }
  if (source->IsDiscontinuity() == S_OK || sampleSkipped_) {
    destination->SetDiscontinuity(TRUE);
  }
  if (source->IsPreroll() == S_OK) {
    destination->SetPreroll(TRUE);
  }
  AM_MEDIA_TYPE* type = nullptr;
  if (source->GetMediaType(&type) == S_OK) {
    destination->SetMediaType(type);
    DeleteMediaType(type);
  }
}

ComPtr<IMediaSample> TBCTransInPlaceFilter::Copy(IMediaSample* source) {
  IMemAllocator* allocator = OutputPin()->Allocator();
  if (source == nullptr || allocator == nullptr) {
    return nullptr;
  }
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  const bool timeValid = source->GetTime(&start, &stop) == S_OK;
  ComPtr<IMediaSample> destination;
  HRESULT hr = allocator->GetBuffer(destination.GetAddressOf(), timeValid ? &start : nullptr,
                                    timeValid ? &stop : nullptr, sampleSkipped_ ? AM_GBF_PREVFRAMESKIPPED : 0);
  if (FAILED(hr)) {
    return nullptr;
  }
  const long length = source->GetActualDataLength();
  BYTE* from = nullptr;
  BYTE* to = nullptr;
  if (length < 0 || destination->GetSize() < length || FAILED(source->GetPointer(&from)) ||
      FAILED(destination->GetPointer(&to))) {
    return nullptr;  // a partial copy would pass on a cut sample as if it were whole
  }
  ComPtr<IMediaSample2> destination2;
  if (SUCCEEDED(QueryInto(destination.Get(), IID_IMediaSample2, destination2))) {
    // The record from cbData through pMediaType.
    constexpr DWORD kHead = offsetof(AM_SAMPLE2_PROPERTIES, pbBuffer);
    AM_SAMPLE2_PROPERTIES props = InputPin()->SampleProps();
    props.cbData = kHead;
    if (sampleSkipped_) {
      props.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;  // the gap must show downstream here too
    }
    if (FAILED(destination2->SetProperties(kHead, reinterpret_cast<BYTE*>(&props)))) {
      return nullptr;
    }
  } else {
    CopyAttributes(source, destination.Get(), timeValid, start, stop);
  }
  sampleSkipped_ = false;
  LONGLONG mediaStart = 0;
  LONGLONG mediaStop = 0;
  if (source->GetMediaTime(&mediaStart, &mediaStop) == S_OK) {
    destination->SetMediaTime(&mediaStart, &mediaStop);
  }
  destination->SetActualDataLength(length);
  std::memcpy(to, from, static_cast<size_t>(length));
  return destination;
}

}  // namespace sonotape
