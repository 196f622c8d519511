// The in-place filter spliced into real graphs: behind Wine's WAVE parser in front of the
// DirectSound renderer, and between our own source and sink where a case needs control.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "baseclasses/BCMediaType.h"
#include "baseclasses/BCTransInPlaceFilter.h"
#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"
#include "graph/HostSource.h"
#include "support/ComCreate.h"
#include "support/PcmFormats.h"
#include "support/TempFolder.h"
#include "support/TestWav.h"

using sonotape::ComPtr;
using sonotape::QueryInto;
using testsupport::OnePinFilter;
using testsupport::PcmWave;
using testsupport::SinkPin;
using testsupport::SourcePin;

namespace {

class TapFilter : public sonotape::TBCTransInPlaceFilter {
 public:
  explicit TapFilter(bool modifiesData, bool* destroyed = nullptr)
      : TBCTransInPlaceFilter("tap filter", nullptr, testsupport::CLSID_TestFilter, modifiesData),
        destroyed_(destroyed) {}
  ~TapFilter() override {
    if (destroyed_ != nullptr) *destroyed_ = true;
  }
  HRESULT CheckInputType(const AM_MEDIA_TYPE* type) override {
    return type != nullptr && type->majortype == MEDIATYPE_Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT Transform(IMediaSample* sample) override {
    std::lock_guard<std::mutex> guard(mutex_);
    transformed_.push_back(sample);
    return drop ? S_FALSE : S_OK;
  }
  HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pin) override {
    ++completes[direction];
    return TBCTransInPlaceFilter::CompleteConnect(direction, pin);
  }
  std::vector<IMediaSample*> Transformed() {
    std::lock_guard<std::mutex> guard(mutex_);
    return transformed_;
  }
  IPin* In() { return GetPin(0); }
  IPin* Out() { return GetPin(1); }

  std::atomic<bool> drop{false};
  std::atomic<int> completes[2] = {0, 0};

 private:
  bool* destroyed_;
  std::mutex mutex_;
  std::vector<IMediaSample*> transformed_;
};

class Com : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

using TransInPlaceWithWine = Com;

TEST_F(TransInPlaceWithWine, BetweenTheWaveParserAndTheDirectSoundRendererItSharesOneAllocatorAndSeeksUpstream) {
  bool destroyed = false;
  {
    testsupport::TempFolder folder;
    const std::string path = folder.File("tone.wav");
    ASSERT_TRUE(testsupport::WriteSineWav(path, 48000, 2, 0.5));
    const std::wstring widePath(path.begin(), path.end());
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
    ASSERT_EQ(graph->RenderFile(widePath.c_str(), nullptr), S_OK);

    // Splice the tap in front of the renderer that RenderFile chose.
    ComPtr<IBaseFilter> renderer;
    ComPtr<IEnumFilters> filters;
    ASSERT_EQ(graph->EnumFilters(filters.GetAddressOf()), S_OK);
    for (ComPtr<IBaseFilter> candidate; filters->Next(1, candidate.ReleaseAndGetAddressOf(), nullptr) == S_OK;) {
      CLSID clsid{};
      if (SUCCEEDED(candidate->GetClassID(&clsid)) && clsid == CLSID_DSoundRender) renderer = candidate;
    }
    ASSERT_TRUE(renderer);
    ComPtr<IPin> rendererIn = testsupport::FirstPin(renderer.Get(), PINDIR_INPUT);
    ComPtr<IPin> parserOut;
    ASSERT_EQ(rendererIn->ConnectedTo(parserOut.GetAddressOf()), S_OK);
    ASSERT_EQ(graph->Disconnect(parserOut.Get()), S_OK);
    ASSERT_EQ(graph->Disconnect(rendererIn.Get()), S_OK);

    auto* tap = new TapFilter(false, &destroyed);
    ComPtr<IBaseFilter> tapRef(tap);
    ASSERT_EQ(graph->AddFilter(tapRef.Get(), L"tap"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(parserOut.Get(), tap->In(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(tap->Out(), rendererIn.Get(), nullptr), S_OK);
    EXPECT_EQ(tap->completes[PINDIR_OUTPUT], 1);
    EXPECT_EQ(tap->completes[PINDIR_INPUT], 2);  // connected again through ReconnectPin

    IMemAllocator* shared = tap->InputPin()->PinAllocator();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(tap->OutputPin()->Allocator(), shared);
    EXPECT_FALSE(tap->UsingDifferentAllocators());
    ComPtr<IMemInputPin> rendererMem;
    ASSERT_EQ(QueryInto(rendererIn.Get(), IID_IMemInputPin, rendererMem), S_OK);
    ComPtr<IMemAllocator> rendererAllocator;
    ASSERT_EQ(rendererMem->GetAllocator(rendererAllocator.GetAddressOf()), S_OK);
    EXPECT_EQ(rendererAllocator.Get(), shared);

    // Seeking on our output pin is answered by the parser upstream.
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(QueryInto(tap->Out(), IID_IMediaSeeking, seeking), S_OK);
    LONGLONG duration = 0;
    ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 5000000);
    ComPtr<IMediaPosition> position;  // Wine's parser pin has no IMediaPosition to forward to
    EXPECT_EQ(QueryInto(tap->Out(), IID_IMediaPosition, position), S_OK);

    ComPtr<IMediaControl> control;
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
    ComPtr<IMediaEvent> events;
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaEvent, events), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(10000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_FALSE(tap->Transformed().empty());
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
    EXPECT_FALSE(destroyed);
  }
  EXPECT_TRUE(destroyed);  // the seeking pass-through does not keep the filter alive
}

TEST_F(TransInPlaceWithWine, ARefusedTypeChangeEndsTheStreamAtTheDirectSoundRenderer) {
  auto* source = new OnePinFilter<SourcePin>();
  ComPtr<IBaseFilter> sourceRef(source);
  source->pin.formats = {PcmWave(2, 48000)};
  auto* tap = new TapFilter(false);
  ComPtr<IBaseFilter> tapRef(tap);
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(testsupport::CreateInstance(CLSID_DSoundRender, IID_IBaseFilter, renderer), S_OK);
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
  ASSERT_EQ(graph->AddFilter(sourceRef.Get(), L"source"), S_OK);
  ASSERT_EQ(graph->AddFilter(tapRef.Get(), L"tap"), S_OK);
  ASSERT_EQ(graph->AddFilter(renderer.Get(), L"renderer"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(&source->pin, tap->In(), nullptr), S_OK);
  ASSERT_EQ(graph->ConnectDirect(tap->Out(), testsupport::FirstPin(renderer.Get(), PINDIR_INPUT).Get(), nullptr), S_OK);
  ComPtr<IMediaControl> control;
  ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
  ComPtr<IMediaEvent> events;
  ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaEvent, events), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Run()));

  ComPtr<IMediaSample> sample;
  ASSERT_EQ(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
  AM_MEDIA_TYPE video = testsupport::AudioType(MEDIASUBTYPE_PCM);
  video.majortype = MEDIATYPE_Video;
  ASSERT_EQ(sample->SetMediaType(&video), S_OK);
  EXPECT_EQ(source->pin.Deliver(sample.Get()), VFW_E_INVALIDMEDIATYPE);
  sample.Reset();
  // The graph hears of the abort, and the renderer, having seen the end of the stream, completes.
  bool aborted = false, completed = false;
  for (const DWORD began = GetTickCount(); !completed && GetTickCount() - began < 5000;) {
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    if (events->GetEvent(&code, &p1, &p2, 100) != S_OK) continue;  // Wine wakes up empty-handed now and then
    aborted = aborted || code == EC_ERRORABORT;
    completed = code == EC_COMPLETE;
    events->FreeEventParams(code, p1, p2);
  }
  EXPECT_TRUE(aborted);
  EXPECT_TRUE(completed);
  EXPECT_TRUE(tap->Transformed().empty());
  EXPECT_TRUE(SUCCEEDED(control->Stop()));
}

class TransInPlace : public Com {
 protected:
  void SetUp() override {
    Com::SetUp();
    source = new OnePinFilter<SourcePin>();
    sink = new OnePinFilter<SinkPin>();
    refs[0] = source;
    refs[1] = sink;
    source->pin.formats = {PcmWave(2, 48000), PcmWave(1, 44100)};
  }
  void TearDown() override {
    control.Reset();
    graph.Reset();
    for (auto& ref : refs) ref.Reset();
    Com::TearDown();
  }
  void Build(bool modifiesData, bool* destroyed = nullptr) {
    tap = new TapFilter(modifiesData, destroyed);
    refs[2] = tap;
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[0].Get(), L"source"), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[1].Get(), L"sink"), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[2].Get(), L"tap"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(&source->pin, tap->In(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(tap->Out(), &sink->pin, nullptr), S_OK);
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
  }
  HRESULT Send(BYTE fill) { return source->pin.DeliverBuffer(100, fill, 1000, 1010); }

  OnePinFilter<SourcePin>* source = nullptr;
  OnePinFilter<SinkPin>* sink = nullptr;
  TapFilter* tap = nullptr;
  ComPtr<IBaseFilter> refs[3];
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
};

TEST_F(TransInPlace, TheSampleReceivedIsTheSampleDeliveredAndAReconnectedInputCarriesItsTypeDownstream) {
  ASSERT_NO_FATAL_FAILURE(Build(false));
  IMemAllocator* shared = source->pin.Allocator();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(tap->InputPin()->PinAllocator(), shared);
  EXPECT_EQ(tap->OutputPin()->Allocator(), shared);
  EXPECT_EQ(sink->pin.PinAllocator(), shared);

  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  for (BYTE i = 1; i <= 3; ++i) ASSERT_EQ(Send(i), S_OK);
  EXPECT_EQ(sink->pin.Seen().size(), 3u);
  EXPECT_EQ(sink->pin.Seen(), tap->Transformed());
  EXPECT_EQ(sink->pin.lastData, std::vector<BYTE>(100, 3));
  ASSERT_TRUE(SUCCEEDED(control->Stop()));

  // The input connects again with the second type: the output is reconnected to match.
  ASSERT_EQ(graph->Disconnect(&source->pin), S_OK);
  ASSERT_EQ(graph->Disconnect(tap->In()), S_OK);
  AM_MEDIA_TYPE mono{};
  ASSERT_EQ(source->pin.GetMediaType(1, &mono), S_OK);
  EXPECT_EQ(graph->ConnectDirect(&source->pin, tap->In(), &mono), S_OK);
  EXPECT_TRUE(sonotape::MediaTypesEqual(sink->pin.CurrentMediaType(), mono));
  EXPECT_TRUE(sonotape::MediaTypesEqual(tap->OutputPin()->CurrentMediaType(), mono));
  sonotape::FreeMediaType(mono);
  EXPECT_FALSE(tap->UsingDifferentAllocators());
}

TEST_F(TransInPlace, TheSeekingPassThroughIsOneObjectWithTheOutputPinAndKeepsItAlive) {
  bool destroyed = false;
  ASSERT_NO_FATAL_FAILURE(Build(false, &destroyed));
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(QueryInto(tap->Out(), IID_IMediaSeeking, seeking), S_OK);
  {
    ComPtr<IPin> pin;
    ASSERT_EQ(QueryInto(seeking.Get(), IID_IPin, pin), S_OK);
    EXPECT_EQ(pin.Get(), tap->Out());
    ComPtr<IUnknown> seekingIdentity, pinIdentity;
    ASSERT_EQ(QueryInto(seeking.Get(), IID_IUnknown, seekingIdentity), S_OK);
    ASSERT_EQ(QueryInto(tap->Out(), IID_IUnknown, pinIdentity), S_OK);
    EXPECT_EQ(seekingIdentity, pinIdentity);
    ComPtr<IMediaPosition> position;
    ASSERT_EQ(QueryInto(pin.Get(), IID_IMediaPosition, position), S_OK);
    ComPtr<IMediaSeeking> again;
    ASSERT_EQ(QueryInto(position.Get(), IID_IMediaSeeking, again), S_OK);
    EXPECT_EQ(again, seeking);
  }

  // A client that keeps only the seeking interface keeps the filter, and may go on calling it.
  control.Reset();
  graph.Reset();
  for (auto& ref : refs) ref.Reset();
  tap = nullptr;
  ASSERT_FALSE(destroyed);
  LONGLONG duration = 0;
  EXPECT_EQ(seeking->GetDuration(&duration), E_NOTIMPL);  // nothing upstream to ask any more
  ComPtr<IPin> pin;
  ASSERT_EQ(QueryInto(seeking.Get(), IID_IPin, pin), S_OK);
  ComPtr<IPin> peer;
  EXPECT_EQ(pin->ConnectedTo(peer.GetAddressOf()), VFW_E_NOT_CONNECTED);  // the graph took it apart
  pin.Reset();
  EXPECT_FALSE(destroyed);
  seeking.Reset();
  EXPECT_TRUE(destroyed);
}

TEST_F(TransInPlace, AReadOnlyUpstreamPassesStraightThroughAFilterThatDoesNotWrite) {
  source->pin.readOnly = true;
  ASSERT_NO_FATAL_FAILURE(Build(false));
  EXPECT_EQ(sink->pin.PinAllocator(), source->pin.Allocator());
  EXPECT_FALSE(tap->UsingDifferentAllocators());
}

TEST_F(TransInPlace, AWritingFilterCopiesEveryReadOnlySampleIntoASeparateAllocator) {
  testsupport::SpyAllocator* spy = testsupport::SpyAllocator::Create();
  ASSERT_NE(spy, nullptr);
  sink->pin.offered.Attach(spy);
  source->pin.readOnly = true;
  source->pin.buffers = 3;
  ASSERT_NO_FATAL_FAILURE(Build(true));
  ASSERT_TRUE(tap->UsingDifferentAllocators());
  EXPECT_EQ(tap->OutputPin()->Allocator(), spy);
  ALLOCATOR_PROPERTIES upstream{}, separate{};
  ASSERT_EQ(source->pin.Allocator()->GetProperties(&upstream), S_OK);
  ASSERT_EQ(spy->GetProperties(&separate), S_OK);
  EXPECT_GE(separate.cBuffers, upstream.cBuffers);
  EXPECT_GE(separate.cbBuffer, upstream.cbBuffer);
  EXPECT_GE(separate.cbAlign, upstream.cbAlign);

  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  ASSERT_EQ(Send(9), S_OK);
  EXPECT_EQ(spy->buffers, 1);
  ASSERT_EQ(sink->pin.received, 1);
  EXPECT_EQ(sink->pin.lastData, std::vector<BYTE>(100, 9));
  EXPECT_EQ(sink->pin.lastProps.tStart, 1000);
  EXPECT_EQ(sink->pin.lastProps.tStop, 1010);
  EXPECT_NE(sink->pin.lastProps.dwSampleFlags & AM_SAMPLE_SPLICEPOINT, 0u);
  EXPECT_EQ(sink->pin.lastProps.dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY, 0u);

  // A dropped sample: the next copy asks for a buffer after a skip and carries a discontinuity.
  tap->drop = true;
  EXPECT_EQ(Send(1), S_OK);
  EXPECT_EQ(sink->pin.received, 1);
  tap->drop = false;
  ASSERT_EQ(Send(2), S_OK);
  EXPECT_EQ(spy->lastFlags, static_cast<DWORD>(AM_GBF_PREVFRAMESKIPPED));
  EXPECT_NE(sink->pin.lastProps.dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY, 0u);

  // While running on two allocators the output refuses a change of type.
  AM_MEDIA_TYPE current{}, other{};
  ASSERT_EQ(tap->Out()->ConnectionMediaType(&current), S_OK);
  ASSERT_EQ(source->pin.GetMediaType(1, &other), S_OK);
  EXPECT_EQ(tap->Out()->QueryAccept(&current), S_OK);
  EXPECT_EQ(tap->OutputPin()->CheckMediaType(&other), VFW_E_TYPE_NOT_ACCEPTED);
  sonotape::FreeMediaType(current);
  sonotape::FreeMediaType(other);
  ASSERT_TRUE(SUCCEEDED(control->Stop()));
}

TEST_F(TransInPlace, UnconnectedPinsHaveNoTypesAndConnectingOutsideAGraphFails) {
  tap = new TapFilter(false);
  refs[2] = tap;
  ComPtr<IPin> pin;
  EXPECT_EQ(tap->FindPin(L"Input", pin.GetAddressOf()), VFW_E_NOT_FOUND);
  ASSERT_EQ(tap->FindPin(L"In", pin.GetAddressOf()), S_OK);
  EXPECT_EQ(tap->InputPin()->Name(), L"Input");
  EXPECT_EQ(tap->OutputPin()->Name(), L"Output");
  ComPtr<IEnumMediaTypes> types;
  EXPECT_EQ(pin->EnumMediaTypes(types.GetAddressOf()), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(tap->Out()->EnumMediaTypes(types.GetAddressOf()), VFW_E_NOT_CONNECTED);
  ALLOCATOR_PROPERTIES requirements{};
  EXPECT_EQ(tap->InPlaceInputPin()->GetAllocatorRequirements(&requirements), E_NOTIMPL);

  testsupport::SpyAllocator* spy = testsupport::SpyAllocator::Create();
  ASSERT_NE(spy, nullptr);
  ALLOCATOR_PROPERTIES properties{0, 0, 0, 16};
  tap->DecideBufferSize(spy, &properties);
  EXPECT_EQ(spy->lastRequest.cBuffers, 1);
  EXPECT_EQ(spy->lastRequest.cbBuffer, 1);
  EXPECT_EQ(spy->lastRequest.cbPrefix, 16);  // left as passed
  spy->Release();

  EXPECT_EQ(source->pin.Connect(tap->In(), nullptr), VFW_E_NOT_IN_GRAPH);
  EXPECT_FALSE(tap->InputPin()->IsConnected());
}

}  // namespace
