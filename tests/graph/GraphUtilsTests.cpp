// Graph utilities against Wine's real filters, Running Object Table and task allocator.

#include <windows.h>
#include <dshow.h>
#include <mmreg.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph/ComPtr.h"
#include "support/ComCreate.h"
#include "graph/GraphUtils.h"
#include "graph/HostSource.h"
#include "graph/RotName.h"

namespace sonotape {
namespace {

class GraphUtils : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }

  static ComPtr<IBaseFilter> Create(REFCLSID clsid) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(testsupport::CreateInstance(clsid, IID_IBaseFilter, filter), S_OK);
    return filter;
  }
};

std::wstring PinName(IPin* pin) {
  PIN_INFO info{};
  if (FAILED(pin->QueryPinInfo(&info))) return L"?";
  if (info.pFilter != nullptr) info.pFilter->Release();
  return info.achName;
}

TEST_F(GraphUtils, FindsTheNthPinOfADirectionSkippingTheOthers) {
  // The smart tee has one input pin ("Input") and two outputs ("Capture", then "Preview").
  ComPtr<IBaseFilter> tee = Create(CLSID_SmartTee);
  ASSERT_TRUE(tee);
  ComPtr<IPin> pin;
  ASSERT_TRUE(FindOutputPin(tee.Get(), pin.GetAddressOf(), 1));
  EXPECT_EQ(PinName(pin.Get()), L"Preview");
  ASSERT_TRUE(FindOutputPin(tee.Get(), pin.ReleaseAndGetAddressOf(), 0));
  EXPECT_EQ(PinName(pin.Get()), L"Capture");
  ASSERT_TRUE(FindOutputPin(tee.Get(), pin.ReleaseAndGetAddressOf(), -3));  // negative: as 0
  EXPECT_EQ(PinName(pin.Get()), L"Capture");
  ASSERT_TRUE(FindInputPin(tee.Get(), pin.ReleaseAndGetAddressOf(), 0));
  EXPECT_EQ(PinName(pin.Get()), L"Input");
}

TEST_F(GraphUtils, MissingPinsYieldFalseAndANullPin) {
  ComPtr<IBaseFilter> renderer = Create(CLSID_DSoundRender);  // one input pin, no output
  ASSERT_TRUE(renderer);
  IPin* pin = reinterpret_cast<IPin*>(0x1234);
  EXPECT_FALSE(FindInputPin(renderer.Get(), &pin, 1));
  EXPECT_EQ(pin, nullptr);
  pin = reinterpret_cast<IPin*>(0x1234);
  EXPECT_FALSE(FindOutputPin(renderer.Get(), &pin, 0));
  EXPECT_EQ(pin, nullptr);
  pin = reinterpret_cast<IPin*>(0x1234);
  EXPECT_FALSE(FindOutputPin(nullptr, &pin, 0));
  EXPECT_EQ(pin, nullptr);
  EXPECT_FALSE(FindInputPin(renderer.Get(), nullptr, 0));
}

TEST_F(GraphUtils, TheFoundPinCarriesAReferenceForTheCaller) {
  ComPtr<IBaseFilter> renderer = Create(CLSID_DSoundRender);
  ASSERT_TRUE(renderer);
  IPin* pin = nullptr;
  ASSERT_TRUE(FindInputPin(renderer.Get(), &pin, 0));
  renderer.Reset();  // the pin keeps its filter alive through the reference it carries
  PIN_DIRECTION direction;
  EXPECT_EQ(pin->QueryDirection(&direction), S_OK);
  EXPECT_EQ(direction, PINDIR_INPUT);
  pin->Release();
}

TEST_F(GraphUtils, RegistersAGraphInTheRunningObjectTableUntilRevoked) {
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(RegisterGraphInRot(graph.Get(), &cookie), S_OK);

  const std::wstring name = FormatRotName(reinterpret_cast<std::uintptr_t>(graph.Get()),
                                          sizeof(void*) * 2, GetCurrentProcessId());
  ComPtr<IMoniker> moniker;
  ASSERT_EQ(CreateItemMoniker(L"!", name.c_str(), moniker.GetAddressOf()), S_OK);
  ComPtr<IRunningObjectTable> table;
  ASSERT_EQ(GetRunningObjectTable(0, table.GetAddressOf()), S_OK);
  EXPECT_EQ(table->IsRunning(moniker.Get()), S_OK);
  ComPtr<IUnknown> found;
  ASSERT_EQ(table->GetObject(moniker.Get(), found.GetAddressOf()), S_OK);
  ComPtr<IUnknown> graphIdentity;
  ASSERT_EQ(QueryInto(graph.Get(), IID_IUnknown, graphIdentity), S_OK);
  EXPECT_EQ(found.Get(), graphIdentity.Get());
  found.Reset();

  EXPECT_EQ(RevokeGraphFromRot(cookie), S_OK);
  EXPECT_EQ(table->IsRunning(moniker.Get()), S_FALSE);
  EXPECT_TRUE(FAILED(RevokeGraphFromRot(cookie)));
}

TEST_F(GraphUtils, FreeMediaTypeFormatFreesOnlyASizedBlockAndLeavesPUnk) {
  AM_MEDIA_TYPE type{};
  BYTE marker = 0;
  type.cbFormat = 0;
  type.pbFormat = &marker;  // not owned: with cbFormat 0 nothing is freed
  FreeMediaTypeFormat(type);
  EXPECT_EQ(type.pbFormat, &marker);

  type.cbFormat = 18;
  type.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(18));
  ASSERT_NE(type.pbFormat, nullptr);
  type.pUnk = reinterpret_cast<IUnknown*>(0x10);  // never touched
  FreeMediaTypeFormat(type);
  EXPECT_EQ(type.cbFormat, 0u);
  EXPECT_EQ(type.pbFormat, nullptr);
  EXPECT_EQ(type.pUnk, reinterpret_cast<IUnknown*>(0x10));
}

// Watches the task allocator: the blocks freed, in order. COM refuses to revoke it while a block
// allocated under its watch is still live.
class TaskMemorySpy final : public IMallocSpy {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IMallocSpy) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IMallocSpy*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static: never destroyed
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T bytes) override { return bytes; }
  void* STDMETHODCALLTYPE PostAlloc(void* block) override { return block; }
  void* STDMETHODCALLTYPE PreFree(void* block, BOOL watched) override {
    if (watched) freed.push_back(block);
    return block;
  }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T bytes, void** request, BOOL) override {
    *request = block;
    return bytes;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return block; }
  void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T bytes, BOOL) override { return bytes; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}

  std::vector<void*> freed;
};

TEST_F(GraphUtils, DeleteMediaTypeRecordFreesTheBlockThenTheRecordOnce) {
  static TaskMemorySpy spy;  // COM keeps a spy it could not revoke
  spy.freed.clear();
  ASSERT_EQ(CoRegisterMallocSpy(&spy), S_OK);
  DeleteMediaTypeRecord(nullptr);
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  ASSERT_NE(type, nullptr);
  *type = AM_MEDIA_TYPE{};
  type->cbFormat = 40;
  type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(40));
  ASSERT_NE(type->pbFormat, nullptr);
  const std::vector<void*> expected{type->pbFormat, type};
  DeleteMediaTypeRecord(type);
  EXPECT_EQ(spy.freed, expected);
  EXPECT_EQ(CoRevokeMallocSpy(), S_OK);  // nothing left live
}

TEST(HostSource, PcmTemplateIsFortyEightKilohertzStereoSixteenBit) {
  const AM_MEDIA_TYPE type = PcmAudioMediaType();
  EXPECT_EQ(type.majortype, MEDIATYPE_Audio);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_PCM);
  EXPECT_EQ(type.formattype, FORMAT_WaveFormatEx);
  EXPECT_TRUE(type.bFixedSizeSamples);
  EXPECT_FALSE(type.bTemporalCompression);
  EXPECT_EQ(type.lSampleSize, 1u);
  ASSERT_EQ(type.cbFormat, 18u);
  const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
  EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(format->nChannels, 2);
  EXPECT_EQ(format->nSamplesPerSec, 48000u);
  EXPECT_EQ(format->nAvgBytesPerSec, 192000u);
  EXPECT_EQ(format->nBlockAlign, 4);
  EXPECT_EQ(format->wBitsPerSample, 16);
  EXPECT_EQ(format->cbSize, 0);
}

TEST(HostSource, AcceptsSourcesFromVersion0301) {
  EXPECT_FALSE(IsSupportedSourceVersion(SourceInfo{}.version));
  EXPECT_FALSE(IsSupportedSourceVersion(0x0300FFFF));
  EXPECT_TRUE(IsSupportedSourceVersion(0x03010000));
  EXPECT_TRUE(IsSupportedSourceVersion(0x04000000));
}

}  // namespace
}  // namespace sonotape
