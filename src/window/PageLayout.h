#pragma once
// The tool window's pages laid out in rows from what their controls need in the window's font at
// its DPI: nothing clipped, nothing overlapping, nothing outside its page.

#include <windows.h>

namespace sonotape {

class TPluginBaseForm;

// The client size the largest page needs, with the tab strip (every tab in one row) and the
// frame around it.
SIZE NeededClientSize(const TPluginBaseForm& form);

// Fits the tab control to the client area and places every page's controls on its page; fields,
// lists and track bars take the room a wider window gives.
void LayOutPages(const TPluginBaseForm& form);

}  // namespace sonotape
