#include <gtest/gtest.h>

#include "settings/FormGeometry.h"
#include "settings/IniValues.h"

namespace sonotape {
namespace {

TEST(ParseIniInteger, DecimalHexadecimalAndFallbacks) {
  EXPECT_EQ(ParseIniInteger("42", 7), 42);
  EXPECT_EQ(ParseIniInteger(" -17 ", 7), -17);
  EXPECT_EQ(ParseIniInteger("0x1F", 7), 31);
  EXPECT_EQ(ParseIniInteger("0XfF", 7), 255);
  EXPECT_EQ(ParseIniInteger("0xFFFFFFFF", 7), -1);
  EXPECT_EQ(ParseIniInteger("0x", 7), 7);        // two characters: no number
  EXPECT_EQ(ParseIniInteger("0x1G", 7), 7);
  EXPECT_EQ(ParseIniInteger("abc", 7), 7);
  EXPECT_EQ(ParseIniInteger("", 7), 7);
  EXPECT_EQ(ParseIniInteger("-", 7), 7);
  EXPECT_EQ(ParseIniInteger("12px", 7), 7);
  EXPECT_EQ(ParseIniInteger("2147483647", 7), 2147483647);
  EXPECT_EQ(ParseIniInteger("-2147483648", 7), -2147483647 - 1);
  EXPECT_EQ(ParseIniInteger("2147483648", 7), 7);  // does not fit
  EXPECT_EQ(ParseIniInteger("99999999999999999999999", 7), 7);
  EXPECT_EQ(ParseIniInteger("0x100000000", 7), 7);
}

TEST(ParseIniBool, NonZeroIsTrueAndNonsenseKeepsTheDefault) {
  EXPECT_TRUE(ParseIniBool("1", false));
  EXPECT_TRUE(ParseIniBool("2", false));
  EXPECT_TRUE(ParseIniBool("-1", false));
  EXPECT_FALSE(ParseIniBool("0", true));
  EXPECT_TRUE(ParseIniBool("abc", true));
  EXPECT_FALSE(ParseIniBool("abc", false));
}

TEST(ScaleRounded, StoredSizesAndConstraintsFollowTheDpi) {
  EXPECT_EQ(ScaleRounded(400, 144, 96), 600);  // CWidth stored at 96, restored at 144
  EXPECT_EQ(ScaleRounded(600, 96, 144), 400);
  EXPECT_EQ(ScaleRounded(3, 1, 2), 2);         // halves away from zero
  EXPECT_EQ(ScaleRounded(-3, 1, 2), -2);
  EXPECT_EQ(ScaleRounded(400, 144, 0), 600);   // a LastDPI of 0 counts as 96
  EXPECT_EQ(ScaleRounded(400, 144, -5), 600);
  EXPECT_EQ(ScaleRounded(2000000000, 192, 72), 2147483647);  // saturates instead of wrapping
  // The main window's constraints 329..346 × 265..269 at 144 DPI.
  EXPECT_EQ(ScaleConstraint(329, 144), 494);
  EXPECT_EQ(ScaleConstraint(346, 144), 519);
  EXPECT_EQ(ScaleConstraint(265, 144), 398);
  EXPECT_EQ(ScaleConstraint(269, 144), 404);
  EXPECT_EQ(ScaleConstraint(269, 96), 269);
}

TEST(SnapToWorkArea, EdgesCloserThanSixteenPixelsWithStrictComparisons) {
  const WorkArea work{0, 0, 1920, 1040};
  int x = 15, y = 500;
  SnapToWorkArea(x, y, 400, 300, work);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 500);
  x = 16;
  SnapToWorkArea(x, y, 400, 300, work);
  EXPECT_EQ(x, 16);
  x = -15;
  y = 1040 - 300 + 15;
  SnapToWorkArea(x, y, 400, 300, work);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 740);
  x = 1920 - 400 - 10;
  y = -16;
  SnapToWorkArea(x, y, 400, 300, work);
  EXPECT_EQ(x, 1520);
  EXPECT_EQ(y, -16);
  // A second monitor's work area to the right.
  const WorkArea right{1920, 0, 3200, 1024};
  x = 1930;
  y = 3;
  SnapToWorkArea(x, y, 400, 300, right);
  EXPECT_EQ(x, 1920);
  EXPECT_EQ(y, 0);
}

TEST(FitRectToWorkArea, MovesBackOntoTheMonitorAndLeftEdgeWins) {
  const WorkArea work{0, 0, 1280, 1000};
  int left = 5000, top = 100;
  EXPECT_TRUE(FitRectToWorkArea(left, top, 400, 300, work));
  EXPECT_EQ(left, 880);
  EXPECT_EQ(top, 100);
  left = 100;
  EXPECT_FALSE(FitRectToWorkArea(left, top, 400, 300, work));
  left = 300;  // wider than the work area
  EXPECT_TRUE(FitRectToWorkArea(left, top, 2000, 300, work));
  EXPECT_EQ(left, 0);
  left = -2147483647;
  top = 2147483000;  // absurd stored values do not overflow
  EXPECT_TRUE(FitRectToWorkArea(left, top, 400, 300, work));
  EXPECT_EQ(left, 0);
  EXPECT_EQ(top, 700);
  const WorkArea second{-1280, 40, 0, 1024};
  left = -1500;
  top = 0;
  EXPECT_TRUE(FitRectToWorkArea(left, top, 400, 300, second));
  EXPECT_EQ(left, -1280);
  EXPECT_EQ(top, 40);
}

}  // namespace
}  // namespace sonotape
