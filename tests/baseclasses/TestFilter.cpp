#include "baseclasses/TestFilter.h"

#include <algorithm>
#include <string>

#include "baseclasses/BCMediaType.h"

namespace testsupport {

HRESULT TestPin::CheckMediaType(const AM_MEDIA_TYPE* type) {
  ++checkCalls;
  if (type == nullptr) {
    return E_POINTER;
  }
  const bool ok = accepted.empty() || std::find(accepted.begin(), accepted.end(), type->subtype) != accepted.end();
  return ok ? S_OK : refusal;
}

HRESULT TestPin::GetMediaType(int position, AM_MEDIA_TYPE* type) {
  if (position < 0 || position >= static_cast<int>(offered.size())) {
    return VFW_S_NO_MORE_ITEMS;
  }
  *type = AudioType(offered[static_cast<size_t>(position)]);
  return S_OK;
}

TestFilter::TestFilter(int inputs, int outputs, bool* destroyed)
    : TBCBaseFilter("test filter", nullptr, std::make_unique<sonotape::TBCCritSec>(), CLSID_TestFilter),
      destroyed_(destroyed) {
  static const wchar_t* const kInputs[] = {L"In1", L"In2", L"In3"};
  static const wchar_t* const kOutputs[] = {L"Out1", L"Out2", L"Out3"};
  for (int i = 0; i < inputs; ++i) {
    pins_.push_back(std::make_unique<TestPin>(*this, FilterLock(), kInputs[i], PINDIR_INPUT));
  }
  for (int i = 0; i < outputs; ++i) {
    pins_.push_back(std::make_unique<TestPin>(*this, FilterLock(), kOutputs[i], PINDIR_OUTPUT));
  }
}

TestFilter::~TestFilter() {
  if (destroyed_ != nullptr) {
    *destroyed_ = true;
  }
}

sonotape::TBCBasePin* TestFilter::GetPin(int index) {
  return index >= 0 && index < GetPinCount() ? pins_[static_cast<size_t>(index)].get() : nullptr;
}

AM_MEDIA_TYPE AudioType(const GUID& subtype) {
  AM_MEDIA_TYPE type = sonotape::DefaultMediaType();
  type.majortype = MEDIATYPE_Audio;
  type.subtype = subtype;
  type.formattype = FORMAT_None;
  return type;
}

}  // namespace testsupport
