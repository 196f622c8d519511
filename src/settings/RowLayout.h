#pragma once
// Rows of controls on a page: every control takes a cell in a row, and the rows stack from the
// top. What each cell needs is measured elsewhere; here it is only added up and placed.

#include <cstdint>
#include <span>
#include <vector>

namespace sonotape {

// Where a cell goes: into the row of the cell before it, or first into a new row, either after
// the usual gap or close under the row before (as in a list of check boxes); Under is Close, but
// below a Column beside the rows before rather than beside it too.
enum class RowBreak : std::uint8_t { Same, Next, Close, Under };

// How wide a cell is.
enum class CellWidth : std::uint8_t {
  Label,    // the page's label column: as wide as the widest label of the page
  Fixed,    // as wide as it needs
  Stretch,  // as wide as it needs, and a share of the room its row leaves
  Share,    // as wide as the widest Share cell of its row, and a share of the room; as tall as its row
  Column,   // the last cell of its row: as wide as it needs, at the right edge, and beside the Close
            // rows that follow as well; as tall as they are together (they grow when it needs more)
};

struct LayoutCell {
  RowBreak row;
  CellWidth width;
  int needWidth, needHeight;
  int centre;  // from the cell's top, the line a row's cells align on: a text's middle, a slider's channel
};

struct LayoutGaps {
  int column;    // between neighbours in a row
  int row;       // above a Next row
  int closeRow;  // above a Close row
};

struct CellSize {
  int width, height;
};

struct CellBox {
  int left, top, right, bottom;
};

// The room the cells need: as wide as the widest row, as tall as the rows stacked.
CellSize NeededSize(std::span<const LayoutCell> cells, const LayoutGaps& gaps);

// The cells placed in rows from (left, top) in the given width: the cells of a row on one centre
// line, the row as tall as they reach (a Share cell: as tall as the row); a row wider than the
// width overhangs on the right.
std::vector<CellBox> PlaceCells(std::span<const LayoutCell> cells, const LayoutGaps& gaps, int left, int top,
                                int width);

}  // namespace sonotape
