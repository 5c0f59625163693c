// Cutting UTF-8 text to a byte limit without splitting a character.

#include "platform/utf8.h"

#include <gtest/gtest.h>

namespace quernel {
namespace {

TEST(Utf8PrefixLength, NeverEndsInsideACharacter) {
  struct Case {
    const char* text;
    size_t limit;
    size_t expected;
  };
  const Case cases[] = {
      {"Caf\xC3\xA9", 3, 3},
      {"Caf\xC3\xA9", 4, 3},  // before the two-byte "é"
      {"Caf\xC3\xA9", 5, 5},
      {"Caf\xC3\xA9", 255, 5},
      {"a\xE2\x82\xAC" "b", 2, 1},  // inside "€"
      {"a\xE2\x82\xAC" "b", 3, 1},
      {"a\xE2\x82\xAC" "b", 4, 4},
      {"\xF0\x9F\x98\x80z", 3, 0},  // inside a four-byte character
      {"\xF0\x9F\x98\x80z", 4, 4},
      // Bytes that are no well-formed UTF-8 are characters of their own.
      {"ab\x80\x80\x80", 3, 3},          // continuation bytes without a lead
      {"a\xC3" "bc", 2, 2},               // a lead without its continuation
      {"a\xC0\x80z", 2, 2},               // overlong form
      {"a\xED\xA0\x80z", 2, 2},           // surrogate
      {"a\xE2\x82", 2, 2},                // sequence cut short by the end
      {"\xE9\xA9\xAE", 1, 0},             // well-formed (U+9A6E)
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8PrefixLength(c.text, c.limit), c.expected) << c.text << " limit " << c.limit;
  }
}

}  // namespace
}  // namespace quernel
