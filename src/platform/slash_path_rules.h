#pragma once
// The POSIX path rules: "/" separates, every other byte is part of a name.

#include "platform/path_rules.h"

namespace quernel {

class SlashPathRules final : public PathRules {
 public:
  char separator() const override { return '/'; }
  bool endsWithSeparator(std::string_view directory) const override;
  std::string directoryPart(std::string_view path) const override;
  std::string fileNamePart(std::string_view path) const override;
  bool refusesWindowsNames() const override { return false; }
  char maildirInfoSeparator() const override { return ':'; }
};

}  // namespace quernel
