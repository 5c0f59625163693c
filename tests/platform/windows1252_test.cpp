#include "platform/windows1252.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/code_page.h"
#include "platform/host.h"

namespace quernel {
namespace {

struct Conversion {
  std::string stored;
  std::string utf8;
};

TEST(Windows1252ToUtf8, ConvertsEveryRange) {
  const Conversion cases[] = {
      {"", ""},
      {"Hello, World\r\n", "Hello, World\r\n"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"\x80", "\u20AC"},                       // euro sign
      {"\x8A\x8C\x8E\x9A\x9C\x9E\x9F", "ŠŒŽšœžŸ"},
      {"\x91quoted\x92 \x93twice\x94", "\u2018quoted\u2019 \u201Ctwice\u201D"},
      {"\x85\x96\x97\x99", "\u2026\u2013\u2014\u2122"},
      {"\xA0\xA9\xBF", "\u00A0©¿"},
      {"Gr\xFC\xDF" "e aus K\xF6ln", "Grüße aus Köln"},
      {"\xC0\xD7\xDE\xDF\xE0\xF7\xFF", "À×Þßà÷ÿ"},
  };
  for (const Conversion& c : cases) EXPECT_EQ(Windows1252ToUtf8(c.stored), c.utf8) << c.utf8;
}

TEST(Windows1252ToUtf8, UndefinedBytesBecomeTheC1ControlsOfTheSameValue) {
  for (unsigned char byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    const std::string converted = Windows1252ToUtf8(std::string(1, static_cast<char>(byte)));
    EXPECT_EQ(converted, std::string({'\xC2', static_cast<char>(byte)})) << int(byte);
    EXPECT_EQ(Utf8C1ControlLength(converted, 0), 2u);
  }
}

TEST(Windows1252ToUtf8, EveryByteGivesValidUtf8ThatTheDefaultConverterAgreesWith) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  const std::string converted = Windows1252ToUtf8(all);
  const std::unique_ptr<CodePageConverter> converter = MakeDefaultCodePageConverter();
  EXPECT_EQ(converter->codePage(), 1252);
  EXPECT_EQ(converter->toNative(all), converted);
  // ASCII in one byte; Latin-1, the 5 controls and 10 letters of 0x80-0x9F
  // (ƒ ˆ Š Œ Ž ˜ š œ ž Ÿ) in two; the other 17 punctuation signs in three.
  EXPECT_EQ(converted.size(), 128u + 2 * (96 + 5 + 10) + 3 * 17);
}

struct CaseChange {
  std::string lower;
  std::string upper;
};

TEST(ChangeLetterCase, MapsTheWindows1252LettersBothWays) {
  const CaseChange pairs[] = {
      {"abcxyz", "ABCXYZ"},
      {"àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþ", "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ"},
      {"šœžÿ", "ŠŒŽŸ"},
      {"grüße, köln!", "GRÜßE, KÖLN!"},  // ß has no partner in the code page
  };
  for (const CaseChange& pair : pairs) {
    std::string text = pair.lower;
    SystemHost().text.changeLetterCase(text, true);
    EXPECT_EQ(text, pair.upper);
    SystemHost().text.changeLetterCase(text, false);
    EXPECT_EQ(text, pair.lower);
  }
}

TEST(ChangeLetterCase, LeavesOtherCharactersAndInvalidBytesAlone) {
  const std::string unchanged[] = {
      "×÷ßµ0123456789 _-.",
      "αβγ ΑΒΓ абв АБВ",                 // Greek and Cyrillic are not in the code page
      "\u20AC\u2026",                    // euro and ellipsis
      std::string("\xC3", 1),            // cut-off sequence
      "\xE9\xC9\xFF",                    // Latin-1 bytes that are not UTF-8
      "\xC0\x81\xE0\x80\x80",            // overlong forms
      "\xC2\x85",                        // a C1 control
  };
  for (const std::string& text : unchanged) {
    for (bool toUpper : {true, false}) {
      std::string changed = text;
      SystemHost().text.changeLetterCase(changed, toUpper);
      EXPECT_EQ(changed, text);
    }
  }
  // Invalid bytes are skipped one at a time: letters after them still change.
  std::string mixed = "\xFF" "a\xC3" "b\xC3\xA9";
  SystemHost().text.changeLetterCase(mixed, true);
  EXPECT_EQ(mixed, "\xFF" "A\xC3" "B\xC3\x89");
}

TEST(ExtraControlSequenceAt, FindsOnlyTheC1Controls) {
  const std::string text = "a\xC2\x80" "b\xC2\x9F" "c\xC2\xA0" "d\xC2";
  EXPECT_EQ(SystemHost().text.extraControlSequenceAt(text, 0), 0u);
  EXPECT_EQ(SystemHost().text.extraControlSequenceAt(text, 1), 2u);  // U+0080
  EXPECT_EQ(SystemHost().text.extraControlSequenceAt(text, 4), 2u);  // U+009F
  EXPECT_EQ(SystemHost().text.extraControlSequenceAt(text, 7), 0u);  // U+00A0 is a printable space
  EXPECT_EQ(SystemHost().text.extraControlSequenceAt(text, text.size() - 1), 0u);  // cut off
}

}  // namespace
}  // namespace quernel
