#include "platform/code_page_conversion.h"

#include <gtest/gtest.h>

#include "naming/name_cleaning.h"
#include "platform/code_pages.h"
#include "platform/host.h"
#include "platform/windows1252.h"

namespace quernel {
namespace {

struct Conversion {
  int codePage;
  std::string stored;
  std::string utf8;
};

TEST(MakeCodePageConverter, ReadsEachPageAsWindowsDoes) {
  const Conversion cases[] = {
      {1251, "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0", "Привет, мир"},
      {1253, "\xCA\xE1\xEB\xE7\xEC\xDD\xF1\xE1 \xEA\xFC\xF3\xEC\xE5", "Καλημέρα κόσμε"},
      {1250, "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2", "Příliš žluťoučký kůň"},
      {1254, "I\xF0" "d\xFDr \xFDl\xFDk", "Iğdır ılık"},
      {874, "\xCA\xC7\xD1\xCA\xB4\xD5", "สวัสดี"},
      {932, "\x95\x5C\x8E\xA6\x83" "e\x83X\x83g\x81`", "表示テスト～"},
      {932, "\\~\xB1", "\\~ｱ"},  // ASCII stays ASCII, not "¥" and "‾"
      {936, "\xC4\xE3\xBA\xC3\xCA\xC0\xBD\xE7", "你好世界"},
      {949, "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4 \x8C" "c", "안녕하세요 똠"},
      {950, "\xC1" "c\xC5\xE9\xA4\xA4\xA4\xE5", "繁體中文"},
      // The single bytes of 932 that glibc refuses, read as Windows reads them.
      {932, "\x80\xA0\xFD\xFE\xFF", "\u0080\uF8F0\uF8F1\uF8F2\uF8F3"},
      // 1255 and 1258 keep a combining mark apart from its letter, also at
      // the end of the string, where a stateful reading would lose it.
      {1258, "Ti\xEA\xEC" "ng Vi\xEA\xF2t", "Ti\u00EA\u0301ng Vi\u00EA\u0323t"},
      {1258, "A\xCC", "A\u0300"},
      {1258, "A", "A"},
      {1255, "\xF9\xD1", "\u05E9\u05C1"},
      // A byte the page does not define becomes "_" and reading goes on.
      {1251, "a\x98" "b", "a_b"},
      {1253, "\xAA\xC1", "_Α"},
      {932, "\x81 x\x82", "_ x_"},  // a lead byte without a trail byte
      {949, "\x80\xB0\xA1", "_가"},
      {949, "\xB0\xA1\xA2\xE8", "가_"},  // refused only after both bytes were taken
  };
  for (const Conversion& c : cases) {
    const std::unique_ptr<CodePageConverter> converter = MakeCodePageConverter(c.codePage);
    ASSERT_NE(converter, nullptr) << c.codePage;
    EXPECT_EQ(converter->codePage(), c.codePage);
    EXPECT_EQ(converter->toNative(c.stored), c.utf8) << c.codePage << " " << c.utf8;
    // The same converter reads the next string from a fresh start.
    EXPECT_EQ(converter->toNative(c.stored), c.utf8) << c.codePage << " again";
  }
}

TEST(MakeCodePageConverter, Windows1252KeepsItsConversion) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  EXPECT_EQ(MakeCodePageConverter(1252)->toNative(all), Windows1252ToUtf8(all));
}

TEST(MakeCodePageConverter, EverySupportedPageGivesValidUtf8ForEveryByte) {
  std::string pairs;
  for (int lead = 0x80; lead < 0x100; ++lead) {
    for (int trail = 0x30; trail < 0x100; trail += 7) {
      pairs += {static_cast<char>(lead), static_cast<char>(trail), ' '};
    }
  }
  for (int codePage : SupportedCodePages()) {
    const std::string utf8 = MakeCodePageConverter(codePage)->toNative(pairs);
    EXPECT_TRUE(DecodeCodePage(65001, utf8).has_value()) << codePage;
  }
}

TEST(MakeCodePageConverter, RefusesPagesOutsideTheList) {
  for (int codePage : {0, 437, 850, 1200, 1249, 1259, 20866, 65001}) {
    EXPECT_EQ(MakeCodePageConverter(codePage), nullptr) << codePage;
  }
}

TEST(MakeCodePageConverter, TheTrailByte5CSurvivesCleaning) {
  // "表" is 0x95 0x5C in 932; read byte by byte, its second byte is "\".
  std::string name = MakeCodePageConverter(932)->toNative("\x95\\\\\x95\\");
  CleanFileName(name, 932, SystemHost().text);
  EXPECT_EQ(name, "表 表");  // the lone backslash between them is one
}

struct StrictCase {
  int codePage;
  std::string bytes;
  std::optional<std::string> utf8;
};

TEST(DecodeCodePage, ReadsHeaderCharsetsAndRefusesInvalidBytes) {
  const StrictCase cases[] = {
      {20866, "\xF0\xD2\xC9\xD7\xC5\xD4", "Привет"},
      {28595, "\xBF\xE0\xD8\xD2\xD5\xE2", "Привет"},
      {65001, "\xD0\x9F", "П"},
      {51932, "\xA1\xC1", "～"},  // Microsoft's EUC-JP: U+FF5E, as 932 reads it
      {20127, "plain", "plain"},
      {1251, "a\x98", std::nullopt},
      {65001, "\xD0", std::nullopt},
      {932, "\x81", std::nullopt},
      {949, "\x80", std::nullopt},
      {12345, "a", std::nullopt},
  };
  for (const StrictCase& c : cases) {
    EXPECT_EQ(DecodeCodePage(c.codePage, c.bytes), c.utf8) << c.codePage << " " << c.bytes;
  }
}

TEST(EncodeCodePage, WritesAccentsApartWhereThePageDoes) {
  EXPECT_EQ(EncodeCodePage(1258, "Tiếng Việt"), "Ti\xEA\xEC" "ng Vi\xEA\xF2t");
  EXPECT_EQ(EncodeCodePage(1251, "Привет"), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(EncodeCodePage(1251, "Grüße"), std::nullopt);
  EXPECT_EQ(EncodeCodePage(20866, "x"), std::nullopt);  // not a supported page
}

TEST(CodePageOfCharset, ReadsLabelsAsWindowsDid) {
  const std::pair<std::string_view, std::optional<int>> cases[] = {
      {"ks_c_5601-1987", 949}, {"EUC-KR", 949},       {"gb2312", 936},
      {"Shift_JIS", 932},      {"big5", 950},         {"iso-8859-1", 1252},
      {"windows-1251", 1251},  {"CP1250", 1250},      {"x-cp1253", 1253},
      {"koi8-r", 20866},       {"utf-8", 65001},      {"iso-2022-jp", kIso2022JpCodePage},
      {"windows-1259", {}},    {"cp12", {}},          {"klingon", {}},
  };
  for (const auto& [label, codePage] : cases) EXPECT_EQ(CodePageOfCharset(label), codePage) << label;
}

}  // namespace
}  // namespace quernel
