// The copying transform filter between our source and sink pins in a real Wine graph: pin ids,
// connection order, the streaming path with its two locks, stream events and quality.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <future>
#include <thread>
#include <utility>

#include "baseclasses/BCTransformFilter.h"
#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"
#include "support/ComCreate.h"

using sonotape::ComPtr;
using sonotape::QueryInto;
using testsupport::OnePinFilter;
using testsupport::SinkPin;
using testsupport::SourcePin;

namespace {

class CopyFilter : public sonotape::TBCTransformFilter {
 public:
  CopyFilter() : TBCTransformFilter("copy filter", nullptr, testsupport::CLSID_TestFilter) {}

  HRESULT CheckInputType(const AM_MEDIA_TYPE* type) override { return testsupport::IsPcm(type) ? S_OK : S_FALSE; }
  HRESULT CheckTransform(const AM_MEDIA_TYPE* input, const AM_MEDIA_TYPE* output) override {
    return testsupport::IsPcm(input) && testsupport::IsPcm(output) ? S_OK : S_FALSE;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) override {
    *properties = {2, 4096, 1, 0};
    ALLOCATOR_PROPERTIES actual{};
    return allocator->SetProperties(properties, &actual);
  }
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    *type = testsupport::AudioType(MEDIASUBTYPE_PCM);
    return S_OK;
  }
  HRESULT Transform(IMediaSample* input, IMediaSample* output) override {
    ++entered;
    if (gate != nullptr) WaitForSingleObject(gate, INFINITE);
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    input->GetPointer(&from);
    output->GetPointer(&to);
    const long length = input->GetActualDataLength();
    std::memcpy(to, from, static_cast<size_t>(length));
    output->SetActualDataLength(length);
    ++finished;
    return drop ? S_FALSE : S_OK;
  }
  HRESULT StartStreaming() override {
    ++starts;
    return startResult;
  }
  HRESULT StopStreaming() override {
    stoppedWithTransformDone = entered == finished;
    ++stops;
    return S_OK;
  }

  std::atomic<int> entered{0}, finished{0}, starts{0}, stops{0};
  std::atomic<bool> drop{false}, stoppedWithTransformDone{false};
  HRESULT startResult = S_OK;
  HANDLE gate = nullptr;
};

class TransformFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    source = new OnePinFilter<SourcePin>();
    sink = new OnePinFilter<SinkPin>();
    filter = new CopyFilter();
    refs[0] = source;
    refs[1] = sink;
    refs[2] = filter;
  }
  void TearDown() override {
    for (auto& ref : refs) ref->Stop();  // the graph cannot remove filters that tests left running
    graph.Reset();
    for (auto& ref : refs) ref.Reset();
    CoUninitialize();
  }
  IPin* In() { return filter->GetPin(0); }
  IPin* Out() { return filter->GetPin(1); }
  void BuildGraph() {
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[0].Get(), L"source"), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[1].Get(), L"sink"), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[2].Get(), L"copy"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(&source->pin, In(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(Out(), &sink->pin, nullptr), S_OK);
  }
  HRESULT Send(BYTE fill, REFERENCE_TIME start = 0) { return source->pin.DeliverBuffer(100, fill, start, start + 10); }
  // Counts the graph's EC_QUALITY_CHANGE events queued so far.
  int QualityEvents() {
    ComPtr<IMediaEvent> events;
    if (FAILED(QueryInto(graph.Get(), IID_IMediaEvent, events))) return -1;
    int count = 0;
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (events->GetEvent(&code, &p1, &p2, 100) == S_OK) {
      count += code == EC_QUALITY_CHANGE;
      events->FreeEventParams(code, p1, p2);
    }
    return count;
  }

  OnePinFilter<SourcePin>* source = nullptr;
  OnePinFilter<SinkPin>* sink = nullptr;
  CopyFilter* filter = nullptr;
  ComPtr<IBaseFilter> refs[3];
  ComPtr<IGraphBuilder> graph;
};

TEST_F(TransformFilter, PinsAnswerTheirIdsAndTheOutputWaitsForTheInput) {
  EXPECT_EQ(filter->GetPinCount(), 2);
  EXPECT_EQ(filter->GetPin(2), nullptr);
  ComPtr<IPin> pin;
  EXPECT_EQ(filter->FindPin(L"XForm In", pin.GetAddressOf()), VFW_E_NOT_FOUND);
  EXPECT_EQ(pin, nullptr);
  ASSERT_EQ(filter->FindPin(L"In", pin.GetAddressOf()), S_OK);
  EXPECT_EQ(pin.Get(), In());
  PIN_INFO info{};
  ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
  info.pFilter->Release();
  EXPECT_STREQ(info.achName, L"XForm In");
  ASSERT_EQ(filter->FindPin(L"Out", pin.GetAddressOf()), S_OK);
  LPWSTR id = nullptr;
  ASSERT_EQ(pin->QueryId(&id), S_OK);
  EXPECT_STREQ(id, L"Out");
  CoTaskMemFree(id);

  AM_MEDIA_TYPE type = testsupport::AudioType(MEDIASUBTYPE_PCM);
  EXPECT_EQ(pin->QueryAccept(&type), S_FALSE);  // E_INVALIDARG inside
  EXPECT_EQ(filter->OutputPin()->GetMediaType(0, &type), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(filter->OutputPin()->CheckConnect(&sink->pin), E_UNEXPECTED);
}

TEST_F(TransformFilter, SamplesAreTransformedWithTheirTimesAndStreamEventsPassDownstream) {
  ASSERT_NO_FATAL_FAILURE(BuildGraph());
  ASSERT_EQ(filter->Pause(), S_OK);
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  EXPECT_EQ(filter->starts, 1);
  ASSERT_EQ(Send(7, 1000), S_OK);
  ASSERT_EQ(sink->pin.received, 1);
  EXPECT_EQ(sink->pin.lastData, std::vector<BYTE>(100, 7));
  EXPECT_EQ(sink->pin.lastProps.tStart, 1000);
  EXPECT_EQ(sink->pin.lastProps.tStop, 1010);
  EXPECT_NE(sink->pin.lastProps.dwSampleFlags & AM_SAMPLE_SPLICEPOINT, 0u);

  EXPECT_EQ(source->pin.DeliverNewSegment(0, 5000, 1.0), S_OK);
  EXPECT_EQ(sink->pin.segments, 1);
  EXPECT_EQ(source->pin.DeliverBeginFlush(), S_OK);
  EXPECT_TRUE(sink->pin.IsFlushing());
  EXPECT_EQ(Send(8), S_FALSE);
  EXPECT_EQ(filter->entered, 1);  // not transformed while flushing
  EXPECT_EQ(source->pin.DeliverEndFlush(), S_OK);
  EXPECT_FALSE(sink->pin.IsFlushing());
  EXPECT_EQ(source->pin.DeliverEndOfStream(), S_OK);
  EXPECT_EQ(sink->pin.endOfStreams, 1);

  // Quality messages from downstream reach the upstream pin.
  ComPtr<IQualityControl> quality;
  ASSERT_EQ(QueryInto(Out(), IID_IQualityControl, quality), S_OK);
  EXPECT_EQ(quality->Notify(sink, Quality{}), S_OK);
  EXPECT_EQ(source->pin.qualityMessages, 1);

  ASSERT_EQ(filter->Stop(), S_OK);
  EXPECT_EQ(filter->stops, 1);
  EXPECT_EQ(filter->Stop(), S_OK);
  EXPECT_EQ(filter->stops, 1);
}

TEST_F(TransformFilter, DroppedSamplesSignalQualityChangeOncePerPauseAndMarkTheNextBuffer) {
  testsupport::SpyAllocator* spy = testsupport::SpyAllocator::Create();
  ASSERT_NE(spy, nullptr);
  sink->pin.offered.Attach(spy);
  ASSERT_NO_FATAL_FAILURE(BuildGraph());
  ASSERT_EQ(filter->OutputPin()->Allocator(), spy);
  ComPtr<IMediaControl> control;
  ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Pause()));

  filter->drop = true;
  EXPECT_EQ(Send(1), S_OK);
  EXPECT_EQ(Send(2), S_OK);
  EXPECT_EQ(sink->pin.received, 0);
  EXPECT_EQ(QualityEvents(), 1);
  filter->drop = false;
  ASSERT_EQ(Send(3), S_OK);
  EXPECT_EQ(spy->lastFlags, static_cast<DWORD>(AM_GBF_PREVFRAMESKIPPED));  // a splice point: no NOTASYNCPOINT
  ASSERT_EQ(Send(4), S_OK);
  EXPECT_EQ(spy->lastFlags, 0u);
  EXPECT_EQ(sink->pin.received, 2);

  ASSERT_TRUE(SUCCEEDED(control->Stop()));
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  filter->drop = true;
  EXPECT_EQ(Send(5), S_OK);
  EXPECT_EQ(QualityEvents(), 1);  // again after the new Pause
  ASSERT_TRUE(SUCCEEDED(control->Stop()));
}

TEST_F(TransformFilter, StopWaitsForTheSampleInProgress) {
  ASSERT_NO_FATAL_FAILURE(BuildGraph());
  ASSERT_EQ(filter->Pause(), S_OK);
  ASSERT_EQ(sink->Pause(), S_OK);
  ASSERT_EQ(source->Pause(), S_OK);
  filter->gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(filter->gate, nullptr);

  std::thread streaming([this] { Send(1); });
  for (const DWORD started = GetTickCount(); filter->entered == 0 && GetTickCount() - started < 5000;) Sleep(1);
  if (filter->entered == 0) {  // a failure, not a hang
    SetEvent(filter->gate);
    streaming.join();
    CloseHandle(std::exchange(filter->gate, nullptr));
    FAIL() << "the sample never reached Transform";
  }
  auto stopped = std::async(std::launch::async, [this] { return filter->Stop(); });
  EXPECT_EQ(stopped.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  EXPECT_EQ(filter->stops, 0);
  SetEvent(filter->gate);
  EXPECT_EQ(stopped.get(), S_OK);
  streaming.join();
  EXPECT_EQ(filter->stops, 1);
  EXPECT_TRUE(filter->stoppedWithTransformDone);
  CloseHandle(filter->gate);
  filter->gate = nullptr;
}

TEST_F(TransformFilter, AFilterWithoutInputEndsTheStreamOncePerPause) {
  ASSERT_NO_FATAL_FAILURE(BuildGraph());
  ASSERT_EQ(graph->Disconnect(&source->pin), S_OK);
  ASSERT_EQ(graph->Disconnect(In()), S_OK);
  ASSERT_EQ(filter->Pause(), S_OK);
  ASSERT_EQ(filter->Pause(), S_OK);
  EXPECT_EQ(sink->pin.endOfStreams, 1);
  ASSERT_EQ(filter->Stop(), S_OK);
  ASSERT_EQ(filter->Pause(), S_OK);
  EXPECT_EQ(sink->pin.endOfStreams, 2);
  EXPECT_EQ(filter->starts, 0);
  ASSERT_EQ(filter->Stop(), S_OK);
}

TEST_F(TransformFilter, AFailingStartLeavesTheFilterStopped) {
  ASSERT_NO_FATAL_FAILURE(BuildGraph());
  filter->startResult = E_ACCESSDENIED;
  EXPECT_EQ(filter->Pause(), E_ACCESSDENIED);
  EXPECT_TRUE(filter->IsStopped());
  ASSERT_EQ(source->Pause(), S_OK);
  EXPECT_EQ(Send(1), VFW_E_WRONG_STATE);
  EXPECT_EQ(filter->entered, 0);
}

}  // namespace
