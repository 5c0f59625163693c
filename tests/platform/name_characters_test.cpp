#include "platform/name_characters.h"

#include <gtest/gtest.h>

#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"
#include "platform/utf8.h"

namespace quernel {
namespace {

struct CaseMapping {
  int codePage;
  bool toUpper;
  std::string text;
  std::string mapped;
};

TEST(ChangeLetterCaseIn, MapsLettersOnlyWithinTheCodePage) {
  const CaseMapping cases[] = {
      {1251, true, "привет, ёлка µ", "ПРИВЕТ, ЁЛКА µ"},  // 1251 has µ but no Greek Μ
      {1251, false, "ПРИВЕТ Ёж", "привет ёж"},
      {1251, true, "é", "é"},  // a character from outside the page is left alone
      {1253, true, "καλημέρα σας", "ΚΑΛΗΜΈΡΑ ΣΑΣ"},
      {1253, false, "ΣΑΣ µ", "σασ µ"},
      {1250, true, "žluťoučký kůň", "ŽLUŤOUČKÝ KŮŇ"},
      {1250, false, "ŽLUŤOUČKÝ KŮŇ", "žluťoučký kůň"},
      {1254, true, "ılık iğde ş µ", "ILIK IĞDE Ş µ"},
      {1254, false, "İSTANBUL ŞİŞLİ", "istanbul şişli"},
      {1252, true, "grüße µ ÿ", "GRÜßE µ Ÿ"},
      {932, true, "ａｂＣ αβ абв", "ＡＢＣ ΑΒ АБВ"},
      {936, true, "āａ", "āＡ"},  // 936 has ā but not Ā
      {949, false, "ΑＢ", "αｂ"},
  };
  for (const CaseMapping& c : cases) {
    std::string text = c.text;
    ChangeLetterCaseIn(c.codePage, text, c.toUpper);
    EXPECT_EQ(text, c.mapped) << c.codePage << " " << c.text;
  }
}

TEST(ChangeLetterCaseIn, LeavesInvalidUtf8Alone) {
  std::string text("a\xC3\xFF\xE0\x80", 5);
  ChangeLetterCaseIn(1251, text, true);
  EXPECT_EQ(text, std::string("A\xC3\xFF\xE0\x80", 5));
}

// A name cut to "L:" bytes before "C:" must not grow past the limit again.
TEST(ChangeLetterCaseIn, NeverLengthensTheTextOfAPage) {
  for (int codePage : SupportedCodePages()) {
    std::string stored;
    for (int lead = 0x80; lead < 0x100; ++lead) {
      stored += {static_cast<char>(lead), ' '};
      if (!IsDoubleByteCodePage(codePage)) continue;
      for (int trail = 0x40; trail < 0xFF; ++trail) stored += {static_cast<char>(lead), static_cast<char>(trail), ' '};
    }
    const std::string text = MakeCodePageConverter(codePage)->toNative(stored);
    for (bool toUpper : {true, false}) {
      std::string mapped = text;
      ChangeLetterCaseIn(codePage, mapped, toUpper);
      EXPECT_LE(mapped.size(), text.size()) << codePage << (toUpper ? " upper" : " lower");
    }
  }
}

TEST(CharacterPrefixLengthIn, CutsA64ByteJapaneseNameOnACharacterBoundary) {
  std::string stored;
  for (int i = 0; i < 8; ++i) stored += "\x93\xFA\x96{\x8C\xEA\x82\xCC\x8C\x8F\x96\xBC";  // 日本語の件名
  const std::string name = MakeCodePageConverter(932)->toNative(stored);
  ASSERT_GT(name.size(), 64u);
  const size_t cut = CharacterPrefixLengthIn(932, name, 64);
  EXPECT_EQ(cut, 63u);  // 21 characters of 3 bytes each
  EXPECT_TRUE(DecodeCodePage(65001, name.substr(0, cut)).has_value());
  EXPECT_EQ(name.substr(0, 9), "日本語");
}

TEST(CharacterStepIn, StepsOverWholeUtf8Characters) {
  const std::string name = "表\\";
  for (size_t pos = 0; pos < name.size(); ++pos) EXPECT_EQ(CharacterStepIn(932, name, pos), 1u);
}

}  // namespace
}  // namespace quernel
