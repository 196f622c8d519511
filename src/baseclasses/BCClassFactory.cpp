#include "baseclasses/BCClassFactory.h"

#include <new>

#include "baseclasses/BCFilterTemplate.h"
#include "baseclasses/BCUnknown.h"

namespace sonotape {

namespace {

// Hands out iid of an object born with count 0; an object that lacks it is destroyed.
HRESULT HandOut(IUnknown* object, REFIID iid, void** out) {
  object->AddRef();
  const HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

}  // namespace

HRESULT TBCClassFactory::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  const TBCFilterTemplateEntry* entry = TBCFilterTemplate::Instance().Find(clsid);
  if (entry == nullptr || entry->createFromFactory == nullptr) {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  auto* factory = new (std::nothrow) TBCClassFactory(*entry);
  return factory != nullptr ? HandOut(factory, iid, out) : E_OUTOFMEMORY;
}

HRESULT TBCClassFactory::CreateInstance(IUnknown* owner, REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  // An owner controls the new object through its inner IUnknown only.
  if (owner != nullptr && iid != IID_IUnknown) {
    return CLASS_E_NOAGGREGATION;
  }
  try {
    TBCUnknown* object = entry_.createFromFactory(entry_, owner);
    return HandOut(object->NonDelegatingUnknown(), iid, out);
  } catch (...) {
    return E_OUTOFMEMORY;  // the constructors throw only for want of memory
  }
}

// The plug-in cannot be unloaded by COM (it exports no DllCanUnloadNow): nothing to count.
HRESULT TBCClassFactory::LockServer(BOOL /*lock*/) { return S_OK; }

}  // namespace sonotape
