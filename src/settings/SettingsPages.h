#pragma once
// The tool window's settings pages: loading and saving every setting, the MP3 pages' method and
// their configuration template, the Ogg page's bit rate, the FLAC page's level, the save button's
// state, and the naming and encoder settings the recorder takes from the pages. It reaches its
// window and the recorder only through SettingsView. Window thread only.

#include <windows.h>

#include <string>

#include "audio/OutputNaming.h"
#include "codecs/BeConfig.h"
#include "codecs/FlacEncoder.h"
#include "codecs/Mp3Settings.h"
#include "codecs/OggEncoder.h"
#include "settings/MyIniFile.h"
#include "settings/PluginBaseForm.h"

namespace sonotape {

// What the settings pages need of their window and of the recorder.
class SettingsView {
 public:
  virtual ~SettingsView() = default;
  // The window holding the pages' controls; its name and theirs key the stored settings.
  virtual const TPluginBaseForm& SettingsForm() = 0;
  // The settings store; none: nothing is loaded or saved.
  virtual TMyIniFile* SettingsStore() = 0;
  // The recorder's settings for the next start (and the next file).
  virtual void SetRecordingFormat(RecordingFormat format) = 0;
  virtual void SetNaming(const FileNaming& naming) = 0;
  virtual void SetMp3Settings(const BE_CONFIG& config) = 0;
  virtual void SetOggSettings(const OggSettings& settings) = 0;
  virtual void SetFlacSettings(const FlacSettings& settings) = 0;
  // The seconds the tap keeps while nothing records; 0: none.
  virtual void SetPreRecordSeconds(unsigned seconds) = 0;
  // The title of the host's timer recording; empty when none is scheduled.
  virtual std::string ScheduledTitle() = 0;
  // Shows the tabs of the pages that apply to the format chosen.
  virtual void UpdateTabs() = 0;
};

class SettingsPages {
 public:
  explicit SettingsPages(SettingsView& view) : view_(view) {}
  SettingsPages(const SettingsPages&) = delete;
  SettingsPages& operator=(const SettingsPages&) = delete;

  // Once the window's controls exist: the lists' items, the track bars' ranges, and the first
  // state of every saved control.
  void FillLists();
  void LoadSettings();
  // "Save Settings": every setting but the volume.
  void SaveSettings();
  // When the window goes: the volume.
  void SaveAtClose();
  // The MP3 pages show the configuration template.
  void ShowMP3Settings();
  // WM_COMMAND from the pages' fields, lists and boxes and the save and folder buttons.
  void OnCommand(int id, int code);
  // WM_HSCROLL from a track bar of the pages.
  void OnTrackBar(HWND bar);
  // The common handler of a changed setting: the save button is enabled when sender's value
  // changed.
  void OnSettingsChange(HWND sender);
  // WM_SHOWWINDOW: the first showing leaves nothing to save.
  void FormShow();
  // Hands the recorder the naming and encoder settings the pages show now.
  void UpdateNaming();

 private:
  // Writes the saved controls kept at the close, or the others; false without a store.
  bool WriteSaved(bool atClose);
  Mp3Controls ReadMp3Controls() const;
  void cbVBRClick();
  void cbRecordAsOnChange();
  // The pre-record setting goes to the recorder at once.
  void cbPreRecordOnChange();
  void TbOggQualityChange();
  void TbFlacLevelChange();
  void btnFileClick();

  HWND Control(int id) const { return view_.SettingsForm().Control(id); }
  std::string Text(int id) const;
  void SetText(int id, const std::string& text) const;

  SettingsView& view_;
  BE_CONFIG mp3Template_{};
  bool shown_ = false;
};

}  // namespace sonotape
