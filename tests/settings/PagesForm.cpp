#include "settings/PagesForm.h"

#include "window/WindowLayout.h"

namespace sonotape {

PagesForm::PagesForm(std::unique_ptr<TMyIniFile> store)
    : TPluginBaseForm(GetModuleHandleA(nullptr), "frmSonotape", true), store_(std::move(store)) {}

PagesForm::~PagesForm() {
  if (window_ != nullptr) {
    DestroyWindow(window_);  // while the controller still lives
  }
}

bool PagesForm::Create() {
  if (!CreateForm("SonotapeTestPages", "Pages", WS_OVERLAPPEDWINDOW, 0, kDesignClient, {}, nullptr)) {
    return false;
  }
  for (const ControlEntry& entry : WindowControls()) {
    CreateWindowExA(0, entry.className, entry.text, entry.style, 0, 0, Scale(100), Scale(28), window_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), module_, nullptr);
  }
  pages_.FillLists();
  pages_.LoadSettings();
  return true;
}

const char* PagesForm::ControlName(int id) const {
  const ControlEntry* entry = FindControlEntry(id);
  return entry != nullptr ? entry->name : "";
}

LRESULT PagesForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      pages_.OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_HSCROLL:
      if (lParam != 0) pages_.OnTrackBar(reinterpret_cast<HWND>(lParam));
      return 0;
    default:
      return DefWindowProcA(window_, message, wParam, lParam);
  }
}

}  // namespace sonotape
