#include "platform/wildcard.h"

#include "platform/utf8.h"

namespace quernel {

namespace {

size_t CharacterLengthAt(std::string_view s, size_t pos) {
  const size_t length = Utf8SequenceLength(s, pos);
  return length == 0 ? 1 : length;
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  size_t p = 0;
  size_t n = 0;
  // Where to resume after the most recent "*" if the rest fails to match.
  // Only the latest star needs remembering: any earlier one can only absorb
  // what the latest could absorb as well.
  size_t starPattern = std::string_view::npos;
  size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starPattern = ++p;
      starName = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += CharacterLengthAt(name, n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (starPattern != std::string_view::npos) {
      starName += CharacterLengthAt(name, starName);  // the star takes one more
      p = starPattern;
      n = starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool HasWildcard(std::string_view pattern) {
  return pattern.find_first_of("*?") != std::string_view::npos;
}

}  // namespace quernel
