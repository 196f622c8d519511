// The base filter, its pin enumerator and the base pin's connection protocol: exact HRESULTs,
// reference counts and state changes, alone and inside Wine's filter graph manager.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <string>

#include "baseclasses/BCMediaType.h"
#include "baseclasses/TestFilter.h"
#include "graph/ComPtr.h"
#include "support/ComCreate.h"

using sonotape::ComPtr;
using sonotape::QueryInto;
using testsupport::AudioType;
using testsupport::TestFilter;

namespace {

class Framework : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

// A filter held by the test through one reference.
struct Held {
  Held(int inputs, int outputs) : filter(new TestFilter(inputs, outputs, &destroyed)), ref(filter->Interface()) {}
  bool destroyed = false;
  TestFilter* filter;
  ComPtr<IBaseFilter> ref;
};

TEST_F(Framework, FilterAnswersItsInterfacesButNotIPersistOrIMediaFilterAlone) {
  Held held(1, 1);
  for (REFIID iid : {IID_IUnknown, IID_IBaseFilter, IID_IAMovieSetup}) {
    ComPtr<IUnknown> got;
    EXPECT_EQ(held.ref->QueryInterface(iid, reinterpret_cast<void**>(got.GetAddressOf())), S_OK);
  }
  for (REFIID iid : {IID_IPersist, IID_IMediaFilter, IID_IPin}) {
    void* sentinel = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(held.ref->QueryInterface(iid, &sentinel), E_NOINTERFACE);
    EXPECT_EQ(sentinel, nullptr);
  }
  ComPtr<IAMovieSetup> setup;
  ASSERT_EQ(QueryInto(held.ref.Get(), IID_IAMovieSetup, setup), S_OK);
  EXPECT_EQ(setup->Register(), S_FALSE);
  EXPECT_EQ(setup->Unregister(), S_FALSE);
  CLSID clsid{};
  EXPECT_EQ(held.ref->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, testsupport::CLSID_TestFilter);
  LPWSTR vendor = nullptr;
  EXPECT_EQ(held.ref->QueryVendorInfo(&vendor), E_NOTIMPL);
}

TEST_F(Framework, PinsCountOnTheirFilterAndDieWithIt) {
  Held held(1, 0);
  IPin* pin = &held.filter->Pin(0);
  EXPECT_EQ(pin->AddRef(), 2u);  // the filter's count
  held.ref.Reset();
  EXPECT_FALSE(held.destroyed);  // the pin's reference keeps the filter
  ComPtr<IQualityControl> quality;
  EXPECT_EQ(QueryInto(pin, IID_IQualityControl, quality), S_OK);
  quality.Reset();
  EXPECT_EQ(pin->Release(), 0u);
  EXPECT_TRUE(held.destroyed);
}

TEST_F(Framework, StateChangesCallOnlyConnectedPins) {
  Held up(0, 1), down(1, 0);
  ASSERT_EQ(up.filter->Pin(0).Connect(&down.filter->Pin(0), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
  down.filter->Pin(0).offered = {MEDIASUBTYPE_PCM};
  ASSERT_EQ(up.filter->Pin(0).Connect(&down.filter->Pin(0), nullptr), S_OK);
  auto& out = up.filter->Pin(0);

  EXPECT_EQ(up.ref->Run(5000), S_OK);  // from Stopped: Pause first
  EXPECT_EQ(out.activeCalls, 1);
  EXPECT_EQ(out.runCalls, 1);
  FILTER_STATE state;
  EXPECT_EQ(up.ref->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Running);
  EXPECT_EQ(up.ref->Pause(), S_OK);  // Running to Paused calls no pin
  EXPECT_EQ(up.ref->Pause(), S_OK);
  EXPECT_EQ(out.activeCalls, 1);
  EXPECT_EQ(out.Disconnect(), VFW_E_NOT_STOPPED);
  EXPECT_EQ(out.Connect(&down.filter->Pin(0), nullptr), VFW_E_ALREADY_CONNECTED);

  out.inactiveResult = E_ACCESSDENIED;
  EXPECT_EQ(up.ref->Stop(), E_ACCESSDENIED);
  EXPECT_EQ(up.ref->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);  // whatever the pins said
  EXPECT_EQ(up.ref->Stop(), S_OK);
  EXPECT_EQ(out.inactiveCalls, 1);
  out.inactiveResult = S_OK;

  out.activeResult = E_OUTOFMEMORY;
  EXPECT_EQ(up.ref->Pause(), E_OUTOFMEMORY);
  EXPECT_EQ(up.ref->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  out.activeResult = S_OK;
  out.runResult = E_FAIL;
  EXPECT_EQ(up.ref->Run(0), E_FAIL);
  EXPECT_EQ(up.ref->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Paused);
  EXPECT_EQ(up.ref->Stop(), S_OK);
  EXPECT_EQ(out.Disconnect(), S_OK);
  EXPECT_EQ(out.Disconnect(), S_FALSE);
  // Without connected pins no pin is called.
  EXPECT_EQ(up.ref->Run(0), S_OK);
  EXPECT_EQ(out.runCalls, 2);
  EXPECT_EQ(up.ref->Stop(), S_OK);
}

class FixedClock : public IReferenceClock {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IReferenceClock) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* t) override { *t = 500; return S_OK; }
  HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR) override { return E_NOTIMPL; }
  LONG count = 1;
};

TEST_F(Framework, StreamTimeIsClockTimeSinceTheStart) {
  Held held(0, 0);
  REFERENCE_TIME t = -1;
  EXPECT_EQ(held.filter->StreamTime(&t), VFW_E_NO_CLOCK);
  FixedClock clock;
  ASSERT_EQ(held.ref->SetSyncSource(&clock), S_OK);
  EXPECT_EQ(clock.count, 2);
  ASSERT_EQ(held.ref->Run(200), S_OK);
  EXPECT_EQ(held.filter->StreamTime(&t), S_OK);
  EXPECT_EQ(t, 300);
  IReferenceClock* got = nullptr;
  EXPECT_EQ(held.ref->GetSyncSource(&got), S_OK);
  EXPECT_EQ(got, &clock);
  got->Release();
  EXPECT_EQ(held.ref->SetSyncSource(nullptr), S_OK);
  EXPECT_EQ(clock.count, 1);
  EXPECT_EQ(held.ref->GetSyncSource(&got), S_OK);
  EXPECT_EQ(got, nullptr);
  held.ref->Stop();
}

TEST_F(Framework, FindPinMatchesNamesExactly) {
  Held held(1, 2);
  IPin* pin = nullptr;
  EXPECT_EQ(held.ref->FindPin(L"Out2", &pin), S_OK);
  EXPECT_EQ(pin, static_cast<IPin*>(&held.filter->Pin(2)));
  pin->Release();
  pin = reinterpret_cast<IPin*>(0x1);
  EXPECT_EQ(held.ref->FindPin(L"out2", &pin), VFW_E_NOT_FOUND);
  EXPECT_EQ(pin, nullptr);
}

TEST_F(Framework, FilterInfoCutsLongNamesAndCountsTheGraph) {
  Held held(0, 0);
  FILTER_INFO info;
  ASSERT_EQ(held.ref->QueryFilterInfo(&info), S_OK);
  EXPECT_STREQ(info.achName, L"");
  EXPECT_EQ(info.pGraph, nullptr);

  ComPtr<IFilterGraph> graph;
  ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IFilterGraph, graph), S_OK);
  const std::wstring longName(200, L'x');
  ASSERT_EQ(graph->AddFilter(held.ref.Get(), longName.c_str()), S_OK);
  ASSERT_EQ(held.ref->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(std::wstring(info.achName), longName.substr(0, 127));
  EXPECT_EQ(info.pGraph, graph.Get());
  info.pGraph->Release();
  ASSERT_EQ(graph->RemoveFilter(held.ref.Get()), S_OK);
  ASSERT_EQ(held.ref->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.pGraph, nullptr);
}

TEST_F(Framework, EventsReachTheGraphOnlyWhileJoined) {
  Held held(0, 0);
  EXPECT_EQ(held.filter->NotifyEvent(EC_ERRORABORT, E_FAIL, 0), E_NOTIMPL);
  EXPECT_EQ(held.filter->ReconnectPin(nullptr, nullptr), E_NOINTERFACE);

  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
  ASSERT_EQ(graph->AddFilter(held.ref.Get(), L"test"), S_OK);
  ComPtr<IMediaEvent> events;
  ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaEvent, events), S_OK);
  EXPECT_EQ(held.filter->NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0), S_OK);
  long code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 1000), S_OK);
  EXPECT_EQ(code, EC_ERRORABORT);
  EXPECT_EQ(p1, VFW_E_TYPE_NOT_ACCEPTED);
  events->FreeEventParams(code, p1, p2);
  ASSERT_EQ(graph->RemoveFilter(held.ref.Get()), S_OK);
}

TEST_F(Framework, PinEnumeratorWalksSkipsResetsAndClones) {
  Held held(1, 2);
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(held.ref->EnumPins(pins.GetAddressOf()), S_OK);
  IPin* got[3] = {};
  EXPECT_EQ(pins->Next(2, got, nullptr), E_INVALIDARG);
  ULONG fetched = 99;
  ASSERT_EQ(pins->Next(2, got, &fetched), S_OK);
  EXPECT_EQ(fetched, 2u);
  EXPECT_EQ(got[0], static_cast<IPin*>(&held.filter->Pin(0)));
  got[0]->Release();
  got[1]->Release();
  ASSERT_EQ(pins->Next(2, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 1u);
  got[0]->Release();
  EXPECT_EQ(pins->Next(1, got, nullptr), S_FALSE);
  EXPECT_EQ(got[0], nullptr);

  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Skip(4), S_FALSE);
  EXPECT_EQ(pins->Skip(3), S_OK);
  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Skip(2), S_OK);
  ComPtr<IEnumPins> clone;
  ASSERT_EQ(pins->Clone(clone.GetAddressOf()), S_OK);
  ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);
  EXPECT_EQ(got[0], static_cast<IPin*>(&held.filter->Pin(2)));  // the clone kept the position
  got[0]->Release();
}

TEST_F(Framework, PinEnumeratorResynchronisesInNextButNotInSkipOrClone) {
  Held held(1, 2);
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(held.ref->EnumPins(pins.GetAddressOf()), S_OK);
  IPin* got[3] = {};
  ASSERT_EQ(pins->Next(1, got, nullptr), S_OK);
  got[0]->Release();
  held.filter->RemoveLastPin();
  EXPECT_EQ(pins->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
  IEnumPins* clone = reinterpret_cast<IEnumPins*>(0x1);
  EXPECT_EQ(pins->Clone(&clone), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(clone, nullptr);
  // Next starts over on the new set and leaves out the pin it already handed out.
  ULONG fetched = 0;
  ASSERT_EQ(pins->Next(3, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(got[0], static_cast<IPin*>(&held.filter->Pin(1)));
  got[0]->Release();
  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Skip(2), S_OK);
}

TEST_F(Framework, ConnectTriesThePeersTypesFirstThenItsOwn) {
  Held up(0, 1), down(1, 0);
  auto& out = up.filter->Pin(0);
  auto& in = down.filter->Pin(0);
  in.offered = {MEDIASUBTYPE_IEEE_FLOAT, MEDIASUBTYPE_PCM};
  out.offered = {MEDIASUBTYPE_PCM};
  out.accepted = {MEDIASUBTYPE_PCM};
  ASSERT_EQ(out.Connect(&in, nullptr), S_OK);
  EXPECT_EQ(out.CurrentMediaType().subtype, MEDIASUBTYPE_PCM);
  EXPECT_EQ(in.CurrentMediaType().subtype, MEDIASUBTYPE_PCM);
  IPin* peer = nullptr;
  ASSERT_EQ(in.ConnectedTo(&peer), S_OK);
  EXPECT_EQ(peer, static_cast<IPin*>(&out));
  peer->Release();
  AM_MEDIA_TYPE type{};
  ASSERT_EQ(out.ConnectionMediaType(&type), S_OK);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_PCM);
  sonotape::FreeMediaType(type);
  ASSERT_EQ(out.Disconnect(), S_OK);
  ASSERT_EQ(in.Disconnect(), S_OK);
  EXPECT_EQ(in.ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(type.lSampleSize, 1u);
  EXPECT_EQ(type.bFixedSizeSamples, -1);
  peer = reinterpret_cast<IPin*>(0x1);
  EXPECT_EQ(in.ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(peer, nullptr);
}

TEST_F(Framework, ConnectWithAFullTypeNeverEnumerates) {
  Held up(0, 1), down(1, 0);
  auto& out = up.filter->Pin(0);
  auto& in = down.filter->Pin(0);
  in.offered = {MEDIASUBTYPE_IEEE_FLOAT};
  in.accepted = {MEDIASUBTYPE_IEEE_FLOAT};
  const AM_MEDIA_TYPE pcm = AudioType(MEDIASUBTYPE_PCM);
  EXPECT_EQ(out.Connect(&in, &pcm), VFW_E_TYPE_NOT_ACCEPTED);  // the peer refused with S_FALSE
  EXPECT_FALSE(out.IsConnected());
  EXPECT_FALSE(in.IsConnected());
  // A more telling refusal reaches the caller as it is, not as "not this type".
  in.refusal = E_OUTOFMEMORY;
  EXPECT_EQ(out.Connect(&in, &pcm), E_OUTOFMEMORY);
  EXPECT_FALSE(out.IsConnected());
  EXPECT_FALSE(in.IsConnected());
}

TEST_F(Framework, ConnectReportsTheMostTellingFailure) {
  Held up(0, 1), down(1, 0);
  auto& out = up.filter->Pin(0);
  auto& in = down.filter->Pin(0);
  in.offered = {MEDIASUBTYPE_PCM, MEDIASUBTYPE_IEEE_FLOAT};
  out.accepted = {MEDIASUBTYPE_DOLBY_AC3};
  out.refusal = E_FAIL;
  EXPECT_EQ(out.Connect(&in, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
  out.refusal = E_OUTOFMEMORY;
  EXPECT_EQ(out.Connect(&in, nullptr), E_OUTOFMEMORY);
  EXPECT_EQ(out.QueryAccept(&in.CurrentMediaType()), S_FALSE);
}

TEST_F(Framework, AFailedCompleteConnectDisconnectsThePeer) {
  Held up(0, 1), down(1, 0);
  auto& out = up.filter->Pin(0);
  auto& in = down.filter->Pin(0);
  in.offered = {MEDIASUBTYPE_PCM};
  out.completeResult = E_ABORT;
  EXPECT_EQ(out.Connect(&in, nullptr), E_ABORT);
  EXPECT_FALSE(in.IsConnected());
  EXPECT_FALSE(out.IsConnected());
}

TEST_F(Framework, PinsOfTheSameDirectionDoNotConnect) {
  Held a(1, 0), b(1, 0);
  const AM_MEDIA_TYPE pcm = AudioType(MEDIASUBTYPE_PCM);
  EXPECT_EQ(a.filter->Pin(0).Connect(&b.filter->Pin(0), &pcm), VFW_E_INVALID_DIRECTION);
  EXPECT_EQ(b.filter->Pin(0).ReceiveConnection(&a.filter->Pin(0), &pcm), VFW_E_INVALID_DIRECTION);
}

TEST_F(Framework, PinIdentityAndInfo) {
  Held held(1, 0);
  auto& in = held.filter->Pin(0);
  PIN_INFO info;
  ASSERT_EQ(in.QueryPinInfo(&info), S_OK);
  EXPECT_EQ(info.pFilter, held.ref.Get());
  EXPECT_EQ(info.dir, PINDIR_INPUT);
  EXPECT_STREQ(info.achName, L"In1");
  info.pFilter->Release();
  LPWSTR id = nullptr;
  ASSERT_EQ(in.QueryId(&id), S_OK);
  EXPECT_STREQ(id, L"In1");
  CoTaskMemFree(id);
  EXPECT_EQ(in.QueryId(nullptr), E_POINTER);
  EXPECT_EQ(in.QueryInternalConnections(nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(in.Notify(nullptr, Quality{}), E_NOTIMPL);
  for (REFIID iid : {IID_IUnknown, IID_IPin, IID_IQualityControl}) {
    ComPtr<IUnknown> got;
    EXPECT_EQ(in.QueryInterface(iid, reinterpret_cast<void**>(got.GetAddressOf())), S_OK);
  }
  void* sentinel = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(in.QueryInterface(IID_IMemInputPin, &sentinel), E_NOINTERFACE);
  EXPECT_EQ(sentinel, nullptr);
}

TEST_F(Framework, MediaTypeEnumeratorFollowsThePinsList) {
  Held held(1, 0);
  auto& in = held.filter->Pin(0);
  in.offered = {MEDIASUBTYPE_PCM, MEDIASUBTYPE_IEEE_FLOAT};
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(in.EnumMediaTypes(types.GetAddressOf()), S_OK);
  AM_MEDIA_TYPE* got[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(types->Next(2, got, nullptr), E_INVALIDARG);
  ASSERT_EQ(types->Next(3, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(got[1]->subtype, MEDIASUBTYPE_IEEE_FLOAT);
  sonotape::DeleteMediaType(got[0]);
  sonotape::DeleteMediaType(got[1]);
  EXPECT_EQ(types->Reset(), S_OK);
  EXPECT_EQ(types->Skip(2), S_OK);
  EXPECT_EQ(types->Skip(1), S_FALSE);
  in.typeVersion = 2;
  EXPECT_EQ(types->Next(1, got, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(types->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(types->Skip(0), S_OK);
  ComPtr<IEnumMediaTypes> clone;
  EXPECT_EQ(types->Clone(clone.GetAddressOf()), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(types->Reset(), S_OK);
  ASSERT_EQ(types->Clone(clone.GetAddressOf()), S_OK);
  ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);
  EXPECT_EQ(got[0]->subtype, MEDIASUBTYPE_PCM);
  sonotape::DeleteMediaType(got[0]);
}

TEST_F(Framework, TheGraphManagerConnectsRunsAndStopsOurFilters) {
  Held up(0, 1), down(1, 0);
  down.filter->Pin(0).offered = {MEDIASUBTYPE_PCM};
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
  ASSERT_EQ(graph->AddFilter(up.ref.Get(), L"up"), S_OK);
  ASSERT_EQ(graph->AddFilter(down.ref.Get(), L"down"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(&up.filter->Pin(0), &down.filter->Pin(0), nullptr), S_OK);
  ComPtr<IMediaControl> control;
  ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
  EXPECT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_EQ(up.filter->State(), State_Running);
  EXPECT_EQ(down.filter->State(), State_Running);
  EXPECT_EQ(up.filter->Pin(0).runCalls, 1);
  EXPECT_EQ(control->Stop(), S_OK);
  EXPECT_EQ(down.filter->State(), State_Stopped);
  EXPECT_EQ(graph->Disconnect(&up.filter->Pin(0)), S_OK);
  EXPECT_EQ(graph->Disconnect(&down.filter->Pin(0)), S_OK);
  EXPECT_FALSE(up.filter->Pin(0).IsConnected());
  EXPECT_EQ(graph->RemoveFilter(up.ref.Get()), S_OK);
  EXPECT_EQ(graph->RemoveFilter(down.ref.Get()), S_OK);
}

}  // namespace
