#pragma once
// Answers the message boxes the plug-in shows on this thread, as a user at the host would:
// prints each box's caption and text and presses OK. It runs from a thread timer, which the
// message box's own modal loop dispatches.

#include <windows.h>

namespace devhost {

class MessageAnswerer {
 public:
  MessageAnswerer();
  MessageAnswerer(const MessageAnswerer&) = delete;
  MessageAnswerer& operator=(const MessageAnswerer&) = delete;
  ~MessageAnswerer();

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  static BOOL CALLBACK AnswerIfMessageBox(HWND window, LPARAM);

  UINT_PTR timer_ = 0;
};

}  // namespace devhost
