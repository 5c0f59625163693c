#include "platform/backslash_path_rules.h"

namespace quernel {

bool BackslashPathRules::endsWithSeparator(std::string_view directory) const {
  const size_t last = LastCharacterOf(text_, directory, "\\");
  return last != std::string_view::npos && last + 1 == directory.size();
}

std::string BackslashPathRules::directoryPart(std::string_view path) const {
  const size_t last = LastCharacterOf(text_, path, "\\");
  return std::string(last == std::string_view::npos ? path : path.substr(0, last));
}

std::string BackslashPathRules::fileNamePart(std::string_view path) const {
  const size_t last = LastCharacterOf(text_, path, "\\/:");
  return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

}  // namespace quernel
