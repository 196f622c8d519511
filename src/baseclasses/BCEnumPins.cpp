#include "baseclasses/BCEnumPins.h"

#include <algorithm>
#include <new>

#include "baseclasses/BCBaseFilter.h"
#include "baseclasses/BCBasePin.h"

namespace sonotape {

TBCEnumPins::TBCEnumPins(TBCBaseFilter& filter, const TBCEnumPins* source)
    : filter_(filter), filterReference_(static_cast<IBaseFilter*>(&filter)) {
  if (source != nullptr) {
    position_ = source->position_;
    pinCount_ = source->pinCount_;
    version_ = source->version_;
    handedOut_ = source->handedOut_;
  } else {
    TakeSnapshot();
  }
}

bool TBCEnumPins::OutOfSync() const { return filter_.GetPinVersion() != version_; }

void TBCEnumPins::TakeSnapshot() {
  version_ = filter_.GetPinVersion();
  pinCount_ = filter_.GetPinCount();
}

bool TBCEnumPins::WasHandedOut(const TBCBasePin* pin) const {
  return std::find(handedOut_.begin(), handedOut_.end(), pin) != handedOut_.end();
}

HRESULT TBCEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) {
    return E_POINTER;
  }
  pins[0] = nullptr;
  if (fetched != nullptr) {
    *fetched = 0;
  } else if (count > 1) {
    return E_INVALIDARG;
  }
  if (OutOfSync()) {
    // Start over on the new pin set; pins already handed out stay excluded.
    TakeSnapshot();
    position_ = 0;
  }
  ULONG wanted = std::min<ULONG>(count, static_cast<ULONG>(std::max(pinCount_ - position_, 0)));
  if (wanted == 0) {
    return S_FALSE;
  }
  ULONG stored = 0;
  HRESULT result = S_OK;
  // Pins passed over as already handed out end the walk at the end of the set, not beyond it.
  while (wanted > 0 && position_ < pinCount_) {
    TBCBasePin* pin = filter_.GetPin(position_++);
    if (pin == nullptr) {
      result = VFW_E_ENUM_OUT_OF_SYNC;
      break;
    }
    if (WasHandedOut(pin)) {
      continue;
    }
    try {
      handedOut_.push_back(pin);
    } catch (...) {
      result = E_OUTOFMEMORY;
      break;
    }
    pins[stored] = pin;
    pin->AddRef();
    ++stored;
    --wanted;
  }
  if (FAILED(result)) {
    // Nothing is handed out by a failed call: the caller would not release it.
    for (ULONG i = 0; i < stored; ++i) {
      pins[i]->Release();
      pins[i] = nullptr;
      handedOut_.pop_back();
    }
    return result;
  }
  if (fetched != nullptr) {
    *fetched = stored;
  }
  return stored == count ? S_OK : S_FALSE;
}

HRESULT TBCEnumPins::Skip(ULONG count) {
  if (OutOfSync()) {
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  const auto remaining = static_cast<ULONG>(std::max(pinCount_ - position_, 0));
  if (count > remaining) {
    return S_FALSE;
  }
  position_ += static_cast<int>(count);
  return S_OK;
}

HRESULT TBCEnumPins::Reset() {
  TakeSnapshot();
  position_ = 0;
  handedOut_.clear();
  return S_OK;
}

HRESULT TBCEnumPins::Clone(IEnumPins** clone) {
  if (clone == nullptr) {
    return E_POINTER;
  }
  *clone = nullptr;
  if (OutOfSync()) {
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  TBCEnumPins* copy = nullptr;
  try {
    copy = new TBCEnumPins(filter_, this);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  copy->AddRef();
  *clone = copy;
  return S_OK;
}

}  // namespace sonotape
