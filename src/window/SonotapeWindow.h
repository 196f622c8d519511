#pragma once
// The plug-in's tool window: its pages and controls, the recorder's buttons, captions and
// timers; it wires the pages' controllers, the recorder and the host's events together.

#include <windows.h>
#include <commctrl.h>
#include <dshow.h>

#include <memory>
#include <string>

#include "player/AudioPlayer.h"
#include "player/PlayPage.h"
#include "recorder/HostEvents.h"
#include "recorder/LevelMeters.h"
#include "recorder/Recorder.h"
#include "settings/MyIniFile.h"
#include "settings/PluginBaseForm.h"
#include "settings/SettingsPages.h"
#include "ui/WindowIds.h"
#include "window/GdiOwner.h"
#include "window/VisualStyles.h"

namespace sonotape {

class TfrmSonotape final : public TPluginBaseForm,
                           public RecorderView,
                           public PlayPageView,
                           public SettingsView,
                           public HostEventsView,
                           public LevelMetersView {
 public:
  static constexpr char kClassName[] = "TfrmSonotape";
  static constexpr char kCaption[] = "Sonotape 4.0";

  // The window keeps its settings in ini (none: defaults, nothing stored).
  TfrmSonotape(HINSTANCE module, std::unique_ptr<TMyIniFile> ini);
  ~TfrmSonotape() override;
  TfrmSonotape(const TfrmSonotape&) = delete;
  TfrmSonotape& operator=(const TfrmSonotape&) = delete;

  // Creates the hidden window owned by owner; false when it cannot be created.
  bool Create(HWND owner);
  const char* ControlName(int id) const override;
  void SetHostWindow(HWND host) { hostWindow_ = host; }
  void SetPluginMenu(HMENU menu) { pluginMenu_ = menu; }
  void Show() override;

  bool AttachGraph(IFilterGraph* graph);
  void DetachGraph();
  BOOL Execute() { return hostEvents_->Execute(); }
  INT32 EventMsg(INT32 type, const void* record) { return hostEvents_->EventMsg(type, record); }

  // RecorderView
  int ShowMessage(const std::string& text, unsigned flags) override;
  void RecorderStateChanged() override;
  void PostNewFile() override;
  void PostWriteFailure() override;
  void PostWaitingForFormat() override;
  void RecordingFormatChanged(RecordingFormat format) override;
  LocalTime Now() override;
  std::string HostChannel() override;
  void StopPlayback() override {
    if (playPage_) playPage_->StopPlayback();
  }

  // PlayPageView
  HWND PlayControl(int id) override { return Control(id); }
  HIMAGELIST ButtonImages() override { return buttons_.Get(); }
  HWND EventWindow() override { return window_; }
  bool PlayPageShown() override { return playShown_; }
  void RunUpdateRoutine() override { OnUpdateTick(); }
  void EnableUpdateTimer() override { SetTimer(window_, tmrUpdate, kTimerInterval, nullptr); }
  void SettingsChanged(HWND sender) override { settings_.OnSettingsChange(sender); }
  void ShowError(const std::string& text) override { recorder_->RecorderMessage(text, MB_ICONERROR); }
  RecordedFile PlayFile() override { return recorder_->CurrentFile(); }
  double RecordedSeconds() override { return recorder_->ReadRecordingStats().seconds; }
  long SetHostVolume(long volume, bool* known) override {
    return sonotape::SetHostVolume(recorder_->Graph(), volume, known);
  }

  // SettingsView
  const TPluginBaseForm& SettingsForm() override { return *this; }
  TMyIniFile* SettingsStore() override { return ini_.get(); }
  // Each setting the time left on disk depends on shows it anew.
  void SetRecordingFormat(RecordingFormat format) override {
    recorder_->SetRecordingFormat(format);
    ShowRecordStatus();
  }
  void SetNaming(const FileNaming& naming) override {
    recorder_->SetNaming(naming);
    ShowRecordStatus();
  }
  void SetMp3Settings(const BE_CONFIG& config) override {
    recorder_->SetMp3Settings(config);
    ShowRecordStatus();
  }
  void SetOggSettings(const OggSettings& settings) override {
    recorder_->SetOggSettings(settings);
    ShowRecordStatus();
  }
  void SetFlacSettings(const FlacSettings& settings) override {
    recorder_->SetFlacSettings(settings);
    ShowRecordStatus();
  }
  void SetPreRecordSeconds(unsigned seconds) override;
  std::string ScheduledTitle() override { return hostEvents_->ScheduledTitle(); }
  void UpdateTabs() override;

  // HostEventsView
  HWND ScheduleWindow() override { return window_; }
  HWND HostWindow() override { return hostWindow_; }
  void NameByDateTime() override;
  void UpdateNaming() override { settings_.UpdateNaming(); }
  LRESULT RecordAsSelection() override { return SendMessageA(Control(cbRecordAs), CB_GETCURSEL, 0, 0); }

  // LevelMetersView
  void ShowMeterCount(unsigned count) override;
  void ShowMeter(unsigned channel, const MeterReading& reading) override;

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void CreateControls();
  void OnCommand(int id, int code);
  void OnUpdateTick();
  void ShowPage(int page);
  void SaveWindowState();
  void ShowRecordingStats(const RecordingStats& stats);
  void ShowRecordStatus();
  std::string QueryHostChannelName();
  void StayConnectedClick();
  // Splices the tap into an attached graph when it is to stay, or to keep sound for pre-recording.
  void ConnectTapIfWanted();
  // The status line's text and whether it warns.
  std::string RecordStatusText(bool& warn);
  // What the pre-record buffer holds, where it changed (with a new format): beside the list the
  // seconds, where the memory cap allows fewer than chosen, and a failure in the status line.
  void ShowPreRecordState();
  // The meters run while the General page is in view.
  void UpdateMeterTimer(bool windowShown);

  void SetText(int id, const std::string& text);
  bool Checked(int id) const;

  VisualStyles styles_;
  std::unique_ptr<TMyIniFile> ini_;
  HWND hostWindow_ = nullptr;
  HMENU pluginMenu_ = nullptr;
  ImageListOwner buttons_;
  BrushOwner pageBrush_;  // the background of the controls on the pages
  bool playShown_ = false;
  bool statusWarns_ = false;  // the status line shows a warning: in the warning colour
  Recorder::PreRecordState preRecordShown_;
  SettingsPages settings_{*this};
  std::unique_ptr<Recorder> recorder_;
  std::unique_ptr<HostEvents> hostEvents_;  // drives recorder_
  std::unique_ptr<TAudioPlayer> player_;    // parked from creation until the Play page plays
  std::unique_ptr<PlayPage> playPage_;      // drives player_
  std::unique_ptr<LevelMeters> meters_;     // reads recorder_
};

}  // namespace sonotape
