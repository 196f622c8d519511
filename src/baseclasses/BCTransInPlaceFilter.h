#pragma once
// The transform filter that works on each sample where it lies: the sample received is the
// sample delivered. Its input pin passes the upstream allocator through to the downstream pin,
// so both connections share one allocator; only when they end up with different allocators
// (a read-only upstream while the filter modifies data, or a downstream that insisted on its
// own) is each sample copied into a buffer of the output allocator first.

#include "baseclasses/BCTransInPlacePins.h"
#include "baseclasses/BCTransformFilter.h"

namespace sonotape {

class TBCTransInPlaceFilter : public TBCTransformFilter {
 public:
  // modifiesData: the subclass writes into the samples.
  TBCTransInPlaceFilter(const char* objectName, IUnknown* owner, REFCLSID clsid, bool modifiesData);
  // From a registration template entry; such a filter is taken to modify the data.
  TBCTransInPlaceFilter(const TBCFilterTemplateEntry& entry, IUnknown* owner);

  using TBCTransformFilter::Transform;
  // Works on the sample's buffer; S_OK delivers it, S_FALSE drops it.
  virtual HRESULT Transform(IMediaSample* sample) = 0;

  HRESULT CheckTransform(const AM_MEDIA_TYPE* /*input*/, const AM_MEDIA_TYPE* /*output*/) override { return S_OK; }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) override;
  // The pins only ever offer their peers' types.
  HRESULT GetMediaType(int /*position*/, AM_MEDIA_TYPE* /*type*/) override { return E_UNEXPECTED; }
  HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pin) override;
  HRESULT Receive(IMediaSample* sample) override;

  // A copy of source in a buffer of the output allocator, or null when none can be made.
  ComPtr<IMediaSample> Copy(IMediaSample* source);
  bool UsingDifferentAllocators() const;
  bool ModifiesData() const { return modifiesData_; }
  TBCTransInPlaceInputPin* InPlaceInputPin() const;
  TBCTransInPlaceOutputPin* InPlaceOutputPin() const;

 protected:
  std::unique_ptr<TBCTransformInputPin> NewInputPin() override;
  std::unique_ptr<TBCTransformOutputPin> NewOutputPin() override;

 private:
  // Sample attributes for a destination without IMediaSample2.
  void CopyAttributes(IMediaSample* source, IMediaSample* destination, bool timeValid, REFERENCE_TIME start,
                      REFERENCE_TIME stop);

  const bool modifiesData_;
};

}  // namespace sonotape
