// The Play page of the real tool window, driven by real messages: recordings made through the
// window from the development host's graph, played through the player's own graph with the
// host's push source and Wine's DirectSound renderer.

#include <windows.h>
#include <commctrl.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "FilterDoubles.h"
#include "HostGraph.h"
#include "HostPushSource.h"
#include "HostWindow.h"
#include "MessageAnswerer.h"
#include "PlayerTestSupport.h"
#include "host/HostMessages.h"
#include "host/TimerRecord.h"
#include "support/TempFolder.h"
#include "ui/ButtonImages.h"
#include "ui/WindowIds.h"
#include "window/SonotapeWindow.h"
#include "support/WindowText.h"

namespace sonotape {
namespace {

constexpr DWORD kPlayTimeout = 15000;

using testsupport::TextOf;

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD begin = GetTickCount();
  while (!done()) {
    if (GetTickCount() - begin > timeoutMs) return false;
    devhost::HostWindow::PumpFor(10);
  }
  return true;
}

long VolumeOf(IGraphBuilder* graph) {
  ComPtr<IBasicAudio> audio;
  long volume = 1;  // no volume in hundredths of a decibel is positive
  if (graph != nullptr && SUCCEEDED(QueryInto(graph, IID_IBasicAudio, audio))) {
    audio->get_Volume(&volume);
  }
  return volume;
}

void SetVolumeOf(IGraphBuilder* graph, long volume) {
  ComPtr<IBasicAudio> audio;
  ASSERT_EQ(QueryInto(graph, IID_IBasicAudio, audio), S_OK);
  ASSERT_EQ(audio->put_Volume(volume), S_OK);
}

// A host graph of the development host: its decoder's tones into a renderer.
std::unique_ptr<devhost::HostGraph> HostGraphOf(const char* format, double seconds, devhost::RendererKind renderer) {
  devhost::SourcePlan plan;
  EXPECT_TRUE(devhost::ParseToneFormat(format, plan.format));
  plan.length = seconds;
  plan.paced = false;  // a null renderer takes the stream as fast as it comes
  auto graph = std::make_unique<devhost::HostGraph>();
  std::string error;
  EXPECT_TRUE(graph->Build(plan, renderer, false, error)) << error;
  return graph;
}

class PlayPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com));
    ASSERT_EQ(pushSource->Result(), S_OK);
    window = std::make_unique<TfrmSonotape>(GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window->Create(nullptr));
    SetWindowTextA(Item(edOutput), folder.Path().c_str());
    Click(cbAutoCreate);  // off: the files are take.wav, take 01.wav, ...
  }
  void TearDown() override {
    window.reset();
    graphs[0].reset();
    graphs[1].reset();
    pushSource.reset();
    if (SUCCEEDED(com)) CoUninitialize();
  }

  HWND Item(int id) const { return GetDlgItem(window->Handle(), id); }
  void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
  LRESULT Command(WPARAM command) { return SendMessageA(window->Handle(), HostCommandMessage, command, 0); }
  int Bar(int id = tbSeek) const { return static_cast<int>(SendMessageA(Item(id), TBM_GETPOS, 0, 0)); }
  std::string Position() const { return TextOf(Item(lblPosition)); }
  // The seconds of the position label once the update timer has shown another position.
  int NextPositionSeconds() {
    const std::string before = Position();
    PumpUntil([&] { return Position() != before; }, 3000);
    int hours = 0, minutes = 0, seconds = 0;
    std::sscanf(Position().c_str(), "P&osition:  %d:%d:%d", &hours, &minutes, &seconds);
    return hours * 3600 + minutes * 60 + seconds;
  }
  bool Playing() const { return IsWindowEnabled(Item(btnStop)) != FALSE; }
  void Key(WPARAM key) { SendMessageA(Item(tbSeek), WM_KEYDOWN, key, 1); }
  void Tick() { SendMessageA(window->Handle(), WM_TIMER, tmrUpdate, 0); }
  int Glyph(int id) const { return static_cast<int>(GetWindowLongPtrA(Item(id), GWLP_USERDATA)); }
  // The graph the player built last, through the host's push source it created.
  ComPtr<IGraphBuilder> PlayerGraph() const { return playertest::GraphOf(*pushSource->LastSource()); }

  // Starts recording seconds of format through the window from a host graph with the null
  // renderer; the stream has ended, the recording goes on.
  void Record(const char* format, double seconds) {
    ASSERT_NO_FATAL_FAILURE(AttachSilentGraph(format, seconds));
    Click(btnRecord);
    ASSERT_EQ(Command(5), 1);
    ASSERT_TRUE(SUCCEEDED(graphs[0]->Control()->Run()));
    ASSERT_TRUE(graphs[0]->WaitForCompletion(30000));
  }
  // Hands the window a host graph of the null renderer, its files named take.
  void AttachSilentGraph(const char* format, double seconds) {
    graphs[0] = HostGraphOf(format, seconds, devhost::RendererKind::Null);
    ASSERT_TRUE(window->AttachGraph(reinterpret_cast<IFilterGraph*>(graphs[0]->Graph())));
    SetWindowTextA(Item(edFilename), "take");  // the host named no channel
  }
  // A recording of seconds of format, finished.
  void Recorded(const char* format, double seconds) {
    ASSERT_NO_FATAL_FAILURE(Record(format, seconds));
    Click(btnRecord);
    ASSERT_EQ(Command(5), 0);
  }
  // Hands the window a host graph with DirectSound (connected, not running) at volume.
  IGraphBuilder* AttachAudibleGraph(int slot, long volume) {
    graphs[slot] = HostGraphOf("8000:1:16", 1, devhost::RendererKind::DirectSound);
    SetVolumeOf(graphs[slot]->Graph(), volume);
    EXPECT_TRUE(window->AttachGraph(reinterpret_cast<IFilterGraph*>(graphs[slot]->Graph())));
    return graphs[slot]->Graph();
  }
  // Where the mouse puts the bar at fraction of its scale: the channel without half a thumb
  // at each end.
  int MouseX(double fraction) const {
    RECT thumb{}, channel{};
    SendMessageA(Item(tbSeek), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    SendMessageA(Item(tbSeek), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    const int half = (thumb.right - thumb.left) / 2;
    return channel.left + half + static_cast<int>((channel.right - channel.left - 2 * half) * fraction + 0.5);
  }
  void Mouse(UINT message, int x) { SendMessageA(Item(tbSeek), message, 0, MAKELPARAM(x, 5)); }
  void ExpectStopped() {
    EXPECT_EQ(TextOf(Item(btnPlay)), "P&lay");
    EXPECT_EQ(Glyph(btnPlay), imgPlay);
    for (int id : {tbSeek, btnStop, btnFastRW, btnRW, btnFW, btnFastFW}) {
      EXPECT_FALSE(IsWindowEnabled(Item(id))) << id;
    }
  }

  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::unique_ptr<devhost::HostPushSourceRegistration> pushSource =
      std::make_unique<devhost::HostPushSourceRegistration>();
  testsupport::TempFolder folder;
  std::unique_ptr<devhost::HostGraph> graphs[2];
  std::unique_ptr<TfrmSonotape> window;
  devhost::MessageAnswerer answerer;
};

TEST_F(PlayPageTest, PlayDuringARecordingPlaysTheFileBeingWrittenFromItsStartToTheEnd) {
  EXPECT_EQ(TextOf(Item(btnPlay)), "P&lay  ");
  EXPECT_EQ(Glyph(btnPlay), imgPlay);
  EXPECT_EQ(Glyph(btnStop), imgPlayStop);
  EXPECT_EQ(Glyph(btnFastRW), imgFastRW);
  EXPECT_EQ(Glyph(btnFastFW), imgFastFW);
  EXPECT_NE(SendMessageA(Item(imVolLow), STM_GETICON, 0, 0), 0);
  EXPECT_NE(SendMessageA(Item(imVolHigh), STM_GETICON, 0, 0), 0);
  ASSERT_NO_FATAL_FAILURE(Record("48000:2:16", 1.5));

  Click(btnPlay);
  EXPECT_EQ(TextOf(Item(btnPlay)), "P&ause");
  EXPECT_EQ(Glyph(btnPlay), imgPause);
  for (int id : {tbSeek, btnStop, btnFastRW, btnRW, btnFW, btnFastFW}) {
    EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
  }
  EXPECT_EQ(VolumeOf(PlayerGraph().Get()), -1990);  // the slider's 4000
  ASSERT_TRUE(PumpUntil([this] { return !Playing(); }, kPlayTimeout)) << "playback did not end";

  // The end of the data came as the graph's completion: stopped, the position back at 0.
  ExpectStopped();
  EXPECT_EQ(Position(), "P&osition:  00:00:00");
  EXPECT_EQ(Bar(), 0);
  EXPECT_EQ(Command(5), 1);  // the recording goes on
  WIN32_FILE_ATTRIBUTE_DATA file{};
  ASSERT_TRUE(GetFileAttributesExA(folder.File("take.wav").c_str(), GetFileExInfoStandard, &file));
  // every byte, from the first
  EXPECT_EQ(pushSource->LastSource()->BytesHandedOver(), static_cast<long long>(file.nFileSizeLow) - 46);
  EXPECT_EQ(pushSource->LastSource()->ZeroByteHandOvers(), 1);
  EXPECT_TRUE(answerer.Answered().empty());
}

TEST_F(PlayPageTest, TheHostIsMutedWhilePlayingAndPausedAndGetsItsVolumeBack) {
  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 4));
  IGraphBuilder* host = AttachAudibleGraph(0, -700);
  Click(btnPlay);
  ASSERT_TRUE(Playing());
  EXPECT_EQ(VolumeOf(host), -10000);

  Click(btnPlay);  // pause
  EXPECT_EQ(TextOf(Item(btnPlay)), "P&lay");
  EXPECT_EQ(Glyph(btnPlay), imgPlay);
  ComPtr<IMediaControl> control;
  ASSERT_EQ(QueryInto(PlayerGraph().Get(), IID_IMediaControl, control), S_OK);
  OAFilterState state = State_Stopped;
  control->GetState(1000, &state);
  EXPECT_EQ(state, State_Paused);
  EXPECT_TRUE(IsWindowEnabled(Item(btnStop)));
  EXPECT_EQ(VolumeOf(host), -10000);
  Click(btnPlay);  // resume
  EXPECT_EQ(TextOf(Item(btnPlay)), "P&ause");
  control->GetState(1000, &state);
  EXPECT_EQ(state, State_Running);

  Click(btnStop);
  ExpectStopped();
  EXPECT_EQ(VolumeOf(host), -700);
}

TEST_F(PlayPageTest, AGraphHandedOverWhilePlayingIsMutedAndGetsTheSavedVolumeAtTheStop) {
  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 4));
  AttachAudibleGraph(0, -700);
  Click(btnPlay);
  IGraphBuilder* next = AttachAudibleGraph(1, -300);
  devhost::HostWindow::PumpFor(100);  // the window mutes it on its own message
  EXPECT_EQ(VolumeOf(next), -10000);
  Click(btnStop);
  EXPECT_EQ(VolumeOf(next), -700);

  // A hand-over whose message comes after the stop leaves the host as the stop left it.
  Click(btnPlay);
  IGraphBuilder* last = AttachAudibleGraph(0, -400);
  Click(btnStop);
  devhost::HostWindow::PumpFor(100);
  EXPECT_EQ(VolumeOf(last), -700);
}

TEST_F(PlayPageTest, PlayingWithoutAHostGraphGivesAGraphHandedOverItsOwnVolumeBack) {
  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 4));
  window->DetachGraph();
  Click(btnPlay);
  ASSERT_TRUE(Playing());
  IGraphBuilder* host = AttachAudibleGraph(0, -900);
  devhost::HostWindow::PumpFor(100);
  EXPECT_EQ(VolumeOf(host), -10000);
  Click(btnStop);
  EXPECT_EQ(VolumeOf(host), -900);
}

TEST_F(PlayPageTest, TheSeekBarByMouseSeeksToThePressedPointAndIsNotMovedByTheTimerWhileDragged) {
  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 40));
  Click(btnPlay);
  EXPECT_GT(NextPositionSeconds(), 0);  // the update timer runs while playing, also when nothing records
  EXPECT_GT(Bar(), 0);
  Click(btnPlay);  // paused: a seek leaves the player where it went
  ASSERT_EQ(TextOf(Item(btnPlay)), "P&lay");

  Mouse(WM_LBUTTONDOWN, MouseX(0.5));
  EXPECT_NEAR(Bar(), 5000, 40);
  EXPECT_EQ(Position(), "P&osition:  00:00:20");
  Mouse(WM_LBUTTONUP, MouseX(0.5));
  Tick();
  EXPECT_NEAR(Bar(), 5000, 40);
  EXPECT_EQ(Position(), "P&osition:  00:00:20");

  Mouse(WM_LBUTTONDOWN, MouseX(0.25));
  Mouse(WM_MOUSEMOVE, MouseX(0.75));
  EXPECT_NEAR(Bar(), 7500, 40);
  EXPECT_EQ(Position(), "P&osition:  00:00:30");
  Tick();  // the player is at 20 s: the timer leaves bar and label alone while dragged
  EXPECT_NEAR(Bar(), 7500, 40);
  EXPECT_EQ(Position(), "P&osition:  00:00:30");
  Mouse(WM_LBUTTONUP, MouseX(0.75));
  Tick();
  EXPECT_NEAR(Bar(), 7500, 40);
  EXPECT_EQ(Position(), "P&osition:  00:00:30");

  Mouse(WM_RBUTTONDOWN, MouseX(0.25));  // the right button as well
  Mouse(WM_RBUTTONUP, MouseX(0.25));
  Tick();
  EXPECT_NEAR(Bar(), 2500, 40);
  EXPECT_EQ(Position(), "P&osition:  00:00:10");

  Click(btnPlay);  // resumes where the seek went
  const int resumed = NextPositionSeconds();
  EXPECT_GT(resumed, 10);
  EXPECT_LE(resumed, 25);
  Click(btnStop);
  EXPECT_EQ(Position(), "P&osition:  00:00:00");
  EXPECT_EQ(Bar(), 0);
  EXPECT_TRUE(answerer.Answered().empty());
}

TEST_F(PlayPageTest, EveryKeyOfTheSeekBarAndEverySkipButtonSeeks) {
  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 100));
  Click(btnPlay);
  Click(btnPlay);  // paused: every seek leaves the player exactly where it went
  struct Step {
    WPARAM key;
    int bar;
    const char* position;
  };
  // After each seek the update routine shows where the player is: End goes 2 s before the end.
  const Step steps[] = {{VK_HOME, 0, "00:00:00"},  {VK_RIGHT, 1000, "00:00:10"}, {VK_DOWN, 2000, "00:00:20"},
                        {VK_NEXT, 8000, "00:01:20"}, {VK_END, 9800, "00:01:38"},  {VK_LEFT, 8800, "00:01:28"},
                        {VK_UP, 7800, "00:01:18"},   {VK_PRIOR, 1800, "00:00:18"}};
  for (const Step& step : steps) {
    Key(step.key);
    EXPECT_EQ(Bar(), step.bar) << step.key;
    EXPECT_EQ(Position(), std::string("P&osition:  ") + step.position) << step.key;
  }
  const Step skips[] = {{btnFastFW, 7800, "00:01:18"}, {btnFW, 8800, "00:01:28"},
                        {btnRW, 7800, "00:01:18"},     {btnFastRW, 1800, "00:00:18"}};
  for (const Step& skip : skips) {
    Click(static_cast<int>(skip.key));
    EXPECT_EQ(Bar(), skip.bar) << skip.key;
    EXPECT_EQ(Position(), std::string("P&osition:  ") + skip.position) << skip.key;
  }
  Click(btnPlay);  // resumes at 18 s
  const int resumed = NextPositionSeconds();
  EXPECT_GT(resumed, 18);
  EXPECT_LE(resumed, 33);
  Click(btnStop);
  EXPECT_TRUE(answerer.Answered().empty());
}

// A recording without data has a length of 0: skips do not move the bar, Home and End do, and
// every seek fails with the player's text and ends playback. The empty file may also end at
// once, so each step plays anew.
TEST_F(PlayPageTest, WithALengthOfZeroOnlyHomeAndEndMoveTheBarAndSeeksFail) {
  ASSERT_NO_FATAL_FAILURE(AttachSilentGraph("8000:1:16", 1));
  Click(btnRecord);  // the graph does not run: nothing is recorded
  Click(btnRecord);
  ASSERT_EQ(Command(6), 0);
  // Each skip moves away from where the bar is, so a bar that stays did not merely hit its end.
  // (Every message box costs the bench about 2 s, as Wine waits for a window manager to take
  // the box off the screen: the other keys are left to the rules' test.)
  const std::function<void()> steps[] = {
      [this] { Key(VK_END); },  [this] { Key(VK_LEFT); }, [this] { Click(btnFastRW); },
      [this] { Key(VK_HOME); }, [this] { Click(btnFW); },
      [this] { Mouse(WM_LBUTTONDOWN, MouseX(0.75)); Mouse(WM_LBUTTONUP, MouseX(0.75)); }};
  const int bars[] = {10000, 10000, 10000, 0, 0, 7500};
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    Click(btnPlay);
    ASSERT_TRUE(Playing()) << i;
    steps[i]();
    EXPECT_NEAR(Bar(), bars[i], i == 5 ? 40 : 0) << i;
    ASSERT_EQ(answerer.Answered().size(), i + 1);
    EXPECT_EQ(answerer.Answered().back(), "Error when seeking the file position") << i;
    EXPECT_EQ(Position(), "P&osition:  00:00:00") << i;
    ExpectStopped();
    EXPECT_NEAR(Bar(), bars[i], i == 5 ? 40 : 0) << i;  // with no length the bar stays
  }
}

TEST_F(PlayPageTest, TheWheelTurnsTheVolumeOverEveryPageOnceThePlayPageWasShown) {
  HWND list = Item(cbRecordAs);  // on the General page, shown
  const LRESULT format = SendMessageA(list, CB_GETCURSEL, 0, 0);
  SendMessageA(list, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
  EXPECT_EQ(Bar(tbVolume), 4000);  // no Play page yet
  EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), format);

  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 4));
  EXPECT_FALSE(IsWindowVisible(Item(tbVolume)));
  SendMessageA(list, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(Bar(tbVolume), 4120);
  EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), format);  // the list does not turn
  Click(btnPlay);
  SendMessageA(Item(edOutput), WM_MOUSEWHEEL, MAKEWPARAM(0, 880), 0);
  EXPECT_EQ(Bar(tbVolume), 5000);
  EXPECT_EQ(VolumeOf(PlayerGraph().Get()), -1505);
  SendMessageA(Item(tbSeek), WM_MOUSEWHEEL, MAKEWPARAM(0, 12000), 0);
  EXPECT_EQ(Bar(tbVolume), 10000);
  EXPECT_EQ(VolumeOf(PlayerGraph().Get()), 0);
  SendMessageA(window->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -9900), 0);
  EXPECT_EQ(Bar(tbVolume), 100);
  EXPECT_EQ(VolumeOf(PlayerGraph().Get()), -10000);
  Click(btnStop);
}

TEST_F(PlayPageTest, AFailedStartShowsThePlayersTextAndLeavesEverythingAsItWas) {
  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 1));
  IGraphBuilder* host = AttachAudibleGraph(0, -700);
  ASSERT_TRUE(DeleteFileA(folder.File("take.wav").c_str()));
  Click(btnPlay);
  ASSERT_EQ(answerer.Answered().size(), 1u);
  EXPECT_EQ(answerer.Answered()[0], "Cannot open file " + folder.File("take.wav"));
  EXPECT_EQ(TextOf(Item(btnPlay)), "P&lay  ");
  EXPECT_FALSE(Playing());
  EXPECT_EQ(VolumeOf(host), -700);

  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 1));  // take 01.wav
  pushSource.reset();  // a host without its push source
  Click(btnPlay);
  ASSERT_EQ(answerer.Answered().size(), 2u);
  EXPECT_EQ(answerer.Answered()[1], "Cannot build the filtergraph");
  EXPECT_FALSE(Playing());
}

// The player's graph stops for the seek and then does not run: playback ends with the text.
TEST_F(PlayPageTest, ASeekAfterWhichThePlayersGraphDoesNotRunEndsPlaybackAndSaysSo) {
  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 4));
  IGraphBuilder* host = AttachAudibleGraph(0, -700);  // with the real renderer, made before its double
  playertest::FilterDouble<playertest::RendererThatStartsOnce> renderer(CLSID_DSoundRender);
  ASSERT_EQ(renderer.Result(), S_OK);
  Click(btnPlay);
  ASSERT_TRUE(Playing());
  Key(VK_HOME);
  ASSERT_EQ(answerer.Answered().size(), 1u);
  EXPECT_EQ(answerer.Answered()[0], "Cannot run the filtergraph");
  ExpectStopped();
  EXPECT_EQ(Position(), "P&osition:  00:00:00");
  EXPECT_EQ(VolumeOf(host), -700);
}

// The source refuses a chunk: the player's abort ends playback with the player's text.
TEST_F(PlayPageTest, AChunkThePlayersSourceRefusesEndsPlaybackAndSaysSo) {
  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 4));
  pushSource.reset();
  playertest::FilterDouble<playertest::SourceThatRefusesAChunk> source(CLSID_HostPushSource);
  ASSERT_EQ(source.Result(), S_OK);
  Click(btnPlay);
  ASSERT_TRUE(Playing());
  ASSERT_TRUE(PumpUntil([this] { return !Playing(); }, kPlayTimeout)) << "playback did not end";
  ASSERT_EQ(answerer.Answered().size(), 1u);
  EXPECT_EQ(answerer.Answered()[0], "Cannot deliver the sound to the filtergraph");
  ExpectStopped();
}

// A FLAC recording still going, STREAMINFO counting no samples yet: played to its last written
// frame, and sought by the recorder's seconds.
TEST_F(PlayPageTest, AFlacRecordingStillGoingPlaysItsWrittenFramesAndSeeksByTheRecordersSeconds) {
  SendMessageA(Item(cbRecordAs), CB_SETCURSEL, 3, 0);  // FLAC
  SendMessageA(window->Handle(), WM_COMMAND, MAKEWPARAM(cbRecordAs, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(Item(cbRecordAs)));
  ASSERT_NO_FATAL_FAILURE(Record("48000:2:16", 5));
  ASSERT_TRUE(std::filesystem::exists(folder.File("take.flac")));
  Click(btnPlay);
  ASSERT_TRUE(PumpUntil([this] { return !Playing(); }, kPlayTimeout)) << "playback did not end";
  const long long written = pushSource->LastSource()->BytesHandedOver();
  constexpr long long kBlockBytes = 4096 * 4;  // the encoder's block of 16-bit stereo
  EXPECT_EQ(written % kBlockBytes, 0);
  EXPECT_GT(written, 5 * 192000 - 2 * kBlockBytes);

  Click(btnPlay);
  Click(btnPlay);  // paused: the seek leaves the player where it went
  Key(VK_END);     // 2 s before the recorder's end
  EXPECT_EQ(Position(), "P&osition:  00:00:03");
  const long long before = pushSource->LastSource()->BytesHandedOver();
  Click(btnPlay);
  ASSERT_TRUE(PumpUntil([this] { return !Playing(); }, kPlayTimeout)) << "playback did not end";
  EXPECT_EQ(pushSource->LastSource()->BytesHandedOver() - before, written - 3 * 192000) << "from exactly 3 s on";
  EXPECT_TRUE(answerer.Answered().empty());
  EXPECT_EQ(Command(5), 1);  // the recording goes on
}

// A recording whose file holds no Ogg Vorbis stream any more: the start fails, naming the file.
TEST_F(PlayPageTest, AFileThePlayerCannotDecodeIsNamed) {
  SendMessageA(Item(cbRecordAs), CB_SETCURSEL, 2, 0);  // Ogg Vorbis
  SendMessageA(window->Handle(), WM_COMMAND, MAKEWPARAM(cbRecordAs, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(Item(cbRecordAs)));
  ASSERT_NO_FATAL_FAILURE(Recorded("48000:2:16", 1));
  const std::string file = folder.File("take.ogg");
  std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(8192, '\x5A');
  Click(btnPlay);
  ASSERT_EQ(answerer.Answered().size(), 1u);
  EXPECT_EQ(answerer.Answered()[0], "Cannot decode the Ogg Vorbis file " + file);
  EXPECT_FALSE(Playing());
  EXPECT_EQ(TextOf(Item(btnPlay)), "P&lay  ");
}

TEST_F(PlayPageTest, PlaybackStopsForARecordingsStartItsNewFileAndTheScheduleEnd) {
  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 4));
  Click(btnPlay);
  ASSERT_TRUE(Playing());
  Click(btnRecord);  // a recording starts: playback stops first
  EXPECT_FALSE(Playing());
  ExpectStopped();
  ASSERT_EQ(Command(5), 1);

  Click(btnPlay);  // plays the file being written
  ASSERT_TRUE(Playing());
  PostMessageA(window->Handle(), WM_RECORDER_NOTIFY, 3, 0);  // as after a format change
  devhost::HostWindow::PumpFor(50);
  EXPECT_FALSE(Playing());
  EXPECT_EQ(TextOf(window->Handle()), "Rec: take 01.wav");
  Click(btnRecord);

  // A timer recording due to end at once, with an after-action for the host.
  devhost::HostWindow hostWindow;
  ASSERT_TRUE(hostWindow.Create(false));
  window->SetHostWindow(hostWindow.Handle());
  SYSTEMTIME now;
  GetLocalTime(&now);
  double date = 0;
  SystemTimeToVariantTime(&now, &date);
  const double minute = (now.wHour * 60 + now.wMinute) / 1440.0;
  TimerRecordInfo entry{"Due", "One", minute, minute, static_cast<double>(static_cast<long>(date)), 2, 0, 0, 2};
  ASSERT_EQ(window->EventMsg(1, &entry), 1);
  devhost::HostWindow::PumpFor(50);
  ASSERT_EQ(Command(5), 1);
  Click(btnPlay);
  ASSERT_TRUE(Playing());
  SendMessageA(window->Handle(), WM_TIMER, tmrSchedule, 0);
  EXPECT_EQ(Command(5), 0);
  EXPECT_FALSE(Playing());
  devhost::HostWindow::PumpFor(50);
  EXPECT_EQ(hostWindow.AfterActions(), std::vector<LPARAM>{2});
  window.reset();
  hostWindow.Destroy();
}

TEST_F(PlayPageTest, TheWindowsEndStopsPlaybackAndGivesTheHostItsVolumeBack) {
  ASSERT_NO_FATAL_FAILURE(Recorded("8000:1:16", 4));
  IGraphBuilder* host = AttachAudibleGraph(0, -700);
  Click(btnPlay);
  ASSERT_EQ(VolumeOf(host), -10000);
  window.reset();
  EXPECT_EQ(VolumeOf(host), -700);
}

}  // namespace
}  // namespace sonotape
