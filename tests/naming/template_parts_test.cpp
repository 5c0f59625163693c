// The building blocks of the expansion: number arguments, modifier pieces,
// cutting UTF-8 values and cleaning names.

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "naming/name_cleaning.h"
#include "naming/template_field.h"
#include "naming/utf8_prefix.h"

namespace quernel {
namespace {

TEST(ReadLeadingInteger, ReadsLikeAtoi) {
  struct Case {
    const char* text;
    int32_t expected;
  };
  const Case cases[] = {
      {"", 0},          {"abc", 0},         {"12", 12},          {"  7", 7},
      {"\t\n\v\f\r9", 9}, {"+4", 4},        {"-5", -5},          {"4x9", 4},
      {"- 4", 0},       {"+-4", 0},         {"007", 7},          {"255", 255},
      {"2147483647", std::numeric_limits<int32_t>::max()},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      // Saturates: wrapping would make 2^32 + 4 read as 4.
      {"4294967300", std::numeric_limits<int32_t>::max()},
      {"-4294967300", std::numeric_limits<int32_t>::min()},
      {"99999999999999999999999999", std::numeric_limits<int32_t>::max()},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadLeadingInteger(c.text), c.expected) << c.text;
}

TEST(ParseTemplateField, CutsAtTheFirstFourUnderscores) {
  const TemplateField field = ParseTemplateField("SUBJ_L:1_L:2_L:3_E:a_b_c");
  EXPECT_EQ(field.token, "SUBJ");
  EXPECT_EQ(field.lengthLimit, 3);
  EXPECT_EQ(field.defaultText, "a_b_c");
}

TEST(ParseTemplateField, LaterPiecesWinAndOthersAreIgnored) {
  const TemplateField field = ParseTemplateField("RNAME_N:1_x:5__N:3");
  EXPECT_EQ(field.token, "RNAME");
  EXPECT_EQ(field.semicolonCount, 3);
  EXPECT_EQ(field.lengthLimit, 0);
  EXPECT_EQ(field.dateFormat, "%Y-%m-%d");
}

TEST(ParseTemplateField, DefaultsAndEmptyArguments) {
  const TemplateField plain = ParseTemplateField("SDATE");
  EXPECT_EQ(plain.token, "SDATE");
  EXPECT_EQ(plain.dateFormat, "%Y-%m-%d");
  EXPECT_NE(plain.letterCase, 0);
  EXPECT_NE(plain.letterCase, 1);
  // "C:" with nothing behind it reads 0 (lower case); "F:" may be empty.
  const TemplateField empty = ParseTemplateField("SDATE_C:_F:_E:");
  EXPECT_EQ(empty.letterCase, 0);
  EXPECT_EQ(empty.dateFormat, "");
  EXPECT_EQ(empty.defaultText, "");
  // Prefixes are case-sensitive.
  EXPECT_EQ(ParseTemplateField("SUBJ_l:3").lengthLimit, 0);
}

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

TEST(CleanFileName, TurnsUnsafeCharactersIntoSingleSpaces) {
  struct Case {
    std::string name;
    std::string expected;
  };
  const Case cases[] = {
      {"", ""},
      {"plain.eml", "plain.eml"},
      {"a<b>c|d?e/f\\g\"h:i*j", "a b c d e f g h i j"},
      {"a\tb\rc\nd\x01" "e\x1F" "f", "a b c d e f"},
      {"a \t\r\n b", "a b"},
      {"  lead and trail  ", "lead and trail"},
      {" ", ""},
      {"<>|?", ""},
      {"a    b", "a b"},
      {std::string("a\0b", 3), "a b"},
      // UTF-8 C1 controls become one space each; other characters stay.
      {"A\xC2\x81" "B", "A B"},
      {"A\xC2\x80\xC2\x9F" "B", "A B"},
      {"\xC2\x85" "x", "x"},
      {"A\xC2\xA0" "B\xC3\xA9", "A\xC2\xA0" "B\xC3\xA9"},  // no-break space, é
      {"A\xC2", "A\xC2"},                                  // lone lead byte at the end
      {"\x7F~", "\x7F~"},
  };
  for (const Case& c : cases) {
    std::string name = c.name;
    CleanFileName(name);
    EXPECT_EQ(name, c.expected) << "from \"" << c.name << "\"";
  }
}

}  // namespace
}  // namespace quernel
