#include "dbx/header_text.h"

#include <gtest/gtest.h>

namespace quernel {
namespace {

const char kMessage[] =
    "Received: from mail.example.ru\r\n"
    "Subject: =?koi8-r?Q?=F0=D2=C9=D7=C5=D4,_=CD=C9=D2?=\r\n"
    "\t=?koi8-r?Q?!?=\r\n"
    "From: \"=?windows-1251?B?yOLg7SDP5fLw7uI=?=\" <ivan@example.ru>\r\n"
    "content-type: text/plain;\r\n"
    " charset=\"koi8-r\"\r\n"
    "\r\n"
    "Subject: not a header line\r\n";

TEST(HeaderFieldValue, FindsTheFirstFieldOfTheHeaderAndUnfoldsIt) {
  EXPECT_EQ(HeaderFieldValue(kMessage, "subject"),
            "=?koi8-r?Q?=F0=D2=C9=D7=C5=D4,_=CD=C9=D2?=\t=?koi8-r?Q?!?=");
  EXPECT_EQ(HeaderFieldValue(kMessage, "Content-Type"), "text/plain; charset=\"koi8-r\"");
  EXPECT_EQ(HeaderFieldValue(kMessage, "To"), std::nullopt);
  EXPECT_EQ(HeaderFieldValue("Subject: body only after\n\nFrom: x\n", "From"), std::nullopt);
  EXPECT_EQ(HeaderFieldValue("Subject:\n", "Subject"), "");
}

TEST(HeaderSize, EndsWithTheEmptyLineOnceTheTextHoldsIt) {
  const std::pair<std::string_view, size_t> cases[] = {
      {"A: b\r\n\r\nbody", 8},
      {"A: b\n\nbody", 6},
      {"\r\nbody", 2},
      {"A: b\r\n \r\n\r\n", 11},  // a line of white space is no end
      {"A: b\r\n", std::string_view::npos},
      {"A: b\r\n\r", std::string_view::npos},  // its line end may follow
      {"", std::string_view::npos},
  };
  for (const auto& [text, size] : cases) EXPECT_EQ(HeaderSize(text), size) << text;
  EXPECT_EQ(HeaderCharset(kMessage), "koi8-r");
  EXPECT_EQ(HeaderCharset("Content-Type: text/plain\r\n\r\n"), std::nullopt);
}

TEST(MessageCharset, TakesTheHeadersOrElseTheFirstPartsCharset) {
  EXPECT_EQ(MessageCharset(kMessage), "koi8-r");
  EXPECT_EQ(MessageCharset("Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
                           "Content-Type: text/plain; charset=windows-1251\r\n\r\nx\r\n"),
            "windows-1251");
  EXPECT_EQ(MessageCharset("Subject: x\r\n\r\nbody\r\n"), "");
}

TEST(DisplayNameOf, TakesThePhraseOrTheComment) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"\"Lee, Ann\" <ann@example.com>", "Lee, Ann"},
      {"Ann Lee <ann@example.com>", "Ann Lee"},
      {"\"Ann \\\"Q\\\" Lee\" <ann@example.com>", "Ann \"Q\" Lee"},
      {"\"a<b\" <ann@example.com>", "a<b"},
      {"ann@example.com (Ann Lee)", "Ann Lee"},
      {"ann@example.com", ""},
      {"<ann@example.com>", ""},
  };
  for (const auto& [value, name] : cases) EXPECT_EQ(DisplayNameOf(value), name) << value;
}

struct Decoding {
  std::string text;
  std::string rawCharset;
  std::optional<std::string> utf8;
};

TEST(DecodeHeaderText, DecodesEncodedWordsAndRawTextAsWindowsDid) {
  const Decoding cases[] = {
      {"=?koi8-r?Q?=F0=D2=C9=D7=C5=D4,_=CD=C9=D2?=", "", "Привет, мир"},
      {"Re: =?ISO-8859-7?q?=CA=E1=EB=E7=EC=DD=F1=E1?= !", "", "Re: Καλημέρα !"},
      {"=?utf-8?B?UMWZw61sacWhIMW+bHXFpW91xI1rw70ga8WvxYg=?=", "", "Příliš žluťoučký kůň"},
      // White space between encoded words goes; a character split over two
      // words is read whole.
      {"=?utf-8?B?5pel5g==?= \r\n =?UTF-8?B?nKzoqp4=?=", "", "日本語"},
      {"=?shift_jis?B?g2WDWINngWA=?=", "", "テスト～"},
      {"=?ks_c_5601-1987?B?vsiz58fPvLy/5CCMYw==?=", "", "안녕하세요 똠"},  // 똠: a 949 extension
      {"=?gb2312?B?xOO6w8rAvec=?=", "", "你好世界"},
      {"=?big5?B?wWPF6aSkpOU=?=", "", "繁體中文"},
      // ISO-2022-JP through 932: the wave dash is U+FF5E, as Windows read it.
      {"=?iso-2022-jp?B?GyRCST08KCVGJTklSBsoQg==?=", "", "表示テスト"},
      {"\x1B$B!A\x1B(B and \x1B(I1\x1B(B", "iso-2022-jp", "～ and ｱ"},
      // Raw 8-bit text takes the message's charset.
      {"\xCF\xF0\xE8\xE2\xE5\xF2", "windows-1251", "Привет"},
      {"\xCF\xF0\xE8\xE2\xE5\xF2 =?utf-8?Q?=D0=9F?=", "windows-1251", "Привет П"},
      {"plain words", "", "plain words"},
      {"=?unknown?Q?x?=", "", std::nullopt},
      {"\xCF\xF0\xE8", "", std::nullopt},                    // raw 8-bit, no charset
      {"=?utf-8?Q?=D0?=", "", std::nullopt},                 // cut UTF-8
      {"=?utf-8?B?$$$?=", "", "=?utf-8?B?$$$?="},           // no encoded word
      {"=?utf-8?X?abc?= =?utf-8?Q?a b?=", "", "=?utf-8?X?abc?= =?utf-8?Q?a b?="},
  };
  for (const Decoding& c : cases) EXPECT_EQ(DecodeHeaderText(c.text, c.rawCharset), c.utf8) << c.text;
}

TEST(DecodeHeaderText, ReadsEncodedWordsInsideQuotedDisplayNames) {
  const std::optional<std::string> from = HeaderFieldValue(kMessage, "From");
  ASSERT_TRUE(from.has_value());
  EXPECT_EQ(DecodeHeaderText(DisplayNameOf(*from), ""), "Иван Петров");
}

}  // namespace
}  // namespace quernel
