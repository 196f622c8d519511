// Splicing the tap into host-like graphs: our PCM source (the decoder), a PCM-to-PCM converter,
// and our sink or Wine's DirectSound renderer.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "baseclasses/BCTransInPlaceFilter.h"
#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"
#include "graph/HostSource.h"
#include "recorder/SampleFilter.h"
#include "recorder/TapSplice.h"
#include "support/ComCreate.h"

using sonotape::ComPtr;
using sonotape::QueryInto;
using testsupport::OnePinFilter;
using testsupport::SinkPin;
using testsupport::SourcePin;

namespace {

class Converter : public sonotape::TBCTransInPlaceFilter {
 public:
  Converter() : TBCTransInPlaceFilter("converter", nullptr, testsupport::CLSID_TestFilter, false) {}
  HRESULT CheckInputType(const AM_MEDIA_TYPE* type) override { return testsupport::IsPcm(type) ? S_OK : S_FALSE; }
  HRESULT Transform(IMediaSample*) override { return S_OK; }
};

class CountingSource : public OnePinFilter<SourcePin> {
 public:
  HRESULT STDMETHODCALLTYPE Stop() override {
    ++stops;
    return OnePinFilter<SourcePin>::Stop();
  }
  std::atomic<int> stops{0};
};

// A sink that can refuse to be fed by the tap.
class TapShySinkPin : public SinkPin {
 public:
  using SinkPin::SinkPin;
  HRESULT CheckConnect(IPin* pin) override {
    PIN_INFO info{};
    if (refuseTap && SUCCEEDED(pin->QueryPinInfo(&info)) && info.pFilter != nullptr) {
      CLSID clsid{};
      info.pFilter->GetClassID(&clsid);
      info.pFilter->Release();
      if (clsid == sonotape::CLSID_SampleFilter) return E_FAIL;
    }
    return SinkPin::CheckConnect(pin);
  }
  bool refuseTap = false;
};

IPin* PeerOf(IPin* pin) {
  ComPtr<IPin> peer;
  pin->ConnectedTo(peer.GetAddressOf());
  return peer.Get();  // the graph keeps it alive
}

class TapSplice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    source = new CountingSource();
    source->pin.formats = {*reinterpret_cast<const WAVEFORMATEX*>(sonotape::PcmAudioMediaType().pbFormat)};
    converter = new Converter();
    sink = new OnePinFilter<TapShySinkPin>();
    refs[0] = source;
    refs[1] = converter;
    refs[2] = sink;
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(graph->AddFilter(refs[i].Get(), nullptr), S_OK);
  }
  void TearDown() override {
    control->Stop();
    tap = {};
    control.Reset();
    graph.Reset();
    for (auto& ref : refs) ref.Reset();
    CoUninitialize();
  }
  // The host's chain: decoder -> converter -> sink.
  void Chain() {
    ASSERT_EQ(graph->ConnectDirect(&source->pin, converter->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(converter->GetPin(1), &sink->pin, nullptr), S_OK);
  }
  OAFilterState State() {
    OAFilterState state = -1;
    control->GetState(1000, &state);
    return state;
  }

  CountingSource* source = nullptr;
  Converter* converter = nullptr;
  OnePinFilter<TapShySinkPin>* sink = nullptr;
  ComPtr<IBaseFilter> refs[3];
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  sonotape::TapConnection tap;
  std::string failure;
};

TEST_F(TapSplice, TheTapGoesBehindTheDecoderNotTheConverterAndIsFoundAgain) {
  ASSERT_NO_FATAL_FAILURE(Chain());
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  ASSERT_TRUE(sonotape::ConnectTap(graph.Get(), tap, failure)) << failure;
  ASSERT_TRUE(tap.tapFilter);
  ASSERT_TRUE(tap.sampleIntf);
  auto* filter = static_cast<sonotape::TSampleFilter*>(tap.tapFilter.Get());
  EXPECT_EQ(PeerOf(&source->pin), filter->GetPin(0));
  EXPECT_EQ(PeerOf(filter->GetPin(1)), converter->GetPin(0));
  EXPECT_EQ(State(), State_Paused);  // restored
  EXPECT_EQ(tap.sampleIntf->GetSampleKind(), sonotape::skIntegerPcm);
  FILTER_INFO info{};
  ASSERT_EQ(tap.tapFilter->QueryFilterInfo(&info), S_OK);
  info.pGraph->Release();
  EXPECT_STREQ(info.achName, L"Sonotape Dump");

  // A second start finds the tap and leaves the graph alone.
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  const int stops = source->stops;
  sonotape::TapConnection again;
  again.tapFilter = tap.tapFilter;
  ASSERT_TRUE(sonotape::ConnectTap(graph.Get(), again, failure));
  EXPECT_EQ(again.sampleIntf.Get(), tap.sampleIntf.Get());
  EXPECT_EQ(source->stops, stops);
  EXPECT_EQ(State(), State_Running);
}

TEST_F(TapSplice, WithoutPcmOnAnyConnectionThereIsNothingToTap) {
  EXPECT_FALSE(sonotape::ConnectTap(nullptr, tap, failure));
  EXPECT_EQ(failure, "");
  EXPECT_FALSE(sonotape::ConnectTap(graph.Get(), tap, failure));  // nothing connected
  EXPECT_EQ(failure, "Cannot find an audio decoder that delivers PCM output");
  ComPtr<sonotape::ISampleInterface> found;
  EXPECT_FALSE(sonotape::FindTapInGraph(graph.Get(), sonotape::CLSID_SampleFilter, found));
}

TEST_F(TapSplice, AFailedSpliceRestoresTheDecoderConnectionAndRemovesTheTap) {
  ASSERT_EQ(graph->ConnectDirect(&source->pin, &sink->pin, nullptr), S_OK);
  sink->pin.refuseTap = true;
  EXPECT_FALSE(sonotape::ConnectTap(graph.Get(), tap, failure));
  EXPECT_EQ(failure, "Inserting the sample dumper in the filtergraph failed");
  EXPECT_EQ(PeerOf(&source->pin), &sink->pin);
  EXPECT_FALSE(tap.tapFilter);
  ComPtr<sonotape::ISampleInterface> found;
  EXPECT_FALSE(sonotape::FindTapInGraph(graph.Get(), sonotape::CLSID_SampleFilter, found));
  EXPECT_EQ(State(), State_Stopped);
}

TEST_F(TapSplice, TheHostVolumeIsSetThroughTheGraph) {
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(testsupport::CreateInstance(CLSID_DSoundRender, IID_IBaseFilter, renderer), S_OK);
  ASSERT_EQ(graph->AddFilter(renderer.Get(), L"renderer"), S_OK);
  ASSERT_EQ(graph->ConnectDirect(&source->pin, testsupport::FirstPin(renderer.Get(), PINDIR_INPUT).Get(), nullptr),
            S_OK);
  bool known = false;
  EXPECT_EQ(sonotape::SetHostVolume(graph.Get(), -10000, &known), 0);
  EXPECT_TRUE(known);
  EXPECT_EQ(sonotape::SetHostVolume(graph.Get(), -500), -10000);
  EXPECT_EQ(sonotape::SetHostVolume(nullptr, 0, &known), -10000);
  EXPECT_FALSE(known);  // a muted host and no host differ
}

TEST_F(TapSplice, AGraphWithoutAnAudioRendererHasNoVolumeToRead) {
  bool known = true;
  EXPECT_EQ(sonotape::SetHostVolume(graph.Get(), -10000, &known), -10000);
  EXPECT_FALSE(known);
}

}  // namespace
