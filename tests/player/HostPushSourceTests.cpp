// The development host's push source as the player relies on it, in a graph with Wine's
// DirectSound renderer: created by its class id, its version, its pin "Audio" rendered with the
// type it was given, the caller held back while the graph takes nothing, Stop releasing it, and
// the end of the stream after a hand-over of 0 bytes.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "PlayerTestSupport.h"
#include "graph/HostSource.h"

using sonotape::ComPtr;
using sonotape::QueryInto;

namespace {

class HostPushSourceGraph : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(sonotape::CLSID_HostPushSource, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IBaseFilter, reinterpret_cast<void**>(source.GetAddressOf())));
    ASSERT_HRESULT_SUCCEEDED(QueryInto(source.Get(), sonotape::IID_ISourceSet, sourceSet));
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                              reinterpret_cast<void**>(graph.GetAddressOf())));
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                              reinterpret_cast<void**>(renderer.GetAddressOf())));
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(source.Get(), L"DVB Source"));
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(renderer.Get(), L"Default DirectSound Device"));
    ASSERT_HRESULT_SUCCEEDED(QueryInto(graph.Get(), IID_IMediaControl, control));
    ASSERT_HRESULT_SUCCEEDED(QueryInto(graph.Get(), IID_IMediaEvent, events));
  }
  void TearDown() override {
    if (control) control->Stop();
  }
  // Gives the source the PCM type and renders its pin "Audio".
  void Render() {
    AM_MEDIA_TYPE type = sonotape::PcmAudioMediaType();
    ASSERT_HRESULT_SUCCEEDED(sourceSet->SetOutputMediaType(&type, 1));
    ComPtr<IPin> pin;
    ASSERT_HRESULT_SUCCEEDED(source->FindPin(L"Audio", pin.GetAddressOf()));
    ASSERT_HRESULT_SUCCEEDED(graph->Render(pin.Get()));
    ComPtr<IPin> peer;
    ASSERT_HRESULT_SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf()));
    PIN_INFO info{};
    ASSERT_HRESULT_SUCCEEDED(peer->QueryPinInfo(&info));
    EXPECT_EQ(info.pFilter, renderer.Get());
    info.pFilter->Release();
  }

  playertest::HostFixture host;
  ComPtr<IBaseFilter> source, renderer;
  ComPtr<sonotape::ISourceSet> sourceSet;
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  const std::vector<BYTE> second = std::vector<BYTE>(192000, 0);  // 1 s of 16-bit stereo at 48 kHz
};

TEST_F(HostPushSourceGraph, ReportsAVersionThePlayerTakes) {
  sonotape::SourceInfo info;
  ASSERT_HRESULT_SUCCEEDED(sourceSet->GetSourceInfo(&info));
  EXPECT_TRUE(sonotape::IsSupportedSourceVersion(info.version));
  EXPECT_EQ(info.marker, 0xE0C0);
}

TEST_F(HostPushSourceGraph, HoldsTheCallerWhileTheGraphTakesNothingUntilStopped) {
  Render();
  ASSERT_HRESULT_SUCCEEDED(control->Pause());  // a paused renderer takes no more than its cue
  std::atomic<bool> returned{false};
  std::atomic<HRESULT> result{S_OK};
  std::thread caller([&] {
    // Hands over until a hand-over fails: a stop may still let the one under way through.
    for (int i = 0; i < 100 && SUCCEEDED(result); ++i) {
      result = sourceSet->PutData(second.data(), static_cast<INT32>(second.size()));
    }
    returned = true;
  });
  Sleep(500);
  EXPECT_FALSE(returned);
  const DWORD stopped = GetTickCount();
  ASSERT_HRESULT_SUCCEEDED(control->Stop());
  caller.join();
  EXPECT_LT(GetTickCount() - stopped, 1000u);
  EXPECT_TRUE(FAILED(result));
}

TEST_F(HostPushSourceGraph, EndsTheStreamAfterAnEmptyHandOver) {
  Render();
  ASSERT_HRESULT_SUCCEEDED(control->Run());
  EXPECT_EQ(sourceSet->PutData(second.data(), static_cast<INT32>(second.size())), S_OK);
  EXPECT_EQ(sourceSet->PutData(nullptr, 0), S_OK);
  long code = 0;
  EXPECT_EQ(events->WaitForCompletion(10000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
}

}  // namespace
