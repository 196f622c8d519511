// lame_enc.dll on a failure of its own gives an error code and no window: a message box would hold
// the recording's thread, perhaps the graph's streaming thread, until someone answered it.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "PluginLibrary.h"
#include "codecs/LameDll.h"
#include "codecs/Mp3Settings.h"
#include "support/TempFolder.h"

namespace sonotape {
namespace {

// Counts the windows this thread goes to create, and lets none of them come up (so a message box
// returns at once instead of waiting for an answer).
class WindowWatch {
 public:
  WindowWatch() : hook_(SetWindowsHookExA(WH_CBT, &WindowWatch::OnCbt, nullptr, GetCurrentThreadId())) { created_ = 0; }
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;
  ~WindowWatch() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  }
  bool Watching() const { return hook_ != nullptr; }
  int Created() const { return created_; }

 private:
  static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
      ++created_;
      return 1;  // refused
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static inline int created_ = 0;
  HHOOK hook_;
};

// A stream encoded, flushed and closed with the VBR header due, as the recorder leaves it.
void FinishStreamWithVbrHeader(const LameEntries& lame) {
  BE_CONFIG config;
  std::memset(&config, 0, sizeof config);
  Mp3Controls controls;
  controls.vbrHeader = true;
  ReadMP3Settings(controls, config);
  BE_CONFIG live = MakeLiveConfig(config, 44100, 2);
  unsigned long samples = 0, bufferSize = 0;
  HBE_STREAM stream = nullptr;
  ASSERT_EQ(lame.beInitStream(&live, &samples, &bufferSize, &stream), BE_ERR_SUCCESSFUL);
  std::string output(bufferSize, '\0');
  unsigned long written = 0;
  EXPECT_EQ(lame.beDeinitStream(stream, reinterpret_cast<unsigned char*>(output.data()), &written), BE_ERR_SUCCESSFUL);
  lame.beCloseStream(stream);
}

TEST(LameEncDll, AVbrHeaderThatCannotBeWrittenIsAnErrorWithoutAWindow) {
  LameBinding binding(devhost::PathBesideExecutable(""));
  ASSERT_TRUE(binding.Load());
  const LameEntries& lame = binding.Entries();
  testsupport::TempFolder folder;
  const std::string notMp3 = folder.File("notes.mp3");
  std::ofstream(notMp3) << "These are notes, not MPEG audio.";
  const struct {
    std::string path;
    const char* what;
  } cases[] = {{folder.File("gone\\take.mp3"), "a file that cannot be opened"},
               {notMp3, "a file without the frame for the header"}};
  for (const auto& c : cases) {
    FinishStreamWithVbrHeader(lame);
    WindowWatch watch;
    ASSERT_TRUE(watch.Watching());
    EXPECT_NE(lame.beWriteVBRHeader(c.path.c_str()), BE_ERR_SUCCESSFUL) << c.what;
    EXPECT_EQ(watch.Created(), 0) << c.what << " brought up a window";
  }
}

}  // namespace
}  // namespace sonotape
