#pragma once
// The Windows path rules: "\" separates (a file name also ends at "/" and
// ":"), scanned character by character with the given text rules so that the
// second byte of a double-byte character (0x5C in 932's "表") never counts.
// Pure logic, so that the rules run in tests on every system.

#include "platform/path_rules.h"
#include "platform/text_rules.h"

namespace quernel {

class BackslashPathRules final : public PathRules {
 public:
  // `text` must outlive this object.
  explicit BackslashPathRules(const TextRules& text) : text_(text) {}

  char separator() const override { return '\\'; }
  bool endsWithSeparator(std::string_view directory) const override;
  std::string directoryPart(std::string_view path) const override;
  std::string fileNamePart(std::string_view path) const override;
  bool refusesWindowsNames() const override { return true; }
  char maildirInfoSeparator() const override { return '!'; }

 private:
  const TextRules& text_;
};

}  // namespace quernel
