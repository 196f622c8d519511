#pragma once
// The recording engine's tests on a host-like graph: our PCM source (the decoder) into our sink,
// with the tap spliced in by the recorder and files written on Wine's file system.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"
#include "recorder/Recorder.h"
#include "support/ComCreate.h"
#include "support/PcmFormats.h"
#include "support/TempFolder.h"

namespace recordertest {

using sonotape::ComPtr;
using sonotape::QueryInto;
using testsupport::OnePinFilter;
using testsupport::PcmWave;
using testsupport::SinkPin;
using testsupport::SourcePin;

// The window: its thread is the one that made it; a call that only the window's thread may make
// from another one is counted.
class FakeView : public sonotape::RecorderView {
 public:
  int ShowMessage(const std::string& text, unsigned) override {
    OnWindowThread();
    messages.push_back(text);
    return 1;
  }
  void RecorderStateChanged() override {
    OnWindowThread();
    ++stateChanges;
  }
  void PostNewFile() override { ++newFiles; }
  void PostWriteFailure() override { ++writeFailures; }
  void PostWaitingForFormat() override { ++waits; }
  void RecordingFormatChanged(sonotape::RecordingFormat) override { OnWindowThread(); }
  sonotape::LocalTime Now() override {
    if (whileNaming) std::exchange(whileNaming, nullptr)();
    return {"Dec", 8, 7, 5, 9, 2026, 12};
  }
  std::string HostChannel() override {
    OnWindowThread();
    return channel;
  }
  void StopPlayback() override {
    OnWindowThread();
    ++playbackStops;
  }
  void OnWindowThread() {
    if (GetCurrentThreadId() != windowThread) ++offThreadCalls;
  }
  std::vector<std::string> messages;
  std::string channel;  // what the host reports
  // Runs once when the next file is named: after the format was read, before the callback is in.
  std::function<void()> whileNaming;
  int stateChanges = 0;
  int playbackStops = 0;
  std::atomic<int> newFiles{0};
  std::atomic<int> writeFailures{0};
  std::atomic<int> waits{0};
  const DWORD windowThread = GetCurrentThreadId();
  std::atomic<int> offThreadCalls{0};
};

inline std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::uint32_t At32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  if (offset + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

// One of the decoder's formats, as the media type a sample carries.
struct DecoderType {
  DecoderType(SourcePin& pin, int index) { EXPECT_EQ(pin.GetMediaType(index, &type), S_OK); }
  ~DecoderType() { sonotape::FreeMediaType(type); }
  DecoderType(const DecoderType&) = delete;
  DecoderType& operator=(const DecoderType&) = delete;
  AM_MEDIA_TYPE type{};
};

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    source = new OnePinFilter<SourcePin>();
    source->pin.formats = {PcmWave(2, 48000), PcmWave(1, 44100), PcmWave(6, 48000)};
    refs[0] = source;
    refs[1] = new OnePinFilter<SinkPin>();
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[0].Get(), L"decoder"), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[1].Get(), L"renderer"), S_OK);
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
  }
  void TearDown() override {
    recorder.reset();
    control->Stop();
    control.Reset();
    graph.Reset();
    for (auto& ref : refs) ref.Reset();
    CoUninitialize();
  }
  // The graph running and a recorder on it that names its files "take" in the test's folder.
  void Attach(std::uint64_t maxFileLength = sonotape::WavWriter::kMaxFileLength,
              sonotape::RecordingFormat format = sonotape::rfWav) {
    auto* sink = static_cast<OnePinFilter<SinkPin>*>(static_cast<IBaseFilter*>(refs[1].Get()));
    ASSERT_EQ(graph->ConnectDirect(&source->pin, &sink->pin, nullptr), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    recorder = std::make_unique<sonotape::Recorder>(view, maxFileLength);
    recorder->AttachGraph(graph.Get());
    sonotape::FileNaming naming;
    naming.typedName = "take";
    naming.appendDateTime = false;
    naming.outputFolder = folder.Path();
    recorder->SetNaming(naming);
    recorder->SetRecordingFormat(format);
  }
  void Start(std::uint64_t maxFileLength = sonotape::WavWriter::kMaxFileLength,
             sonotape::RecordingFormat format = sonotape::rfWav) {
    ASSERT_NO_FATAL_FAILURE(Attach(maxFileLength, format));
    recorder->StartRecording(sonotape::Failures::kShown);
    ASSERT_EQ(recorder->State(), sonotape::rsRecording);
  }
  // A buffer of distinct bytes, carrying type when given; what was sent is kept in sent.
  void Send(long length, const AM_MEDIA_TYPE* type = nullptr, std::vector<std::uint8_t>* sent = nullptr) {
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    for (long i = 0; i < length; ++i) data[i] = static_cast<BYTE>(counter++ * 7 + 3);
    sample->SetActualDataLength(length);
    if (type != nullptr) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(type));
    ASSERT_EQ(source->pin.Deliver(sample.Get()), S_OK);
    if (sent != nullptr) sent->insert(sent->end(), data, data + length);
  }
  // 16-bit samples of a 1 kHz sine at 48 kHz on each channel at its amplitude (a fraction of full
  // scale), for ms milliseconds, in buffers as the decoder delivers them; the first carries type.
  void SendTones(const std::vector<double>& amplitudes, int ms, const AM_MEDIA_TYPE* type = nullptr) {
    const std::size_t channels = amplitudes.size(), frames = 48 * static_cast<std::size_t>(ms);
    std::vector<std::int16_t> tones(frames * channels);
    for (std::size_t f = 0; f < frames; ++f) {
      for (std::size_t c = 0; c < channels; ++c) {
        tones[f * channels + c] = static_cast<std::int16_t>(std::lround(amplitudes[c] * 32767 * std::sin(f * 3.14159265358979 / 24)));
      }
    }
    const auto* bytes = reinterpret_cast<const BYTE*>(tones.data());
    const std::size_t size = tones.size() * 2, chunk = 4096 / (2 * channels) * (2 * channels);
    for (std::size_t at = 0; at < size; at += chunk, type = nullptr) {
      ComPtr<IMediaSample> sample;
      ASSERT_EQ(source->pin.GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0), S_OK);
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      const long length = static_cast<long>(std::min(chunk, size - at));
      std::memcpy(data, bytes + at, static_cast<std::size_t>(length));
      sample->SetActualDataLength(length);
      if (type != nullptr) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(type));
      ASSERT_EQ(source->pin.Deliver(sample.Get()), S_OK);
    }
  }
  // Runs sends on a thread of their own, as the host's streaming thread delivers.
  void OnStreamingThread(const std::function<void()>& sends) {
    std::thread streaming([&] {
      CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      sends();
      CoUninitialize();
    });
    streaming.join();
  }
  std::vector<std::uint8_t> Data(const std::string& name, std::size_t header = 46) {
    const std::vector<std::uint8_t> bytes = ReadFile(folder.File(name));
    return bytes.size() < header ? bytes : std::vector<std::uint8_t>(bytes.begin() + header, bytes.end());
  }

  testsupport::TempFolder folder;
  FakeView view;
  OnePinFilter<SourcePin>* source = nullptr;
  ComPtr<IBaseFilter> refs[2];
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  std::unique_ptr<sonotape::Recorder> recorder;
  unsigned counter = 0;
};

}  // namespace recordertest
