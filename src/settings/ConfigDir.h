#pragma once
// Where the host keeps its configuration: its program folder, or a folder below the per-user or
// the all-users application-data folder, as "UserMode.ini" beside the host's executable says.

#include <windows.h>

#include <cstdint>
#include <string>

namespace sonotape {

struct ConfigDirState {
  std::string programDir;  // the host executable's folder, with a trailing backslash
  std::uint8_t userMode = 0;  // 0 program folder, 1 per-user, 2 all users
  std::string userRoot;       // below the application-data folder, with a trailing backslash
};

// Reads "UserMode.ini" for the executable at exePath (the host's main module by default).
ConfigDirState ReadUserMode(const std::string& exePath);

// Read once, on first use (the library's entry point does no file work under the loader lock).
const ConfigDirState& ConfigDirSettings();

// The configuration folder, with a trailing backslash; never empty.
std::string GetConfigDir(const ConfigDirState& state);
std::string GetConfigDir();

// The full path for a name relative to the configuration folder; creates the name's folders and,
// when asked, takes over a copy of the program folder's file on first use.
std::string GetConfigPath(const ConfigDirState& state, const std::string& relativeName, bool takeOverDefault);
std::string GetConfigPath(const std::string& relativeName, bool takeOverDefault);

bool CopyFileContents(const std::string& source, const std::string& destination);

}  // namespace sonotape
