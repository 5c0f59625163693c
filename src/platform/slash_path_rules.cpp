#include "platform/slash_path_rules.h"

namespace quernel {

bool SlashPathRules::endsWithSeparator(std::string_view directory) const {
  return !directory.empty() && directory.back() == '/';
}

std::string SlashPathRules::directoryPart(std::string_view path) const {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(0, slash));
}

std::string SlashPathRules::fileNamePart(std::string_view path) const {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace quernel
