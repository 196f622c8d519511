#pragma once
// The tab control of the tool window's pages: a tab for each page that applies, the page whose
// tab is selected, and the colour the control fills its pages with.

#include <windows.h>

#include "window/WindowLayout.h"

namespace sonotape {

// The page whose tab is selected; the General page when none is.
int SelectedPage(HWND tabs);

// Tabs for the visible pages in their order. The page selected stays selected when it is still
// visible, else the General page is; its tab has the tabs' focus. Returns that page.
int SetPageTabs(HWND tabs, const bool (&visible)[kPageCount]);

// The colour the tab control fills its page with (themes differ), for the controls lying on it.
COLORREF TabBodyColour(HWND tabs);

}  // namespace sonotape
