#include "settings/SettingsPages.h"

#include <commctrl.h>
#include <shlobj.h>

#include <initializer_list>
#include <iterator>
#include <string>

#include "settings/FolderDialog.h"
#include "ui/WindowIds.h"

namespace sonotape {

namespace {

constexpr char kGeneralSection[] = "General";

// The pre-record list's items, "Off" and then "5 s" and so on.
constexpr unsigned kPreRecordSeconds[] = {0, 5, 10, 30, 60};

// How the store keeps a setting.
enum class Kept { kFolder, kCheckBox, kComboBox, kTrackBar };

struct SavedControl {
  int id;
  Kept kind;
  int initial;          // the first state: checked (1) or not, the list's item, the track bar's position
  bool writtenAtClose;  // written when the window goes rather than by "Save Settings"
};

// Every saved setting, in the order of loading and saving. Its key is the control's name in the
// window's section; the output folder's is "FilePath" in "General", at first the default folder.
constexpr SavedControl kSavedControls[] = {
    {edOutput, Kept::kFolder, 0, false},
    {cbStayConnected, Kept::kCheckBox, 1, false},
    {cbAutoCreate, Kept::kCheckBox, 1, false},
    {cbRecordAs, Kept::kComboBox, rfWav, false},
    {cbPreRecord, Kept::kComboBox, 0, false},  // "Off"
    {cbMP3SampleRate, Kept::kComboBox, 0, false},  // "Auto"
    {cbMP3JointStereo, Kept::kCheckBox, 0, false},
    {cbMP3Bitrate, Kept::kComboBox, 8, false},  // "128 kbps"
    {cbMP3MaxBitRate, Kept::kComboBox, 13, false},  // "320 kbps"
    {tbMP3Quality, Kept::kTrackBar, 2, false},
    {cbMP3Private, Kept::kCheckBox, 0, false},
    {cbMP3CRC, Kept::kCheckBox, 0, false},
    {cbMP3Copyright, Kept::kCheckBox, 0, false},
    {cbMP3Original, Kept::kCheckBox, 0, false},
    {cbMP3VBRHeader, Kept::kCheckBox, 0, false},
    {tbMP3VBRQuality, Kept::kTrackBar, 5, false},
    {cbMP3NoRes, Kept::kCheckBox, 0, false},
    {cbMP3Method, Kept::kComboBox, mmConstant, false},
    {tbOggQuality, Kept::kTrackBar, 4, false},
    {rbOggVBR, Kept::kCheckBox, 1, false},  // rbOggABR is its opposite, not kept
    {tbFLACLevel, Kept::kTrackBar, FlacSettings{}.level, false},
    {tbVolume, Kept::kTrackBar, 4000, true},
};

void SetTrackBar(HWND bar, int low, int high) {
  SendMessageA(bar, TBM_SETRANGE, FALSE, MAKELPARAM(low, high));
  SendMessageA(bar, TBM_SETPAGESIZE, 0, 1);
}

int Position(HWND bar) { return static_cast<int>(SendMessageA(bar, TBM_GETPOS, 0, 0)); }
void SetTag(HWND control, LONG_PTR tag) { SetWindowLongPtrA(control, GWLP_USERDATA, tag); }
LONG_PTR Tag(HWND control) { return GetWindowLongPtrA(control, GWLP_USERDATA); }
int Selected(HWND list) { return static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0)); }
bool IsChecked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Check(HWND box, bool on) { SendMessageA(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }

bool IsClass(HWND control, const char* name) {
  char className[32] = "";
  GetClassNameA(control, className, sizeof className);
  return lstrcmpiA(className, name) == 0;
}

void AddItems(HWND list, std::initializer_list<const char*> items) {
  for (const char* item : items) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string WithTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() != '\\') {
    path += '\\';
  }
  return path;
}

// The user's music folder when it exists, else the documents folder when it exists, with a
// trailing backslash; empty when neither does. A folder's path may resolve where no folder is.
std::string DefaultOutputFolder() {
  for (int folder : {CSIDL_MYMUSIC, CSIDL_PERSONAL}) {
    char path[MAX_PATH] = "";
    if (SUCCEEDED(SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)) && FolderExists(path)) {
      return WithTrailingBackslash(path);
    }
  }
  return {};
}

std::string WindowText(HWND window) {
  char text[MAX_PATH + 1] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

void SetInitialState(const TPluginBaseForm& form, const SavedControl& saved) {
  HWND control = form.Control(saved.id);
  switch (saved.kind) {
    case Kept::kFolder:
      break;  // the default folder, when the file has none
    case Kept::kCheckBox:
      Check(control, saved.initial != 0);
      break;
    case Kept::kComboBox:
      SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(saved.initial), 0);
      break;
    case Kept::kTrackBar:
      SendMessageA(control, TBM_SETPOS, TRUE, saved.initial);
      SetTag(control, saved.initial);
      break;
  }
}

// The control's state is the default, so a missing key leaves it as it is.
void Load(const TMyIniFile& ini, const TPluginBaseForm& form, const SavedControl& saved) {
  switch (saved.kind) {
    case Kept::kFolder:
      SetWindowTextA(form.Control(saved.id),
                     ini.ReadString(kGeneralSection, "FilePath", DefaultOutputFolder()).c_str());
      break;
    case Kept::kCheckBox:
      ini.ReadCheckBox(form, saved.id);
      break;
    case Kept::kComboBox:
      ini.ReadComboBox(form, saved.id);
      break;
    case Kept::kTrackBar:
      ini.ReadTrackBar(form, saved.id);
      SetTag(form.Control(saved.id), Position(form.Control(saved.id)));
      break;
  }
}

void Save(const TMyIniFile& ini, const TPluginBaseForm& form, const SavedControl& saved) {
  switch (saved.kind) {
    case Kept::kFolder:
      ini.WriteString(kGeneralSection, "FilePath", WindowText(form.Control(saved.id)));
      break;
    case Kept::kCheckBox:
      ini.WriteCheckBox(form, saved.id);
      break;
    case Kept::kComboBox:
      ini.WriteComboBox(form, saved.id);
      break;
    case Kept::kTrackBar:
      ini.WriteTrackBar(form, saved.id);
      break;
  }
}

}  // namespace

void SettingsPages::FillLists() {
  AddItems(Control(cbRecordAs), {"WAV", "MP3", "Ogg Vorbis", "FLAC"});
  for (unsigned seconds : kPreRecordSeconds) {
    const std::string item = seconds == 0 ? "Off" : std::to_string(seconds) + " s";
    SendMessageA(Control(cbPreRecord), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  AddItems(Control(cbMP3Method), {"Constant Bit Rate", "Variable Bit Rate", "Average Bit Rate"});
  for (int id : {cbMP3Bitrate, cbMP3MaxBitRate}) {
    AddItems(Control(id), {"32 kbps", "40 kbps", "48 kbps", "56 kbps", "64 kbps", "80 kbps", "96 kbps", "112 kbps",
                           "128 kbps", "160 kbps", "192 kbps", "224 kbps", "256 kbps", "320 kbps"});
  }
  AddItems(Control(cbMP3SampleRate), {"Auto", "48 khz", "44.1 khz", "32 khz", "24 khz", "22.05 khz", "16 khz"});
  SetTrackBar(Control(tbMP3Quality), 0, 3);
  SetTrackBar(Control(tbMP3VBRQuality), 0, 9);
  SetTrackBar(Control(tbOggQuality), -1, 10);
  SetTrackBar(Control(tbFLACLevel), kFlacFastestLevel, kFlacSmallestLevel);
  SetTrackBar(Control(tbVolume), 0, 10000);
  SendMessageA(Control(tbVolume), TBM_SETLINESIZE, 0, 200);
  SendMessageA(Control(tbVolume), TBM_SETPAGESIZE, 0, 800);
  SendMessageA(Control(tbVolume), TBM_SETTICFREQ, 800, 0);
  SetTrackBar(Control(tbSeek), 0, 10000);
  for (const SavedControl& saved : kSavedControls) {
    SetInitialState(view_.SettingsForm(), saved);
  }
}

void SettingsPages::LoadSettings() {
  const TMyIniFile* store = view_.SettingsStore();
  if (store == nullptr) {
    return;
  }
  for (const SavedControl& saved : kSavedControls) {
    Load(*store, view_.SettingsForm(), saved);
  }
  Check(Control(rbOggABR), !IsChecked(Control(rbOggVBR)));
  cbRecordAsOnChange();
  cbPreRecordOnChange();
  TbOggQualityChange();
  TbFlacLevelChange();
  ReadMP3Settings(ReadMp3Controls(), mp3Template_);
  ShowMP3Settings();
  UpdateNaming();
  EnableWindow(Control(btnSave), FALSE);
}

void SettingsPages::SaveSettings() {
  if (WriteSaved(false)) {
    EnableWindow(Control(btnSave), FALSE);
  }
}

void SettingsPages::SaveAtClose() { WriteSaved(true); }

bool SettingsPages::WriteSaved(bool atClose) {
  const TMyIniFile* store = view_.SettingsStore();
  if (store == nullptr) {
    return false;
  }
  for (const SavedControl& saved : kSavedControls) {
    if (saved.writtenAtClose == atClose) {
      Save(*store, view_.SettingsForm(), saved);
    }
  }
  return true;
}

Mp3Controls SettingsPages::ReadMp3Controls() const {
  Mp3Controls controls;
  controls.method = Selected(Control(cbMP3Method));
  controls.quality = Position(Control(tbMP3Quality));
  controls.bitrate = Selected(Control(cbMP3Bitrate));
  controls.sampleRate = Selected(Control(cbMP3SampleRate));
  controls.maxBitrate = Selected(Control(cbMP3MaxBitRate));
  controls.vbrQuality = Position(Control(tbMP3VBRQuality));
  controls.jointStereo = IsChecked(Control(cbMP3JointStereo));
  controls.noRes = IsChecked(Control(cbMP3NoRes));
  controls.isPrivate = IsChecked(Control(cbMP3Private));
  controls.original = IsChecked(Control(cbMP3Original));
  controls.copyright = IsChecked(Control(cbMP3Copyright));
  controls.crc = IsChecked(Control(cbMP3CRC));
  controls.vbrHeader = IsChecked(Control(cbMP3VBRHeader));
  return controls;
}

void SettingsPages::ShowMP3Settings() {
  Mp3Controls shown;
  sonotape::ShowMP3Settings(mp3Template_, shown);
  SendMessageA(Control(cbMP3SampleRate), CB_SETCURSEL, static_cast<WPARAM>(shown.sampleRate), 0);
  Check(Control(cbMP3JointStereo), shown.jointStereo);
  SendMessageA(Control(cbMP3Bitrate), CB_SETCURSEL, static_cast<WPARAM>(shown.bitrate), 0);
  SendMessageA(Control(cbMP3MaxBitRate), CB_SETCURSEL, static_cast<WPARAM>(shown.maxBitrate), 0);
  SendMessageA(Control(tbMP3Quality), TBM_SETPOS, TRUE, shown.quality);
  Check(Control(cbMP3Private), shown.isPrivate);
  Check(Control(cbMP3CRC), shown.crc);
  Check(Control(cbMP3Copyright), shown.copyright);
  Check(Control(cbMP3Original), shown.original);
  Check(Control(cbMP3VBRHeader), shown.vbrHeader);
  SendMessageA(Control(tbMP3VBRQuality), TBM_SETPOS, TRUE, shown.vbrQuality);
  Check(Control(cbMP3NoRes), shown.noRes);
  SendMessageA(Control(cbMP3Method), CB_SETCURSEL, static_cast<WPARAM>(shown.method), 0);
  SetText(lblBitrate, shown.bitrateCaption);
  EnableWindow(Control(cbMP3MaxBitRate), shown.vbrControlsEnabled ? TRUE : FALSE);
  EnableWindow(Control(tbMP3VBRQuality), shown.vbrControlsEnabled ? TRUE : FALSE);
}

void SettingsPages::cbVBRClick() {
  ReadMP3Settings(ReadMp3Controls(), mp3Template_);
  ShowMP3Settings();
  EnableWindow(Control(btnSave), TRUE);
}

void SettingsPages::cbRecordAsOnChange() {
  view_.SetRecordingFormat(static_cast<RecordingFormat>(Selected(Control(cbRecordAs))));  // at once
  UpdateNaming();
  view_.UpdateTabs();
  EnableWindow(Control(btnSave), TRUE);
}

void SettingsPages::cbPreRecordOnChange() {
  const int item = Selected(Control(cbPreRecord));
  view_.SetPreRecordSeconds(item >= 0 && item < static_cast<int>(std::size(kPreRecordSeconds)) ? kPreRecordSeconds[item]
                                                                                                : 0);
  EnableWindow(Control(btnSave), TRUE);
}

void SettingsPages::TbOggQualityChange() {
  SetText(lblOggBitrate, "Bit Rate approx. " + std::to_string(OggAverageBitrate(Position(Control(tbOggQuality)))) + " kbps");
  OnSettingsChange(Control(tbOggQuality));
}

// The level goes to the recorder at once, for the next file.
void SettingsPages::TbFlacLevelChange() {
  const int level = Position(Control(tbFLACLevel));
  SetText(lblFLACLevelValue, "Level " + std::to_string(level) + " (" + std::to_string(kFlacFastestLevel) +
                                 " = fastest, " + std::to_string(kFlacSmallestLevel) + " = smallest)");
  view_.SetFlacSettings({level});
  OnSettingsChange(Control(tbFLACLevel));
}

void SettingsPages::OnTrackBar(HWND bar) {
  switch (GetDlgCtrlID(bar)) {
    case tbOggQuality:
      TbOggQualityChange();
      break;
    case tbFLACLevel:
      TbFlacLevelChange();
      break;
    default:
      OnSettingsChange(bar);
      break;
  }
}

void SettingsPages::OnSettingsChange(HWND sender) {
  if (IsClass(sender, TRACKBAR_CLASSA)) {
    const int position = Position(sender);
    if (position == Tag(sender)) {
      return;
    }
    SetTag(sender, position);
  } else if (IsClass(sender, "Edit")) {
    if (!SendMessageA(sender, EM_GETMODIFY, 0, 0)) {
      return;
    }
    SendMessageA(sender, EM_SETMODIFY, FALSE, 0);
  }
  EnableWindow(Control(btnSave), TRUE);
}

void SettingsPages::btnFileClick() {
  TFolderDialog dialog(view_.SettingsForm().Handle());
  dialog.Title = "Select the output directory:";
  dialog.Path = Text(edOutput);
  if (!dialog.Execute()) {
    return;
  }
  const std::string path = WithTrailingBackslash(dialog.Path);
  if (path != Text(edOutput)) {
    SetText(edOutput, path);
    UpdateNaming();
    EnableWindow(Control(btnSave), TRUE);
  }
}

void SettingsPages::FormShow() {
  if (!shown_) {
    shown_ = true;
    EnableWindow(Control(btnSave), FALSE);
  }
}

void SettingsPages::OnCommand(int id, int code) {
  switch (id) {
    case cbAutoCreate:
      if (code == BN_CLICKED) {
        UpdateNaming();
        OnSettingsChange(Control(id));
      }
      break;
    case cbRecordAs:
      if (code == CBN_SELCHANGE) cbRecordAsOnChange();
      break;
    case cbPreRecord:
      if (code == CBN_SELCHANGE) cbPreRecordOnChange();
      break;
    case cbMP3Method:
      if (code == CBN_SELCHANGE) cbVBRClick();
      break;
    case cbMP3Bitrate:
    case cbMP3SampleRate:
    case cbMP3MaxBitRate:
      if (code == CBN_SELCHANGE) OnSettingsChange(Control(id));
      break;
    case cbMP3JointStereo:
    case cbMP3NoRes:
    case cbMP3Private:
    case cbMP3Original:
    case cbMP3Copyright:
    case cbMP3CRC:
    case cbMP3VBRHeader:
      if (code == BN_CLICKED) OnSettingsChange(Control(id));
      break;
    case rbOggVBR:
    case rbOggABR:
      if (code == BN_CLICKED) {
        // The window is no dialog: keep the pair exclusive.
        CheckRadioButton(view_.SettingsForm().Handle(), rbOggVBR, rbOggABR, id);
        OnSettingsChange(Control(id));
      }
      break;
    case edFilename:
      if (code == EN_CHANGE) UpdateNaming();
      break;
    case edOutput:
      if (code == EN_CHANGE) {
        UpdateNaming();
        OnSettingsChange(Control(id));
      }
      break;
    case btnFile:
      if (code == BN_CLICKED) btnFileClick();
      break;
    case btnSave:
      if (code == BN_CLICKED) SaveSettings();
      break;
    default:
      break;
  }
}

void SettingsPages::UpdateNaming() {
  FileNaming naming;
  naming.scheduledTitle = view_.ScheduledTitle();
  naming.typedName = Text(edFilename);
  naming.appendDateTime = IsChecked(Control(cbAutoCreate));
  naming.outputFolder = Text(edOutput);
  naming.defaultFolder = DefaultOutputFolder();
  view_.SetNaming(naming);
  ReadMP3Settings(ReadMp3Controls(), mp3Template_);
  view_.SetMp3Settings(mp3Template_);
  view_.SetOggSettings({IsChecked(Control(rbOggVBR)), Position(Control(tbOggQuality))});
  view_.SetFlacSettings({Position(Control(tbFLACLevel))});
}

std::string SettingsPages::Text(int id) const { return WindowText(Control(id)); }

void SettingsPages::SetText(int id, const std::string& text) const { SetWindowTextA(Control(id), text.c_str()); }

}  // namespace sonotape
