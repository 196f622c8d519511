#pragma once
// Source and sink pins of the framework for transport tests, and a filter holding one of them.

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "baseclasses/BCBaseFilter.h"
#include "baseclasses/BCInputPin.h"
#include "baseclasses/BCOutputPin.h"
#include "baseclasses/TestFilter.h"
#include "graph/ComPtr.h"

namespace testsupport {

inline bool IsPcm(const AM_MEDIA_TYPE* type) {
  return type != nullptr && type->majortype == MEDIATYPE_Audio && type->subtype == MEDIASUBTYPE_PCM;
}

// Offers PCM without a format block, or the full PCM records of formats when there are any.
class SourcePin : public sonotape::TBCBaseOutputPin {
 public:
  SourcePin(sonotape::TBCBaseFilter& filter, sonotape::TBCCritSec& lock)
      : TBCBaseOutputPin("source pin", filter, lock, L"Out") {}
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) override;
  // With readOnly set, a memory allocator of our own is handed downstream as read-only.
  HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) override;
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter*, Quality) override {
    ++qualityMessages;
    return S_OK;
  }

  // A buffer of length bytes, each set to fill, with the given stream times.
  HRESULT DeliverBuffer(long length, BYTE fill, REFERENCE_TIME start, REFERENCE_TIME stop);

  std::vector<WAVEFORMATEX> formats;
  bool readOnly = false;
  long buffers = 4, bufferSize = 4096;
  long requestedAlign = -1;
  std::atomic<int> qualityMessages{0};
};

class SinkPin : public sonotape::TBCBaseInputPin {
 public:
  SinkPin(sonotape::TBCBaseFilter& filter, sonotape::TBCCritSec& lock)
      : TBCBaseInputPin("sink pin", filter, lock, L"In") {}
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override { return IsPcm(type) ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
  HRESULT STDMETHODCALLTYPE EndOfStream() override {
    ++endOfStreams;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override {
    ++segments;
    return TBCBaseInputPin::NewSegment(start, stop, rate);
  }

  // The samples taken so far, as objects (identity only; they are not kept alive).
  std::vector<IMediaSample*> Seen();

  bool refuseAllocator = false;
  bool reportRequirements = false;
  sonotape::ComPtr<IMemAllocator> offered;  // when set, the allocator GetAllocator hands out
  std::atomic<int> received{0}, endOfStreams{0}, segments{0};
  // The data, times and flags of the last sample taken.
  std::vector<BYTE> lastData;
  AM_SAMPLE2_PROPERTIES lastProps{};

 private:
  std::mutex mutex_;
  std::vector<IMediaSample*> seen_;
};

// Forwards to a platform memory allocator and records what it was asked for.
class SpyAllocator final : public IMemAllocator {
 public:
  // A new spy with one reference, owned by the caller; null when the platform has no allocator.
  static SpyAllocator* Create();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* properties) override {
    return inner_->GetProperties(properties);
  }
  HRESULT STDMETHODCALLTYPE Commit() override { return inner_->Commit(); }
  HRESULT STDMETHODCALLTYPE Decommit() override { return inner_->Decommit(); }
  HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                      DWORD flags) override;
  HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override { return inner_->ReleaseBuffer(sample); }

  ALLOCATOR_PROPERTIES lastRequest{};
  std::atomic<DWORD> lastFlags{0};
  std::atomic<int> buffers{0};

 private:
  explicit SpyAllocator(sonotape::ComPtr<IMemAllocator> inner) : inner_(std::move(inner)) {}
  sonotape::ComPtr<IMemAllocator> inner_;
  std::atomic<ULONG> references_{1};
};

// A filter with one pin of the given kind.
template <typename Pin>
class OnePinFilter : public sonotape::TBCBaseFilter {
 public:
  OnePinFilter()
      : TBCBaseFilter("one pin filter", nullptr, std::make_unique<sonotape::TBCCritSec>(), CLSID_TestFilter),
        pin(*this, FilterLock()) {}
  int GetPinCount() override { return 1; }
  sonotape::TBCBasePin* GetPin(int index) override { return index == 0 ? &pin : nullptr; }
  Pin pin;
};

// The first pin of a platform filter in the given direction.
sonotape::ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction);

}  // namespace testsupport
