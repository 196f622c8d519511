#pragma once
// The in-place filter's pins. They have no types of their own: each offers and checks types by
// asking the peer on the other side of the filter, and the input pin lends the upstream pin the
// downstream allocator.

#include "baseclasses/BCTransformPins.h"

namespace sonotape {

class TBCTransInPlaceFilter;

class TBCTransInPlaceInputPin : public TBCTransformInputPin {
 public:
  explicit TBCTransInPlaceInputPin(TBCTransInPlaceFilter& filter);

  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;

 private:
  // A read-only upstream allocator while the filter writes: a separate output allocator with
  // the same properties goes downstream.
  HRESULT NotifySeparateAllocator(IMemAllocator* allocator);

  TBCTransInPlaceFilter& inPlace_;
};

class TBCTransInPlaceOutputPin : public TBCTransformOutputPin {
 public:
  explicit TBCTransInPlaceOutputPin(TBCTransInPlaceFilter& filter);

  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  // Keeps allocator as the pin's allocator.
  void SetAllocator(IMemAllocator* allocator) { allocator_ = allocator; }

 private:
  TBCTransInPlaceFilter& inPlace_;
};

}  // namespace sonotape
