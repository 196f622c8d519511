#include "baseclasses/BCEnumMediaTypes.h"

#include <climits>
#include <new>

#include "baseclasses/BCBasePin.h"
#include "baseclasses/BCMediaType.h"

namespace sonotape {

TBCEnumMediaTypes::TBCEnumMediaTypes(TBCBasePin& pin, const TBCEnumMediaTypes* source)
    : pin_(pin), pinReference_(static_cast<IPin*>(&pin)) {
  if (source != nullptr) {
    position_ = source->position_;
    version_ = source->version_;
  } else {
    version_ = pin_.GetMediaTypeVersion();
  }
}

bool TBCEnumMediaTypes::OutOfSync() const { return pin_.GetMediaTypeVersion() != version_; }

HRESULT TBCEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) {
    return E_POINTER;
  }
  if (OutOfSync()) {
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  if (fetched != nullptr) {
    *fetched = 0;
  } else if (count > 1) {
    return E_INVALIDARG;
  }
  ULONG filled = 0;
  while (filled < count) {
    AM_MEDIA_TYPE type = DefaultMediaType();
    if (pin_.GetMediaType(position_++, &type) != S_OK) {
      FreeMediaType(type);
      break;
    }
    auto* slot = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (slot == nullptr) {
      FreeMediaType(type);
      break;
    }
    *slot = type;  // the slot takes over the format block and pUnk
    types[filled++] = slot;
  }
  if (fetched != nullptr) {
    *fetched = filled;
  }
  return filled == count ? S_OK : S_FALSE;
}

HRESULT TBCEnumMediaTypes::Skip(ULONG count) {
  if (count == 0) {
    return S_OK;
  }
  if (OutOfSync()) {
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  if (count > static_cast<ULONG>(INT_MAX - position_)) {
    position_ = INT_MAX;  // past any type a pin can have
    return S_FALSE;
  }
  position_ += static_cast<int>(count);
  AM_MEDIA_TYPE type = DefaultMediaType();
  const HRESULT hr = pin_.GetMediaType(position_ - 1, &type);
  FreeMediaType(type);
  return hr == S_OK ? S_OK : S_FALSE;
}

HRESULT TBCEnumMediaTypes::Reset() {
  position_ = 0;
  version_ = pin_.GetMediaTypeVersion();
  return S_OK;
}

HRESULT TBCEnumMediaTypes::Clone(IEnumMediaTypes** clone) {
  if (clone == nullptr) {
    return E_POINTER;
  }
  *clone = nullptr;
  if (OutOfSync()) {
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  auto* copy = new (std::nothrow) TBCEnumMediaTypes(pin_, this);
  if (copy == nullptr) {
    return E_OUTOFMEMORY;
  }
  copy->AddRef();
  *clone = copy;
  return S_OK;
}

}  // namespace sonotape
