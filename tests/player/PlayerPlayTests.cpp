// Recordings of the plug-in played to their end through the real graph and Wine's DirectSound
// renderer: completion, the one hand-over of 0 bytes, and the position at the end.

#include <gtest/gtest.h>

#include <filesystem>

#include "PlayerTestSupport.h"
#include "RecordingLength.h"

using playertest::EventWindow;
using playertest::HostFixture;
using sonotape::TAudioPlayer;

namespace {

constexpr DWORD kPlayTimeout = 20000;

struct PlayCase {
  const char* name;
  const char* format;
  const char* options;
  const char* extension;  // of the file recorded: no fallback to another format
};

void PrintTo(const PlayCase& c, std::ostream* out) { *out << c.name; }

class FullPlay : public ::testing::TestWithParam<PlayCase> {};

TEST_P(FullPlay, EndsWithOneEmptyHandOverAtTheRecordingsLength) {
  const PlayCase& c = GetParam();
  const playertest::Recording& recording = playertest::Recorded(c.format, 1.5, c.options);
  EXPECT_EQ(std::filesystem::path(recording.path).extension(), c.extension);
  HostFixture host;
  auto player = TAudioPlayer::Create();
  ASSERT_TRUE(player);
  EventWindow window(*player);
  ASSERT_TRUE(player->Open(recording.path, recording.format, window.Handle())) << player->TakeErrorText();
  EXPECT_TRUE(window.WaitForCompletion(kPlayTimeout));
  EXPECT_EQ(player->State(), sonotape::psStopped);
  devhost::THostPushSource* source = host.Source();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->ZeroByteHandOvers(), 1);
  const double length = playertest::PlayableSeconds(recording.path, recording.format);
  EXPECT_NEAR(length, 1.5, 0.1);
  EXPECT_NEAR(player->GetPosition(), length, 1e-9);
  EXPECT_NEAR(static_cast<double>(source->BytesHandedOver()) / player->OutputFormat().nAvgBytesPerSec, length, 1e-9);
  // Still nothing more a while after the end.
  EventWindow::Pump(200);
  EXPECT_EQ(source->ZeroByteHandOvers(), 1);
  player->Close();
  EXPECT_EQ(player->GetPosition(), 0);
}

INSTANTIATE_TEST_SUITE_P(Recordings, FullPlay,
                         ::testing::Values(PlayCase{"Wav16", "48000:2:16", "", ".wav"},
                                           PlayCase{"Wav24Surround", "48000:6:24", "", ".wav"},
                                           PlayCase{"WavFloat", "44100:2:32:float", "", ".wav"},
                                           PlayCase{"Mp3ConstantStereo", "44100:2:16", "--record-as 1 --mp3-method 0", ".mp3"},
                                           PlayCase{"Mp3VariableMonoXing", "48000:1:16",
                                                    "--record-as 1 --mp3-method 1 --xing", ".mp3"},
                                           PlayCase{"OggStereo", "48000:2:16", "--record-as 2", ".ogg"},
                                           PlayCase{"OggSurround", "48000:6:16", "--record-as 2", ".ogg"},
                                           PlayCase{"FlacStereo", "44100:2:16", "--record-as 3", ".flac"},
                                           PlayCase{"FlacSurround", "48000:6:24", "--record-as 3", ".flac"}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
