#include "baseclasses/TestPins.h"

#include <algorithm>

#include "baseclasses/BCMediaType.h"

using sonotape::ComPtr;

namespace testsupport {

HRESULT SourcePin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (!IsPcm(type)) {
    return S_FALSE;
  }
  if (formats.empty()) {
    return S_OK;
  }
  const bool listed = type->formattype == FORMAT_WaveFormatEx && type->cbFormat >= sizeof(WAVEFORMATEX) &&
                      std::any_of(formats.begin(), formats.end(), [type](const WAVEFORMATEX& format) {
                        return std::equal(reinterpret_cast<const BYTE*>(&format),
                                          reinterpret_cast<const BYTE*>(&format) + sizeof format, type->pbFormat);
                      });
  return listed ? S_OK : S_FALSE;
}

HRESULT SourcePin::GetMediaType(int position, AM_MEDIA_TYPE* type) {
  if (formats.empty()) {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    *type = AudioType(MEDIASUBTYPE_PCM);
    return S_OK;
  }
  if (position < 0 || position >= static_cast<int>(formats.size())) {
    return VFW_S_NO_MORE_ITEMS;
  }
  AM_MEDIA_TYPE record = AudioType(MEDIASUBTYPE_PCM);
  record.formattype = FORMAT_WaveFormatEx;
  record.cbFormat = sizeof(WAVEFORMATEX);
  record.pbFormat = reinterpret_cast<BYTE*>(&formats[static_cast<size_t>(position)]);
  return sonotape::CopyMediaType(*type, record);
}

HRESULT SourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) {
  requestedAlign = properties->cbAlign;
  properties->cBuffers = buffers;
  properties->cbBuffer = bufferSize;
  ALLOCATOR_PROPERTIES actual{};
  return allocator->SetProperties(properties, &actual);
}

HRESULT SourcePin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (!readOnly) {
    return TBCBaseOutputPin::DecideAllocator(pin, allocator);
  }
  ComPtr<IMemAllocator> own;
  HRESULT hr = sonotape::CreateMemoryAllocator(own.GetAddressOf());
  ALLOCATOR_PROPERTIES properties{0, 0, 1, 0};
  if (SUCCEEDED(hr)) hr = DecideBufferSize(own.Get(), &properties);
  if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(own.Get(), TRUE);
  if (SUCCEEDED(hr)) *allocator = own.Detach();
  return hr;
}

HRESULT SourcePin::DeliverBuffer(long length, BYTE fill, REFERENCE_TIME start, REFERENCE_TIME stop) {
  ComPtr<IMediaSample> sample;
  HRESULT hr = GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0);
  if (FAILED(hr)) return hr;
  if (length > sample->GetSize()) return E_INVALIDARG;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  std::fill(data, data + length, fill);
  sample->SetActualDataLength(length);
  sample->SetTime(&start, &stop);
  sample->SetSyncPoint(TRUE);
  return Deliver(sample.Get());
}

HRESULT SinkPin::GetAllocator(IMemAllocator** allocator) {
  if (refuseAllocator) {
    *allocator = nullptr;
    return VFW_E_NO_ALLOCATOR;
  }
  if (offered) {
    ComPtr<IMemAllocator> copy = offered;
    *allocator = copy.Detach();
    return S_OK;
  }
  return TBCBaseInputPin::GetAllocator(allocator);
}

HRESULT SinkPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) {
  if (!reportRequirements) return TBCBaseInputPin::GetAllocatorRequirements(properties);
  *properties = {2, 1024, 0, 0};  // cbAlign 0
  return S_OK;
}

HRESULT SinkPin::Receive(IMediaSample* sample) {
  const HRESULT hr = TBCBaseInputPin::Receive(sample);
  if (hr != S_OK) {
    return hr;
  }
  std::lock_guard<std::mutex> guard(mutex_);
  seen_.push_back(sample);
  lastProps = SampleProps();
  lastData.assign(lastProps.pbBuffer, lastProps.pbBuffer + lastProps.lActual);
  ++received;
  return hr;
}

std::vector<IMediaSample*> SinkPin::Seen() {
  std::lock_guard<std::mutex> guard(mutex_);
  return seen_;
}

SpyAllocator* SpyAllocator::Create() {
  ComPtr<IMemAllocator> inner;
  if (FAILED(sonotape::CreateMemoryAllocator(inner.GetAddressOf()))) return nullptr;
  return new SpyAllocator(std::move(inner));
}

HRESULT SpyAllocator::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IUnknown || iid == IID_IMemAllocator) {
    *out = static_cast<IMemAllocator*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG SpyAllocator::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT SpyAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
  lastRequest = *request;
  return inner_->SetProperties(request, actual);
}

HRESULT SpyAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags) {
  lastFlags = flags;
  ++buffers;
  return inner_->GetBuffer(sample, start, stop, flags);
}

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.GetAddressOf()))) return nullptr;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION found;
    if (SUCCEEDED(pin->QueryDirection(&found)) && found == direction) return pin;
  }
  return nullptr;
}

}  // namespace testsupport
