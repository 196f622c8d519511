// The audio tap between our source and sink, and in front of Wine's DirectSound renderer.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include "baseclasses/BCMediaType.h"
#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"
#include "graph/HostSource.h"
#include "recorder/SampleFilter.h"
#include "support/ComCreate.h"
#include "support/PcmFormats.h"

using sonotape::ComPtr;
using sonotape::QueryInto;
using testsupport::OnePinFilter;
using testsupport::PcmWave;
using testsupport::SinkPin;
using testsupport::SourcePin;

namespace {

struct Recorded {
  std::atomic<int> calls{0};
  std::atomic<long> bytes{0};
  std::vector<std::uint8_t> last;
  static void OnSample(void* context, const std::uint8_t* data, std::int32_t length) {
    auto* self = static_cast<Recorded*>(context);
    self->last.assign(data, data + length);
    self->bytes += length;
    ++self->calls;
  }
};

class SampleFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    source = new OnePinFilter<SourcePin>();
    tap = new sonotape::TSampleFilter();
    refs[0] = source;
    refs[1] = tap;
    ASSERT_EQ(QueryInto(refs[1].Get(), sonotape::IID_ISampleInterface, samples), S_OK);
  }
  void TearDown() override {
    if (control) control->Stop();
    control.Reset();
    samples.Reset();
    graph.Reset();
    for (auto& ref : refs) ref.Reset();
    CoUninitialize();
  }
  void Build(IBaseFilter* renderer) {
    refs[2] = renderer;
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[0].Get(), L"source"), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[1].Get(), L"Sonotape Dump"), S_OK);
    ASSERT_EQ(graph->AddFilter(renderer, L"renderer"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(&source->pin, tap->GetPin(0), nullptr), S_OK);
    ComPtr<IPin> rendererIn = testsupport::FirstPin(renderer, PINDIR_INPUT);
    ASSERT_EQ(graph->ConnectDirect(tap->GetPin(1), rendererIn.Get(), nullptr), S_OK);
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
  }
  // A sample of 400 bytes of fill, carrying type when given.
  HRESULT Send(BYTE fill, const AM_MEDIA_TYPE* type = nullptr) {
    ComPtr<IMediaSample> sample;
    HRESULT hr = source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::memset(data, fill, 400);
    sample->SetActualDataLength(400);
    if (type != nullptr) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(type));
    return source->pin.Deliver(sample.Get());
  }

  OnePinFilter<SourcePin>* source = nullptr;
  sonotape::TSampleFilter* tap = nullptr;
  ComPtr<IBaseFilter> refs[3];
  ComPtr<sonotape::ISampleInterface> samples;
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
};

TEST_F(SampleFilter, HandsEverySampleToTheCallbackAndFollowsFormatChanges) {
  source->pin.formats = {PcmWave(2, 48000), PcmWave(2, 44100)};
  auto* sink = new OnePinFilter<SinkPin>();
  ASSERT_NO_FATAL_FAILURE(Build(sink));
  EXPECT_EQ(samples->GetSampleKind(), sonotape::skIntegerPcm);
  sonotape::PcmFormat format{};
  samples->GetFormatEx(&format);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_EQ(format.nSamplesPerSec, 48000u);
  EXPECT_EQ(format.dwChannelMask, 0u);

  Recorded recorded;
  samples->SetFormatChanged(TRUE);
  samples->SetCallback(&Recorded::OnSample, &recorded);
  EXPECT_FALSE(samples->GetFormatChanged());
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  ASSERT_EQ(Send(5), S_OK);
  EXPECT_EQ(recorded.calls, 1);
  EXPECT_EQ(recorded.last, std::vector<std::uint8_t>(400, 5));
  EXPECT_EQ(sink->pin.received, 1);
  EXPECT_EQ(sink->pin.Seen().size(), 1u);

  // A decoder attaches a new type: another rate is a change, the same format again is not.
  AM_MEDIA_TYPE other{};
  ASSERT_EQ(source->pin.GetMediaType(1, &other), S_OK);
  ASSERT_EQ(Send(6, &other), S_OK);
  EXPECT_TRUE(samples->GetFormatChanged());
  samples->GetFormatEx(&format);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  samples->SetFormatChanged(FALSE);  // the recorder took the change
  ASSERT_EQ(Send(7, &other), S_OK);
  EXPECT_FALSE(samples->GetFormatChanged());
  sonotape::FreeMediaType(other);

  // Without a callback samples pass with no other effect.
  samples->SetCallback(nullptr, nullptr);
  ASSERT_EQ(Send(8), S_OK);
  EXPECT_EQ(recorded.calls, 3);
  EXPECT_EQ(sink->pin.received, 4);

  // Every type is accepted; what cannot be recorded has kind 0.
  AM_MEDIA_TYPE video = testsupport::AudioType(MEDIASUBTYPE_PCM);
  video.majortype = MEDIATYPE_Video;
  EXPECT_EQ(tap->CheckInputType(&video), S_OK);
  samples->SetFormatChanged(FALSE);
  EXPECT_EQ(tap->SetMediaType(PINDIR_INPUT, &video), S_OK);
  EXPECT_EQ(samples->GetSampleKind(), sonotape::skUnsupported);
  EXPECT_TRUE(samples->GetFormatChanged());
  EXPECT_EQ(tap->SetMediaType(PINDIR_INPUT, nullptr), E_POINTER);
}

// A host reconnects its decoder with a new type while the tap is in place: the tap's output
// reconnects with it, and that reconnects the tap's input once more with the same type.
TEST_F(SampleFilter, AReconnectionIsAChangeUntilTheRecorderTakesIt) {
  source->pin.formats = {PcmWave(2, 48000), PcmWave(1, 44100)};
  auto* sink = new OnePinFilter<SinkPin>();
  ASSERT_NO_FATAL_FAILURE(Build(sink));
  samples->SetFormatChanged(FALSE);
  AM_MEDIA_TYPE mono{};
  ASSERT_EQ(source->pin.GetMediaType(1, &mono), S_OK);
  ComPtr<IFilterGraph2> graph2;
  ASSERT_EQ(QueryInto(graph.Get(), IID_IFilterGraph2, graph2), S_OK);
  ASSERT_EQ(graph2->ReconnectEx(&source->pin, &mono), S_OK);
  EXPECT_TRUE(samples->GetFormatChanged());
  sonotape::PcmFormat format{};
  samples->GetFormatEx(&format);
  EXPECT_EQ(format.nChannels, 1);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_TRUE(sonotape::MediaTypesEqual(sink->pin.CurrentMediaType(), mono));  // passed on downstream
  sonotape::FreeMediaType(mono);
}

TEST_F(SampleFilter, NoFormatIsEvaluatedWhileTheCallbackLockIsHeld) {
  source->pin.formats = {PcmWave(2, 48000), PcmWave(1, 44100)};
  ASSERT_NO_FATAL_FAILURE(Build(new OnePinFilter<SinkPin>()));
  AM_MEDIA_TYPE mono{};
  ASSERT_EQ(source->pin.GetMediaType(1, &mono), S_OK);
  samples->Lock();
  auto streaming = std::async(std::launch::async, [&] { return tap->SetMediaType(PINDIR_INPUT, &mono); });
  EXPECT_EQ(streaming.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  sonotape::PcmFormat format{};
  samples->GetFormatEx(&format);
  EXPECT_EQ(format.nChannels, 2);
  samples->Unlock();
  EXPECT_EQ(streaming.get(), S_OK);
  samples->GetFormatEx(&format);
  EXPECT_EQ(format.nChannels, 1);
  EXPECT_TRUE(samples->GetFormatChanged());
  sonotape::FreeMediaType(mono);
}

TEST_F(SampleFilter, TheWindowThreadNeverWaitsForAPausedRenderer) {
  source->pin.formats = {*reinterpret_cast<const WAVEFORMATEX*>(sonotape::PcmAudioMediaType().pbFormat)};
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(testsupport::CreateInstance(CLSID_DSoundRender, IID_IBaseFilter, renderer), S_OK);
  ASSERT_NO_FATAL_FAILURE(Build(renderer.Get()));
  Recorded recorded;
  samples->SetCallback(&Recorded::OnSample, &recorded);
  ASSERT_TRUE(SUCCEEDED(control->Pause()));

  // The streaming thread delivers until the paused renderer holds it in Receive.
  std::atomic<bool> stop{false};
  std::atomic<long> delivered{0};
  std::thread streaming([&] {
    while (!stop && SUCCEEDED(Send(1))) {
      ++delivered;
    }
  });
  long seen = -1;
  while (recorded.bytes != seen) {  // until no more data gets through
    seen = recorded.bytes;
    Sleep(300);
  }
  ASSERT_GT(seen, 0);

  // What the window thread does at a stop and on its status tick returns at once.
  auto windowThread = std::async(std::launch::async, [&] {
    samples->Lock();
    const long bytes = recorded.bytes;
    samples->Unlock();
    samples->SetCallback(nullptr, nullptr);
    return bytes;
  });
  ASSERT_EQ(windowThread.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(windowThread.get(), seen);

  // Running, the renderer takes the held sample and more: they pass the tap without a callback.
  const long removedAt = delivered;
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  for (const DWORD started = GetTickCount(); delivered < removedAt + 50 && GetTickCount() - started < 10000;) {
    Sleep(10);
  }
  stop = true;
  control->Stop();  // releases the renderer
  streaming.join();
  EXPECT_GE(delivered, removedAt + 50) << "samples went on through the tap";
  EXPECT_EQ(recorded.bytes, seen) << "no callback after SetCallback (none)";
}

}  // namespace
