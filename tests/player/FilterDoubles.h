#pragma once
// Filters that misbehave in one way, registered with COM in place of the class the player
// creates (the host's push source or the DirectSound renderer) while the double lives.

#include <windows.h>
#include <dshow.h>

#include "HostPushSource.h"
#include "baseclasses/BCFilterTemplate.h"
#include "graph/ComPtr.h"
#include "graph/HostSource.h"

namespace playertest {

// The class object of Filter (default-constructible) for clsid, on the registering thread's
// apartment.
template <typename Filter>
class FilterDouble final : public IClassFactory {
 public:
  explicit FilterDouble(REFCLSID clsid) {
    result_ = CoRegisterClassObject(clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
  }
  ~FilterDouble() {
    if (SUCCEEDED(result_)) CoRevokeClassObject(cookie_);
  }
  FilterDouble(const FilterDouble&) = delete;
  FilterDouble& operator=(const FilterDouble&) = delete;
  HRESULT Result() const { return result_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
    sonotape::ComPtr<IBaseFilter> filter(static_cast<IBaseFilter*>(new Filter()));
    return filter->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  DWORD cookie_ = 0;
  HRESULT result_;
};

// The entry a double of the host's push source is made from; it outlives every source.
inline const sonotape::TBCFilterTemplateEntry& SourceDoubleEntry() {
  static const sonotape::TBCFilterTemplateEntry entry = [] {
    sonotape::TBCFilterTemplateEntry made;
    made.name = "Host push source double";
    made.clsid = sonotape::CLSID_HostPushSource;
    return made;
  }();
  return entry;
}

// The development host's push source, for doubles that change one of its answers.
class SourceDouble : public devhost::THostPushSource {
 public:
  SourceDouble() : THostPushSource(SourceDoubleEntry(), nullptr) {}
};

}  // namespace playertest
