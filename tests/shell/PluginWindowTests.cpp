// The real Sonotape.dll driven as a host drives it: its exports, its window found by class
// name, its buttons clicked and its command messages sent, recording from a host-like graph.

#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "HostGraph.h"
#include "HostWindow.h"
#include "MessageAnswerer.h"
#include "PluginLibrary.h"
#include "baseclasses/TestPins.h"
#include "graph/ComPtr.h"
#include "host/HostMessages.h"
#include "host/TimerRecord.h"
#include "recorder/SampleInterface.h"
#include "recorder/TapSplice.h"
#include "support/ComCreate.h"
#include "support/PcmFormats.h"
#include "support/TempFolder.h"
#include "ui/WindowIds.h"
#include "support/WindowText.h"

using sonotape::ComPtr;
using sonotape::QueryInto;

namespace {

using testsupport::TextOf;

double NowAsDate() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  double date = 0;
  SystemTimeToVariantTime(&now, &date);
  return date;
}

// A timer entry of the recording kind whose start and end are this minute: it is due to end at
// the plug-in's first check.
sonotape::TimerRecordInfo EndingEntry(std::uint8_t afterAction) {
  const double now = NowAsDate();
  const double day = static_cast<double>(static_cast<long>(now));
  const double minute = static_cast<double>(static_cast<long>((now - day) * 1440)) / 1440;
  return {"Due", "One", minute, minute, day, afterAction, 0, 0, 2};
}

class PluginWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    std::string error;
    ASSERT_TRUE(plugin.Load(devhost::PathBesideExecutable("Sonotape.dll"), error)) << error;
    ASSERT_TRUE(host.Create(false));
    Exports().SetMenuHandle(host.MenuBar());
    Exports().SetAppHandle(host.Handle(), 0);
    window = devhost::FindPluginWindow();
    ASSERT_NE(window, nullptr);

    source = new testsupport::OnePinFilter<testsupport::SourcePin>();
    source->pin.formats = {testsupport::PcmWave(2, 48000)};
    source->pin.bufferSize = 19200;
    refs[0] = source;
    refs[1] = new testsupport::OnePinFilter<testsupport::SinkPin>();
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IGraphBuilder, graph), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[0].Get(), L"decoder"), S_OK);
    ASSERT_EQ(graph->AddFilter(refs[1].Get(), L"renderer"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(&source->pin, testsupport::FirstPin(refs[1].Get(), PINDIR_INPUT).Get(), nullptr),
              S_OK);
    ASSERT_EQ(QueryInto(graph.Get(), IID_IMediaControl, control), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
  }
  void TearDown() override {
    if (plugin.IsLoaded()) {
      Exports().StopGraph();
      Exports().EventMsg(0, nullptr);
    }
    if (control) control->Stop();
    control.Reset();
    graph.Reset();
    for (auto& ref : refs) ref.Reset();
    host.Destroy();
    plugin.Unload();
    CoUninitialize();
  }
  const devhost::PluginExports& Exports() const { return plugin.Exports(); }
  HWND Item(int id) const { return GetDlgItem(window, id); }
  LRESULT Command(WPARAM command) { return SendMessageA(window, sonotape::HostCommandMessage, command, 0); }
  void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
  void AttachAndName(const char* name) {
    Exports().GetGraph(reinterpret_cast<IFilterGraph*>(graph.Get()), 0, 0);
    SetWindowTextA(Item(sonotape::edOutput), folder.Path().c_str());
    SetWindowTextA(Item(sonotape::edFilename), name);
  }
  std::vector<char> Recorded(const std::string& name) {
    std::ifstream in(folder.File(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  devhost::PluginLibrary plugin;
  devhost::HostWindow host;
  HWND window = nullptr;
  testsupport::TempFolder folder;
  testsupport::OnePinFilter<testsupport::SourcePin>* source = nullptr;
  ComPtr<IBaseFilter> refs[2];
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
};

TEST_F(PluginWindow, ButtonsAndCommandsRecordWithCaptionsStatesAndTheMenuCheck) {
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(TextOf(window), "Sonotape 4.0");
  EXPECT_EQ(Command(0), static_cast<LRESULT>(sonotape::HostCommandMessage));
  EXPECT_EQ(Command(8), 1024);
  EXPECT_EQ(Command(5), 0);
  Command(3);  // pause while idle: nothing
  EXPECT_EQ(Command(5), 0);
  EXPECT_FALSE(IsWindowEnabled(Item(sonotape::btnPause)));
  Exports().MenuItemClick(1);
  EXPECT_FALSE(IsWindowVisible(window));
  Exports().MenuItemClick(sonotape::kMenuItemId);
  EXPECT_TRUE(IsWindowVisible(window));

  AttachAndName("take");
  Click(sonotape::cbAutoCreate);  // off: no date in the name
  Click(sonotape::btnRecord);
  ASSERT_EQ(Command(5), 1);
  EXPECT_EQ(TextOf(window), "Rec: take.wav");
  EXPECT_EQ(TextOf(Item(sonotape::btnRecord)), "&Stop");
  EXPECT_TRUE(IsWindowEnabled(Item(sonotape::btnPause)));
  EXPECT_FALSE(IsWindowEnabled(Item(sonotape::edFilename)));
  HMENU menu = GetSubMenu(host.MenuBar(), GetMenuItemCount(host.MenuBar()) - 1);
  EXPECT_NE(GetMenuState(menu, sonotape::kMenuItemId, MF_BYCOMMAND) & MF_CHECKED, 0u);

  ASSERT_EQ(source->pin.DeliverBuffer(19200, 9, 0, 1000000), S_OK);  // 0.1 s
  Command(3);
  EXPECT_EQ(Command(5), 2);
  EXPECT_EQ(TextOf(window), "Sonotape 4.0 (Rec Pause)");
  EXPECT_EQ(TextOf(Item(sonotape::btnPause)), "&Continue");
  ASSERT_EQ(source->pin.DeliverBuffer(19200, 1, 0, 1000000), S_OK);  // dropped
  Command(4);
  ASSERT_EQ(source->pin.DeliverBuffer(19200, 9, 0, 1000000), S_OK);
  EXPECT_EQ(Command(6), 0);  // 0.2 s rounds to 0
  EXPECT_EQ(Command(7), 0);  // WAV

  Click(sonotape::btnRecord);
  EXPECT_EQ(Command(5), 0);
  EXPECT_EQ(TextOf(window), "Sonotape 4.0");
  EXPECT_EQ(GetMenuState(menu, sonotape::kMenuItemId, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_EQ(TextOf(Item(sonotape::lblFileSize)), "Written: 0.0 MB");
  const std::vector<char> file = Recorded("take.wav");
  ASSERT_EQ(file.size(), 46u + 2 * 19200u);
  EXPECT_EQ(file[46], 9);
  EXPECT_EQ(file.back(), 9);

  EXPECT_EQ(Exports().Execute(0, 0), FALSE);  // idle: nothing to keep, the graph released
  EXPECT_EQ(Exports().EventMsg(1002, nullptr), 0);  // the host closes
  Exports().GetGraph(reinterpret_cast<IFilterGraph*>(graph.Get()), 0, 0);
  SetWindowTextA(Item(sonotape::edFilename), "take");
  Command(1);  // a remote start names the next file
  EXPECT_EQ(TextOf(window), "Rec: take 01.wav");
  EXPECT_EQ(Exports().Execute(0, 0), FALSE);  // after 1002 it stops without asking
  EXPECT_EQ(Command(5), 0);
}

// The user's decimal separator, as the regional settings set it, for the life of the object.
class UserDecimalSeparator {
 public:
  explicit UserDecimalSeparator(const char* separator) {
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved_, sizeof saved_);
    set_ = SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator) != FALSE;
  }
  ~UserDecimalSeparator() {
    if (set_) SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved_);
  }
  UserDecimalSeparator(const UserDecimalSeparator&) = delete;
  UserDecimalSeparator& operator=(const UserDecimalSeparator&) = delete;
  bool IsSet() const { return set_; }

 private:
  char saved_[8] = ".";
  bool set_ = false;
};

TEST_F(PluginWindow, TheWrittenSizeShowsTheUsersDecimalSeparator) {
  const UserDecimalSeparator comma(",");
  ASSERT_TRUE(comma.IsSet());
  AttachAndName("size");
  Click(sonotape::cbAutoCreate);
  Click(sonotape::btnRecord);
  ASSERT_EQ(Command(5), 1);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(source->pin.DeliverBuffer(19200, 1, 0, 1000000), S_OK);
  Click(sonotape::btnRecord);
  EXPECT_EQ(TextOf(Item(sonotape::lblFileSize)), "Written: 0,1 MB");  // 76846 bytes
}

TEST_F(PluginWindow, TimerRecordingsStartFromTheMessageLoopAndStopOnTheirEvents) {
  AttachAndName("typed");
  EXPECT_EQ(Exports().EventMsg(11, nullptr), 0);  // idle
  const double now = NowAsDate();
  const double day = static_cast<double>(static_cast<long>(now));
  sonotape::TimerRecordInfo entry{"Late News", "One", now - day, now - day + 0.01, day, 5, 0, 0, 1};
  EXPECT_EQ(Exports().EventMsg(1, &entry), 0);  // not a kind the plug-in records
  entry.RecordKind = 2;
  ASSERT_EQ(Exports().EventMsg(1, &entry), 1);
  EXPECT_EQ(Command(5), 0);  // the start waits for the message loop
  devhost::HostWindow::PumpMessages();
  ASSERT_EQ(Command(5), 1);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(TextOf(window).rfind("Rec: Late News ", 0), 0u);  // the title and the time
  EXPECT_EQ(Exports().EventMsg(1, &entry), 0);  // already recording
  EXPECT_EQ(Exports().EventMsg(11, nullptr), 1);

  sonotape::TimerRecordInfo other = entry;
  other.Channel = "Two";
  other.ChangeKind = 1;
  EXPECT_EQ(Exports().EventMsg(11, &other), 0);
  EXPECT_EQ(Command(5), 1);
  other.Channel = nullptr;  // a host's empty text
  EXPECT_EQ(Exports().EventMsg(11, &other), 0);
  sonotape::TimerRecordInfo removed = entry;
  removed.ChangeKind = 1;
  EXPECT_EQ(Exports().EventMsg(11, &removed), 1);
  EXPECT_EQ(Command(5), 0);

  EXPECT_EQ(Exports().EventMsg(1002, nullptr), 0);  // idle: nothing to keep
  EXPECT_EQ(Exports().EventMsg(0, nullptr), 0);
  EXPECT_EQ(devhost::FindPluginWindow(), nullptr);
  EXPECT_EQ(Exports().EventMsg(5, nullptr), 0);
}

TEST_F(PluginWindow, ATimerRecordingStopsAtItsEndAndHandsTheAfterActionToTheHostOnce) {
  AttachAndName("typed");
  sonotape::TimerRecordInfo entry = EndingEntry(2);
  ASSERT_EQ(Exports().EventMsg(1, &entry), 1);
  devhost::HostWindow::PumpMessages();
  ASSERT_EQ(Command(5), 1);
  ASSERT_EQ(source->pin.DeliverBuffer(19200, 5, 0, 1000000), S_OK);
  devhost::HostWindow::PumpFor(1500);
  EXPECT_EQ(Command(5), 0);
  EXPECT_EQ(host.AfterActions(), std::vector<LPARAM>{2});
  EXPECT_EQ(TextOf(window), "Sonotape 4.0");

  // A start that fails (no graph) still ends at the schedule's end, with one after-action.
  Exports().StopGraph();
  entry = EndingEntry(3);
  ASSERT_EQ(Exports().EventMsg(1, &entry), 1);
  devhost::HostWindow::PumpMessages();
  EXPECT_EQ(Command(5), 0);
  devhost::HostWindow::PumpFor(2500);
  EXPECT_EQ(host.AfterActions(), (std::vector<LPARAM>{2, 3}));
}

TEST_F(PluginWindow, TimerRecordsWithoutUsableTimesAreRefusedAndChangesNameOnlyTheRunningEntry) {
  AttachAndName("typed");
  const double now = NowAsDate();
  const double day = static_cast<double>(static_cast<long>(now));
  const double minute = static_cast<double>(static_cast<long>((now - day) * 1440)) / 1440;
  const double second = 1.0 / 86400;
  sonotape::TimerRecordInfo entry{"News", "One", minute, minute + 0.01, day, 7, 0, 0, 2};
  for (double sonotape::TimerRecordInfo::*field :
       {&sonotape::TimerRecordInfo::StartTime, &sonotape::TimerRecordInfo::EndTime, &sonotape::TimerRecordInfo::Date}) {
    for (const double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -0.5}) {
      sonotape::TimerRecordInfo absurd = entry;
      absurd.*field = bad;
      EXPECT_EQ(Exports().EventMsg(1, &absurd), 0) << bad;
    }
  }
  devhost::HostWindow::PumpMessages();
  EXPECT_EQ(Command(5), 0);

  ASSERT_EQ(Exports().EventMsg(1, &entry), 1);
  devhost::HostWindow::PumpMessages();
  ASSERT_EQ(Command(5), 1);
  sonotape::TimerRecordInfo change = entry;
  change.StartTime = minute + 30 * second;
  change.EndTime = minute + 0.02;
  change.ChangeKind = 2;
  change.RecordKind = 0;  // the kind is event 1's business
  EXPECT_EQ(Exports().EventMsg(11, &change), 1);
  change.EndTime = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(Exports().EventMsg(11, &change), 0);
  sonotape::TimerRecordInfo neighbour = entry;  // the next programme on the same channel
  neighbour.StartTime = minute + 60 * second;
  neighbour.ChangeKind = 1;
  EXPECT_EQ(Exports().EventMsg(11, &neighbour), 0);
  devhost::HostWindow::PumpFor(1500);  // two checks of the schedule: its end is still ahead
  EXPECT_EQ(Command(5), 1);
  EXPECT_TRUE(host.AfterActions().empty());

  sonotape::TimerRecordInfo removed = entry;
  removed.ChangeKind = 1;
  EXPECT_EQ(Exports().EventMsg(11, &removed), 1);
  EXPECT_EQ(Command(5), 0);
}

// The one file in the folder whose name starts with prefix, or empty.
std::string FileStartingWith(const testsupport::TempFolder& folder, const std::string& prefix) {
  WIN32_FIND_DATAA found{};
  const HANDLE search = FindFirstFileA(folder.File(prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return {};
  }
  const bool more = FindNextFileA(search, &found);
  FindClose(search);
  return more ? std::string() : found.cFileName;
}

TEST_F(PluginWindow, NamesTooLongForThePathStillRecordIntoFilesWhosePathsFit) {
  devhost::MessageAnswerer answerer;  // a failed start's box must not hold the test up
  AttachAndName("typed");
  const double now = NowAsDate();
  const double day = static_cast<double>(static_cast<long>(now));
  const std::string title = "Night " + std::string(294, 'x');
  sonotape::TimerRecordInfo entry{title.c_str(), "One", now - day, now - day + 0.01, day, 0, 0, 0, 2};
  ASSERT_EQ(Exports().EventMsg(1, &entry), 1);
  devhost::HostWindow::PumpMessages();
  ASSERT_EQ(Command(5), 1);
  ASSERT_EQ(source->pin.DeliverBuffer(19200, 3, 0, 1000000), S_OK);
  Click(sonotape::btnRecord);
  ASSERT_EQ(Command(5), 0);
  std::string name = FileStartingWith(folder, "Night");
  ASSERT_FALSE(name.empty()) << "nothing recorded";
  EXPECT_LE(folder.File(name).size(), static_cast<std::size_t>(MAX_PATH - 1));
  EXPECT_TRUE(std::regex_match(name, std::regex("Night x+ [^ ]+-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.wav"))) << name;
  EXPECT_EQ(name.rfind(TextOf(Item(sonotape::edFilename)) + ' ', 0), 0u);  // the box shows the title as cut
  EXPECT_EQ(Recorded(name).size(), 46u + 19200u);

  // The host's channel name goes into the name box when the graph comes; without the time.
  host.SetChannelName("Channel " + std::string(292, 'c'));
  Exports().GetGraph(reinterpret_cast<IFilterGraph*>(graph.Get()), 0, 0);
  Click(sonotape::cbAutoCreate);
  Click(sonotape::btnRecord);
  ASSERT_EQ(Command(5), 1);
  ASSERT_EQ(source->pin.DeliverBuffer(19200, 4, 0, 1000000), S_OK);
  Click(sonotape::btnRecord);
  name = FileStartingWith(folder, "Channel");
  ASSERT_FALSE(name.empty()) << "nothing recorded";
  EXPECT_EQ(folder.File(name).size(), static_cast<std::size_t>(MAX_PATH - 1));
  EXPECT_TRUE(std::regex_match(name, std::regex("Channel c+\\.wav"))) << name;
  EXPECT_EQ(Recorded(name).size(), 46u + 19200u);
}

TEST_F(PluginWindow, StopGraphEndsTheRecordingWithACompleteFile) {
  AttachAndName("cut");
  Click(sonotape::cbAutoCreate);
  Click(sonotape::btnRecord);
  ASSERT_EQ(Command(5), 1);
  ASSERT_EQ(source->pin.DeliverBuffer(19200, 7, 0, 1000000), S_OK);
  Exports().StopGraph();
  EXPECT_EQ(Command(5), 0);
  EXPECT_FALSE(IsWindowEnabled(Item(sonotape::btnRecord)));
  EXPECT_EQ(source->pin.DeliverBuffer(19200, 8, 0, 1000000), S_OK);  // the tap stays and passes on
  const std::vector<char> file = Recorded("cut.wav");
  ASSERT_EQ(file.size(), 46u + 19200u);
  std::uint32_t riffSize = 0, dataSize = 0;
  std::memcpy(&riffSize, &file[4], 4);
  std::memcpy(&dataSize, &file[42], 4);
  EXPECT_EQ(riffSize, file.size() - 8);
  EXPECT_EQ(dataSize, 19200u);
  EXPECT_EQ(file.back(), 7);

  // The same graph handed back: the tap left in it records as well as a new one.
  const devhost::MessageAnswerer answerer;
  Exports().GetGraph(reinterpret_cast<IFilterGraph*>(graph.Get()), 0, 0);
  EXPECT_TRUE(IsWindowEnabled(Item(sonotape::btnRecord)));
  SetWindowTextA(Item(sonotape::edFilename), "again");
  Click(sonotape::btnRecord);
  ASSERT_EQ(Command(5), 1);
  ASSERT_EQ(source->pin.DeliverBuffer(19200, 3, 0, 1000000), S_OK);
  ASSERT_EQ(source->pin.DeliverBuffer(19200, 4, 1000000, 2000000), S_OK);
  Click(sonotape::btnRecord);
  std::vector<char> expected(46 + 2 * 19200, 3);
  std::fill(expected.begin() + 46 + 19200, expected.end(), 4);
  const std::vector<char> again = Recorded("again.wav");
  ASSERT_EQ(again.size(), expected.size());
  EXPECT_TRUE(std::equal(again.begin() + 46, again.end(), expected.begin() + 46));
}

// A file that the recorder has finished: its header covers all of it, and it grows no more.
void ExpectFinished(const std::string& path, int channels) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GT(file.size(), 46u) << path;
  std::uint32_t riffSize = 0, dataSize = 0;
  std::uint16_t fileChannels = 0;
  std::memcpy(&riffSize, &file[4], 4);
  std::memcpy(&fileChannels, &file[22], 2);
  std::memcpy(&dataSize, &file[42], 4);
  EXPECT_EQ(riffSize, file.size() - 8) << path;
  EXPECT_EQ(dataSize, file.size() - 46) << path;
  EXPECT_EQ(fileChannels, channels) << path;
  devhost::HostWindow::PumpFor(300);
  std::ifstream later(path, std::ios::binary | std::ios::ate);
  EXPECT_EQ(static_cast<std::size_t>(later.tellg()), file.size()) << path << " still grows";
}

// Two host graphs streaming on threads of their own, as the host builds one for each channel.
TEST_F(PluginWindow, AGraphHandedOverWhileRecordingEndsTheRecordingOnTheOldTapFirst) {
  devhost::SourcePlan plan;  // stereo, paced by the graph's clock, playing on
  devhost::HostGraph first, second;
  std::string error;
  ASSERT_TRUE(first.Build(plan, devhost::RendererKind::Null, false, error)) << error;
  plan.format.rate = 44100;
  plan.format.channels = 1;
  ASSERT_TRUE(second.Build(plan, devhost::RendererKind::Null, false, error)) << error;
  ASSERT_TRUE(SUCCEEDED(first.Control()->Run()));
  ASSERT_TRUE(SUCCEEDED(second.Control()->Run()));
  Exports().GetGraph(first.Graph(), 0, 0);
  SetWindowTextA(Item(sonotape::edOutput), folder.Path().c_str());
  SetWindowTextA(Item(sonotape::edFilename), "first");
  Click(sonotape::cbAutoCreate);
  Click(sonotape::btnRecord);
  ASSERT_EQ(Command(5), 1);
  devhost::HostWindow::PumpFor(300);

  Exports().GetGraph(second.Graph(), 0, 0);  // another graph
  EXPECT_EQ(Command(5), 0);
  ComPtr<sonotape::ISampleInterface> oldTap;
  ASSERT_TRUE(sonotape::FindTapInGraph(first.Graph(), sonotape::CLSID_SampleFilter, oldTap));
  sonotape::SampleCallback callback;
  oldTap->GetCallback(&callback);
  EXPECT_EQ(callback.code, nullptr);
  ExpectFinished(folder.File("first.wav"), 2);

  SetWindowTextA(Item(sonotape::edFilename), "second");
  Click(sonotape::btnRecord);
  ASSERT_EQ(Command(5), 1);
  devhost::HostWindow::PumpFor(300);
  Exports().GetGraph(second.Graph(), 0, 0);  // the same graph again
  EXPECT_EQ(Command(5), 0);
  ExpectFinished(folder.File("second.wav"), 1);

  // The recorder goes while both graphs stream on through their taps, which call it no more.
  Exports().EventMsg(0, nullptr);
  const double streamed[2] = {first.Source()->DownstreamSeconds(), second.Source()->DownstreamSeconds()};
  devhost::HostWindow::PumpFor(300);
  EXPECT_GT(first.Source()->DownstreamSeconds(), streamed[0]);
  EXPECT_GT(second.Source()->DownstreamSeconds(), streamed[1]);
}

}  // namespace
