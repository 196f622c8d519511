// The real Sonotape.dll's window driven from the keyboard by synthesized input, inside a host
// whose message loop never calls IsDialogMessage: Tab order, mnemonics, Enter and Space on
// buttons, arrows on track bars, lists, radio buttons and the tabs, Ctrl+Tab between pages,
// Escape; and the host's own window keeps every key of its own.

#include <windows.h>
#include <commctrl.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "HostGraph.h"
#include "HostWindow.h"
#include "PluginLibrary.h"
#include "codecs/Mp3Settings.h"
#include "host/HostMessages.h"
#include "recorder/OutputFileName.h"
#include "support/TempFolder.h"
#include "ui/WindowIds.h"
#include "window/WindowLayout.h"

namespace {

using namespace sonotape;

// Handles what the input brought, as the host's loop does: PeekMessage, TranslateMessage,
// DispatchMessage, and nothing else.
void Settle() {
  for (int round = 0; round < 3; ++round) {
    devhost::HostWindow::PumpMessages();
    Sleep(5);
  }
}

// Presses the keys in order and releases them in reverse, as one chord.
void Press(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    inputs.push_back(input);
  }
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *key;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());
  Settle();
}

std::string NameOf(HWND control) {
  if (control == nullptr) return "(none)";
  const int id = GetDlgCtrlID(control);
  if (id == idTabs) return "tabs";
  const ControlEntry* entry = FindControlEntry(id);
  return entry != nullptr ? entry->name : "window";
}

class WindowKeyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    std::string error;
    ASSERT_TRUE(plugin.Load(devhost::PathBesideExecutable("Sonotape.dll"), error)) << error;
    ASSERT_TRUE(host.Create(false));  // shown only where needed: a shown window takes Wine 2 s to go
    plugin.Exports().SetMenuHandle(host.MenuBar());
    plugin.Exports().SetAppHandle(host.Handle(), 0);
    window = devhost::FindPluginWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(graph.Build({}, devhost::RendererKind::Null, false, error)) << error;
    plugin.Exports().GetGraph(reinterpret_cast<IFilterGraph*>(graph.Graph()), 0, 0);
    SetWindowTextA(Item(edOutput), folder.Path().c_str());
    Choose(cbRecordAs, rfWav);
    plugin.Exports().MenuItemClick(kMenuItemId);  // shows the window in front
    Settle();
    ASSERT_TRUE(IsWindowVisible(window));
    ASSERT_EQ(GetForegroundWindow(), window);
  }
  void TearDown() override {
    if (plugin.IsLoaded()) {
      plugin.Exports().StopGraph();
      plugin.Exports().EventMsg(0, nullptr);
    }
    graph.Release();
    host.Destroy();
    plugin.Unload();
    CoUninitialize();
  }
  HWND Item(int id) const { return GetDlgItem(window, id); }
  std::string Focus() const { return NameOf(GetFocus()); }
  LRESULT State() const { return SendMessageA(window, HostCommandMessage, 5, 0); }
  bool Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  LRESULT Selected(int id) const { return SendMessageA(Item(id), CB_GETCURSEL, 0, 0); }
  LRESULT Position(int id) const { return SendMessageA(Item(id), TBM_GETPOS, 0, 0); }
  void Choose(int id, int index) {
    SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
  }
  std::string Page() const {
    char text[64] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(Item(idTabs), TCM_GETITEMA, static_cast<WPARAM>(SendMessageA(Item(idTabs), TCM_GETCURSEL, 0, 0)),
                 reinterpret_cast<LPARAM>(&item));
    return text;
  }
  // The controls Tab visits from the tab control until it is back there.
  std::vector<std::string> TabRound(bool back) {
    SetFocus(Item(idTabs));
    std::vector<std::string> visited;
    for (int step = 0; step < 30 && (visited.empty() || visited.back() != "tabs"); ++step) {
      if (back) Press({VK_SHIFT, VK_TAB});
      else Press({VK_TAB});
      visited.push_back(Focus());
    }
    return visited;
  }
  // Starts and stops a WAV recording, so the Play page is there (the codec libraries are not).
  void RecordAMoment() {
    const auto format = static_cast<int>(Selected(cbRecordAs));
    Choose(cbRecordAs, rfWav);
    SendMessageA(Item(btnRecord), BM_CLICK, 0, 0);
    ASSERT_EQ(State(), 1);
    SendMessageA(Item(btnRecord), BM_CLICK, 0, 0);
    ASSERT_EQ(State(), 0);
    Choose(cbRecordAs, format);
  }

  devhost::PluginLibrary plugin;
  devhost::HostWindow host;
  devhost::HostGraph graph;
  testsupport::TempFolder folder;
  HWND window = nullptr;
};

TEST_F(WindowKeyboard, TabVisitsTheShownPageInReadingOrderAndShiftTabGoesBack) {
  EXPECT_EQ(Focus(), "cbRecordAs");  // the first field has the focus when the window comes up
  const std::vector<std::string> general = {"cbRecordAs",      "cbPreRecord",  "edFilename", "edOutput", "btnFile",
                                            "cbStayConnected", "cbAutoCreate", "btnRecord",  "tabs"};
  EXPECT_EQ(TabRound(false), general);  // Rec Pause and Save Settings are disabled
  std::vector<std::string> backwards(general.rbegin() + 1, general.rend());
  backwards.push_back("tabs");
  EXPECT_EQ(TabRound(true), backwards);

  Choose(cbRecordAs, rfMp3);
  Press({VK_CONTROL, VK_TAB});
  ASSERT_EQ(Page(), "MP3 Settings");
  EXPECT_EQ(TabRound(false), (std::vector<std::string>{"cbMP3Method", "tbMP3Quality", "cbMP3Bitrate",
                                                       "cbMP3SampleRate", "tabs"}));  // the VBR ones disabled
  Choose(cbMP3Method, mmVariable);  // which enables them
  EXPECT_EQ(TabRound(false),
            (std::vector<std::string>{"cbMP3Method", "tbMP3Quality", "cbMP3Bitrate", "cbMP3SampleRate",
                                      "cbMP3MaxBitRate", "tbMP3VBRQuality", "tabs"}));
  Press({VK_CONTROL, VK_TAB});
  EXPECT_EQ(TabRound(false), (std::vector<std::string>{"cbMP3JointStereo", "cbMP3NoRes", "cbMP3Private",
                                                       "cbMP3Original", "cbMP3Copyright", "cbMP3CRC",
                                                       "cbMP3VBRHeader", "tabs"}));
  Choose(cbRecordAs, rfOgg);
  SetFocus(Item(idTabs));
  Press({VK_CONTROL, VK_TAB});
  ASSERT_EQ(Page(), "Ogg Vorbis");
  EXPECT_EQ(TabRound(false), (std::vector<std::string>{"rbOggVBR", "tbOggQuality", "tabs"}));  // the checked radio
  Choose(cbRecordAs, rfFlac);
  SetFocus(Item(idTabs));
  Press({VK_CONTROL, VK_TAB});
  ASSERT_EQ(Page(), "FLAC");
  EXPECT_EQ(TabRound(false), (std::vector<std::string>{"tbFLACLevel", "tabs"}));

  RecordAMoment();
  Press({VK_CONTROL, VK_SHIFT, VK_TAB});
  ASSERT_EQ(Page(), "Play");
  EXPECT_EQ(TabRound(false), (std::vector<std::string>{"btnPlay", "tbVolume", "tabs"}));  // seek, skip, stop idle
}

TEST_F(WindowKeyboard, MnemonicsFocusALabelsFieldAndPressButtonsAndCheckBoxes) {
  Press({VK_MENU, 'O'});
  EXPECT_EQ(Focus(), "edOutput");
  Press({VK_MENU, 'N'});
  EXPECT_EQ(Focus(), "edFilename");
  Press({'A'});  // typed into the field; no mnemonic for letters a field takes
  Press({'V'});
  char typed[16] = "";
  GetWindowTextA(Item(edFilename), typed, sizeof typed);
  EXPECT_STREQ(typed, "av");
  Press({VK_MENU, 'R'});
  EXPECT_EQ(Focus(), "cbRecordAs");
  Press({VK_MENU, 'R'});  // "&Record as" and "P&re-record" share the letter: the next in turn
  EXPECT_EQ(Focus(), "cbPreRecord");
  Press({VK_MENU, 'R'});
  EXPECT_EQ(Focus(), "cbRecordAs");
  ASSERT_TRUE(Checked(cbAutoCreate));
  Press({VK_MENU, 'D'});
  EXPECT_FALSE(Checked(cbAutoCreate));
  EXPECT_EQ(Focus(), "cbAutoCreate");
  Press({VK_MENU, 'D'});
  EXPECT_TRUE(Checked(cbAutoCreate));

  Press({VK_MENU, 'S'});
  EXPECT_EQ(State(), 1) << "Start";
  Press({VK_MENU, 'P'});
  EXPECT_EQ(State(), 2) << "Rec Pause";
  Press({VK_MENU, 'C'});  // Stay Connected is disabled while recording: Continue
  EXPECT_EQ(State(), 1);
  Press({VK_MENU, 'S'});
  EXPECT_EQ(State(), 0) << "Stop";

  Choose(cbRecordAs, rfMp3);
  Press({VK_CONTROL, VK_TAB});
  Press({VK_MENU, 'B'});
  EXPECT_EQ(Focus(), "cbMP3Bitrate");
  Press({VK_MENU, 'Q'});
  EXPECT_EQ(Focus(), "tbMP3Quality");  // past the "-" beside it
  Press({VK_CONTROL, VK_SHIFT, VK_TAB});
  Press({VK_CONTROL, VK_SHIFT, VK_TAB});
  ASSERT_EQ(Page(), "Play");
  Press({VK_MENU, 'V'});
  EXPECT_EQ(Focus(), "tbVolume");  // past the loudness symbol
  Choose(cbRecordAs, rfFlac);
  Press({VK_CONTROL, VK_SHIFT, VK_TAB});
  ASSERT_EQ(Page(), "FLAC");
  Press({VK_MENU, 'L'});  // not the "P&lay" of the hidden Play page
  EXPECT_EQ(Focus(), "tbFLACLevel");  // past the "0" beside it
  EXPECT_EQ(Page(), "FLAC");
}

// A label's mnemonic focuses the next tab stop after it: that must be its field, on its page,
// beside it or just below.
TEST_F(WindowKeyboard, EveryLabelIsFollowedInTheTabOrderByItsField) {
  const std::span<const ControlEntry> controls = WindowControls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlEntry& label = controls[i];
    if (std::string(label.className) != "STATIC" || std::string(label.text).find('&') == std::string::npos) continue;
    const auto field = std::find_if(controls.begin() + static_cast<std::ptrdiff_t>(i) + 1, controls.end(),
                                    [](const ControlEntry& entry) { return (entry.style & WS_TABSTOP) != 0; });
    ASSERT_NE(field, controls.end()) << label.name;
    EXPECT_EQ(field->page, label.page) << label.name << " and " << field->name;
    RECT labelPlace{}, fieldPlace{};
    GetWindowRect(Item(label.id), &labelPlace);
    GetWindowRect(Item(field->id), &fieldPlace);
    const int labelHeight = labelPlace.bottom - labelPlace.top;
    EXPECT_GE(fieldPlace.bottom, labelPlace.top) << label.name << " and " << field->name;
    EXPECT_LE(fieldPlace.top, labelPlace.bottom + labelHeight) << label.name << " and " << field->name;
  }
}

TEST_F(WindowKeyboard, EnterAndSpacePressTheFocusedButtonAndSpaceTicksACheckBox) {
  SetFocus(Item(btnRecord));
  Press({VK_RETURN});
  EXPECT_EQ(State(), 1);
  Press({VK_TAB});
  ASSERT_EQ(Focus(), "btnPause");
  Press({VK_SPACE});
  EXPECT_EQ(State(), 2);
  Press({VK_RETURN});
  EXPECT_EQ(State(), 1);
  SendMessageA(Item(btnRecord), BM_CLICK, 0, 0);  // by the mouse: it takes the focus, Enter presses it
  ASSERT_EQ(State(), 0);
  ASSERT_EQ(Focus(), "btnRecord");
  Press({VK_RETURN});
  EXPECT_EQ(State(), 1);
  Press({VK_SPACE});
  EXPECT_EQ(State(), 0);

  SetFocus(Item(cbStayConnected));
  ASSERT_TRUE(Checked(cbStayConnected));
  Press({VK_SPACE});
  EXPECT_FALSE(Checked(cbStayConnected));
  EXPECT_TRUE(IsWindowEnabled(Item(btnSave)));  // the click's handler ran
  Press({VK_RETURN});  // a check box has no default button to press
  EXPECT_FALSE(Checked(cbStayConnected));
  EXPECT_EQ(State(), 0);
}

TEST_F(WindowKeyboard, ArrowsMoveTrackBarsListsRadioButtonsAndPages) {
  SetFocus(Item(cbRecordAs));
  Press({VK_DOWN});
  EXPECT_EQ(Selected(cbRecordAs), rfMp3);
  EXPECT_EQ(SendMessageA(window, HostCommandMessage, 7, 0), rfMp3);  // the recording format followed
  Press({VK_CONTROL, VK_TAB});
  ASSERT_EQ(Page(), "MP3 Settings");
  Press({VK_MENU, 'Q'});
  const LRESULT quality = Position(tbMP3Quality);
  Press({VK_LEFT});
  EXPECT_EQ(Position(tbMP3Quality), quality - 1);
  Press({VK_RIGHT});
  EXPECT_EQ(Position(tbMP3Quality), quality);
  Press({VK_MENU, 'B'});
  const LRESULT bitrate = Selected(cbMP3Bitrate);
  Press({VK_UP});
  EXPECT_EQ(Selected(cbMP3Bitrate), bitrate - 1);

  Press({VK_CONTROL, VK_TAB});
  ASSERT_EQ(Page(), "MP3 Advanced");
  SetFocus(Item(cbMP3JointStereo));
  Press({VK_DOWN});  // within the list of check boxes, ticking nothing
  EXPECT_EQ(Focus(), "cbMP3NoRes");
  EXPECT_FALSE(Checked(cbMP3NoRes));
  Press({VK_UP});
  Press({VK_UP});
  EXPECT_EQ(Focus(), "cbMP3VBRHeader");  // round the list

  Choose(cbRecordAs, rfOgg);
  SetFocus(Item(idTabs));
  Press({VK_RIGHT});  // the tabs
  ASSERT_EQ(Page(), "Ogg Vorbis");
  EXPECT_TRUE(IsWindowVisible(Item(rbOggVBR)));
  Press({VK_TAB});
  ASSERT_EQ(Focus(), "rbOggVBR");
  Press({VK_DOWN});
  EXPECT_EQ(Focus(), "rbOggABR");
  EXPECT_TRUE(Checked(rbOggABR));
  EXPECT_FALSE(Checked(rbOggVBR));
  Press({VK_TAB});
  ASSERT_EQ(Focus(), "tbOggQuality");
  Press({VK_END});
  EXPECT_EQ(Position(tbOggQuality), 10);
  char text[64] = "";
  GetWindowTextA(Item(lblOggBitrate), text, sizeof text);
  EXPECT_STREQ(text, "Bit Rate approx. 500 kbps");

  Press({VK_CONTROL, VK_SHIFT, VK_TAB});
  ASSERT_EQ(Page(), "General");
  Press({VK_MENU, 'R'});
  Press({VK_DOWN});
  EXPECT_EQ(Selected(cbRecordAs), rfFlac);
  EXPECT_EQ(SendMessageA(window, HostCommandMessage, 7, 0), rfFlac);
  Press({VK_CONTROL, VK_TAB});
  ASSERT_EQ(Page(), "FLAC");
  Press({VK_MENU, 'L'});
  ASSERT_EQ(Focus(), "tbFLACLevel");
  Press({VK_HOME});
  EXPECT_EQ(Position(tbFLACLevel), 0);
  Press({VK_RIGHT});
  EXPECT_EQ(Position(tbFLACLevel), 1);
  GetWindowTextA(Item(lblFLACLevelValue), text, sizeof text);
  EXPECT_STREQ(text, "Level 1 (0 = fastest, 8 = smallest)");
  Press({VK_END});
  EXPECT_EQ(Position(tbFLACLevel), 8);
  GetWindowTextA(Item(lblFLACLevelValue), text, sizeof text);
  EXPECT_STREQ(text, "Level 8 (0 = fastest, 8 = smallest)");
}

TEST_F(WindowKeyboard, CtrlTabTurnsThePagesBothWaysRound) {
  Choose(cbRecordAs, rfMp3);
  RecordAMoment();
  std::vector<std::string> pages;
  for (int turn = 0; turn < 4; ++turn) {
    Press({VK_CONTROL, VK_TAB});
    pages.push_back(Page());
  }
  EXPECT_EQ(pages, (std::vector<std::string>{"MP3 Settings", "MP3 Advanced", "Play", "General"}));
  EXPECT_EQ(Focus(), "tabs");
  EXPECT_TRUE(IsWindowVisible(Item(cbRecordAs)));
  EXPECT_FALSE(IsWindowVisible(Item(btnPlay)));
  Press({VK_CONTROL, VK_SHIFT, VK_TAB});
  EXPECT_EQ(Page(), "Play");
  EXPECT_TRUE(IsWindowVisible(Item(btnPlay)));
  EXPECT_FALSE(IsWindowVisible(Item(cbRecordAs)));
  Press({VK_MENU, 'V'});
  Press({VK_CONTROL, VK_SHIFT, VK_TAB});  // from a field of the page, too
  EXPECT_EQ(Page(), "MP3 Advanced");
  EXPECT_EQ(Focus(), "tabs");

  Choose(cbRecordAs, rfFlac);  // the MP3 pages go, and with them the page shown
  EXPECT_EQ(Page(), "General");
  pages.clear();
  for (int turn = 0; turn < 3; ++turn) {
    Press({VK_CONTROL, VK_TAB});
    pages.push_back(Page());
  }
  EXPECT_EQ(pages, (std::vector<std::string>{"FLAC", "Play", "General"}));
}

TEST_F(WindowKeyboard, EscapeHidesTheWindowButFirstClosesAnOpenList) {
  SetFocus(Item(edFilename));
  Press({VK_ESCAPE});
  EXPECT_FALSE(IsWindowVisible(window));
  plugin.Exports().MenuItemClick(kMenuItemId);
  Settle();
  EXPECT_EQ(Focus(), "edFilename");  // back where it was

  Press({VK_MENU, 'S'});
  ASSERT_EQ(State(), 1);
  EnableWindow(Item(cbRecordAs), TRUE);  // disabled while recording; opened here all the same
  SetFocus(Item(cbRecordAs));
  Press({VK_MENU, VK_DOWN});
  ASSERT_TRUE(SendMessageA(Item(cbRecordAs), CB_GETDROPPEDSTATE, 0, 0));
  Press({VK_ESCAPE});
  EXPECT_FALSE(SendMessageA(Item(cbRecordAs), CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_TRUE(IsWindowVisible(window));
  Press({VK_ESCAPE});
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(State(), 1);  // recording goes on
}

std::vector<WPARAM> hostKeys;  // the keys that reached the host's edit field

LRESULT CALLBACK NoteHostKey(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_KEYDOWN) hostKeys.push_back(wParam);
  return DefSubclassProc(control, message, wParam, lParam);
}

// The host's own window with an edit field: the keys typed there, Tab and Escape included, reach
// it as before while the plug-in's window lives.
TEST_F(WindowKeyboard, TheHostsOwnWindowKeepsItsKeys) {
  hostKeys.clear();
  HWND field = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, 10, 10, 200, 24,
                               host.Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(field, nullptr);
  SetWindowSubclass(field, NoteHostKey, 1, 0);
  ShowWindow(host.Handle(), SW_SHOW);
  SetForegroundWindow(host.Handle());
  SetFocus(field);
  Settle();
  Press({'A'});
  Press({'B'});
  Press({VK_TAB});
  Press({VK_ESCAPE});
  char text[16] = "";
  GetWindowTextA(field, text, sizeof text);
  EXPECT_STREQ(text, "ab");
  EXPECT_EQ(hostKeys, (std::vector<WPARAM>{'A', 'B', VK_TAB, VK_ESCAPE}));
  EXPECT_TRUE(IsWindowVisible(window));  // the host's Escape was its own
}

}  // namespace
