#include "baseclasses/BCTransformFilter.h"

#include <cstddef>
#include <cwchar>
#include <new>

namespace sonotape {

TBCTransformFilter::TBCTransformFilter(const char* objectName, IUnknown* owner, REFCLSID clsid)
    : TBCBaseFilter(objectName, owner, std::make_unique<TBCCritSec>(), clsid) {}

TBCTransformFilter::TBCTransformFilter(const TBCFilterTemplateEntry& entry, IUnknown* owner)
    : TBCBaseFilter(entry, owner) {}

TBCTransformFilter::~TBCTransformFilter() {
  input_.reset();
  output_.reset();
}

std::unique_ptr<TBCTransformInputPin> TBCTransformFilter::NewInputPin() {
  return std::unique_ptr<TBCTransformInputPin>(new (std::nothrow) TBCTransformInputPin(*this));
}

std::unique_ptr<TBCTransformOutputPin> TBCTransformFilter::NewOutputPin() {
  return std::unique_ptr<TBCTransformOutputPin>(new (std::nothrow) TBCTransformOutputPin(*this));
}

bool TBCTransformFilter::CreatePins() {
  // The streaming thread reaches GetPin too, but only once the pins exist: it never takes the
  // filter lock here.
  if (pinsCreated_.load(std::memory_order_acquire)) {
    return true;
  }
  TBCAutoLock lock(FilterLock());
  if (!input_) {
    input_ = NewInputPin();
    if (!input_) {
      return false;
    }
  }
  if (!output_) {
    output_ = NewOutputPin();
    if (!output_) {
      input_.reset();
      return false;
    }
  }
  pinsCreated_.store(true, std::memory_order_release);
  return true;
}

TBCBasePin* TBCTransformFilter::GetPin(int index) {
  if (!CreatePins()) {
    return nullptr;
  }
  switch (index) {
    case 0:
      return input_.get();
    case 1:
      return output_.get();
    default:
      return nullptr;
  }
}

HRESULT TBCTransformFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (pin == nullptr) {
    return E_POINTER;
  }
  *pin = nullptr;
  int index = -1;
  if (id != nullptr && std::wcscmp(id, L"In") == 0) {
    index = 0;
  } else if (id != nullptr && std::wcscmp(id, L"Out") == 0) {
    index = 1;
  } else {
    return VFW_E_NOT_FOUND;
  }
  TBCBasePin* found = GetPin(index);
  if (found == nullptr) {
    return E_OUTOFMEMORY;
  }
  *pin = found;
  found->AddRef();
  return S_OK;
}

HRESULT TBCTransformFilter::Stop() {
  TBCAutoLock lock(FilterLock());
  if (state_ == State_Stopped) {
    return S_OK;
  }
  if (input_ && input_->IsConnected() && output_->IsConnected()) {
    // Decommitting the input allocator first releases an upstream thread waiting for a buffer,
    // so that the Receive in progress can finish and free the receive lock.
    input_->Inactive();
    TBCAutoLock receive(receiveLock_);
    output_->Inactive();
    const HRESULT hr = StopStreaming();
    if (SUCCEEDED(hr)) {
      state_ = State_Stopped;
      endOfStreamDelivered_ = false;
    }
    return hr;
  }
  state_ = State_Stopped;
  endOfStreamDelivered_ = false;
  return S_OK;
}

HRESULT TBCTransformFilter::Pause() {
  TBCAutoLock lock(FilterLock());
  HRESULT hr = S_OK;
  if (state_ == State_Paused) {
    // nothing to do
  } else if (!input_ || !input_->IsConnected()) {
    // Nothing will ever arrive: let the downstream renderer complete.
    if (output_ && !endOfStreamDelivered_) {
      output_->DeliverEndOfStream();
      endOfStreamDelivered_ = true;
    }
    state_ = State_Paused;
  } else if (!output_->IsConnected()) {
    state_ = State_Paused;
  } else {
    if (state_ == State_Stopped) {
      TBCAutoLock receive(receiveLock_);
      hr = StartStreaming();
    }
    if (SUCCEEDED(hr)) {
      hr = TBCBaseFilter::Pause();
    }
  }
  sampleSkipped_ = false;
  qualityChanged_ = false;
  return hr;
}

HRESULT TBCTransformFilter::Transform(IMediaSample* /*input*/, IMediaSample* /*output*/) { return E_UNEXPECTED; }

HRESULT TBCTransformFilter::NoteSkippedSample() {
  sampleSkipped_ = true;
  if (!qualityChanged_) {
    NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
    qualityChanged_ = true;
  }
  return S_OK;
}

HRESULT TBCTransformFilter::Receive(IMediaSample* sample) {
  if (input_->SampleProps().dwStreamId != AM_STREAM_MEDIA) {
    return output_->Deliver(sample);
  }
  ComPtr<IMediaSample> output;
  HRESULT hr = InitializeOutputSample(sample, output.GetAddressOf());
  if (FAILED(hr)) {
    return hr;
  }
  hr = Transform(sample, output.Get());
  if (hr == S_OK) {
    hr = output_->Deliver(output.Get());
    sampleSkipped_ = false;
    return hr;
  }
  return hr == S_FALSE ? NoteSkippedSample() : hr;
}

HRESULT TBCTransformFilter::InitializeOutputSample(IMediaSample* sample, IMediaSample** output) {
  *output = nullptr;
  IMemAllocator* allocator = output_->Allocator();
  if (allocator == nullptr) {
    return VFW_E_NO_ALLOCATOR;
  }
  const AM_SAMPLE2_PROPERTIES& props = input_->SampleProps();
  const bool timeValid = (props.dwSampleFlags & AM_SAMPLE_TIMEVALID) != 0;
  const bool stopValid = (props.dwSampleFlags & AM_SAMPLE_STOPVALID) != 0;
  const bool discontinuity = (props.dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY) != 0;
  DWORD flags = sampleSkipped_ ? AM_GBF_PREVFRAMESKIPPED : 0;
  if ((props.dwSampleFlags & AM_SAMPLE_SPLICEPOINT) == 0) {
    flags |= AM_GBF_NOTASYNCPOINT;
  }
  REFERENCE_TIME start = props.tStart;
  REFERENCE_TIME stop = props.tStop;
  ComPtr<IMediaSample> created;
  HRESULT hr = allocator->GetBuffer(created.GetAddressOf(), timeValid ? &start : nullptr,
                                    stopValid ? &stop : nullptr, flags);
  if (FAILED(hr)) {
    return hr;
  }
  ComPtr<IMediaSample2> created2;
  if (SUCCEEDED(QueryInto(created.Get(), IID_IMediaSample2, created2))) {
    // The head of the record up to tStop: the buffer keeps its own length and type change mark.
    constexpr DWORD kHead = offsetof(AM_SAMPLE2_PROPERTIES, tStop) + sizeof(REFERENCE_TIME);
    AM_SAMPLE2_PROPERTIES own{};
    created2->GetProperties(offsetof(AM_SAMPLE2_PROPERTIES, tStart), reinterpret_cast<BYTE*>(&own));
    own.dwTypeSpecificFlags = props.dwTypeSpecificFlags;
    own.dwSampleFlags = (own.dwSampleFlags & AM_SAMPLE_TYPECHANGED) | (props.dwSampleFlags & ~AM_SAMPLE_TYPECHANGED);
    own.tStart = props.tStart;
    own.tStop = props.tStop;
    own.cbData = kHead;
    created2->SetProperties(kHead, reinterpret_cast<BYTE*>(&own));
    if (discontinuity) {
      sampleSkipped_ = false;
    }
  } else {
    if (timeValid) {
      created->SetTime(&start, &stop);
    }
    if ((props.dwSampleFlags & AM_SAMPLE_SPLICEPOINT) != 0) {
      created->SetSyncPoint(TRUE);
    }
    if (discontinuity) {
      created->SetDiscontinuity(TRUE);
      sampleSkipped_ = false;
    }
    LONGLONG mediaStart = 0;
    LONGLONG mediaStop = 0;
    if (sample->GetMediaTime(&mediaStart, &mediaStop) == S_OK) {
      created->SetMediaTime(&mediaStart, &mediaStop);
    }
  }
  *output = created.Detach();
  return S_OK;
}

HRESULT TBCTransformFilter::EndOfStream() { return output_ ? output_->DeliverEndOfStream() : S_OK; }

HRESULT TBCTransformFilter::BeginFlush() { return output_ ? output_->DeliverBeginFlush() : S_OK; }

HRESULT TBCTransformFilter::EndFlush() { return output_ ? output_->DeliverEndFlush() : S_OK; }

HRESULT TBCTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return output_ ? output_->DeliverNewSegment(start, stop, rate) : S_OK;
}

}  // namespace sonotape
