#include "MessageAnswerer.h"

#include <cstdio>
#include <string>

namespace devhost {

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the static control holding a message box's text

MessageAnswerer* answerer = nullptr;  // the hook has no context of its own

std::string OneLine(const char* text) {
  std::string line;
  for (; *text != '\0'; ++text) {
    if (*text != '\r') line += *text == '\n' ? ' ' : *text;
  }
  return line;
}

}  // namespace

MessageAnswerer::MessageAnswerer() : hook_(SetWindowsHookExA(WH_CBT, &MessageAnswerer::OnCbt, nullptr, GetCurrentThreadId())) {
  answerer = this;
}

MessageAnswerer::~MessageAnswerer() {
  if (hook_ != nullptr) {
    UnhookWindowsHookEx(hook_);
  }
  answerer = nullptr;
}

LRESULT CALLBACK MessageAnswerer::OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && answerer != nullptr) {
    answerer->AnswerIfMessageBox(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageAnswerer::AnswerIfMessageBox(HWND window) {
  char className[16] = "";
  if (window == lastAnswered_ || GetClassNameA(window, className, sizeof className) == 0 ||
      std::string(className) != "#32770") {
    return;
  }
  char caption[128] = "";
  char text[1024] = "";
  GetWindowTextA(window, caption, sizeof caption);
  GetDlgItemTextA(window, kMessageTextId, text, sizeof text);
  std::printf("Message        [%s] %s\n", caption, OneLine(text).c_str());
  std::fflush(stdout);
  lastAnswered_ = window;
  answered_.push_back(text);
  PostMessageA(window, WM_COMMAND, IDOK, 0);
}

}  // namespace devhost
