#pragma once
// Answers the message boxes the plug-in shows on this thread, as a user at the host would:
// prints each box's caption and text and presses OK. A hook on this thread sees each box as it is
// activated; the OK it posts is handled by the box's own modal loop.

#include <windows.h>

#include <string>
#include <vector>

namespace devhost {

class MessageAnswerer {
 public:
  MessageAnswerer();
  MessageAnswerer(const MessageAnswerer&) = delete;
  MessageAnswerer& operator=(const MessageAnswerer&) = delete;
  ~MessageAnswerer();

  // The texts of the boxes answered, in order.
  const std::vector<std::string>& Answered() const { return answered_; }

 private:
  static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam);
  void AnswerIfMessageBox(HWND window);

  HHOOK hook_ = nullptr;
  HWND lastAnswered_ = nullptr;  // a box closes only after its OK is handled
  std::vector<std::string> answered_;
};

}  // namespace devhost
