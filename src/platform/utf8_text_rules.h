#pragma once
// The Linux text rules: names are UTF-8, in which an ASCII byte is always a
// whole character; letter case follows Windows-1252's letters, as the names
// came from that page.

#include "platform/text_rules.h"

namespace quernel {

class Utf8TextRules final : public TextRules {
 public:
  size_t characterStep(std::string_view, size_t) const override { return 1; }
  size_t characterPrefixLength(std::string_view text, size_t limit) const override;
  void changeLetterCase(std::string& s, bool toUpper) const override;
  size_t extraControlSequenceAt(std::string_view s, size_t pos) const override;
  std::string displayForm(std::string_view name) const override { return std::string(name); }
};

}  // namespace quernel
