#pragma once
// What a shell command prints (standard output), for tests that let a real
// client such as Python's zipfile read what quernel wrote.

#include <stdio.h>

#include <string>

namespace quernel::testing {

inline std::string CommandOutput(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (size_t read; (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, read);
  pclose(pipe);
  return output;
}

}  // namespace quernel::testing
