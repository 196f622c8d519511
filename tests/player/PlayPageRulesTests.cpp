#include "player/PlayPageRules.h"

#include <gtest/gtest.h>

namespace sonotape {
namespace {

TEST(PlayPageBar, FollowsThePositionOverTheLengthAndStaysForALengthOfZero) {
  EXPECT_EQ(BarFromPosition(0, 100), 0);
  EXPECT_EQ(BarFromPosition(25, 100), 2500);
  EXPECT_EQ(BarFromPosition(1, 3), 3333);
  EXPECT_EQ(BarFromPosition(0.5, 10000), 0);  // 0.5 rounds to even
  EXPECT_EQ(BarFromPosition(2.5, 10000), 2);  // 2.5 too
  EXPECT_EQ(BarFromPosition(0.375, 1500), 2);
  EXPECT_EQ(BarFromPosition(120, 100), 10000);  // the position counts ahead of the recorder
  EXPECT_EQ(BarFromPosition(5, 0), std::nullopt);
  EXPECT_EQ(BarFromPosition(5, -1), std::nullopt);
  EXPECT_DOUBLE_EQ(SecondsAtBar(2500, 60), 15);
  EXPECT_DOUBLE_EQ(SecondsAtBar(10000, 0), 0);
}

TEST(PlayPageBar, UnderTheMouseTheThumbsMiddleFollows) {
  // channel 8..292, thumb 11 wide: half 5, so 13..287 spans the bar
  EXPECT_EQ(BarFromMouse(13, 100, 111, 8, 292), 0);
  EXPECT_EQ(BarFromMouse(287, 100, 111, 8, 292), 10000);
  EXPECT_EQ(BarFromMouse(150, 100, 111, 8, 292), 5000);
  EXPECT_EQ(BarFromMouse(14, 100, 111, 8, 292), 36);   // 10000 / 274
  EXPECT_EQ(BarFromMouse(0, 100, 111, 8, 292), 0);     // clamped
  EXPECT_EQ(BarFromMouse(400, 100, 111, 8, 292), 10000);
  EXPECT_EQ(BarFromMouse(-30, 0, 10, 0, 100), 0);
  // a bar no wider than its thumb: no division by zero
  EXPECT_EQ(BarFromMouse(3, 0, 20, 0, 20), 0);
  EXPECT_EQ(BarFromMouse(10, 0, 20, 0, 20), 0);
  EXPECT_EQ(BarFromMouse(15, 0, 20, 0, 20), 10000);
}

TEST(PlayPageKeys, EveryKeyOfTheTable) {
  EXPECT_EQ(BarAfterKey(skPageUp, 8000, 100), 2000);
  EXPECT_EQ(BarAfterKey(skPageDown, 2000, 100), 8000);
  EXPECT_EQ(BarAfterKey(skEnd, 1234, 100), 10000);
  EXPECT_EQ(BarAfterKey(skHome, 1234, 100), 0);
  EXPECT_EQ(BarAfterKey(skLeft, 5000, 100), 4000);
  EXPECT_EQ(BarAfterKey(skUp, 5000, 100), 4000);
  EXPECT_EQ(BarAfterKey(skRight, 5000, 100), 6000);
  EXPECT_EQ(BarAfterKey(skDown, 5000, 100), 6000);
  EXPECT_EQ(BarAfterKey(skLeft, 500, 100), 0);  // clamped at both ends
  EXPECT_EQ(BarAfterKey(skPageDown, 9000, 100), 10000);
  EXPECT_EQ(BarAfterKey(skRight, 0, 3), 10000);
  EXPECT_EQ(BarAfterKey(skRight, 0, 30000), 3);  // 3.33 rounds
  for (unsigned other : {0u, 9u, 13u, 32u, 41u, 65u}) {
    EXPECT_EQ(BarAfterKey(other, 5000, 100), std::nullopt) << other;
  }
}

TEST(PlayPageKeys, WithALengthOfZeroOnlyHomeAndEndMoveTheBar) {
  for (unsigned key : {skPageUp, skPageDown, skLeft, skUp, skRight, skDown}) {
    EXPECT_EQ(BarAfterKey(key, 4321, 0), 4321) << key;
  }
  EXPECT_EQ(BarAfterKey(skHome, 4321, 0), 0);
  EXPECT_EQ(BarAfterKey(skEnd, 4321, 0), 10000);
}

}  // namespace
}  // namespace sonotape
