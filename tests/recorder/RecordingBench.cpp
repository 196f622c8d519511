// WAV recording throughput through a running graph: our unpaced source into our sink with the
// tap in between, once without and once with a recording, beside the raw file-write ceiling of
// the same folder; and the heap allocations the recording makes per buffer.

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"
#include "recorder/Recorder.h"
#include "support/PcmFormats.h"
#include "support/TempFolder.h"

using sonotape::ComPtr;
using sonotape::QueryInto;

namespace {

std::atomic<long long> allocations{0};

constexpr long kBuffer = 8192;
constexpr long long kTotal = 256ll << 20;
constexpr int kBuffers = static_cast<int>(kTotal / kBuffer);

class SilentView : public sonotape::RecorderView {
 public:
  int ShowMessage(const std::string& text, unsigned) override {
    std::printf("message: %s\n", text.c_str());
    return 0;
  }
  void RecorderStateChanged() override {}
  void PostNewFile() override {}
  void PostWriteFailure() override { std::printf("a write failed\n"); }
  void PostWaitingForFormat() override { std::printf("waiting for a format\n"); }
  void RecordingFormatChanged(sonotape::RecordingFormat) override {}
  sonotape::LocalTime Now() override { return {"Dec", 8, 7, 5, 9, 2026, 12}; }
  std::string HostChannel() override { return {}; }
  void StopPlayback() override {}
};

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// MB/s of 8 KiB WriteFile calls into a new file of the folder.
double RawWriteCeiling(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  std::vector<char> block(kBuffer, 1);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kBuffers; ++i) {
    DWORD written = 0;
    WriteFile(file, block.data(), kBuffer, &written, nullptr);
  }
  const double used = Seconds(start);
  CloseHandle(file);
  DeleteFileA(path.c_str());
  return kTotal / used / 1e6;
}

struct Run {
  double megabytesPerSecond = -1;
  double allocationsPerBuffer = 0;
};

// One sample sent kBuffers times through decoder -> tap -> renderer, recording or not.
Run Measure(const testsupport::TempFolder& folder, bool record) {
  auto* source = new testsupport::OnePinFilter<testsupport::SourcePin>();
  ComPtr<IBaseFilter> sourceRef(source);
  source->pin.formats = {testsupport::PcmWave(2, 48000)};
  source->pin.bufferSize = kBuffer;
  ComPtr<IBaseFilter> sink(new testsupport::OnePinFilter<testsupport::SinkPin>());
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(graph.GetAddressOf()))) ||
      FAILED(graph->AddFilter(sourceRef.Get(), L"decoder")) || FAILED(graph->AddFilter(sink.Get(), L"renderer")) ||
      FAILED(graph->ConnectDirect(&source->pin, testsupport::FirstPin(sink.Get(), PINDIR_INPUT).Get(), nullptr)) ||
      FAILED(QueryInto(graph.Get(), IID_IMediaControl, control))) {
    return {};
  }
  SilentView view;
  sonotape::Recorder recorder(view);
  recorder.AttachGraph(graph.Get());
  if (recorder.ConnectTap(sonotape::Failures::kShown) || FAILED(control->Run())) return {};
  sonotape::FileNaming naming;
  naming.typedName = "bench";
  naming.appendDateTime = false;
  naming.outputFolder = folder.Path();
  recorder.SetNaming(naming);
  if (record) {
    recorder.StartRecording(sonotape::Failures::kShown);
    if (recorder.State() != sonotape::rsRecording) return {};
  }
  ComPtr<IMediaSample> sample;
  if (FAILED(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0))) return {};
  sample->SetActualDataLength(kBuffer);
  const long long allocated = allocations;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kBuffers; ++i) {
    if (source->pin.Deliver(sample.Get()) != S_OK) return {};
  }
  const double used = Seconds(start);
  Run run{kTotal / used / 1e6, static_cast<double>(allocations - allocated) / kBuffers};
  sample.Reset();
  recorder.StopRecording();
  control->Stop();
  DeleteFileA(folder.File("bench.wav").c_str());
  return run;
}

}  // namespace

// Counts every allocation of the process's C++ heap.
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  int status = 0;
  {
    testsupport::TempFolder folder;
    const double ceiling = RawWriteCeiling(folder.File("raw.bin"));
    const Run plain = Measure(folder, false);
    const Run recording = Measure(folder, true);
    if (plain.megabytesPerSecond < 0 || recording.megabytesPerSecond < 0) {
      std::printf("the graph could not be built or did not stream\n");
      status = 1;
    } else {
      std::printf("WAV recording, %lld MiB in %ld-byte buffers, 16-bit stereo 48 kHz, unpaced:\n", kTotal >> 20, kBuffer);
      std::printf("  raw WriteFile ceiling:   %8.0f MB/s\n", ceiling);
      std::printf("  graph, not recording:    %8.0f MB/s\n", plain.megabytesPerSecond);
      std::printf("  graph, recording:        %8.0f MB/s (%.2f of the ceiling, %.3f of the graph alone)\n",
                  recording.megabytesPerSecond, recording.megabytesPerSecond / ceiling,
                  recording.megabytesPerSecond / plain.megabytesPerSecond);
      std::printf("  allocations per buffer:  %8.3f while recording, %.3f otherwise\n", recording.allocationsPerBuffer,
                  plain.allocationsPerBuffer);
    }
  }
  CoUninitialize();
  return status;
}
