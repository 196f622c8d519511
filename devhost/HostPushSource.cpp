#include "HostPushSource.h"

#include <mmreg.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "BufferRequest.h"

using sonotape::ComPtr;

namespace devhost {

namespace {

constexpr long kBuffers = 4;
constexpr long kBufferBytes = 8192;  // the largest chunk a player hands over at once

bool IsWaveAudio(const AM_MEDIA_TYPE& type) {
  return type.majortype == MEDIATYPE_Audio && type.formattype == FORMAT_WaveFormatEx &&
         type.cbFormat >= sizeof(WAVEFORMATEX) && type.pbFormat != nullptr;
}

}  // namespace

THostPushPin::THostPushPin(THostPushSource& filter, sonotape::TBCCritSec& lock)
    : TBCBaseOutputPin("Host push source pin", filter, lock, L"Audio"), source_(filter) {}

HRESULT THostPushPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) {
    return E_POINTER;
  }
  const AM_MEDIA_TYPE& offered = source_.OutputType();
  return IsWaveAudio(offered) && sonotape::MediaTypesEqual(*type, offered) ? S_OK : S_FALSE;
}

HRESULT THostPushPin::GetMediaType(int position, AM_MEDIA_TYPE* type) {
  if (position < 0) {
    return E_INVALIDARG;
  }
  if (position > 0 || !IsWaveAudio(source_.OutputType())) {
    return VFW_S_NO_MORE_ITEMS;
  }
  return sonotape::CopyMediaType(*type, source_.OutputType());
}

HRESULT THostPushPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) {
  const auto* format = reinterpret_cast<const WAVEFORMATEX*>(source_.OutputType().pbFormat);
  const long block = std::max<long>(format->nBlockAlign, 1);
  properties->cBuffers = std::max(properties->cBuffers, kBuffers);
  properties->cbBuffer = std::max(properties->cbBuffer, kBufferBytes / block * block);
  properties->cbAlign = std::max(properties->cbAlign, 1L);
  return RequestBuffers(allocator, properties);
}

THostPushSource::THostPushSource()
    : TBCBaseFilter("Host push source", nullptr, std::make_unique<sonotape::TBCCritSec>(),
                    sonotape::CLSID_HostPushSource),
      pin_(*this, FilterLock()) {}

HRESULT THostPushSource::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (iid == sonotape::IID_ISourceSet) {
    return GetInterface(static_cast<sonotape::ISourceSet*>(this), out);
  }
  return TBCBaseFilter::NonDelegatingQueryInterface(iid, out);
}

HRESULT THostPushSource::SetOutputMediaType(AM_MEDIA_TYPE* type, INT32 /*flag*/) {
  if (type == nullptr) {
    return E_POINTER;
  }
  if (!IsWaveAudio(*type)) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  sonotape::TBCAutoLock lock(FilterLock());
  if (pin_.IsConnected()) {
    return sonotape::MediaTypesEqual(*type, outputType_.Get()) ? S_OK : VFW_E_ALREADY_CONNECTED;
  }
  return outputType_.Set(*type);
}

HRESULT THostPushSource::GetSourceInfo(sonotape::SourceInfo* info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  info->version = kHostSourceVersion;
  return S_OK;
}

HRESULT THostPushSource::PutData(const BYTE* data, INT32 size) {
  if (size < 0 || (size > 0 && data == nullptr)) {
    return E_INVALIDARG;
  }
  if (size == 0) {
    ++zeroByteHandOvers_;
    return pin_.DeliverEndOfStream();
  }
  bytesHandedOver_ += size;
  return DeliverBytes(data, size);
}

// Fills as many samples as the bytes need; each wait for a free sample or for room downstream
// holds the caller. A graph that stops decommits the samples and releases the renderer, so the
// caller returns with the failure.
HRESULT THostPushSource::DeliverBytes(const BYTE* data, long size) {
  while (size > 0) {
    ComPtr<IMediaSample> sample;
    HRESULT hr = pin_.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0);
    if (FAILED(hr)) {
      return hr;
    }
    BYTE* buffer = nullptr;
    if (FAILED(hr = sample->GetPointer(&buffer))) {
      return hr;
    }
    const long part = std::min(size, sample->GetSize());
    std::memcpy(buffer, data, static_cast<size_t>(part));
    sample->SetActualDataLength(part);
    sample->SetSyncPoint(TRUE);
    if (FAILED(hr = sample->SetTime(nullptr, nullptr)) || (hr = pin_.Deliver(sample.Get())) != S_OK) {
      return FAILED(hr) ? hr : VFW_E_WRONG_STATE;  // S_FALSE: downstream takes no more
    }
    data += part;
    size -= part;
  }
  return S_OK;
}

// The class object: not counted, it lives as long as its registration.
class THostPushSourceFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) {
      return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      delete this;
    }
    return left;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) {
      return E_POINTER;
    }
    *out = nullptr;
    if (outer != nullptr) {
      return CLASS_E_NOAGGREGATION;
    }
    auto* source = new (std::nothrow) THostPushSource();
    if (source == nullptr) {
      return E_OUTOFMEMORY;
    }
    ComPtr<IBaseFilter> filter(static_cast<IBaseFilter*>(source));  // the first reference
    const HRESULT hr = filter->QueryInterface(iid, out);
    if (SUCCEEDED(hr)) {
      sonotape::TBCAutoLock lock(lock_);
      last_ = filter;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  THostPushSource* LastSource() {
    sonotape::TBCAutoLock lock(lock_);
    return last_ ? static_cast<THostPushSource*>(last_.Get()) : nullptr;
  }

 private:
  std::atomic<ULONG> references_{0};
  sonotape::TBCCritSec lock_;
  ComPtr<IBaseFilter> last_;
};

HostPushSourceRegistration::HostPushSourceRegistration()
    : factory_(new (std::nothrow) THostPushSourceFactory()), result_(E_OUTOFMEMORY) {
  if (factory_) {
    result_ = CoRegisterClassObject(sonotape::CLSID_HostPushSource, factory_.Get(), CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie_);
  }
}

HostPushSourceRegistration::~HostPushSourceRegistration() {
  if (SUCCEEDED(result_)) {
    CoRevokeClassObject(cookie_);
  }
}

THostPushSource* HostPushSourceRegistration::LastSource() const {
  return factory_ ? factory_->LastSource() : nullptr;
}

}  // namespace devhost
