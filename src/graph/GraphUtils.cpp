#include "graph/GraphUtils.h"

#include <cstdint>
#include <string>

#include "graph/ComPtr.h"
#include "graph/RotName.h"

namespace sonotape {

HRESULT RegisterGraphInRot(IGraphBuilder* graph, DWORD* cookie) {
  ComPtr<IRunningObjectTable> table;
  HRESULT hr = GetRunningObjectTable(0, table.GetAddressOf());
  if (FAILED(hr)) {
    return hr;
  }
  std::wstring name;
  try {
    name = FormatRotName(reinterpret_cast<std::uintptr_t>(graph), sizeof(void*) * 2, GetCurrentProcessId());
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  ComPtr<IMoniker> moniker;
  hr = CreateItemMoniker(L"!", name.c_str(), moniker.GetAddressOf());
  if (FAILED(hr)) {
    return hr;
  }
  return table->Register(0, graph, moniker.Get(), cookie);
}

HRESULT RevokeGraphFromRot(DWORD cookie) {
  ComPtr<IRunningObjectTable> table;
  const HRESULT hr = GetRunningObjectTable(0, table.GetAddressOf());
  return FAILED(hr) ? hr : table->Revoke(cookie);
}

bool FindPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction, int index, IPin** pin) {
  if (pin == nullptr) {
    return false;
  }
  *pin = nullptr;
  ComPtr<IBaseFilter> held(filter);
  ComPtr<IEnumPins> pins;
  if (!held || FAILED(held->EnumPins(pins.GetAddressOf())) || !pins) {
    return false;
  }
  for (ComPtr<IPin> candidate; pins->Next(1, candidate.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
    PIN_DIRECTION candidateDirection;
    if (!candidate || FAILED(candidate->QueryDirection(&candidateDirection)) ||
        candidateDirection != direction) {
      continue;
    }
    if (index <= 0) {
      *pin = candidate.Detach();
      return true;
    }
    --index;
  }
  return false;
}

bool FindInputPin(IBaseFilter* filter, IPin** pin, int index) {
  return FindPinByDirection(filter, PINDIR_INPUT, index, pin);
}

bool FindOutputPin(IBaseFilter* filter, IPin** pin, int index) {
  return FindPinByDirection(filter, PINDIR_OUTPUT, index, pin);
}

void FreeMediaTypeFormat(AM_MEDIA_TYPE& type) {
  if (type.cbFormat != 0) {
    CoTaskMemFree(type.pbFormat);
    type.cbFormat = 0;
    type.pbFormat = nullptr;
  }
}

void DeleteMediaTypeRecord(AM_MEDIA_TYPE* type) {
  if (type != nullptr) {
    FreeMediaTypeFormat(*type);
    CoTaskMemFree(type);
  }
}

}  // namespace sonotape
