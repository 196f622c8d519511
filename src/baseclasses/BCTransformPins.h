#pragma once
// The transform filter's pins: they answer the ids "In" and "Out" and hand every decision on
// types, connections, samples and stream events to their filter.

#include "baseclasses/BCInputPin.h"
#include "baseclasses/BCOutputPin.h"

namespace sonotape {

class TBCTransformFilter;

class TBCTransformInputPin : public TBCBaseInputPin {
 public:
  TBCTransformInputPin(TBCTransformFilter& filter, const char* objectName = "Transform input pin",
                       const wchar_t* pinName = L"XForm In");

  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT CheckStreaming() override;

 protected:
  TBCTransformFilter& transform_;

 private:
  // Flushing is refused unless both pins are connected.
  bool BothPinsConnected() const;
};

class TBCTransformOutputPin : public TBCBaseOutputPin {
 public:
  TBCTransformOutputPin(TBCTransformFilter& filter, const char* objectName = "Transform output pin",
                        const wchar_t* pinName = L"XForm Out");

  // IMediaPosition and IMediaSeeking come from the platform's seeking pass-through, aggregated
  // into this pin, which forwards them to the upstream filter.
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) override;

 protected:
  TBCTransformFilter& transform_;

 private:
  HRESULT QueryPassThrough(REFIID iid, void** out);

  TBCCritSec passThroughLock_;
  ComPtr<IUnknown> passThrough_;
};

}  // namespace sonotape
