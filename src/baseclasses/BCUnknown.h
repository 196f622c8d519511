#pragma once
// Root of the framework's class tree: COM identity and reference counting with aggregation.
//
// Every object has a non-delegating IUnknown (the one an aggregating owner controls it by) and
// implements the IUnknown head of each of its other interfaces by delegating: to the owner when
// aggregated, else to the non-delegating operations. Objects are born with count 0.

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace sonotape {

struct TBCFilterTemplateEntry;

class TBCBaseObject {
 public:
  explicit TBCBaseObject(const char* objectName) : objectName_(objectName) {}
  virtual ~TBCBaseObject() = default;
  TBCBaseObject(const TBCBaseObject&) = delete;
  TBCBaseObject& operator=(const TBCBaseObject&) = delete;

  // For diagnostics only.
  const char* ObjectName() const { return objectName_; }

 private:
  const char* objectName_;
};

class TBCUnknown : public TBCBaseObject {
 public:
  TBCUnknown(const char* objectName, IUnknown* owner);
  // From a registration template entry, which names the object.
  TBCUnknown(const TBCFilterTemplateEntry& entry, IUnknown* owner);

  virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** out);
  virtual ULONG NonDelegatingAddRef();
  virtual ULONG NonDelegatingRelease();

  // The object's own IUnknown, which always acts on this object.
  IUnknown* NonDelegatingUnknown() { return &inner_; }
  // The aggregating owner with a reference for the caller, or null.
  IUnknown* GetOwner() const;

 protected:
  // The IUnknown head of every interface the object implements.
  HRESULT DelegatingQueryInterface(REFIID iid, void** out);
  ULONG DelegatingAddRef();
  ULONG DelegatingRelease();

  LONG ReferenceCount() const { return referenceCount_.load(); }

  // Hands out an interface of this object with a reference (taken through the interface).
  static HRESULT GetInterface(IUnknown* object, void** out);

 private:
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(TBCUnknown& self) : self_(self) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
      return self_.NonDelegatingQueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return self_.NonDelegatingAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return self_.NonDelegatingRelease(); }

   private:
    TBCUnknown& self_;
  };

  InnerUnknown inner_;
  std::atomic<LONG> referenceCount_{0};
  IUnknown* owner_;  // not counted: the owner's lifetime encloses ours
};

// The virtual constructor of class T, kept in T's registration template entry: builds a T from
// the entry, aggregated by owner when one is given. T has the constructor T(entry, owner).
template <typename T>
TBCUnknown* CreateFromFactory(const TBCFilterTemplateEntry& entry, IUnknown* owner) {
  return new T(entry, owner);
}

}  // namespace sonotape

// Implements the IUnknown head of a class's interfaces by delegation.
#define TBC_DELEGATING_IUNKNOWN                                                        \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {         \
    return DelegatingQueryInterface(iid, out);                                         \
  }                                                                                    \
  ULONG STDMETHODCALLTYPE AddRef() override { return DelegatingAddRef(); }             \
  ULONG STDMETHODCALLTYPE Release() override { return DelegatingRelease(); }
