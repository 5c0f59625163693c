#include "platform/double_byte_text_rules.h"

#include "platform/ascii.h"

namespace quernel {

size_t DoubleByteTextRules::characterStep(std::string_view s, size_t pos) const {
  return pos + 1 < s.size() && leadBytes_[static_cast<unsigned char>(s[pos])] ? 2 : 1;
}

size_t DoubleByteTextRules::characterPrefixLength(std::string_view text, size_t limit) const {
  return PrefixLengthByStepping(text, limit, [this](std::string_view s, size_t pos) { return characterStep(s, pos); });
}

void DoubleByteTextRules::changeLetterCase(std::string& s, bool toUpper) const {
  for (size_t pos = 0; pos < s.size(); pos += characterStep(s, pos)) {
    s[pos] = toUpper ? AsciiUpper(s[pos]) : AsciiLower(s[pos]);
  }
}

}  // namespace quernel
