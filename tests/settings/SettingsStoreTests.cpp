// The settings store and the configuration folder on real files under Wine, and the store's
// reading and writing of the window's controls.

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "settings/ConfigDir.h"
#include "settings/MyIniFile.h"
#include "settings/PagesForm.h"
#include "support/TempFolder.h"
#include "ui/WindowIds.h"

namespace sonotape {
namespace {

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

std::string SpecialFolder(int id) {
  char path[MAX_PATH] = "";
  EXPECT_EQ(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
  return std::string(path) + "\\";
}

// A host program folder of the test's making, with its "UserMode.ini".
class HostFolder : public ::testing::Test {
 protected:
  std::string Dir(const char* sub = "") {
    const std::string dir = folder.Path() + "\\" + sub;
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
  }
  // A root below the application-data folders that no other run uses.
  std::string UniqueRoot() { return "SonotapeTest" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()); }
  void RemoveTree(const std::string& base, const std::string& root) {
    for (std::string path = base + root; path.size() > base.size(); path.resize(path.find_last_of('\\', path.size() - 2) + 1)) {
      const std::string file = path + (path.back() == '\\' ? "" : "\\") + "Plugins\\Sonotape.ini";
      DeleteFileA(file.c_str());
      RemoveDirectoryA((path + "Plugins").c_str());
      RemoveDirectoryA(path.c_str());
    }
  }
  testsupport::TempFolder folder;
};

TEST_F(HostFolder, UserModeIsReadBesideTheHostOrAboveAPluginsFolder) {
  const std::string program = Dir();
  ConfigDirState state = ReadUserMode(program + "\\viewer.exe");
  EXPECT_EQ(state.programDir, program + "\\");
  EXPECT_EQ(state.userMode, 0);  // no UserMode.ini
  EXPECT_EQ(GetConfigDir(state), state.programDir);
  EXPECT_EQ(GetConfigPath(state, "Plugins\\Sonotape.ini", true), state.programDir + "Plugins\\Sonotape.ini");

  WriteText(program + "\\UserMode.ini", "[Mode]\r\nUserMode=1\r\nRoot=\r\n");
  EXPECT_EQ(ReadUserMode(program + "\\viewer.exe").userMode, 0);  // an empty root
  WriteText(program + "\\UserMode.ini", "[Mode]\r\nUserMode=3\r\nRoot=Vendor\r\n");
  EXPECT_EQ(ReadUserMode(program + "\\viewer.exe").userMode, 0);
  WriteText(program + "\\UserMode.ini", "[Mode]\r\nUserMode=2\r\nRoot=Vendor\\Viewer\r\n");
  state = ReadUserMode(program + "\\viewer.exe");
  EXPECT_EQ(state.userMode, 2);
  EXPECT_EQ(state.userRoot, "Vendor\\Viewer\\");

  // C:\...\Plugins\Host\viewer.exe reads the file in C:\...\Plugins\.
  Dir("Plugins");
  const std::string host = Dir("Plugins\\Host");
  WriteText(folder.Path() + "\\Plugins\\UserMode.ini", "[Mode]\r\nUserMode=1\r\nRoot=Above\r\n");
  state = ReadUserMode(host + "\\viewer.exe");
  EXPECT_EQ(state.userMode, 1);
  EXPECT_EQ(state.userRoot, "Above\\");
}

TEST_F(HostFolder, PerUserModeCreatesTheFolderAndTakesOverTheProgramFoldersFileOnce) {
  const std::string program = Dir();
  Dir("Plugins");
  const std::string root = UniqueRoot() + "\\Viewer";
  WriteText(program + "\\UserMode.ini", "[Mode]\r\nUserMode=1\r\nRoot=" + root + "\r\n");
  WriteText(program + "\\Plugins\\Sonotape.ini", "[General]\r\nFilePath=D:\\Music\\\r\n");
  const ConfigDirState state = ReadUserMode(program + "\\viewer.exe");
  const std::string appData = SpecialFolder(CSIDL_APPDATA);

  EXPECT_EQ(GetConfigDir(state), appData + root + "\\");
  const std::string path = GetConfigPath(state, "Plugins\\Sonotape.ini", true);
  EXPECT_EQ(path, appData + root + "\\Plugins\\Sonotape.ini");
  EXPECT_EQ(ReadText(path), "[General]\r\nFilePath=D:\\Music\\\r\n");  // taken over

  WriteText(program + "\\Plugins\\Sonotape.ini", "[General]\r\nFilePath=E:\\\r\n");
  EXPECT_EQ(GetConfigPath(state, "Plugins\\Sonotape.ini", true), path);
  EXPECT_EQ(ReadText(path), "[General]\r\nFilePath=D:\\Music\\\r\n");  // the user's file stays
  RemoveTree(appData, root + "\\");
}

TEST_F(HostFolder, AllUsersModeCreatesItsFolderLevelByLevel) {
  const std::string program = Dir();
  const std::string top = UniqueRoot();
  WriteText(program + "\\UserMode.ini", "[Mode]\r\nUserMode=2\r\nRoot=" + top + "\\Viewer\\\r\n");
  const ConfigDirState state = ReadUserMode(program + "\\viewer.exe");
  const std::string common = SpecialFolder(CSIDL_COMMON_APPDATA);
  const std::string path = GetConfigPath(state, "Plugins\\Sonotape.ini", true);
  EXPECT_EQ(path, common + top + "\\Viewer\\Plugins\\Sonotape.ini");
  EXPECT_NE(GetFileAttributesA((common + top + "\\Viewer\\Plugins").c_str()), INVALID_FILE_ATTRIBUTES);
  TMyIniFile ini(path);
  ini.WriteString("General", "FilePath", "X:\\");
  EXPECT_EQ(TMyIniFile(path).ReadString("General", "FilePath", ""), "X:\\");
  RemoveTree(common, top + "\\Viewer\\");
}

TEST_F(HostFolder, AFolderThatCannotBeCreatedLeavesTheSettingsInTheProgramFolder) {
  const std::string program = Dir();
  WriteText(program + "\\UserMode.ini", "[Mode]\r\nUserMode=1\r\nRoot=" + UniqueRoot() + "\\bad|name\r\n");
  const ConfigDirState state = ReadUserMode(program + "\\viewer.exe");
  ASSERT_EQ(state.userMode, 1);
  EXPECT_EQ(GetConfigDir(state), state.programDir);
  EXPECT_EQ(GetConfigPath(state, "Plugins\\Sonotape.ini", true), state.programDir + "Plugins\\Sonotape.ini");
  RemoveDirectoryA((SpecialFolder(CSIDL_APPDATA) + state.userRoot.substr(0, state.userRoot.find('\\'))).c_str());
}

TEST_F(HostFolder, CopyFileContentsRefusesItselfAndCopiesEverything) {
  const std::string a = folder.File("a.bin"), b = folder.File("b.bin");
  std::string data(10000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  WriteText(a, data);
  EXPECT_FALSE(CopyFileContents(a, a));
  EXPECT_FALSE(CopyFileContents(folder.File("missing"), b));
  ASSERT_TRUE(CopyFileContents(a, b));
  EXPECT_EQ(ReadText(b), data);
}

class SettingsStore : public ::testing::Test {
 protected:
  std::string Path() const { return folder.File("Sonotape.ini"); }
  testsupport::TempFolder folder;
};

TEST_F(SettingsStore, NumbersSwitchesAndTheirFallbacks) {
  WriteText(Path(), "[frmSonotape]\r\nTwo=2\r\nWord=abc\r\nHex=0x20\r\nLong=" + std::string(100000, '7') + "\r\n");
  TMyIniFile ini(Path());
  EXPECT_TRUE(ini.ReadBool("frmSonotape", "Two", false));
  EXPECT_TRUE(ini.ReadBool("frmSonotape", "Word", true));
  EXPECT_FALSE(ini.ReadBool("frmSonotape", "Word", false));
  EXPECT_EQ(ini.ReadInteger("frmSonotape", "Hex", 0), 32);
  EXPECT_EQ(ini.ReadInteger("frmSonotape", "Long", 5), 5);  // a huge value is no number
  EXPECT_EQ(ini.ReadInteger("frmSonotape", "Missing", -3), -3);
  ini.WriteBool("frmSonotape", "On", true);
  ini.WriteInteger("frmSonotape", "Count", -12);
  TMyIniFile again(Path());
  EXPECT_EQ(again.ReadString("frmSonotape", "On", ""), "1");
  EXPECT_EQ(again.ReadInteger("frmSonotape", "Count", 0), -12);
  EXPECT_EQ(again.ReadString("frmSonotape", "Two", ""), "2");  // the other settings stay
}

TEST_F(SettingsStore, DpiAndFontChoices) {
  WriteText(Path(), "[DPI]\r\nUserDPI=300\r\nFontSize=7\r\n");
  TMyIniFile big(Path());
  EXPECT_EQ(CurrentPluginLook().dpi, 192);
  EXPECT_EQ(CurrentPluginLook().fontSizeStep, 2);
  EXPECT_EQ(big.LastDPI(), 96);
  EXPECT_EQ(TMyIniFile(Path()).LastDPI(), 192);  // written for the next start

  WriteText(Path(), "[DPI]\r\nUserDPI=50\r\nFontSize=-1\r\nLastDPI=0\r\n[f]\r\nCWidth=400\r\n");
  TMyIniFile small(Path());
  EXPECT_EQ(CurrentPluginLook().dpi, ScreenDpi());
  EXPECT_EQ(CurrentPluginLook().fontSizeStep, 0);
  EXPECT_EQ(small.ReadScaledInteger("f", "CWidth", 1), 400 * ScreenDpi() / 96);  // a LastDPI of 0 divides by nothing

  WriteText(Path(), "[DPI]\r\nFontName=Segoe UI Semibold\r\nUserDPI=144\r\nLastDPI=96\r\n[f]\r\nCWidth=400\r\nBad=x\r\n");
  TMyIniFile segoe(Path());
  EXPECT_EQ(CurrentPluginLook().fontName, "Segoe UI Semibold");
  EXPECT_EQ(CurrentPluginLook().fontSizeStep, 1);
  EXPECT_EQ(segoe.ReadScaledInteger("f", "CWidth", 1), 600);
  EXPECT_EQ(segoe.ReadScaledInteger("f", "Missing", 77), 77);
  EXPECT_EQ(segoe.ReadScaledInteger("f", "Bad", 77), 77);

  WriteText(Path(), "");
  TMyIniFile plain(Path());
  const std::string font = CurrentPluginLook().fontName;
  EXPECT_TRUE(font == "Segoe UI" || font == "Tahoma") << font;
}

TEST_F(SettingsStore, AMissingOrCorruptFileReadsAsDefaults) {
  TMyIniFile missing(folder.File("nowhere\\Sonotape.ini"));
  EXPECT_EQ(missing.ReadInteger("General", "Version", 9), 9);
  missing.WriteInteger("General", "Version", 1024);  // not reported, no crash
  std::string garbage = "[General\r\nVersion\r\n=\r\n[frmSonotape]\r\ncbAutoCreate=0";
  garbage += std::string("\0\xff\xfe[x]=\n", 8) + std::string(5000, '[');
  WriteText(Path(), garbage);
  TMyIniFile corrupt(Path());
  EXPECT_EQ(corrupt.ReadInteger("General", "Version", 7), 7);
  EXPECT_TRUE(corrupt.ReadBool("frmSonotape", "cbStayConnected", true));
  EXPECT_GE(CurrentPluginLook().dpi, 72);
  EXPECT_LE(CurrentPluginLook().dpi, 192);
}

// A track bar takes a stored number within its range, and keeps its position for a missing key or
// no number; a list takes the item of the stored text in any case, and keeps its item for another.
TEST_F(SettingsStore, ControlsTakeTheirStoredStateAsFarAsTheyCan) {
  PagesForm form(nullptr);  // the window's controls, filled and at their first state
  ASSERT_TRUE(form.Create());
  WriteText(Path(), "[frmSonotape]\r\ntbFLACLevel=12\r\ntbOggQuality=-5\r\ntbMP3Quality=high\r\n"
                    "cbRecordAs=flac\r\ncbMP3Method=Lossless\r\n");
  const TMyIniFile ini(Path());
  const auto position = [&form](int id) { return SendMessageA(form.Control(id), TBM_GETPOS, 0, 0); };
  const auto item = [&form](int id) { return SendMessageA(form.Control(id), CB_GETCURSEL, 0, 0); };
  for (int id : {tbFLACLevel, tbOggQuality, tbMP3Quality, tbMP3VBRQuality}) ini.ReadTrackBar(form, id);
  for (int id : {cbRecordAs, cbMP3Method}) ini.ReadComboBox(form, id);
  EXPECT_EQ(position(tbFLACLevel), 8);
  EXPECT_EQ(position(tbOggQuality), -1);
  EXPECT_EQ(position(tbMP3Quality), 2);
  EXPECT_EQ(position(tbMP3VBRQuality), 5);  // no key
  EXPECT_EQ(item(cbRecordAs), 3);
  EXPECT_EQ(item(cbMP3Method), 0);

  SendMessageA(form.Control(tbFLACLevel), TBM_SETPOS, TRUE, 0);
  ini.WriteTrackBar(form, tbFLACLevel);
  ini.WriteComboBox(form, cbRecordAs);
  const TMyIniFile again(Path());
  EXPECT_EQ(again.ReadString("frmSonotape", "tbFLACLevel", ""), "0");
  EXPECT_EQ(again.ReadString("frmSonotape", "cbRecordAs", ""), "FLAC");
}

}  // namespace
}  // namespace sonotape
