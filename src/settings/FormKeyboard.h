#pragma once
// A form that is driven from the keyboard as a dialog is, inside a host whose message loop knows
// nothing of it: a message hook on the form's thread hands the form's keyboard messages to the
// dialog manager (Tab and Shift+Tab, mnemonics, Enter, Escape, arrows), Ctrl+Tab and
// Ctrl+Shift+Tab turn the pages of its tab control, and the focused push button is the default
// one, which Enter presses. Messages for any other window pass the hook untouched.

#include <windows.h>

namespace sonotape {

// From now until DetachFormKeyboard, the top-level window form takes its keyboard messages
// through the dialog manager; false when the hook cannot be set.
bool AttachFormKeyboard(HWND form);
void DetachFormKeyboard(HWND form);

// WM_NEXTDLGCTL for a form that is no dialog: direct set focuses the control which; otherwise
// the next tab stop after the focus (which 0) or the one before it.
void MoveFormFocus(HWND form, WPARAM which, LPARAM direct);

// Focus for a form that becomes active: the control that had it last, when it can still take it,
// else the first tab stop.
void RestoreFormFocus(HWND form, HWND last);

}  // namespace sonotape
