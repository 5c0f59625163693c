#include "platform/utf8_text_rules.h"

#include "platform/utf8.h"
#include "platform/windows1252.h"

namespace quernel {

size_t Utf8TextRules::characterPrefixLength(std::string_view text, size_t limit) const {
  return Utf8PrefixLength(text, limit);
}

void Utf8TextRules::changeLetterCase(std::string& s, bool toUpper) const {
  ChangeWindows1252LetterCase(s, toUpper);
}

size_t Utf8TextRules::extraControlSequenceAt(std::string_view s, size_t pos) const {
  return Utf8C1ControlLength(s, pos);
}

}  // namespace quernel
