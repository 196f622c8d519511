#pragma once
// An input pin: IMemInputPin with allocator hand-over, the checks every arriving sample passes
// (state, flushing, run-time error, in-stream type change), flushing and ReceiveCanBlock.

#include "baseclasses/BCBasePin.h"

namespace sonotape {

class TBCBaseInputPin : public TBCBasePin, public IMemInputPin {
 public:
  TBCBaseInputPin(const char* objectName, TBCBaseFilter& filter, TBCCritSec& lock, const wchar_t* pinName);
  ~TBCBaseInputPin() override;

  TBC_DELEGATING_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;

  // IMemInputPin
  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
  HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;
  // Quality messages are not acted on at an input pin.
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;

  HRESULT Inactive() override;
  HRESULT BreakConnect() override;
  virtual HRESULT CheckStreaming();
  // Sends a quality message upstream on behalf of the filter.
  HRESULT PassNotify(const Quality& quality);

  const AM_SAMPLE2_PROPERTIES& SampleProps() const { return sampleProps_; }
  bool IsReadOnly() const { return readOnly_; }
  bool IsFlushing() const { return flushing_; }
  IMemAllocator* PinAllocator() const { return allocator_.Get(); }

 protected:
  ComPtr<IMemAllocator> allocator_;
  bool readOnly_ = false;
  bool flushing_ = false;
  AM_SAMPLE2_PROPERTIES sampleProps_{};

 private:
  HRESULT ReadSampleProperties(IMediaSample* sample);
  void ReleaseSampleType();

  bool ownsSampleType_ = false;
};

}  // namespace sonotape
