// Each way Open can fail, with its text, and the engine closed again afterwards.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <utility>

#include "FilterDoubles.h"
#include "PlayerFixture.h"
#include "PlayerTestSupport.h"
#include "PluginLibrary.h"
#include "support/TempFolder.h"
#include "baseclasses/TestPins.h"
#include "player/PlayerRules.h"

using playertest::EventWindow;
using playertest::FilterDouble;
using sonotape::TAudioPlayer;

// The chunk buffer's allocation fails on request.
std::atomic<std::size_t> failingArraySize{0};

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return size == failingArraySize ? nullptr : std::malloc(size != 0 ? size : 1);
}

namespace {

constexpr DWORD kPlayTimeout = 20000;

// Nothing of a failed Open stays: no events, no position, and the next Open plays.
void ExpectClosedAndUsable(TAudioPlayer& player, EventWindow& window) {
  EXPECT_EQ(player.Events(), nullptr);
  EXPECT_EQ(player.GetPosition(), 0);
  EXPECT_EQ(player.State(), sonotape::psStopped);
  playertest::HostFixture host;
  const playertest::Recording& recording = playertest::Recorded("48000:2:16", 1);
  ASSERT_TRUE(player.Open(recording.path, recording.format, window.Handle())) << player.TakeErrorText();
  EXPECT_TRUE(window.WaitForCompletion(kPlayTimeout));
}

class OldSource : public playertest::SourceDouble {
 public:
  HRESULT STDMETHODCALLTYPE GetSourceInfo(sonotape::SourceInfo* info) override {
    info->version = 0x0300FFFF;
    return S_OK;
  }
};

// A renderer that takes PCM but cannot leave the stopped state. (The graph pauses the renderer
// first; a failure further upstream it would not report once the renderer is still cueing.)
class RendererThatCannotStart : public testsupport::OnePinFilter<testsupport::SinkPin> {
 public:
  HRESULT STDMETHODCALLTYPE Pause() override { return E_FAIL; }
};

class PlayerFailure : public playertest::PlayerFixture {
 protected:
  // Opens the recording, expecting failure with text.
  void ExpectOpenFails(const playertest::Recording& recording, const std::string& text) {
    EXPECT_FALSE(player->Open(recording.path, recording.format, window->Handle()));
    EXPECT_EQ(player->TakeErrorText(), text);
  }

};

TEST_F(PlayerFailure, AFileThatCannotBeOpenedIsNamed) {
  const std::string name = "C:\\no such folder\\Take1.wav";
  EXPECT_FALSE(player->Open(name, playertest::ToneRecordFormat("48000:2:16"), window->Handle()));
  EXPECT_EQ(player->TakeErrorText(), "Cannot open file C:\\no such folder\\Take1.wav");
  ExpectClosedAndUsable(*player, *window);
}

TEST_F(PlayerFailure, WithoutTheHostsSourceTheGraphCannotBeBuilt) {
  ExpectOpenFails(playertest::Recorded("48000:2:16", 1), "Cannot build the filtergraph");
  ExpectClosedAndUsable(*player, *window);
}

TEST_F(PlayerFailure, ASourceOfAnOlderVersionIsRefused) {
  {
    FilterDouble<OldSource> source(sonotape::CLSID_HostPushSource);
    ASSERT_HRESULT_SUCCEEDED(source.Result());
    ExpectOpenFails(playertest::Recorded("48000:2:16", 1), "Cannot build the filtergraph");
  }
  ExpectClosedAndUsable(*player, *window);
}

TEST_F(PlayerFailure, AFormatTheRendererRefusesBuildsNoGraph) {
  {
    playertest::HostFixture host;
    ExpectOpenFails(playertest::Recorded("ac3-spdif", 1), "Cannot build the filtergraph");
  }
  ExpectClosedAndUsable(*player, *window);
}

TEST_F(PlayerFailure, AGraphThatDoesNotRun) {
  {
    playertest::HostFixture host;
    FilterDouble<RendererThatCannotStart> renderer(CLSID_DSoundRender);
    ASSERT_HRESULT_SUCCEEDED(renderer.Result());
    ExpectOpenFails(playertest::Recorded("48000:2:16", 1), "Cannot run the filtergraph");
  }
  ExpectClosedAndUsable(*player, *window);
}

TEST_F(PlayerFailure, NoMemoryForTheChunkBuffer) {
  {
    playertest::HostFixture host;
    failingArraySize = sonotape::kMaxChunkBytes;
    ExpectOpenFails(playertest::Recorded("48000:2:16", 1), "Not enough memory");
    failingArraySize = 0;
  }
  ExpectClosedAndUsable(*player, *window);
}

// Files with the right extension but no stream of that kind: the reader says nothing of its
// own, the player names the file it could not decode.
TEST_F(PlayerFailure, FilesWithoutTheirStreamAreNamed) {
  playertest::HostFixture host;
  testsupport::TempFolder folder;
  const std::string noise(8192, '\x5A');
  const std::pair<const char*, const char*> cases[] = {{"noise.mp3", "Cannot decode the MP3 file "},
                                                       {"noise.ogg", "Cannot decode the Ogg Vorbis file "},
                                                       {"noise.flac", "Cannot decode the FLAC file "}};
  for (const auto& [name, text] : cases) {
    std::ofstream(folder.File(name), std::ios::binary) << noise;
    EXPECT_FALSE(player->Open(folder.File(name), playertest::ToneRecordFormat("48000:2:16"), window->Handle()));
    EXPECT_EQ(player->TakeErrorText(), text + folder.File(name));
  }
  ExpectClosedAndUsable(*player, *window);
}

// The player alone in a folder, without MPGLib.DLL, vorbisfile.dll and libFLAC.dll beside it or on
// the path.
TEST(PlayerMissingCodecs, NameTheLibraryThatIsMissing) {
  testsupport::TempFolder folder;
  const std::string player = folder.File("player_open.exe");
  ASSERT_TRUE(CopyFileA(devhost::PathBesideExecutable("player_open.exe").c_str(), player.c_str(), TRUE));
  const std::pair<const char*, const char*> cases[] = {
      {"--record-as 1", "failed\tMpgLib.dll is required for MP3 playback\n"},
      {"--record-as 2", "failed\tVorbisFile.dll is required for Ogg Vorbis playback\n"},
      {"--record-as 3", "failed\tlibFLAC.dll is required for FLAC playback\n"}};
  for (const auto& [options, expected] : cases) {
    const playertest::Recording& recording = playertest::Recorded("48000:2:16", 1, options);
    std::string printed;
    EXPECT_EQ(playertest::RunProgram("\"" + player + "\" \"" + recording.path + "\" 48000:2:16", 30000, &printed,
                                     folder.Path()),
              0);
    std::erase(printed, '\r');
    EXPECT_EQ(printed, expected) << options;
  }
}

}  // namespace
