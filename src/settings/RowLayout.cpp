#include "settings/RowLayout.h"

#include <algorithm>

namespace sonotape {

namespace {

struct Row {
  std::size_t first, end;  // the cells [first, end)
  int gapAbove;
};

std::vector<Row> SplitRows(std::span<const LayoutCell> cells, const LayoutGaps& gaps) {
  std::vector<Row> rows;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (rows.empty() || cells[i].row != RowBreak::Same) {
      const int gap = rows.empty() ? 0 : cells[i].row == RowBreak::Close ? gaps.closeRow : gaps.row;
      rows.push_back({i, i, gap});
    }
    rows.back().end = i + 1;
  }
  return rows;
}

int LabelColumn(std::span<const LayoutCell> cells) {
  int widest = 0;
  for (const LayoutCell& cell : cells) {
    if (cell.width == CellWidth::Label) widest = std::max(widest, cell.needWidth);
  }
  return widest;
}

// The widths of a row's cells before the spare room is shared out.
class RowWidths {
 public:
  RowWidths(std::span<const LayoutCell> cells, const Row& row, int labelColumn) {
    for (std::size_t i = row.first; i < row.end; ++i) {
      if (cells[i].width == CellWidth::Share) share_ = std::max(share_, cells[i].needWidth);
    }
    for (std::size_t i = row.first; i < row.end; ++i) {
      const LayoutCell& cell = cells[i];
      const int width = cell.width == CellWidth::Label   ? labelColumn
                        : cell.width == CellWidth::Share ? share_
                                                         : cell.needWidth;
      widths_.push_back(width);
      growing_ += cell.width == CellWidth::Stretch || cell.width == CellWidth::Share;
    }
  }
  int Total(int columnGap) const {
    int total = columnGap * static_cast<int>(widths_.size() - 1);
    for (int width : widths_) total += width;
    return total;
  }
  int At(std::size_t index) const { return widths_[index]; }
  int Growing() const { return growing_; }

 private:
  std::vector<int> widths_;
  int share_ = 0;
  int growing_ = 0;
};

// A row's centre line, from its top, and its height.
struct RowLine {
  int centre, height;
};

RowLine LineOf(std::span<const LayoutCell> cells, const Row& row) {
  RowLine line{0, 0};
  for (std::size_t i = row.first; i < row.end; ++i) {
    if (cells[i].width != CellWidth::Share) line.centre = std::max(line.centre, cells[i].centre);
  }
  for (std::size_t i = row.first; i < row.end; ++i) {
    const LayoutCell& cell = cells[i];
    const int reach = cell.width == CellWidth::Share ? cell.needHeight : line.centre - cell.centre + cell.needHeight;
    line.height = std::max(line.height, reach);
  }
  return line;
}

bool Grows(const LayoutCell& cell) { return cell.width == CellWidth::Stretch || cell.width == CellWidth::Share; }

}  // namespace

CellSize NeededSize(std::span<const LayoutCell> cells, const LayoutGaps& gaps) {
  const int labelColumn = LabelColumn(cells);
  CellSize size{0, 0};
  for (const Row& row : SplitRows(cells, gaps)) {
    size.width = std::max(size.width, RowWidths(cells, row, labelColumn).Total(gaps.column));
    size.height += row.gapAbove + LineOf(cells, row).height;
  }
  return size;
}

std::vector<CellBox> PlaceCells(std::span<const LayoutCell> cells, const LayoutGaps& gaps, int left, int top,
                                int width) {
  const int labelColumn = LabelColumn(cells);
  std::vector<CellBox> boxes;
  boxes.reserve(cells.size());
  int y = top;
  for (const Row& row : SplitRows(cells, gaps)) {
    y += row.gapAbove;
    const RowWidths widths(cells, row, labelColumn);
    const RowLine line = LineOf(cells, row);
    const int spare = std::max(0, width - widths.Total(gaps.column));
    int growersLeft = widths.Growing();
    int spareLeft = spare;
    int x = left;
    for (std::size_t i = row.first; i < row.end; ++i) {
      const LayoutCell& cell = cells[i];
      int cellWidth = widths.At(i - row.first);
      if (Grows(cell)) {
        const int extra = growersLeft == 1 ? spareLeft : spare / widths.Growing();
        cellWidth += extra;
        spareLeft -= extra;
        --growersLeft;
      }
      const bool share = cell.width == CellWidth::Share;
      const int cellTop = share ? y : y + line.centre - cell.centre;
      boxes.push_back({x, cellTop, x + cellWidth, cellTop + (share ? line.height : cell.needHeight)});
      x += cellWidth + gaps.column;
    }
    y += line.height;
  }
  return boxes;
}

}  // namespace sonotape
