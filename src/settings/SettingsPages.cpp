#include "settings/SettingsPages.h"

#include <commctrl.h>
#include <shlobj.h>

#include <initializer_list>

#include "settings/FolderDialog.h"
#include "ui/WindowIds.h"

namespace sonotape {

namespace {

constexpr char kGeneralSection[] = "General";

void SetTrackBar(HWND bar, int low, int high, int position) {
  SendMessageA(bar, TBM_SETRANGE, FALSE, MAKELPARAM(low, high));
  SendMessageA(bar, TBM_SETPAGESIZE, 0, 1);
  SendMessageA(bar, TBM_SETPOS, TRUE, position);
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

void AddItems(HWND list, std::initializer_list<const char*> items, int selected) {
  for (const char* item : items) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The user's music folder, else the documents folder, with a trailing backslash; empty when
// neither exists.
std::string DefaultOutputFolder() {
  char path[MAX_PATH];
  for (int folder : {CSIDL_MYMUSIC, CSIDL_PERSONAL}) {
    if (SUCCEEDED(SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) {
      return FolderExists(path) ? std::string(path) + "\\" : std::string();
    }
  }
  return {};
}

}  // namespace

void SettingsPages::FillLists() {
  AddItems(Control(cbRecordAs), {"WAV", "MP3", "Ogg Vorbis"}, rfWav);
  AddItems(Control(cbMP3Method), {"Constant Bit Rate", "Variable Bit Rate", "Average Bit Rate"}, mmConstant);
  for (int id : {cbMP3Bitrate, cbMP3MaxBitRate}) {
    AddItems(Control(id),
             {"32 kbps", "40 kbps", "48 kbps", "56 kbps", "64 kbps", "80 kbps", "96 kbps", "112 kbps", "128 kbps",
              "160 kbps", "192 kbps", "224 kbps", "256 kbps", "320 kbps"},
             id == cbMP3Bitrate ? 8 : 13);
  }
  AddItems(Control(cbMP3SampleRate), {"Auto", "48 khz", "44.1 khz", "32 khz", "24 khz", "22.05 khz", "16 khz"}, 0);
  SetTrackBar(Control(tbMP3Quality), 0, 3, 2);
  SetTrackBar(Control(tbMP3VBRQuality), 0, 9, 5);
  SetTrackBar(Control(tbOggQuality), -1, 10, 4);
  SetTrackBar(Control(tbVolume), 0, 10000, 4000);
  SendMessageA(Control(tbVolume), TBM_SETLINESIZE, 0, 200);
  SendMessageA(Control(tbVolume), TBM_SETPAGESIZE, 0, 800);
  SendMessageA(Control(tbVolume), TBM_SETTICFREQ, 800, 0);
  SetTrackBar(Control(tbSeek), 0, 10000, 0);
  for (int id : {tbMP3Quality, tbMP3VBRQuality, tbOggQuality, tbVolume}) {
    SetTag(Control(id), Position(Control(id)));
  }
}

void SettingsPages::LoadSettings() {
  const TMyIniFile* store = view_.SettingsStore();
  if (store == nullptr) {
    return;
  }
  const TMyIniFile& ini = *store;
  const TPluginBaseForm& form = view_.SettingsForm();
  SetText(edOutput, ini.ReadString(kGeneralSection, "FilePath", DefaultOutputFolder()));
  ini.ReadCheckBox(form, cbStayConnected);
  ini.ReadCheckBox(form, cbAutoCreate);
  ini.ReadComboBox(form, cbRecordAs);
  cbRecordAsOnChange();
  ini.ReadComboBox(form, cbMP3SampleRate);
  ini.ReadCheckBox(form, cbMP3JointStereo);
  ini.ReadComboBox(form, cbMP3Bitrate);
  ini.ReadComboBox(form, cbMP3MaxBitRate);
  ini.ReadTrackBar(form, tbMP3Quality);
  SetTag(Control(tbMP3Quality), Position(Control(tbMP3Quality)));
  for (int id : {cbMP3Private, cbMP3CRC, cbMP3Copyright, cbMP3Original, cbMP3VBRHeader}) {
    ini.ReadCheckBox(form, id);
  }
  ini.ReadTrackBar(form, tbMP3VBRQuality);
  SetTag(Control(tbMP3VBRQuality), Position(Control(tbMP3VBRQuality)));
  ini.ReadCheckBox(form, cbMP3NoRes);
  ini.ReadComboBox(form, cbMP3Method);
  ini.ReadTrackBar(form, tbOggQuality);
  SetTag(Control(tbOggQuality), Position(Control(tbOggQuality)));
  ini.ReadCheckBox(form, rbOggVBR);
  Check(Control(rbOggABR), !IsChecked(Control(rbOggVBR)));
  ini.ReadTrackBar(form, tbVolume);
  SetTag(Control(tbVolume), Position(Control(tbVolume)));
  TbOggQualityChange();
  ReadMP3Settings(ReadMp3Controls(), mp3Template_);
  ShowMP3Settings();
  UpdateNaming();
  EnableWindow(Control(btnSave), FALSE);
}

void SettingsPages::SaveSettings() {
  const TMyIniFile* store = view_.SettingsStore();
  if (store == nullptr) {
    return;
  }
  const TMyIniFile& ini = *store;
  const TPluginBaseForm& form = view_.SettingsForm();
  ini.WriteString(kGeneralSection, "FilePath", Text(edOutput));
  ini.WriteCheckBox(form, cbStayConnected);
  ini.WriteCheckBox(form, cbAutoCreate);
  ini.WriteComboBox(form, cbRecordAs);
  ini.WriteComboBox(form, cbMP3SampleRate);
  ini.WriteCheckBox(form, cbMP3JointStereo);
  ini.WriteComboBox(form, cbMP3Bitrate);
  ini.WriteComboBox(form, cbMP3MaxBitRate);
  ini.WriteTrackBar(form, tbMP3Quality);
  for (int id : {cbMP3Private, cbMP3CRC, cbMP3Copyright, cbMP3Original, cbMP3VBRHeader}) {
    ini.WriteCheckBox(form, id);
  }
  ini.WriteTrackBar(form, tbMP3VBRQuality);
  ini.WriteCheckBox(form, cbMP3NoRes);
  ini.WriteComboBox(form, cbMP3Method);
  ini.WriteTrackBar(form, tbOggQuality);
  ini.WriteCheckBox(form, rbOggVBR);
  EnableWindow(Control(btnSave), FALSE);
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

void SettingsPages::TbOggQualityChange() {
  SetText(lblOggBitrate, "Bit Rate approx. " + std::to_string(OggAverageBitrate(Position(Control(tbOggQuality)))) + " kbps");
  OnSettingsChange(Control(tbOggQuality));
}

void SettingsPages::OnTrackBar(HWND bar) {
  if (GetDlgCtrlID(bar) == tbOggQuality) {
    TbOggQualityChange();
  } else {
    OnSettingsChange(bar);
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
  std::string path = dialog.Path;
  if (!path.empty() && path.back() != '\\') {
    path += '\\';
  }
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
}

std::string SettingsPages::Text(int id) const {
  char text[MAX_PATH + 1] = "";
  GetWindowTextA(Control(id), text, sizeof text);
  return text;
}

void SettingsPages::SetText(int id, const std::string& text) const { SetWindowTextA(Control(id), text.c_str()); }

}  // namespace sonotape
