// The building blocks of the expansion: number arguments, modifier pieces,
// and cleaning names.

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "naming/name_cleaning.h"
#include "naming/template_field.h"
#include "platform/host.h"

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
      {"\x7F~", "~"},
      {"a\x7F" "b", "a b"},
  };
  for (const Case& c : cases) {
    std::string name = c.name;
    CleanFileName(name, 1252, SystemHost().text);
    EXPECT_EQ(name, c.expected) << "from \"" << c.name << "\"";
  }
}

}  // namespace
}  // namespace quernel
