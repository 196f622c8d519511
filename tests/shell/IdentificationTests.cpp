// Loads the real Sonotape.dll as the host does and checks its identification answers.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "FileVersion.h"
#include "PluginLibrary.h"

namespace {

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
  const char* first = Exports().PluginName();
  EXPECT_EQ(Exports().PluginName(), first);
  EXPECT_EQ(Exports().Version(), Exports().Version());
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
  // Without SetAppHandle there is no main window: the forwarding exports answer 0.
  EXPECT_EQ(Exports().EventMsg(1002, nullptr), 0);
  EXPECT_EQ(Exports().EventMsg(0, nullptr), 0);
  EXPECT_FALSE(Exports().Execute(0, 0));
  Exports().MenuItemClick(59429);
  Exports().StopGraph();
}

}  // namespace
