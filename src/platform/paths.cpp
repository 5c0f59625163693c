// The path and text operations that are the same under every host's rules.

#include "platform/path_rules.h"
#include "platform/text_rules.h"

namespace quernel {

std::string PathRules::join(std::string_view directory, std::string_view name) const {
  std::string path(directory);
  if (!endsWithSeparator(directory)) path.push_back(separator());
  path.append(name);
  return path;
}

size_t LastCharacterOf(const TextRules& rules, std::string_view s, std::string_view characters) {
  size_t last = std::string_view::npos;
  for (size_t pos = 0; pos < s.size(); pos += rules.characterStep(s, pos)) {
    if (characters.find(s[pos]) != std::string_view::npos) last = pos;
  }
  return last;
}

std::string_view WithoutExtension(const TextRules& rules, std::string_view fileName) {
  return fileName.substr(0, LastCharacterOf(rules, fileName, "."));
}

}  // namespace quernel
