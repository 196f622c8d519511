// Loads the real Sonotape.dll as the host does and checks its identification answers.

#include <windows.h>

#include <gtest/gtest.h>

#include <dshow.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "FileVersion.h"
#include "HostWindow.h"
#include "PluginLibrary.h"
#include "graph/ComPtr.h"
#include "host/HostMessages.h"
#include "host/TimerRecord.h"
#include "support/ComCreate.h"

namespace {

ULONG ReferencesOf(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

class PluginIdentification : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = devhost::PathBesideExecutable("Sonotape.dll");
    std::string error;
    ASSERT_TRUE(plugin_.Load(path_, error)) << error;
  }
  const devhost::PluginExports& Exports() const { return plugin_.Exports(); }

  std::string path_;
  devhost::PluginLibrary plugin_;
};

TEST_F(PluginIdentification, AnswersItsTexts) {
  EXPECT_STREQ(Exports().Version(), "4.0");
  EXPECT_STREQ(Exports().LibTyp(), "Plugin");
  EXPECT_STREQ(Exports().PluginName(), "Sonotape");
  EXPECT_NE(std::strstr(Exports().Copyright(), "Copyright"), nullptr);
}

TEST_F(PluginIdentification, TextsAreStaticAndStable) {
  // Each text lies in the DLL's own image, not on a stack or a heap, and reads the same after
  // a whole session has run through the plug-in.
  using TextFn = const char* (*)();
  const TextFn texts[] = {Exports().Version, Exports().Copyright, Exports().LibTyp, Exports().PluginName};
  std::vector<std::pair<const char*, std::string>> answers;
  for (const TextFn text : texts) {
    const char* answer = text();
    MEMORY_BASIC_INFORMATION memory{};
    ASSERT_NE(VirtualQuery(answer, &memory, sizeof memory), 0u);
    EXPECT_EQ(memory.AllocationBase, static_cast<void*>(plugin_.Module())) << answer;
    answers.emplace_back(answer, answer);
  }
  devhost::HostWindow host;
  ASSERT_TRUE(host.Create(false));
  Exports().SetMenuHandle(host.MenuBar());
  Exports().SetAppHandle(host.Handle(), 0);
  Exports().EventMsg(1002, nullptr);
  Exports().EventMsg(0, nullptr);
  for (std::size_t i = 0; i < answers.size(); ++i) {
    EXPECT_EQ(texts[i](), answers[i].first);
    EXPECT_EQ(answers[i].first, answers[i].second);
  }
}

TEST_F(PluginIdentification, PriorityIsTheBitPattern80000000) {
  const INT32 priority = Exports().PluginPriority();
  EXPECT_EQ(static_cast<UINT32>(priority), 0x80000000u);
  EXPECT_EQ(priority, -2147483647 - 1);
}

TEST_F(PluginIdentification, CarriesVersion4InItsVersionResource) {
  devhost::FileVersion version;
  ASSERT_TRUE(devhost::ReadFileVersion(path_, version));
  EXPECT_EQ(version.fileMajor, 4u);
  EXPECT_EQ(version.fileMinor, 0u);
  EXPECT_EQ(version.productMajor, 4u);
  EXPECT_EQ(version.productMinor, 0u);
}

TEST_F(PluginIdentification, ExportsOutsideASessionDoNothing) {
  // Without SetAppHandle there is no main window: the forwarding exports answer 0, show or
  // create no window, keep no reference to a graph and release none they do not hold.
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  {
    sonotape::ComPtr<IFilterGraph> graph;
    ASSERT_EQ(testsupport::CreateInstance(CLSID_FilterGraph, IID_IFilterGraph, graph), S_OK);
    const ULONG references = ReferencesOf(graph.Get());
    Exports().GetGraph(graph.Get(), 0, 0);
    EXPECT_EQ(ReferencesOf(graph.Get()), references);
    Exports().StopGraph();
    EXPECT_EQ(ReferencesOf(graph.Get()), references);
    sonotape::TimerRecordInfo entry{"News", "One", 0.5, 0.6, 46000.0, 2, 0, 0, 2};
    EXPECT_EQ(Exports().EventMsg(1, &entry), 0);
    EXPECT_EQ(Exports().EventMsg(11, nullptr), 0);
    EXPECT_EQ(Exports().EventMsg(1002, nullptr), 0);
    EXPECT_EQ(Exports().EventMsg(0, nullptr), 0);
    EXPECT_FALSE(Exports().Execute(0, 0));
    Exports().MenuItemClick(59429);
    devhost::HostWindow::PumpMessages();
    EXPECT_EQ(devhost::FindPluginWindow(), nullptr);
  }
  CoUninitialize();

  // The session that follows starts as any other: its window hidden, nothing recording.
  devhost::HostWindow host;
  ASSERT_TRUE(host.Create(false));
  Exports().SetAppHandle(host.Handle(), 0);
  devhost::HostWindow::PumpMessages();
  const HWND window = devhost::FindPluginWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(SendMessageA(window, sonotape::HostCommandMessage, 5, 0), 0);
  Exports().EventMsg(0, nullptr);
}

}  // namespace
