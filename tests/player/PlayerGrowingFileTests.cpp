// Playing the file that the recorder is still writing: from its start to where the written data
// ends, while the recorder goes on writing behind it.

#include <gtest/gtest.h>

#include <filesystem>

#include "PlayerTestSupport.h"
#include "baseclasses/TestPins.h"
#include "recorder/Recorder.h"
#include "support/PcmFormats.h"
#include "support/TempFolder.h"

using playertest::EventWindow;
using sonotape::ComPtr;

namespace {

constexpr long kBuffer = 9600;  // 50 ms of 16-bit stereo at 48 kHz
constexpr DWORD kPlayTimeout = 20000;

class QuietView : public sonotape::RecorderView {
 public:
  int ShowMessage(const std::string&, unsigned) override { return 0; }
  void RecorderStateChanged() override {}
  void PostNewFile() override {}
  void PostWriteFailure() override {}
  void PostWaitingForFormat() override {}
  void StopPlayback() override {}
  void RecordingFormatChanged(sonotape::RecordingFormat) override {}
  sonotape::LocalTime Now() override { return {"Dec", 9, 12, 0, 0, 2026, 12}; }
  std::string HostChannel() override { return {}; }
};

// A host graph (test decoder into test renderer) with the recorder writing a file from it.
class HostRecording {
 public:
  explicit HostRecording(const std::string& folder, sonotape::RecordingFormat format = sonotape::rfWav)
      : recorder_(view_) {
    source_->pin.formats = {testsupport::PcmWave(2, 48000)};
    source_->pin.bufferSize = kBuffer;
    ComPtr<IBaseFilter> sink(new testsupport::OnePinFilter<testsupport::SinkPin>());
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph_.GetAddressOf()))) ||
        FAILED(graph_->AddFilter(sourceFilter_.Get(), L"decoder")) || FAILED(graph_->AddFilter(sink.Get(), L"renderer")) ||
        FAILED(graph_->ConnectDirect(&source_->pin, testsupport::FirstPin(sink.Get(), PINDIR_INPUT).Get(), nullptr)) ||
        FAILED(sonotape::QueryInto(graph_.Get(), IID_IMediaControl, control_))) {
      throw std::runtime_error("the host graph cannot be built");
    }
    recorder_.AttachGraph(graph_.Get());
    sonotape::FileNaming naming;
    naming.typedName = "growing";
    naming.appendDateTime = false;
    naming.outputFolder = folder;
    recorder_.SetNaming(naming);
    recorder_.SetRecordingFormat(format);
    if (recorder_.ConnectTap(sonotape::Failures::kShown) || FAILED(control_->Run())) {
      throw std::runtime_error("the tap is not in the running graph");
    }
    recorder_.StartRecording(sonotape::Failures::kShown);
  }
  ~HostRecording() {
    recorder_.StopRecording();
    control_->Stop();
  }

  sonotape::Recorder& Recorder() { return recorder_; }
  // The decoder delivers count buffers, which the recorder writes.
  void Deliver(int count) {
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(source_->pin.DeliverBuffer(kBuffer, static_cast<BYTE>(i), 0, 0), S_OK);
    }
  }

 private:
  QuietView view_;
  sonotape::Recorder recorder_;
  testsupport::OnePinFilter<testsupport::SourcePin>* source_ = new testsupport::OnePinFilter<testsupport::SourcePin>();
  ComPtr<IBaseFilter> sourceFilter_{source_};
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
};

TEST(PlayerGrowingFile, PlaysFromTheStartToWhereTheWrittenDataEnds) {
  playertest::HostFixture host;
  testsupport::TempFolder folder;
  HostRecording recording(folder.Path());
  ASSERT_EQ(recording.Recorder().State(), sonotape::rsRecording);
  recording.Deliver(20);  // 1 s
  const std::string path = folder.File("growing.wav");
  ASSERT_TRUE(std::filesystem::exists(path));

  auto player = sonotape::TAudioPlayer::Create();
  ASSERT_TRUE(player);
  EventWindow window(*player);
  ASSERT_TRUE(player->Open(path, playertest::ToneRecordFormat("48000:2:16"), window.Handle()))
      << player->TakeErrorText();
  EXPECT_TRUE(window.WaitForCompletion(kPlayTimeout));
  EXPECT_NEAR(player->GetPosition(), 1.0, 1e-9);
  EXPECT_EQ(host.Source()->BytesHandedOver(), 20 * kBuffer);
  EXPECT_EQ(host.Source()->ZeroByteHandOvers(), 1);

  // The recorder writes on behind the player's end; played again, the file ends later.
  recording.Deliver(10);
  EXPECT_EQ(std::filesystem::file_size(path), 46u + 30 * kBuffer);
  player->Close();
  ASSERT_TRUE(player->Open(path, playertest::ToneRecordFormat("48000:2:16"), window.Handle()));
  EXPECT_TRUE(window.WaitForCompletion(kPlayTimeout));
  EXPECT_NEAR(player->GetPosition(), 1.5, 1e-9);
  EXPECT_EQ(recording.Recorder().State(), sonotape::rsRecording);
}

// FLAC: the frames the encoder has written, up to the last whole one, and a seek among them with
// the recorder's seconds as the length, as the Play page has it.
TEST(PlayerGrowingFile, FlacPlaysItsWrittenFramesAndSeeksAmongThem) {
  playertest::HostFixture host;
  testsupport::TempFolder folder;
  HostRecording recording(folder.Path(), sonotape::rfFlac);
  ASSERT_EQ(recording.Recorder().State(), sonotape::rsRecording);
  recording.Deliver(80);  // 4 s
  const std::string path = folder.File("growing.flac");
  ASSERT_TRUE(std::filesystem::exists(path));

  auto player = sonotape::TAudioPlayer::Create();
  ASSERT_TRUE(player);
  EventWindow window(*player);
  ASSERT_TRUE(player->Open(path, playertest::ToneRecordFormat("48000:2:16"), window.Handle()))
      << player->TakeErrorText();
  EXPECT_TRUE(window.WaitForCompletion(kPlayTimeout));
  constexpr long long kBlockBytes = 4096 * 4;  // the encoder's block of 16-bit stereo
  const long long played = host.Source()->BytesHandedOver();
  EXPECT_EQ(played % kBlockBytes, 0);
  EXPECT_GT(played, 80 * kBuffer - 2 * kBlockBytes);
  EXPECT_LE(played, 80 * kBuffer);
  EXPECT_EQ(host.Source()->ZeroByteHandOvers(), 1);

  const double length = recording.Recorder().ReadRecordingStats().seconds;
  EXPECT_NEAR(length, 4.0, 1e-9);
  ASSERT_TRUE(player->Seek(length, 1.5)) << player->TakeErrorText();
  ASSERT_TRUE(player->Resume());
  EXPECT_TRUE(window.WaitForCompletion(kPlayTimeout));
  EXPECT_EQ(host.Source()->BytesHandedOver() - played, played - 72000 * 4) << "from exactly 1.5 s on";
  EXPECT_NEAR(player->GetPosition(), static_cast<double>(played) / (48000 * 4), 1e-9);
}

}  // namespace
