#pragma once
// Creates platform COM objects for tests, each owned by a smart pointer.

#include <windows.h>

#include "graph/ComPtr.h"

namespace testsupport {

template <typename T>
HRESULT CreateInstance(REFCLSID clsid, REFIID iid, sonotape::ComPtr<T>& out) {
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid,
                          reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
}

}  // namespace testsupport
