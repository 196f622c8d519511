#include "PluginTabs.h"

#include <commctrl.h>

#include "ui/WindowIds.h"

namespace devhost {

std::vector<std::string> TabCaptions(HWND plugin) {
  HWND tabs = GetDlgItem(plugin, sonotape::idTabs);
  std::vector<std::string> captions;
  const LRESULT count = SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[64] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    captions.push_back(text);
  }
  return captions;
}

bool ShowTab(HWND plugin, const std::string& caption) {
  const std::vector<std::string> captions = TabCaptions(plugin);
  for (std::size_t i = 0; i < captions.size(); ++i) {
    if (captions[i] == caption) {
      HWND tabs = GetDlgItem(plugin, sonotape::idTabs);
      SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(i), 0);
      NMHDR change{tabs, static_cast<UINT_PTR>(sonotape::idTabs), static_cast<UINT>(TCN_SELCHANGE)};
      SendMessageA(plugin, WM_NOTIFY, sonotape::idTabs, reinterpret_cast<LPARAM>(&change));
      return true;
    }
  }
  return false;
}

}  // namespace devhost
