#pragma once
// IEnumMediaTypes over a pin's preferred media types (its GetMediaType hook).

#include <windows.h>
#include <dshow.h>


#include "baseclasses/BCCountedObject.h"
#include "graph/ComPtr.h"

namespace sonotape {

class TBCBasePin;

class TBCEnumMediaTypes final : public TBCCountedObject<IEnumMediaTypes, IID_IEnumMediaTypes> {
 public:
  // A fresh enumerator, or a copy of source.
  TBCEnumMediaTypes(TBCBasePin& pin, const TBCEnumMediaTypes* source);

  HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** clone) override;

 private:
  ~TBCEnumMediaTypes() override = default;
  bool OutOfSync() const;

  TBCBasePin& pin_;
  ComPtr<IPin> pinReference_;
  int position_ = 0;
  LONG version_ = 0;
};

}  // namespace sonotape
