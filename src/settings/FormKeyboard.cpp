#include "settings/FormKeyboard.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace sonotape {

namespace {

// One hook for each thread with forms on it.
struct ThreadHook {
  DWORD thread;
  HHOOK hook;
  int forms;
};

std::mutex registryLock;
std::vector<HWND> forms;
std::vector<ThreadHook> hooks;

bool IsForm(HWND window) {
  const std::lock_guard<std::mutex> guard(registryLock);
  return std::find(forms.begin(), forms.end(), window) != forms.end();
}

bool IsDown(int key) { return GetKeyState(key) < 0; }

bool CanTakeFocus(HWND form, HWND control) {
  return control != nullptr && IsChild(form, control) && IsWindowVisible(control) && IsWindowEnabled(control);
}

// As in a dialog, the push button with the focus is the default one: Enter presses it.
void MarkDefaultButton(HWND form) {
  HWND focus = GetFocus();
  for (HWND child = GetWindow(form, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const LRESULT code = SendMessageA(child, WM_GETDLGCODE, 0, 0);
    if ((code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) == 0) continue;
    const bool wanted = child == focus;
    if (((code & DLGC_DEFPUSHBUTTON) != 0) != wanted) {
      const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(child, GWL_STYLE)) & 0xFFFF & ~BS_TYPEMASK;
      SendMessageA(child, BM_SETSTYLE, style | (wanted ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), TRUE);
    }
  }
}

// The next page of the form's tab control (back: the one before), as the user chose it; the
// focus goes to the tab control, since the old page's controls are hidden now.
void TurnPage(HWND form, bool back) {
  HWND tabs = FindWindowExA(form, nullptr, WC_TABCONTROLA, nullptr);
  const LRESULT count = tabs != nullptr && IsWindowVisible(tabs) ? SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0) : 0;
  if (count < 2) return;
  const LRESULT current = std::max<LRESULT>(0, SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
  NMHDR header{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGING)};
  if (SendMessageA(form, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header)) != 0) return;  // refused
  SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>((current + (back ? count - 1 : 1)) % count), 0);
  header.code = static_cast<UINT>(TCN_SELCHANGE);
  SendMessageA(form, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  SetFocus(tabs);
}

// True when the message was the form's and has been handled.
bool HandleKey(HWND form, MSG& message) {
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && IsDown(VK_CONTROL) && !IsDown(VK_MENU)) {
    TurnPage(form, IsDown(VK_SHIFT));
    return true;
  }
  MarkDefaultButton(form);  // a button focused by the mouse is pressed by Enter, too
  const bool handled = IsDialogMessageA(form, &message) != FALSE;
  MarkDefaultButton(form);
  return handled;
}

LRESULT CALLBACK OnGetMessage(int code, WPARAM removal, LPARAM data) {
  auto* message = reinterpret_cast<MSG*>(data);
  try {
    if (code == HC_ACTION && removal == PM_REMOVE && message->hwnd != nullptr && message->message >= WM_KEYFIRST &&
        message->message <= WM_KEYLAST) {
      HWND form = GetAncestor(message->hwnd, GA_ROOT);
      if (IsForm(form) && HandleKey(form, *message)) {
        message->message = WM_NULL;  // the host's loop finds nothing left to do
      }
    }
  } catch (...) {
    // nothing may be thrown into the host's message loop
  }
  return CallNextHookEx(nullptr, code, removal, data);
}

}  // namespace

bool AttachFormKeyboard(HWND form) {
  const DWORD thread = GetWindowThreadProcessId(form, nullptr);
  const std::lock_guard<std::mutex> guard(registryLock);
  auto hook = std::find_if(hooks.begin(), hooks.end(), [thread](const ThreadHook& h) { return h.thread == thread; });
  if (hook == hooks.end()) {
    HHOOK handle = SetWindowsHookExA(WH_GETMESSAGE, OnGetMessage, nullptr, thread);
    if (handle == nullptr) return false;
    hooks.push_back({thread, handle, 0});
    hook = hooks.end() - 1;
  }
  ++hook->forms;
  forms.push_back(form);
  return true;
}

void DetachFormKeyboard(HWND form) {
  const std::lock_guard<std::mutex> guard(registryLock);
  const auto found = std::find(forms.begin(), forms.end(), form);
  if (found == forms.end()) return;
  forms.erase(found);
  const DWORD thread = GetWindowThreadProcessId(form, nullptr);
  const auto hook = std::find_if(hooks.begin(), hooks.end(), [thread](const ThreadHook& h) { return h.thread == thread; });
  if (hook != hooks.end() && --hook->forms == 0) {
    UnhookWindowsHookEx(hook->hook);
    hooks.erase(hook);
  }
}

void MoveFormFocus(HWND form, WPARAM which, LPARAM direct) {
  HWND target = nullptr;
  if (direct != 0) {
    target = reinterpret_cast<HWND>(which);
  } else {
    HWND focus = GetFocus();
    target = GetNextDlgTabItem(form, IsChild(form, focus) ? focus : nullptr, which != 0);
  }
  if (target == nullptr || !IsChild(form, target)) return;
  if ((SendMessageA(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
    SendMessageA(target, EM_SETSEL, 0, -1);  // an edit field entered by the keyboard has its text selected
  }
  SetFocus(target);
}

void RestoreFormFocus(HWND form, HWND last) {
  HWND target = CanTakeFocus(form, last) ? last : GetNextDlgTabItem(form, nullptr, FALSE);
  if (target != nullptr) SetFocus(target);
}

}  // namespace sonotape
