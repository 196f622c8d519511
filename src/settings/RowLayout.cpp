#include "settings/RowLayout.h"

#include <algorithm>

namespace sonotape {

namespace {

constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);

struct Row {
  std::size_t first, end;  // the cells [first, end), a Column cell left out
  int gapAbove;
  bool close;                     // under the row before, closely, and beside its column
  std::size_t column = kNoColumn;  // its Column cell
};

std::vector<Row> SplitRows(std::span<const LayoutCell> cells, const LayoutGaps& gaps) {
  std::vector<Row> rows;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (rows.empty() || cells[i].row != RowBreak::Same) {
      const bool close = !rows.empty() && cells[i].row == RowBreak::Close;
      const bool under = !rows.empty() && cells[i].row == RowBreak::Under;
      rows.push_back({i, i, rows.empty() ? 0 : close || under ? gaps.closeRow : gaps.row, close});
    }
    if (cells[i].width == CellWidth::Column) {
      rows.back().column = i;
    } else {
      rows.back().end = i + 1;
    }
  }
  return rows;
}

// A row with a Column cell and the Close rows under it: the rows [first, end) beside the column.
struct Band {
  std::size_t first, end;
  std::size_t column;  // kNoColumn: a row on its own
};

std::vector<Band> SplitBands(const std::vector<Row>& rows) {
  std::vector<Band> bands;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const bool beside = !bands.empty() && bands.back().column != kNoColumn && rows[r].close &&
                        rows[r].column == kNoColumn;
    if (beside) {
      bands.back().end = r + 1;
    } else {
      bands.push_back({r, r + 1, rows[r].column});
    }
  }
  return bands;
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

// The room the rows of a band need, beside its column.
CellSize RowsNeed(std::span<const LayoutCell> cells, std::span<const Row> rows, const LayoutGaps& gaps,
                  int labelColumn) {
  CellSize size{0, 0};
  for (std::size_t r = 0; r < rows.size(); ++r) {
    size.width = std::max(size.width, RowWidths(cells, rows[r], labelColumn).Total(gaps.column));
    size.height += (r == 0 ? 0 : rows[r].gapAbove) + LineOf(cells, rows[r]).height;
  }
  return size;
}

// What a band's column takes beside its rows: its width and the gap before it.
int ColumnRoom(std::span<const LayoutCell> cells, const Band& band, const LayoutGaps& gaps) {
  return band.column == kNoColumn ? 0 : cells[band.column].needWidth + gaps.column;
}

int ColumnHeight(std::span<const LayoutCell> cells, const Band& band) {
  return band.column == kNoColumn ? 0 : cells[band.column].needHeight;
}

// Places one row's cells from (left, y) in width.
void PlaceRow(std::span<const LayoutCell> cells, const Row& row, const LayoutGaps& gaps, int labelColumn, int left,
              int y, int width, std::vector<CellBox>& boxes) {
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
    boxes[i] = {x, cellTop, x + cellWidth, cellTop + (share ? line.height : cell.needHeight)};
    x += cellWidth + gaps.column;
  }
}

}  // namespace

CellSize NeededSize(std::span<const LayoutCell> cells, const LayoutGaps& gaps) {
  const int labelColumn = LabelColumn(cells);
  const std::vector<Row> rows = SplitRows(cells, gaps);
  CellSize size{0, 0};
  for (const Band& band : SplitBands(rows)) {
    const std::span<const Row> bandRows(rows.data() + band.first, band.end - band.first);
    const CellSize need = RowsNeed(cells, bandRows, gaps, labelColumn);
    size.width = std::max(size.width, need.width + ColumnRoom(cells, band, gaps));
    size.height += bandRows.front().gapAbove + std::max(need.height, ColumnHeight(cells, band));
  }
  return size;
}

std::vector<CellBox> PlaceCells(std::span<const LayoutCell> cells, const LayoutGaps& gaps, int left, int top,
                                int width) {
  const int labelColumn = LabelColumn(cells);
  const std::vector<Row> rows = SplitRows(cells, gaps);
  std::vector<CellBox> boxes(cells.size());
  int y = top;
  for (const Band& band : SplitBands(rows)) {
    const std::span<const Row> bandRows(rows.data() + band.first, band.end - band.first);
    const int rowsWidth = width - ColumnRoom(cells, band, gaps);
    y += bandRows.front().gapAbove;
    const int bandTop = y;
    for (std::size_t r = 0; r < bandRows.size(); ++r) {
      y += r == 0 ? 0 : bandRows[r].gapAbove;
      PlaceRow(cells, bandRows[r], gaps, labelColumn, left, y, rowsWidth, boxes);
      y += LineOf(cells, bandRows[r]).height;
    }
    if (band.column != kNoColumn) {
      // At the right edge, or after the rows where they overhang a width too narrow.
      const int rowsRight = left + std::max(rowsWidth, RowsNeed(cells, bandRows, gaps, labelColumn).width);
      const int columnLeft = rowsRight + gaps.column;
      y = std::max(y, bandTop + ColumnHeight(cells, band));
      boxes[band.column] = {columnLeft, bandTop, columnLeft + cells[band.column].needWidth, y};
    }
  }
  return boxes;
}

}  // namespace sonotape
