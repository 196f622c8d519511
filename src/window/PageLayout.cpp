#include "window/PageLayout.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "settings/ControlMeasure.h"
#include "settings/PluginBaseForm.h"
#include "ui/WindowIds.h"
#include "window/WindowLayout.h"

namespace sonotape {

namespace {

// Lengths at 96 DPI.
constexpr int kWindowMargin = 4;  // around the tab control
constexpr int kPagePadding = 6;   // inside a page
constexpr int kMeasuringWidth = 4096;  // wider than any row of tabs
constexpr int kTabPadding = 8;    // beside a tab's caption, with the selected tab's overhang
constexpr LayoutGaps kGaps{6, 6, 2};

struct PageCells {
  std::vector<const ControlEntry*> entries;
  std::vector<LayoutCell> cells;
};

LayoutGaps Gaps(const TPluginBaseForm& form) {
  return {form.Scale(kGaps.column), form.Scale(kGaps.row), form.Scale(kGaps.closeRow)};
}

// Every control of the page with what it needs for its captions, those of run time included.
PageCells MeasurePage(const TPluginBaseForm& form, int page) {
  PageCells measured;
  for (const ControlEntry& entry : WindowControls()) {
    if (entry.page != page) continue;
    std::vector<const char*> captions{entry.text};
    captions.insert(captions.end(), entry.runTimeCaptions.begin(), entry.runTimeCaptions.end());
    const ControlNeed need = MeasureControl(form.Control(entry.id), captions,
                                            entry.glyph ? form.Scale(kGlyphSize) : 0, form.TargetDpi());
    const int height = std::max(need.height, form.Scale(entry.leastHeight));
    measured.entries.push_back(&entry);
    measured.cells.push_back({entry.row, entry.cell, std::max(need.width, form.Scale(entry.leastWidth)), height,
                              need.centre >= 0 ? need.centre : height / 2});
  }
  return measured;
}

// The tab control around a page of client size, with its tabs in one row: General, the pages
// of one recording format (both MP3 pages, the Ogg Vorbis page or the FLAC page) and Play. Each
// tab as wide as the tab control makes it, with its image, and the row as tall; the control is
// left without tabs. Tabs are measured in a control wide enough for all of them: a control
// without room gives its tabs no size.
SIZE TabControlSize(const TPluginBaseForm& form, HWND tabs, SIZE client) {
  int width[kPageCount] = {};
  RECT before{};
  GetWindowRect(tabs, &before);
  MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&before), 2);
  SetWindowPos(tabs, nullptr, 0, 0, kMeasuringWidth, kMeasuringWidth, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageA(tabs, TCM_DELETEALLITEMS, 0, 0);
  for (int page = 0; page < kPageCount; ++page) {
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = const_cast<char*>(PageCaption(page));
    item.iImage = PageImage(page);
    RECT place{};
    if (SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(page), reinterpret_cast<LPARAM>(&item)) == page &&
        SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(page), reinterpret_cast<LPARAM>(&place))) {
      width[page] = place.right - place.left;
    }
  }
  RECT frame{0, 0, client.cx, client.cy};
  SendMessageA(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&frame));  // with its row of tabs
  SendMessageA(tabs, TCM_DELETEALLITEMS, 0, 0);
  SetWindowPos(tabs, nullptr, before.left, before.top, before.right - before.left, before.bottom - before.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  const int formatPages = std::max({width[kMp3Page] + width[kMp3AdvancedPage], width[kOggPage], width[kFlacPage]});
  const int strip = width[kGeneralPage] + formatPages + width[kPlayPage] + form.Scale(kTabPadding);
  return {std::max(static_cast<int>(frame.right - frame.left), strip), frame.bottom - frame.top};
}

bool IsDropDownList(const ControlEntry& entry) { return std::strcmp(entry.className, "COMBOBOX") == 0; }

// A drop-down list's window is given the height of its open list; it keeps its closed height.
int OpenListHeight(HWND list) {
  const LRESULT items = SendMessageA(list, CB_GETCOUNT, 0, 0);
  const LRESULT itemHeight = SendMessageA(list, CB_GETITEMHEIGHT, 0, 0);
  return items > 0 && itemHeight > 0 ? static_cast<int>(items * itemHeight) + 2 * GetSystemMetrics(SM_CYBORDER) : 0;
}

void Place(HWND control, const ControlEntry& entry, const CellBox& box) {
  const int height = box.bottom - box.top + (IsDropDownList(entry) ? OpenListHeight(control) : 0);
  SetWindowPos(control, nullptr, box.left, box.top, box.right - box.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

SIZE NeededClientSize(const TPluginBaseForm& form) {
  HWND tabs = form.Control(idTabs);
  CellSize largest{0, 0};
  for (int page = 0; page < kPageCount; ++page) {
    const CellSize need = NeededSize(MeasurePage(form, page).cells, Gaps(form));
    largest = {std::max(largest.width, need.width), std::max(largest.height, need.height)};
  }
  const int padding = form.Scale(kPagePadding);
  const SIZE control = TabControlSize(form, tabs, {largest.width + 2 * padding, largest.height + 2 * padding});
  const int margins = 2 * form.Scale(kWindowMargin);
  return {control.cx + margins, control.cy + margins};
}

void LayOutPages(const TPluginBaseForm& form) {
  HWND tabs = form.Control(idTabs);
  if (tabs == nullptr) {
    return;  // the controls are yet to come
  }
  RECT client{};
  GetClientRect(form.Handle(), &client);
  const int margin = form.Scale(kWindowMargin);
  RECT area{margin, margin, std::max(margin, static_cast<int>(client.right) - margin),
            std::max(margin, static_cast<int>(client.bottom) - margin)};
  SetWindowPos(tabs, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  InflateRect(&area, -form.Scale(kPagePadding), -form.Scale(kPagePadding));
  for (int page = 0; page < kPageCount; ++page) {
    const PageCells measured = MeasurePage(form, page);
    const std::vector<CellBox> boxes = PlaceCells(measured.cells, Gaps(form), area.left, area.top, area.right - area.left);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      Place(form.Control(measured.entries[i]->id), *measured.entries[i], boxes[i]);
    }
  }
}

}  // namespace sonotape
