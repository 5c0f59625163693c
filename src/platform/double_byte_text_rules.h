#pragma once
// Text rules of a code page with double-byte characters, given its lead
// bytes: the Windows rules without the Windows calls, so that stepping and
// cutting run in tests on every system. Letter case here maps ASCII letters
// only and names are shown as they are; the Windows implementation
// (win32/) overrides both with the system's mappings.

#include <bitset>

#include "platform/text_rules.h"

namespace quernel {

class DoubleByteTextRules : public TextRules {
 public:
  // Bytes whose bit is set start a two-byte character (when one follows).
  explicit DoubleByteTextRules(std::bitset<256> leadBytes) : leadBytes_(leadBytes) {}

  size_t characterStep(std::string_view s, size_t pos) const override;
  size_t characterPrefixLength(std::string_view text, size_t limit) const override;
  void changeLetterCase(std::string& s, bool toUpper) const override;
  size_t extraControlSequenceAt(std::string_view, size_t) const override { return 0; }
  std::string displayForm(std::string_view name) const override { return std::string(name); }

 private:
  std::bitset<256> leadBytes_;
};

}  // namespace quernel
