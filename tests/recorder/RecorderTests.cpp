// The recording engine on a host-like graph: our PCM source (the decoder) into our sink, with
// the tap spliced in by the recorder and files written on Wine's file system.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"
#include "recorder/Recorder.h"
#include "support/ComCreate.h"
#include "support/PcmFormats.h"
#include "support/TempFolder.h"

using sonotape::ComPtr;
using sonotape::QueryInto;
using testsupport::OnePinFilter;
using testsupport::PcmWave;
using testsupport::SinkPin;
using testsupport::SourcePin;

namespace {

class FakeView : public sonotape::RecorderView {
 public:
  int ShowMessage(const std::string& text, unsigned) override {
    messages.push_back(text);
    return 1;
  }
  void RecorderStateChanged() override { ++stateChanges; }
  void PostNewFile() override { ++newFiles; }
  void PostWriteFailure() override { ++writeFailures; }
  void RecordingFormatChanged(sonotape::RecordingFormat) override {}
  sonotape::LocalTime Now() override {
    if (whileNaming) std::exchange(whileNaming, nullptr)();
    return {"Dec", 8, 7, 5, 9};
  }
  void StopPlayback() override { ++playbackStops; }
  std::vector<std::string> messages;
  // Runs once when the next file is named: after the format was read, before the callback is in.
  std::function<void()> whileNaming;
  int stateChanges = 0;
  int playbackStops = 0;
  std::atomic<int> newFiles{0};
  std::atomic<int> writeFailures{0};
};

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t At32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  if (offset + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    source = new OnePinFilter<SourcePin>();
    source->pin.formats = {PcmWave(2, 48000), PcmWave(1, 44100)};
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
  void Start(std::uint64_t maxFileLength = sonotape::WavWriter::kMaxFileLength) {
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
    recorder->SetRecording(true);
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

TEST_F(RecorderTest, RecordsWhatTheHostPlaysBitExactAcrossPauseAndStop) {
  ASSERT_NO_FATAL_FAILURE(Start());
  std::vector<std::uint8_t> kept;
  for (int i = 0; i < 3; ++i) Send(400, nullptr, &kept);
  recorder->SetPaused(true);
  EXPECT_EQ(recorder->State(), sonotape::rsRecording | sonotape::rsPaused);
  Send(400);  // dropped while paused
  recorder->SetPaused(false);
  Send(800, nullptr, &kept);
  const sonotape::RecordingStats stats = recorder->ReadRecordingStats();
  EXPECT_DOUBLE_EQ(stats.seconds, 2000.0 / 192000.0);
  EXPECT_EQ(stats.bytes, 46u + 2000u);
  recorder->SetRecording(false);
  EXPECT_EQ(recorder->State(), 0);
  Send(400);  // passes the tap unrecorded

  const std::vector<std::uint8_t> file = ReadFile(folder.File("take.wav"));
  ASSERT_EQ(file.size(), 46u + 2000u);
  EXPECT_EQ(At32(file, 4), 2038u);
  EXPECT_EQ(At32(file, 42), 2000u);
  WAVEFORMATEX written{};
  std::memcpy(&written, file.data() + 20, 18);
  EXPECT_EQ(written.nChannels, 2);
  EXPECT_EQ(written.nSamplesPerSec, 48000u);
  EXPECT_EQ(Data("take.wav"), kept);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.writeFailures, 0);
  const sonotape::RecordedFile last = recorder->CurrentFile();  // what the Play page plays
  EXPECT_EQ(last.fileName, folder.File("take.wav"));
  EXPECT_EQ(last.format.nChannels, 2);
  EXPECT_EQ(last.format.nSamplesPerSec, 48000u);
  EXPECT_EQ(view.playbackStops, 1);  // the start stopped playback; the stop did not

  recorder->SetRecording(true);  // the tap is found again; the next name is numbered
  EXPECT_EQ(recorder->LastName().fileName, folder.File("take 01.wav"));
  EXPECT_EQ(view.playbackStops, 2);
  recorder->SetRecording(true);  // already recording: nothing
  EXPECT_EQ(view.playbackStops, 2);
  recorder->SetRecording(false);
}

TEST_F(RecorderTest, AFormatChangeContinuesInANewFileWithNothingLostOrRepeated) {
  ASSERT_NO_FATAL_FAILURE(Start());
  std::vector<std::uint8_t> first, second;
  Send(400, nullptr, &first);
  AM_MEDIA_TYPE mono{};
  ASSERT_EQ(source->pin.GetMediaType(1, &mono), S_OK);
  Send(600, &mono, &second);
  Send(200, nullptr, &second);
  sonotape::FreeMediaType(mono);
  recorder->SetRecording(false);
  EXPECT_EQ(view.newFiles, 1);
  EXPECT_EQ(Data("take.wav"), first);
  EXPECT_EQ(Data("take 01.wav"), second);
  const std::vector<std::uint8_t> file = ReadFile(folder.File("take 01.wav"));
  WAVEFORMATEX written{};
  std::memcpy(&written, file.data() + 20, 18);
  EXPECT_EQ(written.nChannels, 1);
  EXPECT_EQ(written.nSamplesPerSec, 44100u);
  EXPECT_EQ(At32(file, 42), 800u);
}

TEST_F(RecorderTest, AFormatChangeWhileTheRecordingStartsReachesTheFile) {
  AM_MEDIA_TYPE mono{};
  ASSERT_EQ(source->pin.GetMediaType(1, &mono), S_OK);
  view.whileNaming = [&] { Send(200, &mono); };  // the decoder switches before the callback is in
  ASSERT_NO_FATAL_FAILURE(Start());
  std::vector<std::uint8_t> sent;
  Send(600, nullptr, &sent);
  sonotape::FreeMediaType(mono);
  recorder->SetRecording(false);
  const std::vector<std::uint8_t> file = ReadFile(recorder->LastName().fileName);
  ASSERT_EQ(file.size(), 46u + 600u);
  WAVEFORMATEX written{};
  std::memcpy(&written, file.data() + 20, 18);
  EXPECT_EQ(written.nChannels, 1);
  EXPECT_EQ(written.nSamplesPerSec, 44100u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 46, file.end()), sent);
}

TEST_F(RecorderTest, AFileThatWouldPassItsSizeLimitContinuesInTheNextFile) {
  ASSERT_NO_FATAL_FAILURE(Start(46 + 1000));
  std::vector<std::uint8_t> sent;
  for (int i = 0; i < 5; ++i) Send(400, nullptr, &sent);
  recorder->SetRecording(false);
  std::vector<std::uint8_t> joined;
  for (const char* name : {"take.wav", "take 01.wav", "take 02.wav"}) {
    const std::vector<std::uint8_t> file = ReadFile(folder.File(name));
    ASSERT_LE(file.size(), 46u + 1000u) << name;
    EXPECT_EQ(At32(file, 42), file.size() - 46) << name;
    const std::vector<std::uint8_t> data = Data(name);
    joined.insert(joined.end(), data.begin(), data.end());
  }
  EXPECT_EQ(joined, sent);
  EXPECT_EQ(view.newFiles, 2);
}

TEST_F(RecorderTest, StartsThatCannotRecordLeaveTheRecorderIdle) {
  sonotape::Recorder idle(view);
  idle.SetRecording(true);  // no graph: nothing, and nothing shown
  EXPECT_EQ(idle.State(), 0);
  EXPECT_TRUE(view.messages.empty());
  idle.AttachGraph(graph.Get());  // nothing connected: no decoder
  idle.SetRecording(true);
  EXPECT_EQ(idle.State(), 0);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0], "Cannot find an audio decoder that delivers PCM output");
  EXPECT_EQ(view.stateChanges, 0);
  EXPECT_EQ(view.playbackStops, 2);  // playback stops before a start is tried
}

TEST_F(RecorderTest, AnUnwritableFolderIsReportedAndNothingStarts) {
  auto* sink = static_cast<OnePinFilter<SinkPin>*>(static_cast<IBaseFilter*>(refs[1].Get()));
  ASSERT_EQ(graph->ConnectDirect(&source->pin, &sink->pin, nullptr), S_OK);
  sonotape::Recorder rec(view);
  rec.AttachGraph(graph.Get());
  sonotape::FileNaming naming;
  naming.typedName = "take";
  naming.outputFolder = folder.File("missing");
  naming.defaultFolder = folder.File("missing too") + "\\";
  rec.SetNaming(naming);
  rec.SetRecording(true);
  EXPECT_EQ(rec.State(), 0);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].rfind("Creating the file \r\n", 0), 0u);
}

}  // namespace
