// The cost of the in-place filter in a running graph: our source pushes small samples as fast
// as it can into Wine's null renderer, without a reference clock, once straight and once with
// a pass-through in-place filter spliced in. The renderer renders on the pushing thread, so the
// thread's CPU time covers the whole path.

#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <cstdio>

#include "baseclasses/BCTransInPlaceFilter.h"
#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"

using sonotape::ComPtr;
using sonotape::QueryInto;

namespace {

// The platform's null renderer, {C1F400A4-3F08-11D3-9F0B-006008039E37}.
constexpr GUID kNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr long kSampleBytes = 64;

class PassFilter : public sonotape::TBCTransInPlaceFilter {
 public:
  PassFilter() : TBCTransInPlaceFilter("pass filter", nullptr, testsupport::CLSID_TestFilter, false) {}
  HRESULT CheckInputType(const AM_MEDIA_TYPE* type) override {
    return type != nullptr && type->majortype == MEDIATYPE_Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT Transform(IMediaSample*) override { return S_OK; }
};

double WallSeconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& time) {
    return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

struct Setup {
  bool wineRenderer;  // Wine's null renderer, else our own sink pin
  bool freshBuffers;  // a new allocator buffer per sample, else one sample sent again and again
  int samples;
};

struct Cost {
  double cpu = -1;  // seconds of the pushing thread
  double wall = -1;
};

// Pushes the samples from the calling thread; a negative cost when the graph failed.
Cost Push(testsupport::SourcePin& source, const Setup& setup) {
  HRESULT hr = S_OK;
  const double start = ThreadCpuSeconds();
  const double startWall = WallSeconds();
  if (setup.freshBuffers) {
    for (int i = 0; i < setup.samples && hr == S_OK; ++i) hr = source.DeliverBuffer(kSampleBytes, 0, i, i + 1);
  } else {
    ComPtr<IMediaSample> sample;
    hr = source.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0);
    if (SUCCEEDED(hr)) hr = sample->SetActualDataLength(kSampleBytes);
    for (int i = 0; i < setup.samples && hr == S_OK; ++i) hr = source.Deliver(sample.Get());
  }
  const Cost used{ThreadCpuSeconds() - start, WallSeconds() - startWall};
  if (hr != S_OK) {
    std::printf("delivery failed: 0x%08lX\n", static_cast<unsigned long>(hr));
    return {};
  }
  return used;
}

// The cost of the samples through source [-> pass filter] -> renderer; negative on failure.
Cost Measure(const Setup& setup, bool withFilter) {
  auto* source = new testsupport::OnePinFilter<testsupport::SourcePin>();
  ComPtr<IBaseFilter> sourceRef(source);
  source->pin.bufferSize = kSampleBytes;
  ComPtr<IBaseFilter> renderer;
  if (setup.wineRenderer) {
    if (FAILED(CoCreateInstance(kNullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(renderer.GetAddressOf())))) {
      return {};
    }
  } else {
    renderer = new testsupport::OnePinFilter<testsupport::SinkPin>();
  }
  ComPtr<IGraphBuilder> graph;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(graph.GetAddressOf())))) {
    return {};
  }
  ComPtr<IPin> rendererIn = testsupport::FirstPin(renderer.Get(), PINDIR_INPUT);
  HRESULT hr = graph->AddFilter(sourceRef.Get(), L"source");
  if (SUCCEEDED(hr)) hr = graph->AddFilter(renderer.Get(), L"renderer");
  ComPtr<IBaseFilter> filterRef;
  if (withFilter) {
    auto* pass = new PassFilter();
    filterRef = pass;
    if (SUCCEEDED(hr)) hr = graph->AddFilter(filterRef.Get(), L"pass");
    if (SUCCEEDED(hr)) hr = graph->ConnectDirect(&source->pin, pass->GetPin(0), nullptr);
    if (SUCCEEDED(hr)) hr = graph->ConnectDirect(pass->GetPin(1), rendererIn.Get(), nullptr);
  } else if (SUCCEEDED(hr)) {
    hr = graph->ConnectDirect(&source->pin, rendererIn.Get(), nullptr);
  }
  ComPtr<IMediaFilter> timing;
  ComPtr<IMediaControl> control;
  if (SUCCEEDED(hr)) hr = QueryInto(graph.Get(), IID_IMediaFilter, timing);
  if (SUCCEEDED(hr)) hr = timing->SetSyncSource(nullptr);
  if (SUCCEEDED(hr)) hr = QueryInto(graph.Get(), IID_IMediaControl, control);
  if (SUCCEEDED(hr)) hr = control->Run();
  if (FAILED(hr)) {
    std::printf("graph set-up failed: 0x%08lX\n", static_cast<unsigned long>(hr));
    return {};
  }
  const Cost used = Push(source->pin, setup);
  control->Stop();
  return used;
}

// Prints the per-sample cost without and with the filter, best of rounds.
bool Report(const char* title, const Setup& setup, int rounds) {
  Cost straight{1e30, 1e30};
  Cost spliced{1e30, 1e30};
  for (int round = 0; round < rounds; ++round) {
    const Cost a = Measure(setup, false);
    const Cost b = Measure(setup, true);
    if (a.cpu < 0 || b.cpu < 0) return false;
    straight = {std::min(straight.cpu, a.cpu), std::min(straight.wall, a.wall)};
    spliced = {std::min(spliced.cpu, b.cpu), std::min(spliced.wall, b.wall)};
  }
  const double ns = 1e9 / setup.samples;
  std::printf("%s (%d samples of %ld bytes, best of %d)\n", title, setup.samples, kSampleBytes, rounds);
  std::printf("  CPU:  without the filter %8.1f ns, with it %8.1f ns per sample; the filter adds %7.1f ns (ratio %.3f)\n",
              straight.cpu * ns, spliced.cpu * ns, (spliced.cpu - straight.cpu) * ns, spliced.cpu / straight.cpu);
  std::printf("  wall: without the filter %8.1f ns, with it %8.1f ns per sample; the filter adds %7.1f ns (ratio %.3f)\n",
              straight.wall * ns, spliced.wall * ns, (spliced.wall - straight.wall) * ns, spliced.wall / straight.wall);
  return true;
}

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  std::printf("In-place filter cost in a running graph without a clock; goal: under 1000 ns per sample\n");
  const bool ok = Report("one sample sent again and again into our sink", {false, false, 5000000}, 3) &&
                  Report("a fresh allocator buffer per sample into our sink", {false, true, 20000}, 2) &&
                  Report("a fresh allocator buffer per sample into Wine's null renderer", {true, true, 10000}, 2);
  CoUninitialize();
  return ok ? 0 : 1;
}
