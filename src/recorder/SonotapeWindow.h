#pragma once
// The plug-in's tool window: its pages and controls, the recorder's buttons, captions and
// timers, the command messages of remote-control tools and the host's timer recordings.

#include <windows.h>
#include <commctrl.h>
#include <dshow.h>

#include <memory>
#include <string>

#include "recorder/Recorder.h"
#include "recorder/VisualStyles.h"
#include "shell/TimerRecord.h"

namespace sonotape {

class TfrmSonotape final : public RecorderView {
 public:
  static constexpr char kClassName[] = "TfrmSonotape";
  static constexpr char kCaption[] = "Sonotape 4.0";

  explicit TfrmSonotape(HINSTANCE module);
  ~TfrmSonotape() override;
  TfrmSonotape(const TfrmSonotape&) = delete;
  TfrmSonotape& operator=(const TfrmSonotape&) = delete;

  // Creates the hidden window owned by owner; false when it cannot be created.
  bool Create(HWND owner);
  HWND Handle() const { return window_; }
  void SetHostWindow(HWND host) { hostWindow_ = host; }
  void SetPluginMenu(HMENU menu) { pluginMenu_ = menu; }
  void Show();

  bool AttachGraph(IFilterGraph* graph);
  void DetachGraph();
  BOOL Execute();
  INT32 EventMsg(INT32 type, const void* record);

  // RecorderView
  int ShowMessage(const std::string& text, unsigned flags) override;
  void RecorderStateChanged() override;
  void PostNewFile() override;
  LocalTime Now() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void OnCommand(int id, int code);
  LRESULT OnHostCommand(WPARAM command);
  void OnScheduleTick();
  void OnUpdateTick();
  void ShowPage(int page);
  void ShowRecordingStats(const RecordingStats& stats);
  void UpdateNaming();
  std::string QueryHostChannelName();
  bool ConfirmStopRecording();
  void StayConnectedClick();

  HWND Control(int id) const { return GetDlgItem(window_, id); }
  std::string Text(int id) const;
  void SetText(int id, const std::string& text);
  bool Checked(int id) const;

  HINSTANCE module_;
  VisualStyles styles_;
  HWND window_ = nullptr;
  HWND hostWindow_ = nullptr;
  HMENU pluginMenu_ = nullptr;
  HIMAGELIST buttons_ = nullptr;
  HFONT font_ = nullptr;
  bool playShown_ = false;
  bool hostClosing_ = false;
  bool scheduleActive_ = false;
  Schedule schedule_;
  std::unique_ptr<Recorder> recorder_;
};

}  // namespace sonotape
