#pragma once
// IEnumPins over a TBCBaseFilter's pins. Once handed out, a pin is not handed out again by the
// same enumerator, even when the pin set changes and the enumerator resynchronises.

#include <windows.h>
#include <dshow.h>

#include <vector>

#include "baseclasses/BCCountedObject.h"
#include "graph/ComPtr.h"

namespace sonotape {

class TBCBaseFilter;
class TBCBasePin;

class TBCEnumPins final : public TBCCountedObject<IEnumPins, IID_IEnumPins> {
 public:
  // A fresh enumerator, or a copy of source.
  TBCEnumPins(TBCBaseFilter& filter, const TBCEnumPins* source);

  HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override;

 private:
  ~TBCEnumPins() override = default;
  bool OutOfSync() const;
  void TakeSnapshot();
  bool WasHandedOut(const TBCBasePin* pin) const;

  TBCBaseFilter& filter_;
  ComPtr<IBaseFilter> filterReference_;
  int position_ = 0;
  int pinCount_ = 0;
  LONG version_ = 0;
  std::vector<const TBCBasePin*> handedOut_;
};

}  // namespace sonotape
