// The tool window's settings pages with a real window and a real settings file: loading, saving,
// the default output folder, the pages shown per format, the save button, the window bounds at
// other DPIs, and the folder picker driven as a user would.

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "PluginTabs.h"
#include "host/HostMessages.h"
#include "settings/FolderDialog.h"
#include "settings/MyIniFile.h"
#include "support/TempFolder.h"
#include "ui/WindowIds.h"
#include "window/SonotapeWindow.h"
#include "window/WindowLayout.h"
#include "support/WindowText.h"

namespace sonotape {
namespace {

using testsupport::TextOf;

std::string ShellFolder(int id) {
  char path[MAX_PATH] = "";
  return SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}

// Points one of the user's shell folders (a value of the registry's User Shell Folders, which the
// shell reads at every look-up) elsewhere while it lives.
class ShellFolderRedirect {
 public:
  ShellFolderRedirect(const char* name, const std::string& path) : name_(name) {
    constexpr char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kUserShellFolders, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &key_, nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error("no User Shell Folders key");
    }
    DWORD size = 0;
    had_ = RegQueryValueExA(key_, name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
    old_.resize(size);
    if (had_) RegQueryValueExA(key_, name, nullptr, &type_, old_.data(), &size);
    RegSetValueExA(key_, name, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
  }
  ~ShellFolderRedirect() {
    if (had_) {
      RegSetValueExA(key_, name_, 0, type_, old_.data(), static_cast<DWORD>(old_.size()));
    } else {
      RegDeleteValueA(key_, name_);
    }
    RegCloseKey(key_);
  }
  ShellFolderRedirect(const ShellFolderRedirect&) = delete;
  ShellFolderRedirect& operator=(const ShellFolderRedirect&) = delete;

 private:
  const char* name_;
  HKEY key_ = nullptr;
  bool had_ = false;
  DWORD type_ = REG_EXPAND_SZ;
  std::vector<BYTE> old_;
};

// How a page shows a setting.
enum class Shown { kText, kCheck, kItem, kPosition };

struct Setting {
  int id;
  const char* key;
  Shown shown;
};

// Every setting the pages keep, under its key: the output folder's in "General", the others in
// the window's section; rbOggABR is kept as the opposite of rbOggVBR.
constexpr Setting kSettings[] = {
    {edOutput, "FilePath", Shown::kText},
    {cbStayConnected, "cbStayConnected", Shown::kCheck},
    {cbAutoCreate, "cbAutoCreate", Shown::kCheck},
    {cbRecordAs, "cbRecordAs", Shown::kItem},
    {cbPreRecord, "cbPreRecord", Shown::kItem},
    {cbMP3SampleRate, "cbMP3SampleRate", Shown::kItem},
    {cbMP3JointStereo, "cbMP3JointStereo", Shown::kCheck},
    {cbMP3Bitrate, "cbMP3Bitrate", Shown::kItem},
    {cbMP3MaxBitRate, "cbMP3MaxBitRate", Shown::kItem},
    {tbMP3Quality, "tbMP3Quality", Shown::kPosition},
    {cbMP3Private, "cbMP3Private", Shown::kCheck},
    {cbMP3CRC, "cbMP3CRC", Shown::kCheck},
    {cbMP3Copyright, "cbMP3Copyright", Shown::kCheck},
    {cbMP3Original, "cbMP3Original", Shown::kCheck},
    {cbMP3VBRHeader, "cbMP3VBRHeader", Shown::kCheck},
    {tbMP3VBRQuality, "tbMP3VBRQuality", Shown::kPosition},
    {cbMP3NoRes, "cbMP3NoRes", Shown::kCheck},
    {cbMP3Method, "cbMP3Method", Shown::kItem},
    {tbOggQuality, "tbOggQuality", Shown::kPosition},
    {rbOggVBR, "rbOggVBR", Shown::kCheck},
    {tbFLACLevel, "tbFLACLevel", Shown::kPosition},
    {tbVolume, "tbVolume", Shown::kPosition},
};

using Settings = std::map<std::string, std::string>;

class SettingsPages : public ::testing::Test {
 protected:
  void TearDown() override { window.reset(); }
  std::string IniPath() const { return folder.File("Sonotape.ini"); }
  void Store(const std::string& text) { std::ofstream(IniPath(), std::ios::binary | std::ios::trunc) << text; }
  void Open() {
    window = std::make_unique<TfrmSonotape>(GetModuleHandleA(nullptr), std::make_unique<TMyIniFile>(IniPath()));
    ASSERT_TRUE(window->Create(nullptr));
  }
  HWND Item(int id) const { return GetDlgItem(window->Handle(), id); }
  bool Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  LRESULT Selected(int id) const { return SendMessageA(Item(id), CB_GETCURSEL, 0, 0); }
  void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
  void Choose(int id, int index) {
    SendMessageA(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(window->Handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
  }
  void Slide(int id, int position) {
    SendMessageA(Item(id), TBM_SETPOS, TRUE, position);
    SendMessageA(window->Handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(Item(id)));
  }
  bool SaveEnabled() const { return IsWindowEnabled(Item(btnSave)) != FALSE; }
  LRESULT Position(int id) const { return SendMessageA(Item(id), TBM_GETPOS, 0, 0); }
  // Shown on its page (the window itself stays hidden).
  bool OnShow(int id) const { return (GetWindowLongPtrA(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
  std::string Stored(const char* section, const char* key) const {
    char value[256] = "";
    GetPrivateProfileStringA(section, key, "(none)", value, sizeof value, IniPath().c_str());
    return value;
  }

  // The keys of a section of the settings file.
  std::set<std::string> Keys(const char* section) const {
    std::vector<char> names(4096);
    const DWORD length = GetPrivateProfileStringA(section, nullptr, "", names.data(), static_cast<DWORD>(names.size()),
                                                  IniPath().c_str());
    std::set<std::string> keys;
    for (const char* name = names.data(); name < names.data() + length && *name != '\0';
         name += std::strlen(name) + 1) {
      keys.insert(name);
    }
    return keys;
  }
  // What the pages show of every kept setting, by its key.
  Settings OnPages() const {
    Settings shown;
    for (const Setting& setting : kSettings) {
      HWND control = Item(setting.id);
      switch (setting.shown) {
        case Shown::kText:
          shown[setting.key] = TextOf(control);
          break;
        case Shown::kCheck:
          shown[setting.key] = Checked(setting.id) ? "1" : "0";
          break;
        case Shown::kItem:
          shown[setting.key] = std::to_string(Selected(setting.id));
          break;
        case Shown::kPosition:
          shown[setting.key] = std::to_string(SendMessageA(control, TBM_GETPOS, 0, 0));
          break;
      }
    }
    shown["rbOggABR"] = Checked(rbOggABR) ? "1" : "0";
    return shown;
  }
  // Changes every setting as a user would.
  void Change(const Settings& wanted) {
    for (const Setting& setting : kSettings) {
      const std::string& value = wanted.at(setting.key);
      switch (setting.shown) {
        case Shown::kText:
          SetWindowTextA(Item(setting.id), value.c_str());
          break;
        case Shown::kCheck:
          if (setting.id == rbOggVBR) {
            Click(value == "1" ? rbOggVBR : rbOggABR);
          } else if (Checked(setting.id) != (value == "1")) {
            Click(setting.id);
          }
          break;
        case Shown::kItem:
          Choose(setting.id, std::stoi(value));
          break;
        case Shown::kPosition:
          Slide(setting.id, std::stoi(value));
          break;
      }
    }
  }

  testsupport::TempFolder folder;
  std::unique_ptr<TfrmSonotape> window;
};

TEST_F(SettingsPages, EverySettingSavedIsWhatAFreshWindowLoads) {
  Open();
  EXPECT_FALSE(SaveEnabled());
  EXPECT_EQ(devhost::TabCaptions(window->Handle()), std::vector<std::string>{"General"});
  Choose(cbRecordAs, 1);
  EXPECT_TRUE(SaveEnabled());
  EXPECT_EQ(devhost::TabCaptions(window->Handle()), (std::vector<std::string>{"General", "MP3 Settings", "MP3 Advanced"}));
  Choose(cbMP3Method, 1);
  Choose(cbMP3Bitrate, 3);
  Choose(cbMP3SampleRate, 2);
  Choose(cbMP3MaxBitRate, 11);
  Slide(tbMP3Quality, 3);
  Slide(tbMP3VBRQuality, 7);
  for (int id : {cbMP3JointStereo, cbMP3CRC, cbMP3VBRHeader, cbAutoCreate, cbStayConnected}) Click(id);
  Slide(tbOggQuality, 9);
  Click(rbOggABR);
  SetWindowTextA(Item(edOutput), "Y:\\Shows\\");
  SendMessageA(Item(btnSave), BM_CLICK, 0, 0);
  EXPECT_FALSE(SaveEnabled());
  EXPECT_EQ(Stored("frmSonotape", "cbRecordAs"), "MP3");
  EXPECT_EQ(Stored("frmSonotape", "cbMP3Bitrate"), "56 kbps");
  EXPECT_EQ(Stored("frmSonotape", "rbOggVBR"), "0");
  EXPECT_EQ(Stored("frmSonotape", "rbOggABR"), "(none)");
  EXPECT_EQ(Stored("General", "FilePath"), "Y:\\Shows\\");
  window.reset();
  EXPECT_EQ(Stored("General", "Version"), "1024");
  EXPECT_EQ(Stored("frmSonotape", "tbVolume"), "4000");

  Open();
  EXPECT_EQ(Selected(cbRecordAs), 1);
  EXPECT_EQ(Selected(cbMP3Method), 1);
  EXPECT_EQ(Selected(cbMP3Bitrate), 3);
  EXPECT_EQ(Selected(cbMP3SampleRate), 2);
  EXPECT_EQ(Selected(cbMP3MaxBitRate), 11);
  EXPECT_EQ(SendMessageA(Item(tbMP3Quality), TBM_GETPOS, 0, 0), 3);
  EXPECT_EQ(SendMessageA(Item(tbMP3VBRQuality), TBM_GETPOS, 0, 0), 7);
  EXPECT_EQ(SendMessageA(Item(tbOggQuality), TBM_GETPOS, 0, 0), 9);
  EXPECT_TRUE(Checked(cbMP3JointStereo) && Checked(cbMP3CRC) && Checked(cbMP3VBRHeader));
  EXPECT_FALSE(Checked(cbMP3NoRes) || Checked(cbMP3Private) || Checked(cbAutoCreate) || Checked(cbStayConnected));
  EXPECT_TRUE(Checked(rbOggABR));
  EXPECT_FALSE(Checked(rbOggVBR));
  EXPECT_EQ(TextOf(Item(edOutput)), "Y:\\Shows\\");
  EXPECT_EQ(TextOf(Item(lblOggBitrate)), "Bit Rate approx. 350 kbps");
  EXPECT_EQ(TextOf(Item(lblBitrate)), "VBR Min. &Bit Rate:");
  EXPECT_FALSE(SaveEnabled());
}

TEST_F(SettingsPages, EverySettingStartsAtItsDefaultAndComesBackAsSavedAndNoOtherIsKept) {
  Open();
  const Settings defaults = {
      {"FilePath", ShellFolder(CSIDL_MYMUSIC) + "\\"},
      {"cbStayConnected", "1"}, {"cbAutoCreate", "1"}, {"cbRecordAs", "0"}, {"cbPreRecord", "0"}, {"cbMP3SampleRate", "0"},
      {"cbMP3JointStereo", "0"}, {"cbMP3Bitrate", "8"}, {"cbMP3MaxBitRate", "13"}, {"tbMP3Quality", "2"},
      {"cbMP3Private", "0"}, {"cbMP3CRC", "0"}, {"cbMP3Copyright", "0"}, {"cbMP3Original", "0"},
      {"cbMP3VBRHeader", "0"}, {"tbMP3VBRQuality", "5"}, {"cbMP3NoRes", "0"}, {"cbMP3Method", "0"},
      {"tbOggQuality", "4"}, {"rbOggVBR", "1"}, {"rbOggABR", "0"}, {"tbFLACLevel", "5"}, {"tbVolume", "4000"}};
  EXPECT_EQ(OnPages(), defaults);

  // Every setting away from its default, and back where it is not.
  const Settings first = {
      {"FilePath", "Y:\\Shows\\"},
      {"cbStayConnected", "0"}, {"cbAutoCreate", "0"}, {"cbRecordAs", "2"}, {"cbPreRecord", "4"}, {"cbMP3SampleRate", "6"},
      {"cbMP3JointStereo", "1"}, {"cbMP3Bitrate", "3"}, {"cbMP3MaxBitRate", "5"}, {"tbMP3Quality", "0"},
      {"cbMP3Private", "1"}, {"cbMP3CRC", "1"}, {"cbMP3Copyright", "1"}, {"cbMP3Original", "1"},
      {"cbMP3VBRHeader", "1"}, {"tbMP3VBRQuality", "9"}, {"cbMP3NoRes", "1"}, {"cbMP3Method", "2"},
      {"tbOggQuality", "10"}, {"rbOggVBR", "0"}, {"rbOggABR", "1"}, {"tbFLACLevel", "0"}, {"tbVolume", "1234"}};
  const Settings second = {
      {"FilePath", "Z:\\Elsewhere\\"},
      {"cbStayConnected", "1"}, {"cbAutoCreate", "1"}, {"cbRecordAs", "1"}, {"cbPreRecord", "2"}, {"cbMP3SampleRate", "1"},
      {"cbMP3JointStereo", "0"}, {"cbMP3Bitrate", "13"}, {"cbMP3MaxBitRate", "0"}, {"tbMP3Quality", "3"},
      {"cbMP3Private", "0"}, {"cbMP3CRC", "0"}, {"cbMP3Copyright", "0"}, {"cbMP3Original", "0"},
      {"cbMP3VBRHeader", "0"}, {"tbMP3VBRQuality", "0"}, {"cbMP3NoRes", "0"}, {"cbMP3Method", "1"},
      {"tbOggQuality", "-1"}, {"rbOggVBR", "1"}, {"rbOggABR", "0"}, {"tbFLACLevel", "8"}, {"tbVolume", "0"}};
  for (const auto& [key, value] : first) {
    EXPECT_NE(value, defaults.at(key)) << key;
    EXPECT_NE(value, second.at(key)) << key;
  }

  Change(first);
  ASSERT_EQ(OnPages(), first);
  SendMessageA(Item(btnSave), BM_CLICK, 0, 0);
  // Saved as the file has always kept them: list items by their text, check marks as 1 and 0.
  const Settings stored = {
      {"cbStayConnected", "0"}, {"cbAutoCreate", "0"}, {"cbRecordAs", "Ogg Vorbis"}, {"cbPreRecord", "60 s"},
      {"cbMP3SampleRate", "16 khz"},
      {"cbMP3JointStereo", "1"}, {"cbMP3Bitrate", "56 kbps"}, {"cbMP3MaxBitRate", "80 kbps"}, {"tbMP3Quality", "0"},
      {"cbMP3Private", "1"}, {"cbMP3CRC", "1"}, {"cbMP3Copyright", "1"}, {"cbMP3Original", "1"},
      {"cbMP3VBRHeader", "1"}, {"tbMP3VBRQuality", "9"}, {"cbMP3NoRes", "1"}, {"cbMP3Method", "Average Bit Rate"},
      {"tbOggQuality", "10"}, {"rbOggVBR", "0"}, {"tbFLACLevel", "0"}};
  std::set<std::string> keys;
  for (const auto& [key, value] : stored) {
    EXPECT_EQ(Stored("frmSonotape", key.c_str()), value) << key;
    keys.insert(key);
  }
  EXPECT_EQ(Keys("frmSonotape"), keys) << "the volume is kept when the window goes";
  EXPECT_EQ(Keys("General"), std::set<std::string>{"FilePath"});
  EXPECT_EQ(Stored("General", "FilePath"), "Y:\\Shows\\");
  window.reset();
  keys.insert({"tbVolume", "Left", "Top", "CWidth", "CHeight"});
  EXPECT_EQ(Keys("frmSonotape"), keys);
  EXPECT_EQ(Keys("General"), (std::set<std::string>{"FilePath", "Version"}));
  EXPECT_EQ(Stored("frmSonotape", "tbVolume"), "1234");

  Open();
  EXPECT_EQ(OnPages(), first);
  Change(second);  // every key written anew: none keeps the first value
  SendMessageA(Item(btnSave), BM_CLICK, 0, 0);
  window.reset();
  Open();
  EXPECT_EQ(OnPages(), second);
}

TEST_F(SettingsPages, TheDefaultFolderIsTheMusicFolder) {
  ShellFolderRedirect music("My Music", folder.Path());
  Open();
  EXPECT_EQ(TextOf(Item(edOutput)), folder.Path() + "\\");
}

TEST_F(SettingsPages, TheDefaultFolderIsTheDocumentsFolderWhereNoMusicFolderIs) {
  const std::string documents = ShellFolder(CSIDL_PERSONAL);
  ASSERT_FALSE(documents.empty());
  {
    std::ofstream(folder.File("Music")) << "a file where the folder was";
    ShellFolderRedirect music("My Music", folder.File("Music"));
    Open();
    EXPECT_EQ(TextOf(Item(edOutput)), documents + "\\");
    window.reset();
  }
  ShellFolderRedirect music("My Music", folder.File("Gone"));
  Open();
  EXPECT_EQ(TextOf(Item(edOutput)), documents + "\\");
}

TEST_F(SettingsPages, NoDefaultFolderWhereNeitherTheMusicNorTheDocumentsFolderIs) {
  std::ofstream(folder.File("Music")) << "a file where the folder was";
  ShellFolderRedirect music("My Music", folder.File("Music"));
  ShellFolderRedirect documents("Personal", folder.File("Gone"));
  Open();
  EXPECT_EQ(TextOf(Item(edOutput)), "");
  const std::string stored = "D:\\Recordings\\";  // a stored folder stays, existing or not
  window.reset();
  Store("[General]\r\nFilePath=" + stored + "\r\n");
  Open();
  EXPECT_EQ(TextOf(Item(edOutput)), stored);
}

TEST_F(SettingsPages, StoredTextsSelectTheirPagesAndNonsenseKeepsTheDefaults) {
  Store("[frmSonotape]\r\ncbRecordAs=ogg vorbis\r\ncbStayConnected=abc\r\ncbAutoCreate=2\r\ncbMP3Bitrate=MP4\r\n"
        "tbOggQuality=99\r\nrbOggVBR=0\r\n");
  Open();
  EXPECT_EQ(Selected(cbRecordAs), 2);
  EXPECT_EQ(devhost::TabCaptions(window->Handle()), (std::vector<std::string>{"General", "Ogg Vorbis"}));
  EXPECT_TRUE(Checked(cbStayConnected));  // "abc": the default
  EXPECT_TRUE(Checked(cbAutoCreate));     // "2": checked
  EXPECT_EQ(Selected(cbMP3Bitrate), 8);   // unknown: "128 kbps" stays
  EXPECT_EQ(SendMessageA(Item(tbOggQuality), TBM_GETPOS, 0, 0), 10);  // the track bar's range
  EXPECT_TRUE(Checked(rbOggABR));
  EXPECT_FALSE(SaveEnabled());
}

TEST_F(SettingsPages, FlacIsTheFourthFormatWithItsOwnPageAndIsStoredByItsText) {
  Open();
  Choose(cbRecordAs, 3);
  EXPECT_EQ(SendMessageA(window->Handle(), HostCommandMessage, kCommandFormat, 0), 3);
  EXPECT_EQ(devhost::TabCaptions(window->Handle()), (std::vector<std::string>{"General", "FLAC"}));
  ASSERT_TRUE(devhost::ShowTab(window->Handle(), "FLAC"));
  for (const ControlEntry& entry : WindowControls()) {
    EXPECT_EQ(OnShow(entry.id), entry.page == kFlacPage) << entry.name;
  }
  EXPECT_EQ(TextOf(Item(lblFLACLevelValue)), "Level 5 (0 = fastest, 8 = smallest)");
  SendMessageA(Item(btnSave), BM_CLICK, 0, 0);
  EXPECT_EQ(Stored("frmSonotape", "cbRecordAs"), "FLAC");
  EXPECT_EQ(Stored("frmSonotape", "tbFLACLevel"), "5");

  Choose(cbRecordAs, 2);  // the FLAC page goes, and the General page shows
  EXPECT_EQ(devhost::TabCaptions(window->Handle()), (std::vector<std::string>{"General", "Ogg Vorbis"}));
  EXPECT_FALSE(OnShow(tbFLACLevel));
  EXPECT_TRUE(OnShow(cbRecordAs));
  window.reset();

  Open();
  EXPECT_EQ(Selected(cbRecordAs), 3);
  EXPECT_EQ(devhost::TabCaptions(window->Handle()), (std::vector<std::string>{"General", "FLAC"}));
  EXPECT_EQ(SendMessageA(window->Handle(), HostCommandMessage, kCommandFormat, 0), 3);
}

TEST_F(SettingsPages, AStoredFlacLevelOutsideItsRangeEndsAtItsNearestEndAndNonsenseKeepsTheDefault) {
  for (const auto& [stored, level] : {std::pair{"99", 8}, std::pair{"-4", 0}, std::pair{"level", 5},
                                      std::pair{"", 5}, std::pair{"3", 3}}) {
    Store(std::string("[frmSonotape]\r\ntbFLACLevel=") + stored + "\r\n");
    Open();
    EXPECT_EQ(Position(tbFLACLevel), level) << stored;
    EXPECT_EQ(TextOf(Item(lblFLACLevelValue)), "Level " + std::to_string(level) + " (0 = fastest, 8 = smallest)");
    EXPECT_FALSE(SaveEnabled()) << stored;
    window.reset();
  }
}

TEST_F(SettingsPages, HandlersEnableSaveOnlyForRealChanges) {
  Open();
  SetWindowTextA(Item(edOutput), "Z:\\code\\");  // set by code: not a change by the user
  EXPECT_FALSE(SaveEnabled());
  SendMessageA(Item(edOutput), WM_CHAR, 'x', 0);  // typed
  EXPECT_TRUE(SaveEnabled());
  SendMessageA(Item(btnSave), BM_CLICK, 0, 0);
  Slide(tbMP3Quality, 2);  // the position it already held
  EXPECT_FALSE(SaveEnabled());
  Slide(tbOggQuality, -1);
  EXPECT_EQ(TextOf(Item(lblOggBitrate)), "Bit Rate approx. 48 kbps");
  EXPECT_TRUE(SaveEnabled());

  Choose(cbMP3Method, 2);
  EXPECT_EQ(TextOf(Item(lblBitrate)), "&Bit Rate:");
  EXPECT_FALSE(IsWindowEnabled(Item(cbMP3MaxBitRate)));
  EXPECT_FALSE(IsWindowEnabled(Item(tbMP3VBRQuality)));
  Choose(cbMP3Method, 1);
  EXPECT_EQ(TextOf(Item(lblBitrate)), "VBR Min. &Bit Rate:");
  EXPECT_TRUE(IsWindowEnabled(Item(cbMP3MaxBitRate)));
  EXPECT_TRUE(IsWindowEnabled(Item(tbMP3VBRQuality)));
}

TEST_F(SettingsPages, BoundsAreRestoredAtTheirDpiAndKeptOnAMonitor) {
  Store("[DPI]\r\nUserDPI=144\r\nLastDPI=96\r\n[frmSonotape]\r\nLeft=100000\r\nTop=-100000\r\nCWidth=330\r\nCHeight=250\r\n");
  Open();
  RECT client{}, outer{};
  GetClientRect(window->Handle(), &client);
  GetWindowRect(window->Handle(), &outer);
  EXPECT_EQ(client.right, 495);
  // 250 scaled, unless the frame leaves less room under the largest height (404 at 144 DPI): Wine 8
  // drew a 29-pixel frame here, Wine 10 draws a larger one, and Windows 10 one of 39.
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window->Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(window->Handle(), GWL_EXSTYLE)));
  EXPECT_EQ(client.bottom, std::min<LONG>(375, 404 - (frame.bottom - frame.top)));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(window->Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_EQ(outer.right, monitor.rcWork.right);  // moved back from far right
  EXPECT_EQ(outer.top, monitor.rcWork.top);
  // Constraints 329..346 x 265..269 at 96 DPI become 494..519 x 398..404 at 144.
  MINMAXINFO limits{};
  SendMessageA(window->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, 494);
  EXPECT_EQ(limits.ptMaxTrackSize.x, 519);
  EXPECT_EQ(limits.ptMinTrackSize.y, 398);
  EXPECT_EQ(limits.ptMaxTrackSize.y, 404);

  SetWindowPos(window->Handle(), nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(window->Handle(), SW_MINIMIZE);  // saved minimised: the restored place is stored
  window.reset();
  EXPECT_EQ(Stored("frmSonotape", "Left"), "40");
  EXPECT_EQ(Stored("frmSonotape", "Top"), "50");
  EXPECT_EQ(Stored("frmSonotape", "CWidth"), "495");
  EXPECT_EQ(Stored("DPI", "LastDPI"), "144");
  Open();  // now at its own DPI: the same client size
  GetClientRect(window->Handle(), &client);
  EXPECT_EQ(client.right, 495);
}

TEST_F(SettingsPages, SnapsToTheWorkAreaWhileMovedCloserThanSixteenPixels) {
  Open();
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(window->Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  SetWindowPos(window->Handle(), nullptr, work.left + 15, work.top + 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT outer{};
  GetWindowRect(window->Handle(), &outer);
  EXPECT_EQ(outer.left, work.left);
  SetWindowPos(window->Handle(), nullptr, work.left + 16, work.top + 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  GetWindowRect(window->Handle(), &outer);
  EXPECT_EQ(outer.left, work.left + 16);
}

// Answers the folder browser of this thread with a button once it shows (and, when a selection
// is awaited, once the browser has moved to it), from a thread timer that the browser's modal
// loop dispatches.
struct BrowserAnswer {
  UINT button = IDOK;
  std::string awaited;   // the selection to wait for; empty: answer at once
  std::string selected;  // the browser's current selection, as OnSelectionChange reports it
  DWORD started = 0;
} answer;

void CALLBACK AnswerBrowser(HWND, UINT, UINT_PTR timer, DWORD) {
  const bool ready = answer.awaited.empty() || lstrcmpiA(answer.selected.c_str(), answer.awaited.c_str()) == 0 ||
                     GetTickCount() - answer.started > 15000;
  for (HWND window = nullptr; ready && (window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr;) {
    DWORD process = 0;
    if (GetWindowThreadProcessId(window, &process) == GetCurrentThreadId() && IsWindowVisible(window)) {
      KillTimer(nullptr, timer);
      PostMessageA(window, WM_COMMAND, answer.button, 0);
      return;
    }
  }
}

// The folders the browser was told to preselect (BFFM_SETSELECTIONA with a path), from a hook
// on the messages sent to this thread's dialogs.
std::vector<std::string> preselections;

LRESULT CALLBACK WatchPreselections(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  char className[16] = "";
  if (code == HC_ACTION && sent->message == BFFM_SETSELECTIONA && sent->wParam &&
      GetClassNameA(sent->hwnd, className, sizeof className) > 0 && std::string(className) == "#32770") {
    preselections.emplace_back(reinterpret_cast<const char*>(sent->lParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool RunBrowser(TFolderDialog& dialog, UINT button, const std::string& awaited) {
  answer = {button, awaited, "", GetTickCount()};
  dialog.OnSelectionChange = [](TFolderDialog& self) { answer.selected = self.Path; };
  SetTimer(nullptr, 0, 100, AnswerBrowser);
  return dialog.Execute();
}

TEST(FolderDialog, OpensOnTheEnteredFolderAndCancelKeepsIt) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  // A folder the browser's tree shows (the temporary folder lies below the hidden AppData).
  const std::string full = "C:\\Sonotape browse " + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryA(full.c_str(), nullptr));
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchPreselections, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  TFolderDialog dialog(nullptr);
  dialog.Title = "Select the output directory:";
  dialog.Path = full;
  EXPECT_EQ(dialog.Options, 65u);
  preselections.clear();
  ASSERT_TRUE(RunBrowser(dialog, IDOK, full));  // it moves to the entered folder by itself
  EXPECT_EQ(lstrcmpiA(dialog.Path.c_str(), full.c_str()), 0) << dialog.Path;
  EXPECT_EQ(preselections, std::vector<std::string>{full});

  dialog.OnSelectionChange = nullptr;  // without a handler Path is not touched while browsing
  answer = {IDCANCEL, "", "", GetTickCount()};
  SetTimer(nullptr, 0, 100, AnswerBrowser);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(lstrcmpiA(dialog.Path.c_str(), full.c_str()), 0);

  dialog.Path = full + "\\gone";  // no longer there: no preselection
  preselections.clear();
  RunBrowser(dialog, IDOK, "");
  EXPECT_EQ(preselections, std::vector<std::string>{});
  UnhookWindowsHookEx(hook);
  RemoveDirectoryA(full.c_str());
  CoUninitialize();
}

}  // namespace
}  // namespace sonotape
