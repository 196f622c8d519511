// The recording engine records what the host plays: bit-exact across pause and stop, across
// format changes and file limits; and starts that cannot record.

#include "recorder/RecorderFixture.h"

namespace recordertest {
namespace {

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
  recorder->StopRecording();
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

  recorder->StartRecording(sonotape::Failures::kShown);  // the tap is found again; the next name is numbered
  EXPECT_EQ(recorder->LastName().fileName, folder.File("take 01.wav"));
  EXPECT_EQ(view.playbackStops, 2);
  recorder->StartRecording(sonotape::Failures::kShown);  // already recording: nothing
  EXPECT_EQ(view.playbackStops, 2);
  recorder->StopRecording();
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
  recorder->StopRecording();
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
  recorder->StopRecording();
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
  recorder->StopRecording();
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
  idle.StartRecording(sonotape::Failures::kShown);  // no graph: nothing, and nothing shown
  EXPECT_EQ(idle.State(), 0);
  EXPECT_TRUE(view.messages.empty());
  idle.AttachGraph(graph.Get());  // nothing connected: no decoder
  idle.StartRecording(sonotape::Failures::kShown);
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
  rec.StartRecording(sonotape::Failures::kShown);
  EXPECT_EQ(rec.State(), 0);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].rfind("Creating the file \r\n", 0), 0u);
}

}  // namespace
}  // namespace recordertest
