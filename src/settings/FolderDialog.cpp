#include "settings/FolderDialog.h"

namespace sonotape {

namespace {

TFolderDialog* executing = nullptr;  // one browser at a time, on the window thread

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathOf(PCIDLIST_ABSOLUTE item, std::string& path) {
  char buffer[MAX_PATH] = "";
  if (item == nullptr || !SHGetPathFromIDListA(item, buffer)) {
    return false;
  }
  path = buffer;
  return true;
}

}  // namespace

bool TFolderDialog::Execute() {
  PIDLIST_ABSOLUTE root = nullptr;
  if (Root != 0 && FAILED(SHGetSpecialFolderLocation(owner_, Root, &root))) {
    root = nullptr;  // an unknown folder: the desktop
  }
  char displayName[MAX_PATH] = "";
  BROWSEINFOA browse{};
  browse.hwndOwner = owner_;
  browse.pidlRoot = root;
  browse.pszDisplayName = displayName;
  browse.lpszTitle = Title.c_str();
  browse.ulFlags = Options;
  browse.lpfn = &TFolderDialog::BrowseCallback;
  TFolderDialog* const outer = executing;
  executing = this;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
  executing = outer;
  CoTaskMemFree(root);
  std::string path;
  const bool confirmed = PathOf(chosen, path);
  CoTaskMemFree(chosen);
  if (confirmed) {
    Path = path;
  }
  return confirmed;
}

int CALLBACK TFolderDialog::BrowseCallback(HWND browser, UINT message, LPARAM item, LPARAM) {
  TFolderDialog* dialog = executing;
  if (dialog == nullptr) {
    return 0;
  }
  if (message == BFFM_INITIALIZED && !dialog->Path.empty() && IsDirectory(dialog->Path)) {
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(dialog->Path.c_str()));
  } else if (message == BFFM_SELCHANGED && dialog->OnSelectionChange) {
    std::string path;
    if (PathOf(reinterpret_cast<PCIDLIST_ABSOLUTE>(item), path)) {
      dialog->Path = path;
      dialog->OnSelectionChange(*dialog);
    }
  }
  return 0;
}

}  // namespace sonotape
