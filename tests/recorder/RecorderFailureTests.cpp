// The recording engine when a recording cannot go on as it was: the next file cannot be
// created, the decoder switches to a format the encoder refuses, a start fails; and what it does
// on the streaming thread reaches the window only by posts.

#include "recorder/RecorderFixture.h"

namespace recordertest {
namespace {

using sonotape::Failures;
using sonotape::RecordingError;

constexpr long kBuffer = 3840;  // whole frames of mono, stereo and 5.1 16-bit samples

// Output and default folder both gone: no file can be created there.
sonotape::FileNaming NamingIn(const std::string& folder) {
  sonotape::FileNaming naming;
  naming.typedName = "take";
  naming.appendDateTime = false;
  naming.outputFolder = folder;
  naming.defaultFolder = folder + "\\";
  return naming;
}

TEST_F(RecorderTest, ANextFileThatCannotBeCreatedEndsTheRecordingAndSaysWhichFile) {
  ASSERT_NO_FATAL_FAILURE(Start());
  std::vector<std::uint8_t> first;
  Send(400, nullptr, &first);
  // The folder box names a folder that is gone: the recording does not move to another folder.
  sonotape::FileNaming naming = NamingIn(folder.File("gone"));
  naming.defaultFolder = folder.Path() + "\\";
  recorder->SetNaming(naming);
  const DecoderType mono(source->pin, 1);
  OnStreamingThread([&] { Send(600, &mono.type); });
  EXPECT_EQ(view.writeFailures, 1);
  EXPECT_EQ(view.newFiles, 0);
  EXPECT_TRUE(view.messages.empty());  // the streaming thread shows nothing
  EXPECT_EQ(view.offThreadCalls, 0);
  const sonotape::RecordingStats stats = recorder->ReadRecordingStats();
  OnStreamingThread([&] { Send(400); });
  EXPECT_EQ(recorder->ReadRecordingStats().seconds, stats.seconds);  // nothing more is counted

  const RecordingError error = recorder->EndAfterWriteFailure(Failures::kShown);
  EXPECT_EQ(recorder->State(), 0);
  const std::string next = folder.File("gone") + "\\take.wav";
  EXPECT_EQ(error.fileName, next);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0], "Creating the file \r\n" + next + "\r\nfailed");
  EXPECT_EQ(Data("take.wav"), first);  // the file before is complete
  EXPECT_EQ(At32(ReadFile(folder.File("take.wav")), 42), 400u);
  EXPECT_EQ(recorder->CurrentFile().fileName, folder.File("take.wav"));  // what Play plays
}

TEST_F(RecorderTest, AFormatTheEncoderRefusesIsWaitedOutUntilTheBroadcastSwitchesBack) {
  ASSERT_NO_FATAL_FAILURE(Start(sonotape::WavWriter::kMaxFileLength, sonotape::rfMp3));
  const DecoderType stereo(source->pin, 0), surround(source->pin, 2);
  OnStreamingThread([&] {
    for (int i = 0; i < 25; ++i) Send(kBuffer);  // 0.5 s
    Send(kBuffer, &surround.type);               // MP3 takes mono and stereo only
    for (int i = 0; i < 10; ++i) Send(kBuffer);
  });
  EXPECT_EQ(recorder->State(), sonotape::rsRecording);  // still recording: command 5 answers 1
  EXPECT_TRUE(recorder->WaitingForFormat());
  EXPECT_EQ(view.waits, 1);
  EXPECT_EQ(view.writeFailures, 0);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.offThreadCalls, 0);
  EXPECT_DOUBLE_EQ(recorder->ReadRecordingStats().seconds, 0.5);  // the 5.1 buffers went nowhere

  OnStreamingThread([&] {
    Send(kBuffer, &stereo.type);
    for (int i = 0; i < 24; ++i) Send(kBuffer);
  });
  EXPECT_FALSE(recorder->WaitingForFormat());
  EXPECT_EQ(view.newFiles, 1);
  EXPECT_DOUBLE_EQ(recorder->ReadRecordingStats().seconds, 0.5);
  recorder->StopRecording();
  EXPECT_GT(ReadFile(folder.File("take.mp3")).size(), 1000u);
  EXPECT_GT(ReadFile(folder.File("take 01.mp3")).size(), 1000u);
  EXPECT_EQ(view.waits, 1);
}

TEST_F(RecorderTest, FlacTakesSurroundInANewFileAndItsThreadOnlyPosts) {
  view.channel = "Das Erste";
  ASSERT_NO_FATAL_FAILURE(Start(sonotape::WavWriter::kMaxFileLength, sonotape::rfFlac));
  view.channel = "asked again";  // the channel of the start tags each file of the recording
  const DecoderType surround(source->pin, 2);
  OnStreamingThread([&] {
    for (int i = 0; i < 25; ++i) Send(kBuffer);  // 0.5 s of stereo
    Send(kBuffer, &surround.type);
    for (int i = 0; i < 24; ++i) Send(kBuffer);
  });
  EXPECT_FALSE(recorder->WaitingForFormat());
  EXPECT_EQ(view.newFiles, 1);
  EXPECT_EQ(view.offThreadCalls, 0);
  EXPECT_TRUE(view.messages.empty());
  // The new file's 25 buffers: a third of the time they took in stereo.
  EXPECT_DOUBLE_EQ(recorder->ReadRecordingStats().seconds, 0.5 / 3);
  recorder->StopRecording();
  for (const char* name : {"take.flac", "take 01.flac"}) {
    const std::vector<std::uint8_t> bytes = ReadFile(folder.File(name));
    ASSERT_GT(bytes.size(), 4u) << name;
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "fLaC") << name;
    const std::string text(bytes.begin(), bytes.end());
    for (const char* comment : {"TITLE=take", "ARTIST=Das Erste", "DATE=2026-12-08", "ENCODER=Sonotape "}) {
      EXPECT_NE(text.find(comment), std::string::npos) << name << ": " << comment;
    }
  }
  EXPECT_EQ(recorder->CurrentFile().fileName, folder.File("take 01.flac"));
  EXPECT_EQ(recorder->CurrentFile().format.nChannels, 6);
}

TEST_F(RecorderTest, AFailedStartLeavesTheLastFileAsItWas) {
  ASSERT_NO_FATAL_FAILURE(Start());
  Send(400);
  recorder->StopRecording();
  recorder->SetNaming(NamingIn(folder.File("gone")));
  const RecordingError error = recorder->StartRecording(Failures::kQuiet);
  EXPECT_EQ(error.kind, RecordingError::kFailed);
  EXPECT_EQ(error.text, "Creating the file \r\n" + folder.File("gone") + "\\take.wav\r\nfailed");
  EXPECT_TRUE(view.messages.empty());  // not shown when the caller says so
  EXPECT_EQ(recorder->State(), 0);
  EXPECT_EQ(recorder->LastName().fileName, folder.File("take.wav"));
  EXPECT_EQ(recorder->CurrentFile().fileName, folder.File("take.wav"));
  EXPECT_EQ(recorder->CurrentFile().format.nChannels, 2);
}

TEST_F(RecorderTest, EachFileOfARecordingIsInTheFormatItStartedWithAndItsThreadOnlyPosts) {
  ASSERT_NO_FATAL_FAILURE(Start());
  recorder->SetRecordingFormat(sonotape::rfMp3);  // for the next start, not this recording
  const DecoderType mono(source->pin, 1);
  std::vector<std::uint8_t> second;
  OnStreamingThread([&] {
    Send(400);
    Send(600, &mono.type, &second);
  });
  recorder->StopRecording();
  EXPECT_EQ(view.newFiles, 1);
  EXPECT_EQ(Data("take 01.wav"), second);
  EXPECT_TRUE(ReadFile(folder.File("take 01.mp3")).empty());
  EXPECT_EQ(view.offThreadCalls, 0);
  EXPECT_EQ(recorder->FileFormat(), sonotape::rfWav);
}

}  // namespace
}  // namespace recordertest
