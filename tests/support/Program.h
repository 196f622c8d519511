#pragma once
// Runs a shell command natively and hands back what it printed (standard output and error) and
// its exit status: for reading files back with independent tools.

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace testsupport {

struct ProgramResult {
  int status = -1;
  std::string printed;
};

inline ProgramResult RunCommand(const std::string& command) {
  ProgramResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    return result;
  }
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    result.printed.append(buffer, n);
  }
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace testsupport
