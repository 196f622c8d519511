// The plug-in's item in the host's menu bar over real load and unload cycles of Sonotape.dll.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "HostWindow.h"
#include "PluginLibrary.h"
#include "host/HostMessages.h"

namespace {

std::string ItemText(HMENU menu, UINT id) {
  char text[64] = "";
  GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
  return text;
}

class PluginMenu : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.Create(false)); }
  void Load() {
    std::string error;
    ASSERT_TRUE(plugin.Load(devhost::PathBesideExecutable("Sonotape.dll"), error)) << error;
  }
  // The plug-in's popup: the last item of the host's bar, after the host's own "&File".
  HMENU PluginPopup() const {
    const int count = GetMenuItemCount(host.MenuBar());
    return count == 2 ? GetSubMenu(host.MenuBar(), 1) : nullptr;
  }

  devhost::HostWindow host;
  devhost::PluginLibrary plugin;
};

TEST_F(PluginMenu, EachUnloadTakesItsItemOutOfTheHostMenu) {
  for (int cycle = 0; cycle < 25; ++cycle) {
    Load();
    plugin.Exports().SetMenuHandle(host.MenuBar());
    const HMENU popup = PluginPopup();
    ASSERT_NE(popup, nullptr) << "cycle " << cycle;
    EXPECT_EQ(ItemText(popup, sonotape::kMenuItemId), "Sonotape");
    plugin.Unload();
    ASSERT_EQ(GetMenuItemCount(host.MenuBar()), 1) << "cycle " << cycle;
    EXPECT_FALSE(IsMenu(popup));
  }
}

TEST_F(PluginMenu, AnUnusableHostMenuDoesNotBlockALaterOne) {
  Load();
  HMENU gone = CreateMenu();
  ASSERT_TRUE(DestroyMenu(gone));
  plugin.Exports().SetMenuHandle(nullptr);
  plugin.Exports().SetMenuHandle(gone);
  plugin.Exports().SetMenuHandle(host.MenuBar());
  const HMENU popup = PluginPopup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(ItemText(popup, sonotape::kMenuItemId), "Sonotape");
  plugin.Exports().SetMenuHandle(host.MenuBar());  // once only
  EXPECT_EQ(GetMenuItemCount(host.MenuBar()), 2);
  plugin.Unload();
  EXPECT_EQ(GetMenuItemCount(host.MenuBar()), 1);
}

}  // namespace
