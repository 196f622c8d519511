#include "support/TempFolder.h"

#include <windows.h>

#include <filesystem>
#include <stdexcept>

namespace testsupport {

TempFolder::TempFolder() {
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) {
    throw std::runtime_error("no temporary folder");
  }
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = std::string(temp) + "sonotape-test-" +
                                  std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(GetTickCount() + attempt);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace testsupport
