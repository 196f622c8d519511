#include "baseclasses/BCUnknown.h"

#include "baseclasses/BCFilterTemplate.h"

namespace sonotape {

TBCUnknown::TBCUnknown(const char* objectName, IUnknown* owner)
    : TBCBaseObject(objectName), inner_(*this), owner_(owner) {}

// Template entries live until the module unloads, longer than any object made from them.
TBCUnknown::TBCUnknown(const TBCFilterTemplateEntry& entry, IUnknown* owner) : TBCUnknown(entry.name.c_str(), owner) {}

HRESULT TBCUnknown::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (iid == IID_IUnknown) {
    return GetInterface(&inner_, out);
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG TBCUnknown::NonDelegatingAddRef() {
  return static_cast<ULONG>(++referenceCount_);
}

ULONG TBCUnknown::NonDelegatingRelease() {
  const LONG count = --referenceCount_;
  if (count == 0) {
    // Keep references taken and dropped during destruction from destroying us twice.
    referenceCount_ = 1;
    delete this;
  }
  return static_cast<ULONG>(count);
}

IUnknown* TBCUnknown::GetOwner() const {
  if (owner_ != nullptr) {
    owner_->AddRef();
  }
  return owner_;
}

HRESULT TBCUnknown::DelegatingQueryInterface(REFIID iid, void** out) {
  return owner_ != nullptr ? owner_->QueryInterface(iid, out) : NonDelegatingQueryInterface(iid, out);
}

ULONG TBCUnknown::DelegatingAddRef() {
  return owner_ != nullptr ? owner_->AddRef() : NonDelegatingAddRef();
}

ULONG TBCUnknown::DelegatingRelease() {
  return owner_ != nullptr ? owner_->Release() : NonDelegatingRelease();
}

HRESULT TBCUnknown::GetInterface(IUnknown* object, void** out) {
  *out = object;
  object->AddRef();
  return S_OK;
}

}  // namespace sonotape
