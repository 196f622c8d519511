#pragma once
// The shell's folder browser, returning the chosen folder as a path.

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>

namespace sonotape {

class TFolderDialog {
 public:
  static constexpr UINT kDefaultOptions = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;  // 65

  explicit TFolderDialog(HWND owner) : owner_(owner) {}

  std::string Title;
  std::string Path;  // in: the folder to preselect; out: the chosen folder
  UINT Options = kDefaultOptions;
  int Root = 0;  // a shell folder id; 0 is the desktop
  std::function<void(TFolderDialog&)> OnSelectionChange;

  // Shows the browser modally; true when the user chose a file-system folder (then in Path).
  bool Execute();

  // The browser's callback (public for its tests): preselects Path, follows the selection.
  static int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM item, LPARAM);

 private:
  HWND owner_;
};

}  // namespace sonotape
