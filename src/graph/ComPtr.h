#pragma once
// The smart pointer that owns every interface reference of the plug-in.

#include <unknwn.h>
#include <wrl/client.h>

namespace sonotape {

template <typename T>
using ComPtr = Microsoft::WRL::ComPtr<T>;

// QueryInterface by an explicit interface id (not every DirectShow interface has a __uuidof).
template <typename T>
HRESULT QueryInto(IUnknown* object, REFIID iid, ComPtr<T>& out) {
  return object->QueryInterface(iid, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
}

}  // namespace sonotape
