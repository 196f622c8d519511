#pragma once
// A hidden window of the test's own with every control of the tool window's table, whose settings
// pages' controller it drives with the messages those controls send, and which notes what the
// controller hands the recorder through SettingsView.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "settings/MyIniFile.h"
#include "settings/PluginBaseForm.h"
#include "settings/SettingsPages.h"

namespace sonotape {

class PagesForm final : public TPluginBaseForm, public SettingsView {
 public:
  // The settings kept in store (none: defaults, nothing loaded or saved).
  explicit PagesForm(std::unique_ptr<TMyIniFile> store);
  ~PagesForm() override;
  PagesForm(const PagesForm&) = delete;
  PagesForm& operator=(const PagesForm&) = delete;

  // The window and its controls, the lists filled and the settings loaded; false when the window
  // cannot be created.
  bool Create();
  const char* ControlName(int id) const override;

  // SettingsView
  const TPluginBaseForm& SettingsForm() override { return *this; }
  TMyIniFile* SettingsStore() override { return store_.get(); }
  void SetRecordingFormat(RecordingFormat format) override { formats.push_back(format); }
  void SetNaming(const FileNaming&) override {}
  void SetMp3Settings(const BE_CONFIG&) override {}
  void SetOggSettings(const OggSettings&) override {}
  void SetFlacSettings(const FlacSettings& settings) override { flacLevels.push_back(settings.level); }
  void SetPreRecordSeconds(unsigned seconds) override { preRecordSeconds.push_back(seconds); }
  std::string ScheduledTitle() override { return {}; }
  void UpdateTabs() override {}

  // What the controller handed over, oldest first.
  std::vector<RecordingFormat> formats;
  std::vector<int> flacLevels;
  std::vector<unsigned> preRecordSeconds;

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  std::unique_ptr<TMyIniFile> store_;
  SettingsPages pages_{*this};
};

}  // namespace sonotape
