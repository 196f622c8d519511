#pragma once
// The one-input, one-output filter. Samples arrive on the input pin on the upstream streaming
// thread, are transformed into buffers of the output pin's allocator and delivered downstream.
//
// Locks: the filter lock (state, connections, flushing) and the receive lock (the streaming
// path), always taken in that order. Stop and Pause take the receive lock around
// StopStreaming and StartStreaming, so neither runs while a sample is being transformed.

#include <atomic>
#include <memory>

#include "baseclasses/BCBaseFilter.h"
#include "baseclasses/BCTransformPins.h"

namespace sonotape {

class TBCTransformFilter : public TBCBaseFilter {
 public:
  TBCTransformFilter(const char* objectName, IUnknown* owner, REFCLSID clsid);
  TBCTransformFilter(const TBCFilterTemplateEntry& entry, IUnknown* owner);
  ~TBCTransformFilter() override;

  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  // Finds the pins by their ids "In" and "Out", not by their names.
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;

  int GetPinCount() override { return 2; }
  // Creates both pins on the first call; null when they cannot be created.
  TBCBasePin* GetPin(int index) override;

  // The copying transform; E_UNEXPECTED unless a subclass provides it.
  virtual HRESULT Transform(IMediaSample* input, IMediaSample* output);
  virtual HRESULT CheckInputType(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT CheckTransform(const AM_MEDIA_TYPE* input, const AM_MEDIA_TYPE* output) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) = 0;
  // The output pin's preferred types.
  virtual HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT StartStreaming() { return S_OK; }
  virtual HRESULT StopStreaming() { return S_OK; }
  // S_FALSE passes the quality message upstream.
  virtual HRESULT AlterQuality(const Quality& /*quality*/) { return S_FALSE; }
  // Connection hooks of both pins, told apart by direction.
  virtual HRESULT SetMediaType(PIN_DIRECTION /*direction*/, const AM_MEDIA_TYPE* /*type*/) { return S_OK; }
  virtual HRESULT CheckConnect(PIN_DIRECTION /*direction*/, IPin* /*pin*/) { return S_OK; }
  virtual HRESULT BreakConnect(PIN_DIRECTION /*direction*/) { return S_OK; }
  virtual HRESULT CompleteConnect(PIN_DIRECTION /*direction*/, IPin* /*pin*/) { return S_OK; }
  // The streaming path, called by the input pin under the receive lock.
  virtual HRESULT Receive(IMediaSample* sample);
  virtual HRESULT InitializeOutputSample(IMediaSample* sample, IMediaSample** output);
  virtual HRESULT EndOfStream();
  // Stream events passed downstream.
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  TBCCritSec& ReceiveLock() { return receiveLock_; }
  TBCTransformInputPin* InputPin() const { return input_.get(); }
  TBCTransformOutputPin* OutputPin() const { return output_.get(); }

 protected:
  // The pins GetPin creates; subclasses with pins of their own replace these.
  virtual std::unique_ptr<TBCTransformInputPin> NewInputPin();
  virtual std::unique_ptr<TBCTransformOutputPin> NewOutputPin();
  // A dropped sample: marks it skipped and tells the graph once per Pause.
  HRESULT NoteSkippedSample();

  bool endOfStreamDelivered_ = false;
  bool sampleSkipped_ = false;
  bool qualityChanged_ = false;

 private:
  bool CreatePins();

  TBCCritSec receiveLock_;
  std::unique_ptr<TBCTransformInputPin> input_;
  std::unique_ptr<TBCTransformOutputPin> output_;
  std::atomic<bool> pinsCreated_{false};
};

}  // namespace sonotape
