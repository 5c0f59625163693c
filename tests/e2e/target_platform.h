#pragma once
// The few places where the expected results depend on the platform quernel
// was built for. QUERNEL_TARGET=windows marks a Windows build run under Wine.

#include <cstdlib>
#include <string>

namespace quernel::testing {

inline bool TargetIsWindows() {
  const char* target = std::getenv("QUERNEL_TARGET");
  return target != nullptr && std::string(target) == "windows";
}

// The full path quernel shows for a file at an absolute Linux path.
inline std::string ShownFullPath(const std::string& linuxPath) {
  if (!TargetIsWindows()) return linuxPath;
  std::string shown = "Z:" + linuxPath;
  for (char& c : shown) {
    if (c == '/') c = '\\';
  }
  return shown;
}

}  // namespace quernel::testing
