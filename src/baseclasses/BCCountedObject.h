#pragma once
// A plain reference-counted COM object with one interface (the enumerators): born with count 0,
// destroyed by the Release that brings the count back to 0.

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace sonotape {

template <typename Interface, const IID& kInterfaceId>
class TBCCountedObject : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) {
      return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == kInterfaceId) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++referenceCount_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG count = --referenceCount_;
    if (count == 0) {
      delete this;
    }
    return static_cast<ULONG>(count);
  }

 protected:
  TBCCountedObject() = default;
  virtual ~TBCCountedObject() = default;

 private:
  std::atomic<LONG> referenceCount_{0};
};

}  // namespace sonotape
