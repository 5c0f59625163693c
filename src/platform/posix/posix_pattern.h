#pragma once

#include <string>
#include <vector>

namespace quernel {

// Expands a pattern whose last component may hold "*" and "?" into the
// absolute paths of the matching entries that are not directories, sorted
// by name in byte order.
std::vector<std::string> ExpandPosixPattern(const std::string& pattern);

}  // namespace quernel
