// Cutting ANSI text to a byte limit without splitting a double-byte character.

#include "platform/host.h"

namespace quernel {

size_t CharacterPrefixLength(std::string_view text, size_t limit) {
  if (limit >= text.size()) return text.size();
  size_t pos = 0;
  while (pos < limit) {
    const size_t step = CharacterStep(text, pos);
    if (pos + step > limit) break;
    pos += step;
  }
  return pos;
}

}  // namespace quernel
