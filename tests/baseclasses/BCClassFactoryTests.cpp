// Filters built from their registration templates by the class factory, handed to COM's own
// CoCreateInstance: the entry names the object and gives its class id, alone or aggregated.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "baseclasses/BCClassFactory.h"
#include "baseclasses/BCFilterTemplate.h"
#include "baseclasses/BCTransInPlaceFilter.h"
#include "graph/ComPtr.h"

namespace sonotape {
namespace {

// {5B0E6A31-94C2-4D7E-A1F3-0C6D2E8B4A10} and the three following
constexpr CLSID kBaseClsid = {0x5b0e6a31, 0x94c2, 0x4d7e, {0xa1, 0xf3, 0x0c, 0x6d, 0x2e, 0x8b, 0x4a, 0x10}};
constexpr CLSID kTransformClsid = {0x5b0e6a31, 0x94c2, 0x4d7e, {0xa1, 0xf3, 0x0c, 0x6d, 0x2e, 0x8b, 0x4a, 0x11}};
constexpr CLSID kInPlaceClsid = {0x5b0e6a31, 0x94c2, 0x4d7e, {0xa1, 0xf3, 0x0c, 0x6d, 0x2e, 0x8b, 0x4a, 0x12}};
constexpr CLSID kRegisteredOnly = {0x5b0e6a31, 0x94c2, 0x4d7e, {0xa1, 0xf3, 0x0c, 0x6d, 0x2e, 0x8b, 0x4a, 0x13}};

class PinlessFilter : public TBCBaseFilter {
 public:
  PinlessFilter(const TBCFilterTemplateEntry& entry, IUnknown* owner) : TBCBaseFilter(entry, owner) {}
  int GetPinCount() override { return 0; }
  TBCBasePin* GetPin(int) override { return nullptr; }
};

class NullTransform : public TBCTransformFilter {
 public:
  NullTransform(const TBCFilterTemplateEntry& entry, IUnknown* owner) : TBCTransformFilter(entry, owner) {}
  HRESULT CheckInputType(const AM_MEDIA_TYPE*) override { return S_OK; }
  HRESULT CheckTransform(const AM_MEDIA_TYPE*, const AM_MEDIA_TYPE*) override { return S_OK; }
  HRESULT DecideBufferSize(IMemAllocator*, ALLOCATOR_PROPERTIES*) override { return S_OK; }
  HRESULT GetMediaType(int, AM_MEDIA_TYPE*) override { return VFW_S_NO_MORE_ITEMS; }
};

class NullInPlace : public TBCTransInPlaceFilter {
 public:
  NullInPlace(const TBCFilterTemplateEntry& entry, IUnknown* owner) : TBCTransInPlaceFilter(entry, owner) {}
  HRESULT CheckInputType(const AM_MEDIA_TYPE*) override { return S_OK; }
  HRESULT Transform(IMediaSample*) override { return S_OK; }
};

// An owner that only counts its references; the test owns it.
class Owner : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++count); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--count); }
  LONG count = 0;
};

class ClassFactory : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Add<PinlessFilter>("Pinless filter", kBaseClsid);
    Add<NullTransform>("Null transform", kTransformClsid);
    Add<NullInPlace>("Null in-place", kInPlaceClsid);
  }
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override {
    for (DWORD cookie : cookies) CoRevokeClassObject(cookie);
    CoUninitialize();
  }

  template <typename Filter>
  static void Add(const char* name, REFCLSID clsid) {
    auto entry = std::make_unique<TBCFilterTemplateEntry>();
    entry->name = name;
    entry->clsid = clsid;
    entry->createFromFactory = &CreateFromFactory<Filter>;
    TBCFilterTemplate::Instance().Add(std::move(entry));
  }
  // Makes the class's factory known to COM, as a server's DllGetClassObject would.
  void Publish(REFCLSID clsid) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(TBCClassFactory::GetClassObject(clsid, IID_IClassFactory,
                                              reinterpret_cast<void**>(factory.GetAddressOf())),
              S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(clsid, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    cookies.push_back(cookie);
  }
  ComPtr<IBaseFilter> Create(REFCLSID clsid) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               reinterpret_cast<void**>(filter.GetAddressOf())), S_OK);
    return filter;
  }

  std::vector<DWORD> cookies;
};

TEST_F(ClassFactory, EachFilterClassIsBuiltFromItsEntryWithALockOfItsOwn) {
  for (const CLSID* clsid : {&kBaseClsid, &kTransformClsid, &kInPlaceClsid}) {
    ASSERT_NO_FATAL_FAILURE(Publish(*clsid));
    ComPtr<IBaseFilter> filter = Create(*clsid);
    ASSERT_TRUE(filter);
    CLSID reported{};
    ASSERT_EQ(filter->GetClassID(&reported), S_OK);
    EXPECT_EQ(reported, *clsid);
    EXPECT_EQ(std::string(static_cast<TBCBaseFilter*>(filter.Get())->ObjectName()),
              TBCFilterTemplate::Instance().Find(*clsid)->name);
    // The state machine runs under the filter lock the entry's constructor made.
    EXPECT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(filter->Stop(), S_OK);
  }
  ComPtr<IBaseFilter> transform = Create(kTransformClsid);
  EXPECT_EQ(static_cast<TBCTransformFilter*>(transform.Get())->GetPin(1)->Name(), L"XForm Out");
  ComPtr<IBaseFilter> inPlace = Create(kInPlaceClsid);
  EXPECT_TRUE(static_cast<TBCTransInPlaceFilter*>(inPlace.Get())->ModifiesData());
}

TEST_F(ClassFactory, AnOwnerAggregatesTheFilterThroughItsInnerUnknownOnly) {
  ASSERT_NO_FATAL_FAILURE(Publish(kInPlaceClsid));
  Owner owner;
  ComPtr<IUnknown> inner;
  ASSERT_EQ(CoCreateInstance(kInPlaceClsid, &owner, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(inner.GetAddressOf())), S_OK);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(QueryInto(inner.Get(), IID_IBaseFilter, filter), S_OK);
  EXPECT_EQ(owner.count, 1);  // the filter's interfaces count on the owner
  ComPtr<IUnknown> identity;
  ASSERT_EQ(QueryInto(filter.Get(), IID_IUnknown, identity), S_OK);
  EXPECT_EQ(identity.Get(), &owner);
  identity.Reset();
  filter.Reset();
  EXPECT_EQ(owner.count, 0);

  IUnknown* refused = &owner;
  EXPECT_EQ(CoCreateInstance(kInPlaceClsid, &owner, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             reinterpret_cast<void**>(&refused)), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(refused, nullptr);
}

TEST_F(ClassFactory, AClassWithoutAConstructorInItsEntryHasNoFactory) {
  auto entry = std::make_unique<TBCFilterTemplateEntry>();
  entry->name = "Registered only";
  entry->clsid = kRegisteredOnly;
  TBCFilterTemplate::Instance().Add(std::move(entry));
  void* factory = &factory;
  EXPECT_EQ(TBCClassFactory::GetClassObject(kRegisteredOnly, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
  EXPECT_EQ(TBCClassFactory::GetClassObject(CLSID_NULL, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
}

}  // namespace
}  // namespace sonotape
