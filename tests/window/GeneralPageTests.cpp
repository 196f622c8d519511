// The General page's level meters, pre-record list and silence warning in the tool window, fed
// by our decoder through Wine's filter graph: the meters' texts as screen readers read them, the
// clip mark and its click, the channels of a new format, the meters at rest while the window is
// hidden, the seconds the memory cap leaves, and the silence warning in the warning colour.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "host/HostMessages.h"
#include "recorder/RecorderFixture.h"
#include "ui/WindowIds.h"
#include "window/SonotapeWindow.h"
#include "support/WindowText.h"

namespace sonotape {
namespace {

using testsupport::TextOf;

class GeneralPage : public recordertest::RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    auto* sink = static_cast<testsupport::OnePinFilter<testsupport::SinkPin>*>(static_cast<IBaseFilter*>(refs[1].Get()));
    ASSERT_EQ(graph->ConnectDirect(&source->pin, &sink->pin, nullptr), S_OK);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    window = std::make_unique<TfrmSonotape>(GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window->Create(nullptr));
    SetWindowTextA(Item(edOutput), folder.Path().c_str());
    ASSERT_TRUE(window->AttachGraph(reinterpret_cast<IFilterGraph*>(graph.Get())));  // the tap stays connected
  }
  void TearDown() override {
    window.reset();
    RecorderTest::TearDown();
  }
  HWND Item(int id) const { return GetDlgItem(window->Handle(), id); }
  HWND Meter(unsigned channel) const { return GetDlgItem(Item(pnlMeters), mtrChannel + static_cast<int>(channel)); }
  unsigned MetersShown() const {
    unsigned shown = 0;
    while (shown < 6 && (GetWindowLongPtrA(Meter(shown), GWL_STYLE) & WS_VISIBLE) != 0) ++shown;
    return shown;
  }
  void MeterTick() { SendMessageA(window->Handle(), WM_TIMER, tmrMeters, 0); }
  void UpdateTick() { SendMessageA(window->Handle(), WM_TIMER, tmrUpdate, 0); }
  void Choose(int id, int index) {
    SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(window->Handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
  }
  // The colour the window gives the status line's text.
  COLORREF StatusColour() {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageA(window->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(Item(lblRecordStatus)));
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    return colour;
  }
  static void Pump(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    MSG message;
    while (std::chrono::steady_clock::now() < until) {
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      Sleep(10);
    }
  }

  std::unique_ptr<TfrmSonotape> window;
};

TEST_F(GeneralPage, AMeterForEachChannelReadsItsLevelAndHoldsAClipMarkUntilClicked) {
  MeterTick();
  ASSERT_EQ(MetersShown(), 2u) << "stereo is connected";
  EXPECT_EQ(TextOf(Meter(0)), "L no sound");
  SendTones({1.0, 0.5}, 300);
  MeterTick();
  EXPECT_EQ(TextOf(Meter(0)), "L 0.0 dB clipped");
  EXPECT_EQ(TextOf(Meter(1)), "R -6.0 dB");
  SendMessageA(Meter(0), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(TextOf(Meter(0)), "L 0.0 dB") << "a click clears it";
  SendMessageA(Meter(1), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(TextOf(Meter(1)), "R -6.0 dB");

  const recordertest::DecoderType surround(source->pin, 2);
  SendTones({0.5, 0.25, 0.1, 0.05, 1.0 / 64, 0.0}, 300, &surround.type);
  MeterTick();
  ASSERT_EQ(MetersShown(), 6u);
  const char* expected[] = {"L -6.0 dB", "R -12.0 dB", "C -20.0 dB", "LFE -26.0 dB", "SL -36.1 dB", "SR no sound"};
  for (unsigned channel = 0; channel < 6; ++channel) {
    EXPECT_EQ(TextOf(Meter(channel)), expected[channel]);
    RECT place{};
    GetWindowRect(Meter(channel), &place);
    EXPECT_GT(place.bottom - place.top, 0) << "laid out in the panel";
  }

  window->DetachGraph();
  MeterTick();
  EXPECT_EQ(MetersShown(), 0u) << "no graph, no meters";
}

TEST_F(GeneralPage, TheMetersRunWhileTheWindowShowsAndRestWhileItIsHidden) {
  ShowWindow(window->Handle(), SW_SHOW);
  SendTones({0.5, 0.5}, 300);
  Pump(400);
  EXPECT_EQ(TextOf(Meter(0)), "L -6.0 dB") << "the meters' timer ran";
  ShowWindow(window->Handle(), SW_HIDE);
  Pump(100);
  SendTones({0.1, 0.1}, 400);
  Pump(500);
  EXPECT_EQ(TextOf(Meter(0)), "L -6.0 dB") << "nothing is read or drawn while hidden";
}

TEST_F(GeneralPage, PreRecordShowsTheSecondsTheMemoryCapLeaves) {
  EXPECT_EQ(SendMessageA(Item(cbPreRecord), CB_GETCURSEL, 0, 0), 0) << "Off";
  Choose(cbPreRecord, 4);  // "60 s"
  MeterTick();
  EXPECT_EQ(TextOf(Item(lblPreRecordSeconds)), "") << "60 s of stereo fit";
  const recordertest::DecoderType surround(source->pin, 2);
  SendTones({0.5, 0.5, 0.5, 0.5, 0.5, 0.5}, 100, &surround.type);
  MeterTick();
  EXPECT_EQ(TextOf(Item(lblPreRecordSeconds)), "58 s") << "16-bit 5.1 in 32 MiB";
  Choose(cbPreRecord, 1);  // "5 s"
  MeterTick();
  EXPECT_EQ(TextOf(Item(lblPreRecordSeconds)), "");
}

// Half a minute of silence, then as long of a quiet source below -60 dBFS: both are no sound.
TEST_F(GeneralPage, ARecordingSilentFor30SecondsIsShownInTheWarningColourUntilSoundReturns) {
  SendMessageA(Item(btnRecord), BM_CLICK, 0, 0);
  ASSERT_EQ(SendMessageA(window->Handle(), HostCommandMessage, kCommandState, 0), 1);
  const COLORREF usual = StatusColour();
  const auto started = std::chrono::steady_clock::now();
  const auto send = [&](double amplitude, int seconds) {
    while (std::chrono::steady_clock::now() - started < std::chrono::seconds(seconds)) {
      SendTones({amplitude, amplitude}, 100);
      Sleep(100);
    }
  };
  send(0.0, 16);
  UpdateTick();
  EXPECT_EQ(TextOf(Item(lblRecordStatus)).rfind("Free: ", 0), 0u) << TextOf(Item(lblRecordStatus));
  send(0.0009, 31);  // -61 dBFS
  UpdateTick();
  const std::string warning = TextOf(Item(lblRecordStatus));
  EXPECT_TRUE(warning == "No sound for 31 s" || warning == "No sound for 32 s") << warning;
  EXPECT_EQ(StatusColour(), RGB(192, 0, 0));
  SendTones({0.0011, 0.0}, 200);  // -59 dBFS on one channel
  UpdateTick();
  EXPECT_EQ(TextOf(Item(lblRecordStatus)).rfind("Free: ", 0), 0u) << TextOf(Item(lblRecordStatus));
  EXPECT_EQ(StatusColour(), usual);
  EXPECT_EQ(SendMessageA(window->Handle(), HostCommandMessage, kCommandState, 0), 1) << "it goes on recording";
}

}  // namespace
}  // namespace sonotape
