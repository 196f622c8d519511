#pragma once
// The base of the plug-in's windows: created at the DPI and in the font the settings store chose,
// with size constraints that scale along, snapping to the work area's edges while dragged, a
// repaint of every child when the keyboard cues change, and the keyboard of a dialog.

#include <windows.h>

#include <cstdint>

namespace sonotape {

// Outer sizes at 96 DPI; 0 leaves a bound open.
struct SizeConstraints {
  int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
};

// Moves the rectangle into the work area of the monitor nearest to it; true when it moved.
bool FitToWorkArea(int& left, int& top, int width, int height);

class TPluginBaseForm {
 public:
  TPluginBaseForm(const TPluginBaseForm&) = delete;
  TPluginBaseForm& operator=(const TPluginBaseForm&) = delete;
  virtual ~TPluginBaseForm();

  HWND Handle() const { return window_; }
  // The form's name: the section of its settings.
  const char* Name() const { return name_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  // A control's name: the key of its settings.
  virtual const char* ControlName(int id) const = 0;

  bool IsSizeable() const;
  int FrameWidth() const;
  int FrameHeight() const;
  void SetNormalBounds(const RECT& bounds);
  int ConstrainWidth(int width) const;
  int ConstrainHeight(int height) const;
  // Raises the minimum size (and the maximum by as much) where the client area needs more room
  // than the constraints allow, and grows the window to it.
  void RequireClient(SIZE needed);
  void SetSnap(bool snap) { snap_ = snap; }

  // The DPI the form is laid out for, and a length designed at 96 DPI in it.
  std::int32_t TargetDpi() const { return targetDpi_; }
  int Scale(int designed) const;
  HFONT Font() const { return font_; }

 protected:
  TPluginBaseForm(HINSTANCE module, const char* name, bool userScaled);
  // Registers the class (once) and creates the hidden window for the given client size at 96 DPI.
  bool CreateForm(const char* className, const char* caption, DWORD style, DWORD exStyle, SIZE client,
                  const SizeConstraints& constraints, HWND owner);
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

  HINSTANCE module_;
  HWND window_ = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT BaseMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void SnapWhileMoved(WINDOWPOS& position) const;
  SIZE FrameSize() const;

  const char* name_;
  std::int32_t targetDpi_;
  SizeConstraints constraints_;  // at the target DPI
  HFONT font_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the form was last active
  bool snap_ = false;
};

}  // namespace sonotape
