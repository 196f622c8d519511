// What Wine's DirectSound renderer passed to the sound device while the player played a
// recording: run by sound-check.sh, which points ALSA at a file sink and names the file in
// SONOTAPE_CAPTURE (a Unix path).

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "PlayerTestSupport.h"
#include "RecordingLength.h"
#include "SoundCapture.h"
#include "support/TempFolder.h"

using playertest::Capture;
using playertest::EventWindow;

namespace {

constexpr double kSeconds = 2;
constexpr DWORD kPlayTimeout = 20000;
constexpr DWORD kLastSound = 600;  // completion comes about 0.25 s before the last sound left
// Wine 10's DirectSound renderer leaves out the last stretch of a stream, some 20 to 25 KB of it,
// also when its own graph plays a WAV file; Windows plays a stream to its end. So the sound may
// fall short by that much, and by no more; it may never run longer.
constexpr double kRendererTailBytes = 32 * 1024;

std::string CapturePath() {
  const char* unix = std::getenv("SONOTAPE_CAPTURE");
  if (unix == nullptr) {
    return {};
  }
  std::string path = std::string("Z:") + unix;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Plays the file to its end and a little longer, closes the player (which releases the device
// and so finishes the capture) and reads what the device was given. rendered is the byte rate
// of the stream the renderer was handed.
Capture PlayAndCapture(const std::string& path, const sonotape::PcmFormat& format, double& rendered) {
  playertest::HostFixture host;
  auto player = sonotape::TAudioPlayer::Create();
  EventWindow window(*player);
  if (!player->Open(path, format, window.Handle())) {
    throw std::runtime_error("cannot play " + path + ": " + player->TakeErrorText());
  }
  rendered = player->OutputFormat().nAvgBytesPerSec;
  const bool complete = window.WaitForCompletion(kPlayTimeout);
  EventWindow::Pump(kLastSound);
  player->Close();
  if (!complete) {
    throw std::runtime_error("no completion for " + path);
  }
  return playertest::ReadCapture(CapturePath());
}

void ExpectPlayedLength(const Capture& capture, double rendered, double tolerance) {
  EXPECT_LE(capture.Seconds(), kSeconds + tolerance);
  EXPECT_GE(capture.Seconds(), kSeconds - tolerance - kRendererTailBytes / rendered);
}

class PlayedSound : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(CapturePath().empty()) << "run through sound-check.sh"; }
};

struct SoundCase {
  const char* name;
  const char* format;
  const char* options;
  unsigned channels;
  double lengthTolerance;  // seconds; MP3 adds the coder's delay and padding, mostly not silent
  const char* extension;   // of the file recorded: no fallback to another format
};

void PrintTo(const SoundCase& c, std::ostream* out) { *out << c.name; }

class PlayedRecording : public PlayedSound, public ::testing::WithParamInterface<SoundCase> {};

TEST_P(PlayedRecording, IsTheRecordingsSignalAndLength) {
  const SoundCase& c = GetParam();
  const playertest::Recording& recording = playertest::Recorded(c.format, kSeconds, c.options);
  EXPECT_EQ(std::filesystem::path(recording.path).extension(), c.extension);
  double rendered = 0;
  const Capture capture = PlayAndCapture(recording.path, recording.format, rendered);
  ExpectPlayedLength(capture, rendered, c.lengthTolerance);
  std::string why;
  EXPECT_TRUE(playertest::TonesAsRecorded(capture, c.channels, why)) << why;
}

INSTANTIATE_TEST_SUITE_P(Recordings, PlayedRecording,
                         ::testing::Values(SoundCase{"Wav16", "48000:2:16", "", 2, 0.01, ".wav"},
                                           SoundCase{"Wav24Surround", "48000:6:24", "", 6, 0.01, ".wav"},
                                           SoundCase{"WavMono", "44100:1:16", "", 1, 0.01, ".wav"},
                                           SoundCase{"Mp3Stereo", "44100:2:16", "--record-as 1", 2, 0.06, ".mp3"},
                                           SoundCase{"OggSurround", "48000:6:16", "--record-as 2", 6, 0.01, ".ogg"},
                                           SoundCase{"FlacStereo", "48000:2:16", "--record-as 3", 2, 0.01, ".flac"},
                                           SoundCase{"FlacSurround", "48000:6:24", "--record-as 3", 6, 0.01, ".flac"}),
                         [](const auto& param) { return std::string(param.param.name); });

// The 5.1 channels in the order a Vorbis stream keeps them (front left, centre, front right,
// rear left, rear right, LFE), had the player not put them into the WAVE order: the check must
// find the difference.
TEST_F(PlayedSound, ChannelsOutOfPlaceAreFound) {
  const playertest::Recording& recording = playertest::Recorded("48000:6:16", kSeconds);
  std::ifstream in(recording.path, std::ios::binary);
  std::vector<char> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  constexpr std::size_t kHeader = 68, kFrame = 12;
  static const int kVorbisOrder[6] = {0, 2, 1, 4, 5, 3};
  for (std::size_t at = kHeader; at + kFrame <= data.size(); at += kFrame) {
    char frame[kFrame];
    for (int c = 0; c < 6; ++c) std::memcpy(frame + 2 * c, data.data() + at + 2 * kVorbisOrder[c], 2);
    std::memcpy(data.data() + at, frame, kFrame);
  }
  testsupport::TempFolder folder;
  const std::string path = folder.File("vorbis-order.wav");
  std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));

  double rendered = 0;
  const Capture capture = PlayAndCapture(path, recording.format, rendered);
  ExpectPlayedLength(capture, rendered, 0.01);
  std::string why;
  EXPECT_FALSE(playertest::TonesAsRecorded(capture, 6, why));
  EXPECT_NE(why, "");
}

}  // namespace
