#pragma once
// An output pin's request to its allocator: what it asked for, or a failure when it got less.

#include <windows.h>
#include <dshow.h>

namespace devhost {

inline HRESULT RequestBuffers(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* wanted) {
  ALLOCATOR_PROPERTIES actual{};
  const HRESULT hr = allocator->SetProperties(wanted, &actual);
  if (FAILED(hr)) {
    return hr;
  }
  return actual.cbBuffer < wanted->cbBuffer ? E_FAIL : S_OK;
}

}  // namespace devhost
