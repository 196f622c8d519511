#pragma once
// IClassFactory for a filter class that has a registration template with a CreateFromFactory:
// it creates the class from its entry, aggregated when the caller gives an owner.

#include <windows.h>
#include <unknwn.h>

#include "baseclasses/BCCountedObject.h"

namespace sonotape {

struct TBCFilterTemplateEntry;

class TBCClassFactory final : public TBCCountedObject<IClassFactory, IID_IClassFactory> {
 public:
  // The factory of clsid as interface iid; CLASS_E_CLASSNOTAVAILABLE when no template entry
  // can create it.
  static HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* owner, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  explicit TBCClassFactory(const TBCFilterTemplateEntry& entry) : entry_(entry) {}
  ~TBCClassFactory() override = default;

  const TBCFilterTemplateEntry& entry_;  // entries live until the module unloads
};

}  // namespace sonotape
