#include "HostPushSource.h"

#include <mmreg.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "BufferRequest.h"
#include "baseclasses/BCClassFactory.h"
#include "baseclasses/BCFilterTemplate.h"

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

THostPushSource::THostPushSource(const sonotape::TBCFilterTemplateEntry& entry, IUnknown* owner)
    : TBCBaseFilter(entry, owner), pin_(*this, FilterLock()) {}

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

namespace {

// The source created last through the class object, kept alive until the next one is made or the
// registration ends.
sonotape::TBCCritSec lastSourceLock;
THostPushSource* lastSource = nullptr;
ComPtr<IUnknown> lastSourceReference;  // its own (non-delegating) unknown

sonotape::TBCUnknown* CreateHostPushSource(const sonotape::TBCFilterTemplateEntry& entry, IUnknown* owner) {
  auto* source = new THostPushSource(entry, owner);
  sonotape::TBCAutoLock lock(lastSourceLock);
  lastSource = source;
  lastSourceReference = source->NonDelegatingUnknown();
  return source;
}

void ForgetLastSource() {
  sonotape::TBCAutoLock lock(lastSourceLock);
  lastSource = nullptr;
  lastSourceReference.Reset();
}

// The source's entry in the process's templates: the framework's class factory creates from it.
void AddTemplate() {
  sonotape::TBCFilterTemplate& templates = sonotape::TBCFilterTemplate::Instance();
  if (templates.Find(sonotape::CLSID_HostPushSource) != nullptr) {
    return;
  }
  auto entry = std::make_unique<sonotape::TBCFilterTemplateEntry>();
  entry->name = "Host push source";
  entry->clsid = sonotape::CLSID_HostPushSource;
  entry->createFromFactory = CreateHostPushSource;
  templates.Add(std::move(entry));
}

}  // namespace

HostPushSourceRegistration::HostPushSourceRegistration() : result_(E_OUTOFMEMORY) {
  try {
    AddTemplate();
  } catch (const std::bad_alloc&) {
    return;
  }
  ComPtr<IClassFactory> factory;
  result_ = sonotape::TBCClassFactory::GetClassObject(sonotape::CLSID_HostPushSource, IID_IClassFactory,
                                                      reinterpret_cast<void**>(factory.GetAddressOf()));
  if (SUCCEEDED(result_)) {
    result_ = CoRegisterClassObject(sonotape::CLSID_HostPushSource, factory.Get(), CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie_);
  }
}

HostPushSourceRegistration::~HostPushSourceRegistration() {
  if (SUCCEEDED(result_)) {
    CoRevokeClassObject(cookie_);
  }
  ForgetLastSource();
}

THostPushSource* HostPushSourceRegistration::LastSource() const {
  sonotape::TBCAutoLock lock(lastSourceLock);
  return lastSource;
}

}  // namespace devhost
