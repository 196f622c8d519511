#include "settings/ConfigDir.h"

#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

#include "settings/IniValues.h"

namespace sonotape {

namespace {

constexpr DWORD kEveryoneAccess = 0xC0010000;  // generic read, generic write, delete

std::string WithBackslash(std::string path) {
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string IniString(const std::string& file, const char* key) {
  char value[MAX_PATH] = "";
  GetPrivateProfileStringA("Mode", key, "", value, sizeof value, file.c_str());
  return value;
}

// The components of a relative path, each up to and including its backslash.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  for (std::size_t begin = 0; begin < path.size();) {
    const std::size_t slash = path.find('\\', begin);
    const std::size_t end = slash == std::string::npos ? path.size() : slash + 1;
    parts.push_back(path.substr(begin, end - begin));
    begin = end;
  }
  return parts;
}

// A security descriptor that lets every user read, write and delete, inherited by what lies below.
class EveryoneMayWrite {
 public:
  EveryoneMayWrite() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid_)) {
      sid_ = nullptr;
      return;
    }
    const DWORD aclSize = GetLengthSid(sid_) + 20;  // the list's header, one entry's header and mask, the SID
    acl_.reset(static_cast<ACL*>(LocalAlloc(LPTR, aclSize)));
    if (!acl_ || !InitializeAcl(acl_.get(), aclSize, ACL_REVISION) ||
        !AddAccessAllowedAceEx(acl_.get(), ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, kEveryoneAccess,
                               sid_) ||
        !InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl_.get(), FALSE)) {
      return;
    }
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    ready_ = true;
  }
  EveryoneMayWrite(const EveryoneMayWrite&) = delete;
  EveryoneMayWrite& operator=(const EveryoneMayWrite&) = delete;
  ~EveryoneMayWrite() {
    if (sid_ != nullptr) FreeSid(sid_);
  }
  SECURITY_ATTRIBUTES* Attributes() { return ready_ ? &attributes_ : nullptr; }

 private:
  struct LocalFreer {
    void operator()(ACL* acl) const { LocalFree(acl); }
  };
  PSID sid_ = nullptr;
  std::unique_ptr<ACL, LocalFreer> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ready_ = false;
};

// Creates the levels of root below base one at a time; the first level only gets the security
// attributes. Empty when a level cannot be made.
std::string CreateLevels(const std::string& base, const std::string& root, SECURITY_ATTRIBUTES* firstLevel) {
  std::string path = base;
  for (const std::string& part : Components(root)) {
    path += part;
    if (!Exists(path) && !CreateDirectoryA(path.c_str(), firstLevel)) {
      return {};
    }
    firstLevel = nullptr;
  }
  return path;
}

// Copies every plain file matching pattern into folder; false when a copy fails.
bool CopyMatchingFiles(const std::string& pattern, const std::string& folder) {
  const std::size_t slash = pattern.find_last_of('\\');
  const std::string from = pattern.substr(0, slash + 1);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return true;
  }
  bool copied = true;
  do {
    constexpr DWORD kSkipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    if ((found.dwFileAttributes & kSkipped) == 0) {
      copied = CopyFileContents(from + found.cFileName, folder + found.cFileName);
    }
  } while (copied && FindNextFileA(search, &found));
  FindClose(search);
  return copied;
}

std::string ModulePath(HMODULE module) {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) return std::string(path.data(), length);
    path.resize(path.size() * 2);
  }
}

}  // namespace

ConfigDirState ReadUserMode(const std::string& exePath) {
  ConfigDirState state;
  state.programDir = exePath.substr(0, exePath.find_last_of('\\') + 1);
  const bool inPlugins = Lower(state.programDir).find("plugins") != std::string::npos;
  const std::string file = state.programDir + (inPlugins ? "..\\" : "") + "UserMode.ini";
  const std::int32_t mode = ParseIniInteger(IniString(file, "UserMode"), 0);
  if (mode != 1 && mode != 2) {
    return state;
  }
  state.userRoot = IniString(file, "Root");
  if (!state.userRoot.empty()) {
    state.userMode = static_cast<std::uint8_t>(mode);
    state.userRoot = WithBackslash(state.userRoot);
  }
  return state;
}

const ConfigDirState& ConfigDirSettings() {
  static const ConfigDirState state = ReadUserMode(ModulePath(nullptr));
  return state;
}

std::string GetConfigDir(const ConfigDirState& state) {
  std::string dir;
  char folder[MAX_PATH] = "";
  const int id = state.userMode == 1 ? CSIDL_APPDATA : CSIDL_COMMON_APPDATA;
  if (state.userMode != 0 && SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    const std::string base = WithBackslash(folder);
    dir = base + state.userRoot;
    if (!Exists(dir)) {
      EveryoneMayWrite everyone;
      dir = CreateLevels(base, state.userRoot, state.userMode == 2 ? everyone.Attributes() : nullptr);
    }
  }
  return dir.empty() ? state.programDir : dir;
}

std::string GetConfigDir() { return GetConfigDir(ConfigDirSettings()); }

std::string GetConfigPath(const ConfigDirState& state, const std::string& relativeName, bool takeOverDefault) {
  std::string dir = GetConfigDir(state);
  if (dir == state.programDir || Exists(dir + relativeName)) {
    return dir + relativeName;
  }
  std::string folder = dir;
  const std::vector<std::string> parts = Components(relativeName);
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    folder += parts[i];
    CreateDirectoryA(folder.c_str(), nullptr);  // failures show in the copy or the later writes
  }
  if (takeOverDefault && Exists(state.programDir + relativeName) &&
      !CopyMatchingFiles(state.programDir + relativeName, folder)) {
    dir = state.programDir;
  }
  return dir + relativeName;
}

std::string GetConfigPath(const std::string& relativeName, bool takeOverDefault) {
  return GetConfigPath(ConfigDirSettings(), relativeName, takeOverDefault);
}

bool CopyFileContents(const std::string& source, const std::string& destination) {
  if (source == destination) {
    return false;
  }
  HANDLE in = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) {
    return false;
  }
  HANDLE out = CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    CloseHandle(in);
    return false;
  }
  bool copied = true;
  char buffer[4096];
  for (DWORD read = 0; ReadFile(in, buffer, sizeof buffer, &read, nullptr) && read > 0;) {
    DWORD written = 0;
    if (!WriteFile(out, buffer, read, &written, nullptr) || written < read) {
      copied = false;
      break;
    }
  }
  CloseHandle(in);
  copied = CloseHandle(out) && copied;
  return copied;
}

}  // namespace sonotape
