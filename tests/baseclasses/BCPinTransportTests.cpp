// Output and input pins with Wine's memory allocator: allocator negotiation, delivery, the checks
// on each received sample, flushing, and in-stream type changes inside a real graph.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "baseclasses/BCBaseFilter.h"
#include "baseclasses/BCInputPin.h"
#include "baseclasses/BCMediaType.h"
#include "baseclasses/BCOutputPin.h"
#include "baseclasses/TestFilter.h"
#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"
#include "support/ComCreate.h"
#include "graph/HostSource.h"
#include "support/TempFolder.h"
#include "support/TestWav.h"

using sonotape::ComPtr;
using sonotape::QueryInto;
using sonotape::TBCBaseFilter;
using sonotape::TBCBasePin;
using testsupport::AudioType;
using testsupport::IsPcm;
using testsupport::OnePinFilter;
using testsupport::SinkPin;
using testsupport::SourcePin;

namespace {

class PinTransport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    source = new OnePinFilter<SourcePin>();
    sink = new OnePinFilter<SinkPin>();
    sourceRef = source;
    sinkRef = sink;
  }
  void TearDown() override {
    control.Reset();
    graph.Reset();
    sourceRef.Reset();
    sinkRef.Reset();
    CoUninitialize();
  }
  HRESULT Connect() { return source->pin.Connect(&sink->pin, nullptr); }
  // Both filters in a real graph, connected by the graph manager.
  void BuildGraph() {
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
    ASSERT_EQ(graph->AddFilter(sourceRef.Get(), L"source"), S_OK);
    ASSERT_EQ(graph->AddFilter(sinkRef.Get(), L"sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(&source->pin, &sink->pin, nullptr), S_OK);
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
  }

  OnePinFilter<SourcePin>* source = nullptr;
  OnePinFilter<SinkPin>* sink = nullptr;
  ComPtr<IBaseFilter> sourceRef, sinkRef;
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
};

TEST_F(PinTransport, TheDownstreamAllocatorIsPreferredAndFollowsTheFilterState) {
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_NE(source->pin.Allocator(), nullptr);
  EXPECT_EQ(source->pin.Allocator(), sink->pin.PinAllocator());
  EXPECT_FALSE(sink->pin.IsReadOnly());
  EXPECT_EQ(source->pin.requestedAlign, 1);  // no requirements: alignment 1

  ComPtr<IMediaSample> sample;
  EXPECT_EQ(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  ASSERT_EQ(sourceRef->Pause(), S_OK);  // Active commits
  ASSERT_EQ(sinkRef->Pause(), S_OK);
  ASSERT_EQ(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(sample->GetSize(), 4096);
  EXPECT_EQ(source->pin.Deliver(sample.Get()), S_OK);
  EXPECT_EQ(sink->pin.received, 1);
  EXPECT_EQ(sink->pin.SampleProps().cbBuffer, 4096);
  sample.Reset();
  ASSERT_EQ(sourceRef->Stop(), S_OK);  // Inactive decommits
  ASSERT_EQ(sinkRef->Stop(), S_OK);
  EXPECT_EQ(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  EXPECT_EQ(source->pin.Disconnect(), S_OK);
  EXPECT_EQ(source->pin.Allocator(), nullptr);
  EXPECT_EQ(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), E_NOINTERFACE);
  EXPECT_EQ(source->pin.Deliver(nullptr), VFW_E_NOT_CONNECTED);
}

TEST_F(PinTransport, ANewMemoryAllocatorWhenTheDownstreamHasNone) {
  sink->pin.refuseAllocator = true;
  sink->pin.reportRequirements = true;
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_NE(source->pin.Allocator(), nullptr);
  EXPECT_EQ(source->pin.Allocator(), sink->pin.PinAllocator());  // handed over by NotifyAllocator
  EXPECT_EQ(source->pin.requestedAlign, 1);  // cbAlign 0 becomes 1
}

TEST_F(PinTransport, OutputPinsRefuseStreamEventsAndUnconnectedDeliveries) {
  EXPECT_EQ(source->pin.EndOfStream(), E_UNEXPECTED);
  EXPECT_EQ(source->pin.BeginFlush(), E_UNEXPECTED);
  EXPECT_EQ(source->pin.EndFlush(), E_UNEXPECTED);
  EXPECT_EQ(source->pin.DeliverEndOfStream(), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(source->pin.DeliverBeginFlush(), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(source->pin.DeliverNewSegment(0, 10, 1.0), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(source->pin.Active(), VFW_E_NO_ALLOCATOR);
  EXPECT_EQ(sink->pin.Inactive(), VFW_E_NO_ALLOCATOR);
  EXPECT_EQ(sink->pin.ReceiveCanBlock(), S_OK);  // no output pins at all
  EXPECT_EQ(sink->pin.GetAllocatorRequirements(nullptr), E_NOTIMPL);
  EXPECT_EQ(sink->pin.PassNotify(Quality{}), VFW_E_NOT_FOUND);
}

TEST_F(PinTransport, ReceiveChecksStateFlushingAndTypeChanges) {
  ASSERT_NO_FATAL_FAILURE(BuildGraph());
  ComPtr<IMediaEvent> events;
  ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaEvent, events), S_OK);

  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  ComPtr<IMediaSample> sample;
  ASSERT_EQ(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Stop()));
  EXPECT_EQ(source->pin.Deliver(sample.Get()), VFW_E_WRONG_STATE);
  ASSERT_TRUE(SUCCEEDED(control->Pause()));

  EXPECT_EQ(source->pin.DeliverBeginFlush(), S_OK);
  EXPECT_EQ(source->pin.Deliver(sample.Get()), S_FALSE);
  EXPECT_EQ(source->pin.DeliverEndFlush(), S_OK);
  EXPECT_EQ(source->pin.Deliver(sample.Get()), S_OK);

  // A type change the sink refuses aborts the stream.
  AM_MEDIA_TYPE video = AudioType(MEDIASUBTYPE_PCM);
  video.majortype = MEDIATYPE_Video;
  ASSERT_EQ(sample->SetMediaType(&video), S_OK);
  EXPECT_EQ(source->pin.Deliver(sample.Get()), VFW_E_INVALIDMEDIATYPE);
  long code = 0;
  LONG_PTR p1 = 0, p2 = 0, abortCode = 0;
  while (code != EC_ERRORABORT && events->GetEvent(&code, &p1, &p2, 2000) == S_OK) {  // skips the graph's own
    abortCode = p1;
    events->FreeEventParams(code, p1, p2);
  }
  EXPECT_EQ(code, EC_ERRORABORT);
  EXPECT_EQ(abortCode, VFW_E_TYPE_NOT_ACCEPTED);
  ASSERT_EQ(sample->SetMediaType(nullptr), S_OK);
  EXPECT_EQ(source->pin.Deliver(sample.Get()), VFW_E_RUNTIME_ERROR);
  EXPECT_EQ(source->pin.DeliverBeginFlush(), S_OK);
  EXPECT_EQ(source->pin.DeliverEndFlush(), S_OK);  // clears the run-time error
  EXPECT_EQ(source->pin.Deliver(sample.Get()), S_OK);
  EXPECT_EQ(sink->pin.received, 2);

  // ReceiveMultiple stops at the first sample that is not taken.
  IMediaSample* batch[2] = {sample.Get(), sample.Get()};
  long processed = -1;
  ComPtr<IMemInputPin> input;
  ASSERT_EQ(QueryInto(static_cast<IPin*>(&sink->pin), IID_IMemInputPin, input), S_OK);
  EXPECT_EQ(input->ReceiveMultiple(batch, 2, &processed), S_OK);
  EXPECT_EQ(processed, 2);
  EXPECT_EQ(sink->pin.BeginFlush(), S_OK);
  EXPECT_EQ(input->ReceiveMultiple(batch, 2, &processed), S_FALSE);
  EXPECT_EQ(processed, 0);
  EXPECT_EQ(sink->pin.EndFlush(), S_OK);
  sample.Reset();
  EXPECT_TRUE(SUCCEEDED(control->Stop()));
}

TEST_F(PinTransport, SamplesFromAnotherThreadWhileTheGraphChangesState) {
  ASSERT_NO_FATAL_FAILURE(BuildGraph());

  std::atomic<bool> done{false};
  std::atomic<int> wrongState{0}, otherRefusals{0};
  std::thread streaming([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    while (!done) {
      ComPtr<IMediaSample> sample;
      if (source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, AM_GBF_NOWAIT) != S_OK) {
        Sleep(1);
        continue;
      }
      const HRESULT hr = source->pin.Deliver(sample.Get());
      if (hr != S_OK) (hr == VFW_E_WRONG_STATE ? wrongState : otherRefusals) += 1;
    }
    CoUninitialize();
  });
  for (int cycle = 0; cycle < 20; ++cycle) {
    const int before = sink->pin.received;
    EXPECT_TRUE(SUCCEEDED(control->Run()));
    // Every run streams again: nothing the last Stop left behind holds the samples up.
    for (int waited = 0; waited < 2000 && sink->pin.received == before; ++waited) Sleep(1);
    EXPECT_GT(sink->pin.received.load(), before) << "run " << cycle;
    EXPECT_TRUE(SUCCEEDED(control->Pause()));
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
  }
  done = true;
  streaming.join();
  // A sample that meets the sink stopped is refused for that reason, and only that.
  EXPECT_EQ(otherRefusals.load(), 0) << wrongState.load() << " refused while stopped";
}

}  // namespace

namespace {

TEST(PinTransportWithWine, OurOutputPinStreamsIntoTheDirectSoundRendererToCompletion) {
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  {
    auto* source = new OnePinFilter<SourcePin>();
    ComPtr<IBaseFilter> sourceRef(source);
    source->pin.formats = {*reinterpret_cast<const WAVEFORMATEX*>(sonotape::PcmAudioMediaType().pbFormat)};
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(testsupport::CreateInstance(CLSID_DSoundRender, IID_IBaseFilter, renderer), S_OK);
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
    ASSERT_EQ(graph->AddFilter(sourceRef.Get(), L"source"), S_OK);
    ASSERT_EQ(graph->AddFilter(renderer.Get(), L"renderer"), S_OK);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(renderer->EnumPins(pins.GetAddressOf()), S_OK);
    ComPtr<IPin> rendererInput;
    ASSERT_EQ(pins->Next(1, rendererInput.GetAddressOf(), nullptr), S_OK);
    // The graph manager connects our pin to Wine's, negotiating from our type list.
    ASSERT_EQ(graph->ConnectDirect(&source->pin, rendererInput.Get(), nullptr), S_OK);
    EXPECT_TRUE(sonotape::MediaTypesEqual(source->pin.CurrentMediaType(), sonotape::PcmAudioMediaType()));
    ASSERT_NE(source->pin.Allocator(), nullptr);

    ComPtr<IMediaControl> control;
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
    ComPtr<IMediaEvent> events;
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaEvent, events), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    // 20 buffers of 4096 bytes: about 0.4 s of 48 kHz stereo silence, with stream times.
    constexpr REFERENCE_TIME kBufferTime = 4096 * 10000000LL / 192000;
    for (int i = 0; i < 20; ++i) {
      ComPtr<IMediaSample> sample;
      ASSERT_EQ(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
      BYTE* data = nullptr;
      ASSERT_EQ(sample->GetPointer(&data), S_OK);
      std::fill(data, data + 4096, BYTE{0});
      ASSERT_EQ(sample->SetActualDataLength(4096), S_OK);
      REFERENCE_TIME start = i * kBufferTime, stop = start + kBufferTime;
      ASSERT_EQ(sample->SetTime(&start, &stop), S_OK);
      ASSERT_EQ(source->pin.Deliver(sample.Get()), S_OK);
    }
    EXPECT_EQ(source->pin.DeliverEndOfStream(), S_OK);
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(10000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
  }
  CoUninitialize();
}

}  // namespace

namespace {

// The platform's WAVE parser, {D51BD5A1-7548-11CF-A520-0080C77EF58A}.
constexpr GUID kWaveParser = {0xD51BD5A1, 0x7548, 0x11CF, {0xA5, 0x20, 0x00, 0x80, 0xC7, 0x7E, 0xF5, 0x8A}};

TEST(PinTransportWithWine, WinesWaveParserStreamsIntoOurInputPin) {
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  {
    testsupport::TempFolder folder;
    const std::string path = folder.File("tone.wav");
    ASSERT_TRUE(testsupport::WriteSineWav(path, 48000, 2, 0.5));
    const std::wstring widePath(path.begin(), path.end());

    auto* sink = new OnePinFilter<SinkPin>();
    ComPtr<IBaseFilter> sinkRef(sink);
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
    ComPtr<IBaseFilter> reader, parser;
    ASSERT_EQ(graph->AddSourceFilter(widePath.c_str(), L"reader", reader.GetAddressOf()), S_OK);
    ASSERT_EQ(testsupport::CreateInstance(kWaveParser, IID_IBaseFilter, parser), S_OK);
    ASSERT_EQ(graph->AddFilter(parser.Get(), L"parser"), S_OK);
    ASSERT_EQ(graph->AddFilter(sinkRef.Get(), L"sink"), S_OK);
    ComPtr<IPin> readerOut, parserIn, parserOut;
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(reader->EnumPins(pins.GetAddressOf()), S_OK);
    ASSERT_EQ(pins->Next(1, readerOut.GetAddressOf(), nullptr), S_OK);
    ASSERT_EQ(parser->FindPin(L"input pin", parserIn.GetAddressOf()), S_OK);
    ASSERT_EQ(graph->ConnectDirect(readerOut.Get(), parserIn.Get(), nullptr), S_OK);
    ASSERT_EQ(parser->FindPin(L"output", parserOut.GetAddressOf()), S_OK);
    ASSERT_EQ(graph->ConnectDirect(parserOut.Get(), &sink->pin, nullptr), S_OK);
    EXPECT_TRUE(IsPcm(&sink->pin.CurrentMediaType()));
    EXPECT_NE(sink->pin.PinAllocator(), nullptr);

    ComPtr<IMediaControl> control;
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    for (int i = 0; i < 200 && sink->pin.received == 0; ++i) Sleep(10);
    EXPECT_GT(sink->pin.received.load(), 0);
    EXPECT_GT(sink->pin.SampleProps().lActual, 0);
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
  }
  CoUninitialize();
}

}  // namespace
