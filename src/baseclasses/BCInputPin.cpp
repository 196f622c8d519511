#include "baseclasses/BCInputPin.h"

#include "baseclasses/BCBaseFilter.h"
#include "baseclasses/BCMediaType.h"
#include "baseclasses/BCOutputPin.h"

namespace sonotape {

TBCBaseInputPin::TBCBaseInputPin(const char* objectName, TBCBaseFilter& filter, TBCCritSec& lock,
                                 const wchar_t* pinName)
    : TBCBasePin(objectName, filter, lock, pinName, PINDIR_INPUT) {}

HRESULT TBCBaseInputPin::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (out != nullptr && iid == IID_IMemInputPin) {
    return GetInterface(static_cast<IMemInputPin*>(this), out);
  }
  return TBCBasePin::NonDelegatingQueryInterface(iid, out);
}

HRESULT TBCBaseInputPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) {
    return E_POINTER;
  }
  *allocator = nullptr;
  TBCAutoLock lock(lock_);
  if (!allocator_) {
    const HRESULT hr = CreateMemoryAllocator(allocator_.GetAddressOf());
    if (FAILED(hr)) {
      return hr;
    }
  }
  ComPtr<IMemAllocator> copy = allocator_;
  *allocator = copy.Detach();
  return S_OK;
}

HRESULT TBCBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  TBCAutoLock lock(lock_);
  allocator_ = allocator;
  readOnly_ = readOnly != FALSE;
  return S_OK;
}

HRESULT TBCBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* /*properties*/) { return E_NOTIMPL; }

TBCBaseInputPin::~TBCBaseInputPin() { ReleaseSampleType(); }

void TBCBaseInputPin::ReleaseSampleType() {
  if (ownsSampleType_) {
    DeleteMediaType(sampleProps_.pMediaType);
    sampleProps_.pMediaType = nullptr;
    ownsSampleType_ = false;
  }
}

HRESULT TBCBaseInputPin::ReadSampleProperties(IMediaSample* sample) {
  ReleaseSampleType();
  ComPtr<IMediaSample2> sample2;
  if (SUCCEEDED(QueryInto(sample, IID_IMediaSample2, sample2))) {
    return sample2->GetProperties(sizeof sampleProps_, reinterpret_cast<BYTE*>(&sampleProps_));
  }
  AM_SAMPLE2_PROPERTIES& p = sampleProps_;
  p.cbData = sizeof p;
  p.dwTypeSpecificFlags = 0;
  p.dwStreamId = AM_STREAM_MEDIA;
  p.dwSampleFlags = 0;
  if (sample->IsDiscontinuity() == S_OK) p.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;
  if (sample->IsPreroll() == S_OK) p.dwSampleFlags |= AM_SAMPLE_PREROLL;
  if (sample->IsSyncPoint() == S_OK) p.dwSampleFlags |= AM_SAMPLE_SPLICEPOINT;
  if (SUCCEEDED(sample->GetTime(&p.tStart, &p.tStop))) {
    p.dwSampleFlags |= AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
  }
  p.pMediaType = nullptr;
  if (sample->GetMediaType(&p.pMediaType) == S_OK) {
    p.dwSampleFlags |= AM_SAMPLE_TYPECHANGED;
    ownsSampleType_ = true;  // a plain sample hands out a copy; it is freed with the next sample
  }
  sample->GetPointer(&p.pbBuffer);
  p.lActual = sample->GetActualDataLength();
  p.cbBuffer = sample->GetSize();
  return S_OK;
}

HRESULT TBCBaseInputPin::Receive(IMediaSample* sample) {
  if (sample == nullptr) {
    return E_POINTER;
  }
  HRESULT hr = CheckStreaming();
  if (hr != S_OK) {
    return hr;
  }
  hr = ReadSampleProperties(sample);
  if (FAILED(hr)) {
    return hr;
  }
  if ((sampleProps_.dwSampleFlags & AM_SAMPLE_TYPECHANGED) != 0 &&
      CheckMediaType(sampleProps_.pMediaType) != S_OK) {
    // The end of stream goes first: once the run-time error is set, EndOfStream refuses too.
    EndOfStream();
    runTimeError_ = true;
    Filter().NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
    return VFW_E_INVALIDMEDIATYPE;
  }
  return S_OK;
}

HRESULT TBCBaseInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (processed == nullptr || (samples == nullptr && count > 0)) {
    return E_POINTER;
  }
  *processed = 0;
  HRESULT hr = S_OK;
  for (long i = 0; i < count; ++i) {
    hr = Receive(samples[i]);
    if (hr != S_OK) {
      break;
    }
    ++*processed;
  }
  return hr;
}

HRESULT TBCBaseInputPin::ReceiveCanBlock() {
  TBCBaseFilter& filter = Filter();
  const int count = filter.GetPinCount();
  int connectedOutputs = 0;
  for (int i = 0; i < count; ++i) {
    TBCBasePin* pin = filter.GetPin(i);
    if (pin == nullptr || pin->Direction() != PINDIR_OUTPUT || !pin->IsConnected()) {
      continue;
    }
    ++connectedOutputs;
    ComPtr<IMemInputPin> peer;
    if (FAILED(QueryInto(pin->ConnectedPin(), IID_IMemInputPin, peer)) || peer->ReceiveCanBlock() != S_FALSE) {
      return S_OK;
    }
  }
  return connectedOutputs > 0 ? S_FALSE : S_OK;
}

HRESULT TBCBaseInputPin::BeginFlush() {
  TBCAutoLock lock(lock_);
  flushing_ = true;
  return S_OK;
}

HRESULT TBCBaseInputPin::EndFlush() {
  TBCAutoLock lock(lock_);
  flushing_ = false;
  runTimeError_ = false;
  return S_OK;
}

HRESULT TBCBaseInputPin::Notify(IBaseFilter* /*sender*/, Quality /*quality*/) { return S_OK; }

HRESULT TBCBaseInputPin::Inactive() {
  runTimeError_ = false;
  if (!allocator_) {
    return VFW_E_NO_ALLOCATOR;
  }
  flushing_ = false;
  return allocator_->Decommit();
}

HRESULT TBCBaseInputPin::BreakConnect() { return DecommitAndRelease(allocator_); }

HRESULT TBCBaseInputPin::CheckStreaming() {
  if (IsStopped()) {
    return VFW_E_WRONG_STATE;
  }
  if (flushing_) {
    return S_FALSE;
  }
  return runTimeError_ ? VFW_E_RUNTIME_ERROR : S_OK;
}

HRESULT TBCBaseInputPin::PassNotify(const Quality& quality) {
  IBaseFilter* self = &Filter();
  if (qualitySink_) {
    return qualitySink_->Notify(self, quality);
  }
  IPin* peer = ConnectedPin();
  if (peer == nullptr) {
    return VFW_E_NOT_FOUND;
  }
  ComPtr<IQualityControl> upstream;
  if (FAILED(QueryInto(peer, IID_IQualityControl, upstream))) {
    return VFW_E_NOT_FOUND;
  }
  return upstream->Notify(self, quality);
}

}  // namespace sonotape
