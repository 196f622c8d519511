// The settings pages' controller behind a view of the test's own: what it hands the recorder as
// the controls change, driven by the messages the real controls send.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "settings/PagesForm.h"
#include "support/TempFolder.h"
#include "ui/WindowIds.h"
#include "support/WindowText.h"

namespace sonotape {
namespace {

using testsupport::TextOf;

class PagesController : public ::testing::Test {
 protected:
  void Open(const std::string& stored) {
    std::ofstream(folder.File("Sonotape.ini"), std::ios::binary | std::ios::trunc) << stored;
    form = std::make_unique<PagesForm>(std::make_unique<TMyIniFile>(folder.File("Sonotape.ini")));
    ASSERT_TRUE(form->Create());
  }
  HWND Item(int id) const { return GetDlgItem(form->Handle(), id); }
  LRESULT Position(int id) const { return SendMessageA(Item(id), TBM_GETPOS, 0, 0); }
  bool SaveEnabled() const { return IsWindowEnabled(Item(btnSave)) != FALSE; }

  testsupport::TempFolder folder;
  std::unique_ptr<PagesForm> form;
};

TEST_F(PagesController, TheStoredFlacLevelIsHandedOverAtLoading) {
  Open("[frmSonotape]\r\ntbFLACLevel=2\r\n");
  ASSERT_FALSE(form->flacLevels.empty());
  EXPECT_EQ(form->flacLevels.back(), 2);
  EXPECT_EQ(TextOf(Item(lblFLACLevelValue)), "Level 2 (0 = fastest, 8 = smallest)");
  EXPECT_FALSE(SaveEnabled());
}

TEST_F(PagesController, EveryMoveOfTheFlacLevelIsHandedOverAtOnce) {
  Open("");
  ASSERT_EQ(Position(tbFLACLevel), 5);
  EXPECT_EQ(form->flacLevels.back(), 5);
  form->flacLevels.clear();
  // The track bar's own keys, which it reports to the window as a user's moves.
  HWND bar = Item(tbFLACLevel);
  SendMessageA(bar, WM_KEYDOWN, VK_END, 0);
  SendMessageA(bar, WM_KEYUP, VK_END, 0);
  ASSERT_EQ(Position(tbFLACLevel), 8);
  ASSERT_FALSE(form->flacLevels.empty());
  EXPECT_EQ(form->flacLevels.back(), 8);
  EXPECT_EQ(TextOf(Item(lblFLACLevelValue)), "Level 8 (0 = fastest, 8 = smallest)");
  EXPECT_TRUE(SaveEnabled());
  SendMessageA(bar, WM_KEYDOWN, VK_LEFT, 0);
  SendMessageA(bar, WM_KEYUP, VK_LEFT, 0);
  EXPECT_EQ(form->flacLevels.back(), 7);
  SendMessageA(bar, WM_KEYDOWN, VK_HOME, 0);
  SendMessageA(bar, WM_KEYUP, VK_HOME, 0);
  EXPECT_EQ(form->flacLevels.back(), 0);
  EXPECT_EQ(TextOf(Item(lblFLACLevelValue)), "Level 0 (0 = fastest, 8 = smallest)");
}

TEST_F(PagesController, TheFourthItemRecordsFlac) {
  Open("[frmSonotape]\r\ntbFLACLevel=6\r\n");
  form->flacLevels.clear();
  HWND list = Item(cbRecordAs);
  SendMessageA(list, CB_SETCURSEL, 3, 0);
  SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(cbRecordAs, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  ASSERT_FALSE(form->formats.empty());
  EXPECT_EQ(form->formats.back(), rfFlac);
  EXPECT_EQ(form->flacLevels, std::vector<int>{6});  // the encoder settings go along
}

}  // namespace
}  // namespace sonotape
