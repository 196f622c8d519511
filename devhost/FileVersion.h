#pragma once
// Reads the fixed part of a file's version resource.

#include <string>

namespace devhost {

struct FileVersion {
  unsigned fileMajor = 0, fileMinor = 0, fileBuild = 0, filePrivate = 0;
  unsigned productMajor = 0, productMinor = 0;
};

// False when the file has no readable version resource.
bool ReadFileVersion(const std::string& path, FileVersion& version);

}  // namespace devhost
