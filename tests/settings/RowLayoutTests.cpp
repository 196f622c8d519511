#include <gtest/gtest.h>

#include <vector>

#include "settings/RowLayout.h"

namespace sonotape {
namespace {

using enum RowBreak;
using enum CellWidth;

constexpr LayoutGaps kGaps{6, 6, 2};

int Width(const CellBox& box) { return box.right - box.left; }
int Height(const CellBox& box) { return box.bottom - box.top; }

// A page like the MP3 one: labels with lists, and a track bar (its slider's channel 11 pixels
// down) between two end marks.
const std::vector<LayoutCell> kFieldPage = {
    {Next, Label, 60, 13, 6},  {Same, Stretch, 90, 21, 10},
    {Next, Label, 100, 13, 6}, {Same, Fixed, 10, 13, 6},    {Same, Stretch, 80, 28, 11}, {Same, Fixed, 10, 13, 6},
    {Next, Label, 30, 13, 6},  {Same, Stretch, 90, 21, 10},
};

TEST(RowLayout, LabelsShareTheWidestLabelsColumnAndFieldsTakeTheRoomLeft) {
  const CellSize need = NeededSize(kFieldPage, kGaps);
  EXPECT_EQ(need.width, 100 + 6 + 10 + 6 + 80 + 6 + 10);
  EXPECT_EQ(need.height, 21 + 6 + 28 + 6 + 21);
  const std::vector<CellBox> boxes = PlaceCells(kFieldPage, kGaps, 8, 30, 300);
  ASSERT_EQ(boxes.size(), kFieldPage.size());
  for (int label : {0, 2, 6}) {
    EXPECT_EQ(boxes[label].left, 8);
    EXPECT_EQ(Width(boxes[label]), 100) << label;
  }
  EXPECT_EQ(boxes[1].left, 8 + 100 + 6);  // every field starts after the column
  EXPECT_EQ(boxes[7].left, 8 + 100 + 6);
  EXPECT_EQ(boxes[1].right, 308);  // and reaches the right edge
  EXPECT_EQ(boxes[5].right, 308);
  EXPECT_EQ(Width(boxes[3]), 10);  // the marks keep their own width; the track bar grows
  EXPECT_EQ(Width(boxes[4]), 300 - 100 - 10 - 10 - 3 * 6);
  // Rows as tall as their tallest cell, the cells on the row's centre line: a label beside a
  // list in the list's middle, beside a track bar level with its channel.
  EXPECT_EQ(boxes[1].top, 30);
  EXPECT_EQ(boxes[0].top, 30 + 10 - 6);
  EXPECT_EQ(boxes[4].top, 30 + 21 + 6);
  EXPECT_EQ(boxes[2].top, boxes[4].top + 11 - 6);
  EXPECT_EQ(boxes[3].top, boxes[2].top);
  EXPECT_EQ(boxes[7].bottom, 30 + need.height);
}

TEST(RowLayout, ATallLabelMovesTheTrackBarBesideItDownAndTheRowGrows) {
  const std::vector<LayoutCell> cells = {{Next, Label, 40, 30, 15}, {Same, Stretch, 80, 28, 11}};
  EXPECT_EQ(NeededSize(cells, kGaps).height, 15 - 11 + 28);
  const std::vector<CellBox> boxes = PlaceCells(cells, kGaps, 0, 0, 200);
  EXPECT_EQ(boxes[0].top, 0);
  EXPECT_EQ(boxes[1].top, 15 - 11);
}

TEST(RowLayout, SharingCellsAreAlikeAndFillTheirRowCloseRowsStayClose) {
  const std::vector<LayoutCell> cells = {
      {Next, Fixed, 150, 17, 8},                                                       // a check box
      {Close, Fixed, 140, 17, 8},                                                      // the next, close under it
      {Next, Fixed, 32, 28, 14}, {Same, Share, 60, 28, 14}, {Same, Share, 45, 24, 12},  // image button, two buttons
  };
  EXPECT_EQ(NeededSize(cells, kGaps).width, 32 + 6 + 2 * 60 + 6);  // both buttons as wide as the wider
  EXPECT_EQ(NeededSize(cells, kGaps).height, 17 + 2 + 17 + 6 + 28);
  const std::vector<CellBox> boxes = PlaceCells(cells, kGaps, 0, 0, 200);
  EXPECT_EQ(boxes[1].top, 17 + 2);
  EXPECT_EQ(Width(boxes[0]), 150);  // a fixed cell does not grow
  EXPECT_EQ(Width(boxes[3]), Width(boxes[4]));
  EXPECT_EQ(Width(boxes[3]), (200 - 32 - 2 * 6) / 2);
  EXPECT_EQ(boxes[4].right, 200);
  EXPECT_EQ(Height(boxes[4]), 28);  // as tall as its row
  EXPECT_EQ(boxes[4].top, boxes[3].top);
}

TEST(RowLayout, AtTheNeededWidthNothingOverhangsAndTooNarrowARowOverhangs) {
  const CellSize need = NeededSize(kFieldPage, kGaps);
  for (const CellBox& box : PlaceCells(kFieldPage, kGaps, 0, 0, need.width)) {
    EXPECT_LE(box.right, need.width);
  }
  const std::vector<CellBox> narrow = PlaceCells(kFieldPage, kGaps, 0, 0, need.width - 20);
  EXPECT_EQ(narrow[5].right, need.width);  // what each cell needs is kept
  EXPECT_EQ(Width(narrow[4]), 80);
}

TEST(RowLayout, TheRemainderOfAnUnevenShareGoesToTheLastGrowingCell) {
  const std::vector<LayoutCell> cells = {{Next, Share, 10, 5, 2}, {Same, Share, 10, 5, 2}, {Same, Share, 10, 5, 2}};
  const std::vector<CellBox> boxes = PlaceCells(cells, kGaps, 0, 0, 10 * 3 + 2 * 6 + 7);
  EXPECT_EQ(Width(boxes[0]), 12);
  EXPECT_EQ(Width(boxes[1]), 12);
  EXPECT_EQ(Width(boxes[2]), 13);
  EXPECT_EQ(boxes[2].right, 49);
}

// Level meters beside two check boxes and a close row of text: the rows give the column their room,
// and the column is as tall as they are together, or they grow to its height.
TEST(RowLayout, AColumnStandsBesideItsRowAndTheCloseRowsUnderIt) {
  const std::vector<LayoutCell> cells = {
      {Next, Label, 40, 13, 6},  {Same, Stretch, 90, 21, 10},                                  // a field
      {Next, Fixed, 150, 17, 8}, {Same, Column, 80, 30, 0},                                    // check box, column
      {Close, Fixed, 140, 17, 8}, {Close, Share, 50, 13, 6}, {Same, Share, 60, 13, 6},         // beside it
      {Next, Share, 70, 28, 14},                                                               // buttons, under all
  };
  const int besideHeight = 17 + 2 + 17 + 2 + 13;
  const CellSize need = NeededSize(cells, kGaps);
  EXPECT_EQ(need.width, 150 + 6 + 80);  // the widest row beside the column, then the column
  EXPECT_EQ(need.height, 21 + 6 + besideHeight + 6 + 28);
  const std::vector<CellBox> boxes = PlaceCells(cells, kGaps, 10, 20, 300);
  EXPECT_EQ(boxes[3].right, 310);  // at the right edge, as wide as it needs
  EXPECT_EQ(Width(boxes[3]), 80);
  EXPECT_EQ(boxes[3].top, boxes[2].top);
  EXPECT_EQ(boxes[3].bottom, boxes[6].bottom);
  EXPECT_EQ(boxes[6].right, 310 - 80 - 6);  // the rows beside it share what is left
  EXPECT_EQ(boxes[1].right, 310);           // a row above it has the whole width
  EXPECT_EQ(boxes[7].top, boxes[3].bottom + 6);
  EXPECT_EQ(boxes[7].right, 310);

  std::vector<LayoutCell> tall = cells;
  tall[3].needHeight = 80;  // taller than its rows: the rows under it move down
  EXPECT_EQ(NeededSize(tall, kGaps).height, 21 + 6 + 80 + 6 + 28);
  const std::vector<CellBox> placed = PlaceCells(tall, kGaps, 0, 0, 300);
  EXPECT_EQ(Height(placed[3]), 80);
  EXPECT_EQ(placed[7].top, placed[3].bottom + 6);

  // A row Under the band starts below the column, as close as a Close row, and has the whole width.
  std::vector<LayoutCell> under = cells;
  under.insert(under.begin() + 7, LayoutCell{Under, Stretch, 200, 13, 6});
  EXPECT_EQ(NeededSize(under, kGaps).height, need.height + 2 + 13);
  EXPECT_EQ(NeededSize(under, kGaps).width, 236) << "200 wide, beside nothing";
  const std::vector<CellBox> below = PlaceCells(under, kGaps, 10, 20, 300);
  EXPECT_EQ(below[7].top, below[3].bottom + 2);
  EXPECT_EQ(below[7].right, 310);

  // Too narrow: the rows keep what they need and the column follows them.
  const std::vector<CellBox> narrow = PlaceCells(cells, kGaps, 0, 0, 100);
  EXPECT_EQ(narrow[3].left, 150 + 6);
}

}  // namespace
}  // namespace sonotape
