// The tool window's settings pages: loading and saving every setting, the MP3 pages' method and
// their configuration template, the pages shown for each format, and the save button's state.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "codecs/Mp3Settings.h"
#include "codecs/OggEncoder.h"
#include "recorder/SonotapeWindow.h"
#include "recorder/WindowIds.h"
#include "settings/FolderDialog.h"

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

}  // namespace

void TfrmSonotape::FillLists() {
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

void TfrmSonotape::LoadSettings() {
  if (!ini_) {
    return;
  }
  const TMyIniFile& ini = *ini_;
  SetText(edOutput, ini.ReadString(kGeneralSection, "FilePath", DefaultOutputFolder()));
  ini.ReadCheckBox(*this, cbStayConnected);
  ini.ReadCheckBox(*this, cbAutoCreate);
  ini.ReadComboBox(*this, cbRecordAs);
  cbRecordAsOnChange();
  ini.ReadComboBox(*this, cbMP3SampleRate);
  ini.ReadCheckBox(*this, cbMP3JointStereo);
  ini.ReadComboBox(*this, cbMP3Bitrate);
  ini.ReadComboBox(*this, cbMP3MaxBitRate);
  ini.ReadTrackBar(*this, tbMP3Quality);
  SetTag(Control(tbMP3Quality), Position(Control(tbMP3Quality)));
  for (int id : {cbMP3Private, cbMP3CRC, cbMP3Copyright, cbMP3Original, cbMP3VBRHeader}) {
    ini.ReadCheckBox(*this, id);
  }
  ini.ReadTrackBar(*this, tbMP3VBRQuality);
  SetTag(Control(tbMP3VBRQuality), Position(Control(tbMP3VBRQuality)));
  ini.ReadCheckBox(*this, cbMP3NoRes);
  ini.ReadComboBox(*this, cbMP3Method);
  ini.ReadTrackBar(*this, tbOggQuality);
  SetTag(Control(tbOggQuality), Position(Control(tbOggQuality)));
  ini.ReadCheckBox(*this, rbOggVBR);
  Check(Control(rbOggABR), !IsChecked(Control(rbOggVBR)));
  ini.ReadTrackBar(*this, tbVolume);
  SetTag(Control(tbVolume), Position(Control(tbVolume)));
  TbOggQualityChange();
  ReadMP3Settings(ReadMp3Controls(), mp3Template_);
  ShowMP3Settings();
  UpdateNaming();
  EnableWindow(Control(btnSave), FALSE);
}

void TfrmSonotape::SaveSettings() {
  if (!ini_) {
    return;
  }
  const TMyIniFile& ini = *ini_;
  ini.WriteString(kGeneralSection, "FilePath", Text(edOutput));
  ini.WriteCheckBox(*this, cbStayConnected);
  ini.WriteCheckBox(*this, cbAutoCreate);
  ini.WriteComboBox(*this, cbRecordAs);
  ini.WriteComboBox(*this, cbMP3SampleRate);
  ini.WriteCheckBox(*this, cbMP3JointStereo);
  ini.WriteComboBox(*this, cbMP3Bitrate);
  ini.WriteComboBox(*this, cbMP3MaxBitRate);
  ini.WriteTrackBar(*this, tbMP3Quality);
  for (int id : {cbMP3Private, cbMP3CRC, cbMP3Copyright, cbMP3Original, cbMP3VBRHeader}) {
    ini.WriteCheckBox(*this, id);
  }
  ini.WriteTrackBar(*this, tbMP3VBRQuality);
  ini.WriteCheckBox(*this, cbMP3NoRes);
  ini.WriteComboBox(*this, cbMP3Method);
  ini.WriteTrackBar(*this, tbOggQuality);
  ini.WriteCheckBox(*this, rbOggVBR);
  EnableWindow(Control(btnSave), FALSE);
}

Mp3Controls TfrmSonotape::ReadMp3Controls() const {
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

void TfrmSonotape::ShowMP3Settings() {
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

void TfrmSonotape::cbVBRClick() {
  ReadMP3Settings(ReadMp3Controls(), mp3Template_);
  ShowMP3Settings();
  EnableWindow(Control(btnSave), TRUE);
}

void TfrmSonotape::cbRecordAsOnChange() {
  recorder_->SetRecordingFormat(static_cast<RecordingFormat>(Selected(Control(cbRecordAs))));  // at once
  UpdateNaming();
  UpdateTabs();
  EnableWindow(Control(btnSave), TRUE);
}

void TfrmSonotape::TbOggQualityChange() {
  SetText(lblOggBitrate, "Bit Rate approx. " + std::to_string(OggAverageBitrate(Position(Control(tbOggQuality)))) + " kbps");
  OnSettingsChange(Control(tbOggQuality));
}

void TfrmSonotape::OnTrackBar(HWND bar) {
  if (GetDlgCtrlID(bar) == tbOggQuality) {
    TbOggQualityChange();
  } else {
    OnSettingsChange(bar);
  }
}

void TfrmSonotape::OnSettingsChange(HWND sender) {
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

void TfrmSonotape::btnFileClick() {
  TFolderDialog dialog(window_);
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

void TfrmSonotape::FormShow() {
  if (!shown_) {
    shown_ = true;
    EnableWindow(Control(btnSave), FALSE);
  }
}

}  // namespace sonotape
