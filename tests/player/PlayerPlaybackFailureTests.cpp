// Failures while a file plays: a graph that does not run again after a seek, and a chunk the
// source refuses. Each leaves the player stopped with its text and usable for the next file; a
// hand-over that the player's own stop releases is no failure.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "FilterDoubles.h"
#include "PlayerFixture.h"
#include "PlayerTestSupport.h"

using playertest::EventWindow;
using playertest::FilterDouble;
using sonotape::TAudioPlayer;

namespace {

constexpr DWORD kPlayTimeout = 20000;

bool PumpUntil(const std::function<bool()>& done) {
  for (DWORD waited = 0; !done(); waited += 10) {
    if (waited > kPlayTimeout) return false;
    EventWindow::Pump(10);
  }
  return true;
}

bool Aborted(const EventWindow& window) {
  const std::vector<long>& events = window.Events();
  return std::find(events.begin(), events.end(), EC_ERRORABORT) != events.end();
}

class PlayerPlaybackFailure : public playertest::PlayerFixture {
 protected:
  bool Open(const playertest::Recording& recording) {
    return player->Open(recording.path, recording.format, window->Handle());
  }
  // After Close, the next file plays to its end with the host's own source and the real renderer.
  void ExpectUsable() {
    player->Close();
    playertest::HostFixture host;
    ASSERT_TRUE(Open(playertest::Recorded("48000:2:16", 1))) << player->TakeErrorText();
    EXPECT_TRUE(window->WaitForCompletion(kPlayTimeout));
    EXPECT_EQ(player->TakeErrorText(), "");
  }

};

// The worker waits in a hand-over when the seek comes; the graph stops, and then will not run.
TEST_F(PlayerPlaybackFailure, ASeekAfterWhichTheGraphDoesNotRunFails) {
  {
    playertest::HostFixture host;
    FilterDouble<playertest::RendererThatStartsOnce> renderer(CLSID_DSoundRender);
    ASSERT_HRESULT_SUCCEEDED(renderer.Result());
    ASSERT_TRUE(Open(playertest::Recorded("8000:1:16", 10))) << player->TakeErrorText();
    ASSERT_TRUE(PumpUntil([&] { return renderer.Last()->pin.received > 0; }));
    EXPECT_FALSE(player->Seek(10, 4));
    EXPECT_EQ(player->TakeErrorText(), "Cannot run the filtergraph");
    EXPECT_EQ(player->State(), sonotape::psStopped);
    EXPECT_EQ(player->GetPosition(), 4);  // the file was repositioned
    const long long handedOver = host.Source()->BytesHandedOver();
    EventWindow::Pump(150);
    EXPECT_EQ(host.Source()->BytesHandedOver(), handedOver);  // nothing is produced
    EXPECT_FALSE(player->Pause());
  }
  ExpectUsable();
}

TEST_F(PlayerPlaybackFailure, AChunkTheSourceRefusesEndsPlaybackWithAnAbort) {
  {
    FilterDouble<playertest::SourceThatRefusesAChunk> source(sonotape::CLSID_HostPushSource);
    ASSERT_HRESULT_SUCCEEDED(source.Result());
    ASSERT_TRUE(Open(playertest::Recorded("8000:1:16", 10))) << player->TakeErrorText();
    EXPECT_EQ(window->WaitForEnd(kPlayTimeout), EC_ERRORABORT);
    EXPECT_EQ(player->TakeErrorText(), "Cannot deliver the sound to the filtergraph");
    EXPECT_EQ(player->State(), sonotape::psStopped);
    // Nothing after the refused chunk, not even the end of the stream, and no second end.
    EXPECT_EQ(window->WaitForEnd(200), 0);
    const playertest::SourceThatRefusesAChunk& refusing = *source.Last();
    EXPECT_EQ(refusing.handOvers, playertest::SourceThatRefusesAChunk::kRefused);
    EXPECT_EQ(refusing.BytesHandedOver(), 2 * 8192);
    EXPECT_EQ(refusing.ZeroByteHandOvers(), 0);
  }
  ExpectUsable();
}

// Seek and Close stop the graph under a waiting hand-over, which then fails: that is their doing.
TEST_F(PlayerPlaybackFailure, AHandOverThatTheGraphsStopReleasesIsNoFailure) {
  playertest::HostFixture host;
  FilterDouble<playertest::HoldingRenderer> renderer(CLSID_DSoundRender);
  ASSERT_HRESULT_SUCCEEDED(renderer.Result());
  ASSERT_TRUE(Open(playertest::Recorded("8000:1:16", 10))) << player->TakeErrorText();
  ASSERT_TRUE(PumpUntil([&] { return renderer.Last()->pin.received > 0; }));
  ASSERT_TRUE(player->Seek(10, 4));
  EXPECT_EQ(player->State(), sonotape::psRunning);
  ASSERT_TRUE(PumpUntil([&] { return renderer.Last()->pin.received > 1; }));  // waiting again
  player->Close();
  EventWindow::Pump(200);
  EXPECT_EQ(player->TakeErrorText(), "");
  EXPECT_FALSE(Aborted(*window));
  EXPECT_EQ(host.Source()->BytesHandedOver(), 2 * 8192);  // one chunk before the seek, one after
}

}  // namespace
