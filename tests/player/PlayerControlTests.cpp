// The player's operations on a running graph: file names, seeking (also while paused and after
// the end), pause and resume, volume through the graph, the media type offered to the source,
// and the graph's names and registration.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "PlayerTestSupport.h"
#include "RecordingLength.h"
#include "graph/RotName.h"
#include "support/TempFolder.h"

using playertest::EventWindow;
using playertest::HostFixture;
using sonotape::ComPtr;
using sonotape::TAudioPlayer;

namespace {

constexpr DWORD kPlayTimeout = 20000;

class PlayerControl : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(player);
    window = std::make_unique<EventWindow>(*player);
  }
  bool Open(const playertest::Recording& recording) {
    return player->Open(recording.path, recording.format, window->Handle());
  }

  HostFixture host;
  std::unique_ptr<TAudioPlayer> player = TAudioPlayer::Create();
  std::unique_ptr<EventWindow> window;
};

TEST_F(PlayerControl, OpensByTheExtensionInAnyCaseAndRefusesOthersWithAText) {
  const playertest::Recording& recording = playertest::Recorded("48000:2:16", 1);
  testsupport::TempFolder folder;
  for (const char* name : {"Take1.wav", "Take1.aac"}) {
    std::filesystem::copy_file(recording.path, folder.File(name));
  }
  EXPECT_TRUE(player->Open(folder.File("Take1.wav"), recording.format, window->Handle()));
  EXPECT_EQ(player->TakeErrorText(), "");
  player->Close();
  EXPECT_FALSE(player->Open(folder.File("Take1.aac"), recording.format, window->Handle()));
  EXPECT_EQ(player->TakeErrorText(),
            "Cannot play file " + folder.File("Take1.aac") + ": not a WAV, MP3, Ogg Vorbis or FLAC file");
  EXPECT_EQ(player->Events(), nullptr);
}

TEST_F(PlayerControl, SeekingNearTheEndGoesTwoSecondsBeforeIt) {
  const playertest::Recording& recording = playertest::Recorded("8000:1:16", 60);
  ASSERT_TRUE(Open(recording));
  ASSERT_TRUE(player->Pause());  // so that nothing is handed over between the seek and the checks
  ASSERT_TRUE(player->Seek(60, 59.5));
  // Counted after the seek, which waits for a chunk still under way when Pause came.
  const long long handedOver = host.Source()->BytesHandedOver();
  EXPECT_EQ(player->GetPosition(), 58);
  ASSERT_TRUE(player->Resume());
  EXPECT_TRUE(window->WaitForCompletion(kPlayTimeout));
  EXPECT_NEAR(player->GetPosition(), 60, 1e-9);
  EXPECT_EQ(host.Source()->BytesHandedOver() - handedOver, 2 * 16000);
}

// A length under 2 s: 2 s before the end lies before the data, here 16 bytes into the header.
TEST_F(PlayerControl, SeekingInAShortFileStartsFromTheBeginning) {
  const playertest::Recording& recording = playertest::Recorded("48000:2:16", 1);
  ASSERT_TRUE(Open(recording));
  ASSERT_TRUE(window->WaitForCompletion(kPlayTimeout));
  ASSERT_TRUE(player->Seek(1.9999, 1.5));
  EXPECT_EQ(player->GetPosition(), 0);
  EXPECT_TRUE(player->Resume());
  EXPECT_TRUE(window->WaitForCompletion(kPlayTimeout));
  // The whole data again, from its first frame: what lies before it is no sound.
  EXPECT_NEAR(player->GetPosition(), playertest::PlayableSeconds(recording.path, recording.format), 1e-9);
  EXPECT_EQ(host.Source()->BytesHandedOver(), 2 * 1 * 48000 * 4);
}

TEST_F(PlayerControl, SeekingWhilePausedStaysStoppedUntilResumed) {
  const playertest::Recording& recording = playertest::Recorded("8000:1:16", 10);
  ASSERT_TRUE(Open(recording));
  ASSERT_TRUE(player->Pause());
  EXPECT_EQ(player->State(), sonotape::psPaused);
  EXPECT_FALSE(player->Pause());
  ASSERT_TRUE(player->Seek(10, 4));
  const long long handedOver = host.Source()->BytesHandedOver();
  EXPECT_EQ(player->State(), sonotape::psStopped);
  EXPECT_EQ(player->GetPosition(), 4);
  EventWindow::Pump(150);
  EXPECT_EQ(player->GetPosition(), 4);  // nothing produced while stopped
  EXPECT_FALSE(player->Pause());
  ASSERT_TRUE(player->Resume());
  EXPECT_EQ(player->State(), sonotape::psRunning);
  EXPECT_TRUE(window->WaitForCompletion(kPlayTimeout));
  EXPECT_NEAR(player->GetPosition(), 10, 1e-9);
  EXPECT_EQ(host.Source()->BytesHandedOver() - handedOver, 6 * 16000);
}

TEST_F(PlayerControl, AFailedSeekLeavesTheGraphStoppedAndThePositionAsItWas) {
  const playertest::Recording& recording = playertest::Recorded("8000:1:16", 10);
  ASSERT_TRUE(Open(recording));
  ASSERT_TRUE(player->Pause());
  ASSERT_TRUE(player->Seek(10, 3));  // stopped there: nothing moves the position on
  EXPECT_FALSE(player->Seek(0, 1));
  EXPECT_EQ(player->TakeErrorText(), "Error when seeking the file position");
  EXPECT_EQ(player->TakeErrorText(), "");
  EXPECT_EQ(player->State(), sonotape::psStopped);
  EXPECT_EQ(player->GetPosition(), 3);
  EXPECT_FALSE(player->Pause());
}

TEST_F(PlayerControl, AtTheEndOfTheDataPauseIsRefusedAndResumeReadsOnWhereItWas) {
  const playertest::Recording& recording = playertest::Recorded("48000:2:16", 1);
  ASSERT_TRUE(Open(recording));
  ASSERT_TRUE(window->WaitForCompletion(kPlayTimeout));
  const double end = player->GetPosition();
  EXPECT_FALSE(player->Pause());
  ASSERT_TRUE(player->Resume());
  // The first empty hand-over returns once the renderer has played out; then the file has
  // nothing more to give.
  for (DWORD waited = 0; host.Source()->ZeroByteHandOvers() < 2 && waited < kPlayTimeout; waited += 50) {
    EventWindow::Pump(50);
  }
  EXPECT_EQ(host.Source()->ZeroByteHandOvers(), 2);
  EventWindow::Pump(200);
  EXPECT_EQ(player->State(), sonotape::psStopped);
  EXPECT_EQ(host.Source()->ZeroByteHandOvers(), 2);
  EXPECT_EQ(player->GetPosition(), end);
}

TEST_F(PlayerControl, VolumeFollowsTheSliderInTheGraph) {
  ASSERT_TRUE(Open(playertest::Recorded("8000:1:16", 10)));
  ComPtr<IBasicAudio> audio;
  ASSERT_HRESULT_SUCCEEDED(sonotape::QueryInto(playertest::GraphOf(*host.Source()).Get(), IID_IBasicAudio, audio));
  const std::pair<int, long> table[] = {{10000, 0}, {4000, -1990}, {100, -10000}, {8000, -485}, {0, -10000}, {12000, 0}};
  for (const auto& [slider, volume] : table) {
    player->SetVolume(slider);
    long read = 1;
    ASSERT_HRESULT_SUCCEEDED(audio->get_Volume(&read));
    EXPECT_EQ(read, volume) << slider;
  }
}

TEST_F(PlayerControl, TheGraphHoldsTheNamedFiltersAndIsRegisteredWhileOpen) {
  ASSERT_TRUE(Open(playertest::Recorded("8000:1:16", 10)));
  ComPtr<IGraphBuilder> graph = playertest::GraphOf(*host.Source());
  ASSERT_TRUE(graph);
  for (const wchar_t* name : {L"DVB Source", L"Default DirectSound Device"}) {
    ComPtr<IBaseFilter> filter;
    EXPECT_HRESULT_SUCCEEDED(graph->FindFilterByName(name, filter.GetAddressOf())) << name;
  }
  ComPtr<IRunningObjectTable> table;
  ASSERT_HRESULT_SUCCEEDED(GetRunningObjectTable(0, table.GetAddressOf()));
  const std::wstring name = sonotape::FormatRotName(reinterpret_cast<std::uintptr_t>(graph.Get()),
                                                    sizeof(void*) * 2, GetCurrentProcessId());
  ComPtr<IMoniker> moniker;
  ASSERT_HRESULT_SUCCEEDED(CreateItemMoniker(L"!", name.c_str(), moniker.GetAddressOf()));
  EXPECT_EQ(table->IsRunning(moniker.Get()), S_OK);
  player->Close();
  EXPECT_EQ(table->IsRunning(moniker.Get()), S_FALSE);
}

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The recording's samples behind the plain 46-byte header of an IEEE float recording (tag 3).
std::string PlainFloatCopy(const playertest::Recording& extensible, const testsupport::TempFolder& folder,
                           sonotape::PcmFormat& format) {
  const std::vector<char> data = ReadFile(extensible.path);
  format = extensible.format;
  format.wFormatTag = sonotape::kFormatFloat;
  format.cbSize = 0;
  std::memset(reinterpret_cast<char*>(&format) + sonotape::kShortFormatSize, 0,
              sizeof format - sonotape::kShortFormatSize);
  const std::uint32_t bytes = static_cast<std::uint32_t>(data.size() - 68), riff = bytes + 38, fmt = 18;
  const std::string path = folder.File("float.wav");
  std::ofstream out(path, std::ios::binary);
  out.write("RIFF", 4).write(reinterpret_cast<const char*>(&riff), 4).write("WAVEfmt ", 8);
  out.write(reinterpret_cast<const char*>(&fmt), 4).write(reinterpret_cast<const char*>(&format), fmt);
  out.write("data", 4).write(reinterpret_cast<const char*>(&bytes), 4).write(data.data() + 68, bytes);
  return path;
}

TEST_F(PlayerControl, FloatRecordingsOfferTheFloatSubtypeUnlessExtensible) {
  const playertest::Recording& extensible = playertest::Recorded("48000:2:32:float", 1);
  ASSERT_EQ(extensible.format.wFormatTag, sonotape::kFormatExtensible);
  ASSERT_TRUE(Open(extensible));
  const AM_MEDIA_TYPE& offered = host.Source()->OutputType();
  EXPECT_EQ(offered.subtype, MEDIASUBTYPE_PCM);
  EXPECT_EQ(offered.cbFormat, 40u);
  EXPECT_EQ(std::memcmp(offered.pbFormat, &extensible.format, 40), 0);
  player->Close();

  testsupport::TempFolder folder;
  sonotape::PcmFormat plain{};
  const std::string path = PlainFloatCopy(extensible, folder, plain);
  ASSERT_TRUE(player->Open(path, plain, window->Handle()));
  const AM_MEDIA_TYPE& offeredPlain = host.Source()->OutputType();
  EXPECT_EQ(offeredPlain.subtype, MEDIASUBTYPE_IEEE_FLOAT);
  EXPECT_EQ(offeredPlain.cbFormat, 18u);
  EXPECT_TRUE(window->WaitForCompletion(kPlayTimeout));
  EXPECT_NEAR(player->GetPosition(), 1, 1e-9);
}

// The record is 40 bytes: a cbSize claiming more must not make the source read past it (the
// renderer then refuses the format).
TEST_F(PlayerControl, AFormatClaimingMoreThanItsRecordOffersTheRecordOnly) {
  playertest::Recording recording = playertest::Recorded("48000:6:24", 1);
  recording.format.cbSize = 200;
  EXPECT_FALSE(Open(recording));
  EXPECT_EQ(player->TakeErrorText(), "Cannot build the filtergraph");
  ASSERT_NE(host.Source(), nullptr);
  EXPECT_EQ(host.Source()->OutputType().cbFormat, 40u);
}

}  // namespace
