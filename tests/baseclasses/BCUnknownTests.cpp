// Identity, reference counting and aggregation of the framework's root object.

#include <windows.h>
#include <objidl.h>

#include <gtest/gtest.h>

#include "baseclasses/BCCritSec.h"
#include "baseclasses/BCUnknown.h"

namespace sonotape {
namespace {

// A minimal framework object with one interface of its own.
class PersistObject : public TBCUnknown, public IPersist {
 public:
  PersistObject(IUnknown* owner, bool& destroyed) : TBCUnknown("persist object", owner), destroyed_(destroyed) {}
  ~PersistObject() override { destroyed_ = true; }

  TBC_DELEGATING_IUNKNOWN

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) override {
    if (out != nullptr && iid == IID_IPersist) {
      return GetInterface(static_cast<IPersist*>(this), out);
    }
    return TBCUnknown::NonDelegatingQueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
    *clsid = CLSID_NULL;
    return S_OK;
  }

 private:
  bool& destroyed_;
};

// An owner that aggregates a PersistObject and hands out its IPersist.
class Outer : public IUnknown {
 public:
  Outer() {
    innerUnknown_ = (new PersistObject(this, innerDestroyed))->NonDelegatingUnknown();
    innerUnknown_->AddRef();
  }
  ~Outer() { innerUnknown_->Release(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown) {
      *out = this;
      AddRef();
      return S_OK;
    }
    return innerUnknown_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }  // owned by the test

  LONG count = 0;
  bool innerDestroyed = false;

 private:
  IUnknown* innerUnknown_ = nullptr;
};

TEST(TBCUnknown, StartsAtZeroAndDiesOnTheLastRelease) {
  bool destroyed = false;
  auto* object = new PersistObject(nullptr, destroyed);
  IPersist* persist = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)), S_OK);
  EXPECT_EQ(persist->AddRef(), 2u);
  EXPECT_EQ(persist->Release(), 1u);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(persist->Release(), 0u);
  EXPECT_TRUE(destroyed);
}

TEST(TBCUnknown, AnswersOnlyItsInterfacesAndClearsTheOutParameter) {
  bool destroyed = false;
  auto* object = new PersistObject(nullptr, destroyed);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(unknown, object->NonDelegatingUnknown());

  void* sentinel = reinterpret_cast<void*>(0xDEADBEEF);
  EXPECT_EQ(unknown->QueryInterface(IID_IStream, &sentinel), E_NOINTERFACE);
  EXPECT_EQ(sentinel, nullptr);
  EXPECT_EQ(unknown->QueryInterface(IID_IPersist, nullptr), E_POINTER);

  // Every interface leads back to the same identity.
  IPersist* persist = nullptr;
  ASSERT_EQ(unknown->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)), S_OK);
  IUnknown* again = nullptr;
  ASSERT_EQ(persist->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again, unknown);
  EXPECT_EQ(again->Release(), 2u);
  EXPECT_EQ(persist->Release(), 1u);
  EXPECT_EQ(unknown->Release(), 0u);
  EXPECT_TRUE(destroyed);
}

TEST(TBCUnknown, AnAggregatedObjectCountsOnItsOwner) {
  Outer outer;
  IPersist* persist = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)), S_OK);
  EXPECT_EQ(outer.count, 1);  // the reference went to the owner
  EXPECT_EQ(persist->AddRef(), 2u);
  EXPECT_EQ(persist->Release(), 1u);

  // Queries through the inner object's interfaces answer the owner's identity.
  IUnknown* identity = nullptr;
  ASSERT_EQ(persist->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  identity->Release();

  EXPECT_EQ(persist->Release(), 0u);
  EXPECT_FALSE(outer.innerDestroyed);  // the last release on an interface does not kill it
}

TEST(TBCUnknown, GetOwnerHandsOutACountedOwner) {
  bool destroyed = false;
  auto* plain = new PersistObject(nullptr, destroyed);
  EXPECT_EQ(plain->GetOwner(), nullptr);
  delete plain;

  LONG count = 0;
  struct CountingOwner : IUnknown {
    LONG& c;
    explicit CountingOwner(LONG& counter) : c(counter) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++c; }
    ULONG STDMETHODCALLTYPE Release() override { return --c; }
  } owner(count);
  auto* inner = new PersistObject(&owner, destroyed);
  IUnknown* got = inner->GetOwner();
  EXPECT_EQ(got, &owner);
  EXPECT_EQ(count, 1);
  got->Release();
  delete inner;
}

struct LockProbe {
  TBCCritSec* lock;
  bool entered = false;
};

// A thread procedure of its own: on i686 it must be WINAPI, which no lambda is for GCC.
DWORD WINAPI EnterProbeLock(void* p) {
  auto* self = static_cast<LockProbe*>(p);
  self->lock->Lock();
  self->entered = true;
  self->lock->Unlock();
  return 0;
}

TEST(TBCCritSec, IsReentrantForItsThreadAndExcludesOthers) {
  TBCCritSec lock;
  TBCAutoLock outer(lock);
  {
    TBCAutoLock inner(lock);  // would deadlock if not re-entrant
  }
  LockProbe probe{&lock};
  HANDLE thread = CreateThread(nullptr, 0, EnterProbeLock, &probe, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 200), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(probe.entered);
  lock.Unlock();  // let the other thread in while the guard still "holds" it
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(probe.entered);
  lock.Lock();  // give the guard back its hold
  CloseHandle(thread);
}

}  // namespace
}  // namespace sonotape
