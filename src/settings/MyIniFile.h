#pragma once
// The settings store: an ini file read and written straight through the platform's
// private-profile functions, the plug-in-wide DPI and font choice, DPI-independent window bounds,
// and one-line loading and saving of a control's state.

#include <windows.h>

#include <cstdint>
#include <string>

namespace sonotape {

class TPluginBaseForm;

// Chosen by the store's constructor; read by the windows when they are created.
struct PluginLook {
  std::string fontName = "Tahoma";
  std::int32_t dpi = 96;
  std::int32_t fontSizeStep = 0;
};
const PluginLook& CurrentPluginLook();

// The screen's logical DPI (96 when it cannot be read).
std::int32_t ScreenDpi();

class TMyIniFile {
 public:
  explicit TMyIniFile(std::string path);
  TMyIniFile(const TMyIniFile&) = delete;
  TMyIniFile& operator=(const TMyIniFile&) = delete;

  const std::string& FileName() const { return path_; }
  std::int32_t LastDPI() const { return lastDpi_; }

  std::string ReadString(const char* section, const char* key, const std::string& fallback) const;
  std::int32_t ReadInteger(const char* section, const char* key, std::int32_t fallback) const;
  bool ReadBool(const char* section, const char* key, bool fallback) const;
  void WriteString(const char* section, const char* key, const std::string& value) const;
  void WriteInteger(const char* section, const char* key, std::int32_t value) const;
  void WriteBool(const char* section, const char* key, bool value) const;

  // A size stored at LastDPI, for the current DPI; fallback when missing.
  std::int32_t ReadScaledInteger(const char* section, const char* key, std::int32_t fallback) const;

  void RestoreFormBounds(TPluginBaseForm& form) const;
  void SaveFormBounds(const TPluginBaseForm& form) const;

  // A control's state under the form's name and the control's name.
  void ReadCheckBox(const TPluginBaseForm& form, int id) const;
  void WriteCheckBox(const TPluginBaseForm& form, int id) const;
  void ReadComboBox(const TPluginBaseForm& form, int id) const;
  void WriteComboBox(const TPluginBaseForm& form, int id) const;
  void ReadTrackBar(const TPluginBaseForm& form, int id) const;
  void WriteTrackBar(const TPluginBaseForm& form, int id) const;

 private:
  void SetUpLook();

  std::string path_;
  std::int32_t lastDpi_ = 96;
};

}  // namespace sonotape
