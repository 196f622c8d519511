#include "MessageAnswerer.h"

#include <cstdio>
#include <string>

namespace devhost {

namespace {

constexpr UINT kCheckEveryMs = 100;
constexpr int kMessageTextId = 0xFFFF;  // the static control holding a message box's text

HWND lastAnswered = nullptr;  // a box closes only after its OK is handled

std::string OneLine(const char* text) {
  std::string line;
  for (; *text != '\0'; ++text) {
    if (*text != '\r') line += *text == '\n' ? ' ' : *text;
  }
  return line;
}

}  // namespace

MessageAnswerer::MessageAnswerer() : timer_(SetTimer(nullptr, 0, kCheckEveryMs, &MessageAnswerer::OnTimer)) {}

MessageAnswerer::~MessageAnswerer() {
  if (timer_ != 0) {
    KillTimer(nullptr, timer_);
  }
}

void CALLBACK MessageAnswerer::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), &MessageAnswerer::AnswerIfMessageBox, 0);
}

BOOL CALLBACK MessageAnswerer::AnswerIfMessageBox(HWND window, LPARAM) {
  char className[16] = "";
  if (window == lastAnswered || !IsWindowVisible(window) || GetClassNameA(window, className, sizeof className) == 0 ||
      std::string(className) != "#32770") {
    return TRUE;
  }
  char caption[128] = "";
  char text[1024] = "";
  GetWindowTextA(window, caption, sizeof caption);
  GetDlgItemTextA(window, kMessageTextId, text, sizeof text);
  std::printf("Message        [%s] %s\n", caption, OneLine(text).c_str());
  std::fflush(stdout);
  lastAnswered = window;
  PostMessageA(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

}  // namespace devhost
