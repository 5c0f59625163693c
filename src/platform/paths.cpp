// Path operations that are the same on every platform once the separator
// rules of host.h are given.

#include "platform/host.h"

namespace quernel {

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (!EndsWithSeparator(directory)) path.push_back(PathSeparator());
  path.append(name);
  return path;
}

}  // namespace quernel
