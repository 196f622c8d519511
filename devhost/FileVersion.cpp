#include "FileVersion.h"

#include <windows.h>

#include <vector>

namespace devhost {

bool ReadFileVersion(const std::string& path, FileVersion& version) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) {
    return false;
  }
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) {
    return false;
  }
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) ||
      info == nullptr || infoSize < sizeof(VS_FIXEDFILEINFO) || info->dwSignature != 0xFEEF04BD) {
    return false;
  }
  version.fileMajor = HIWORD(info->dwFileVersionMS);
  version.fileMinor = LOWORD(info->dwFileVersionMS);
  version.fileBuild = HIWORD(info->dwFileVersionLS);
  version.filePrivate = LOWORD(info->dwFileVersionLS);
  version.productMajor = HIWORD(info->dwProductVersionMS);
  version.productMinor = LOWORD(info->dwProductVersionMS);
  return true;
}

}  // namespace devhost
