#pragma once
// An output pin: chooses the allocator with the downstream input pin and delivers samples and
// stream events downstream.

#include "baseclasses/BCBasePin.h"

namespace sonotape {

class TBCBaseOutputPin : public TBCBasePin {
 public:
  TBCBaseOutputPin(const char* objectName, TBCBaseFilter& filter, TBCCritSec& lock, const wchar_t* pinName);

  virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);
  // Sets the allocator's properties; the base leaves them as they are.
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties);
  virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                    DWORD flags);
  virtual HRESULT Deliver(IMediaSample* sample);
  virtual HRESULT InitAllocator(IMemAllocator** allocator);
  virtual HRESULT DeliverEndOfStream();
  virtual HRESULT DeliverBeginFlush();
  virtual HRESULT DeliverEndFlush();
  virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  // An output pin is not sent stream events.
  HRESULT STDMETHODCALLTYPE EndOfStream() override { return E_UNEXPECTED; }
  HRESULT STDMETHODCALLTYPE BeginFlush() override { return E_UNEXPECTED; }
  HRESULT STDMETHODCALLTYPE EndFlush() override { return E_UNEXPECTED; }

  HRESULT Active() override;
  HRESULT Inactive() override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receivePin) override;

  IMemAllocator* Allocator() const { return allocator_.Get(); }
  // The connected input pin's IMemInputPin, or null.
  IMemInputPin* DownstreamInputPin() const { return inputPin_.Get(); }

 protected:
  ComPtr<IMemAllocator> allocator_;
  ComPtr<IMemInputPin> inputPin_;

 private:
  // Sizes allocator and hands it to the downstream pin.
  HRESULT OfferAllocator(IMemInputPin* pin, IMemAllocator* allocator, ALLOCATOR_PROPERTIES& properties);
};

// Creates the platform's memory allocator.
HRESULT CreateMemoryAllocator(IMemAllocator** allocator);
// Whether an allocator granted less than wanted in buffer count, size or alignment.
bool AllocatorBelow(const ALLOCATOR_PROPERTIES& actual, const ALLOCATOR_PROPERTIES& wanted);
// Decommits and releases a pin's allocator; when Decommit fails the allocator is kept.
HRESULT DecommitAndRelease(ComPtr<IMemAllocator>& allocator);

}  // namespace sonotape
