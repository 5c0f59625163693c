#include "naming/code_page_detection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "naming/name_cleaning.h"
#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"
#include "support/dbx_builder.h"
#include "support/string_input_file.h"

namespace quernel {
namespace {

using testing::DbxBuilder;
using testing::StringInputFile;
using testing::TestMessage;

std::vector<CodePageTally> Tally(std::initializer_list<CodePageTally> counts) {
  std::vector<CodePageTally> tally;
  for (int codePage : SupportedCodePages()) {
    size_t explained = 0;
    for (const CodePageTally& count : counts) {
      if (count.codePage == codePage) explained = count.explained;
    }
    tally.push_back(CodePageTally{codePage, explained});
  }
  return tally;
}

TEST(ChooseFromTally, LeavesWindows1252OnlyOnClearEvidence) {
  const struct {
    std::vector<CodePageTally> tally;
    size_t withEvidence;
    int chosen;
  } cases[] = {
      {Tally({}), 0, 1252},
      {Tally({{1251, 5}}), 5, 1251},
      {Tally({{1251, 2}}), 2, 1251},            // all of the evidence, if less than 3
      {Tally({{1251, 2}}), 3, 1252},            // neither 3 nor all
      {Tally({{1251, 5}, {1252, 2}}), 7, 1251},  // more than twice 1252
      {Tally({{1251, 4}, {1252, 2}}), 6, 1252},  // only twice
      {Tally({{1252, 10}, {1254, 10}, {1258, 10}}), 10, 1252},  // a Western tie
      {Tally({{1254, 10}, {1258, 10}}), 10, 1252},  // a tie between two others
      {Tally({{1250, 9}, {1257, 4}}), 9, 1250},
      {Tally({{1250, 8}, {1257, 4}}), 8, 1252},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseFromTally(c.tally, c.withEvidence), c.chosen) << c.withEvidence;
  }
}

// A message of a test mailbox: its stored subject and sender name, and the
// header lines its text begins with.
TestMessage Message(std::string subject, std::string senderName, std::string headerLines) {
  TestMessage message;
  message.subject = std::move(subject);
  message.senderName = std::move(senderName);
  message.text = headerLines + "To: someone@example.com\r\n\r\nBody.\r\n";
  return message;
}

struct Detection {
  int codePage;
  std::vector<CodePageTally> tally;
};

// Builds the mailbox and detects its code page from the texts the reader
// reads. The stored strings are the builder's input: the bytes the record
// holds.
Detection Detect(const std::vector<TestMessage>& messages) {
  DbxBuilder builder;
  for (const TestMessage& message : messages) builder.add(message);
  StringInputFile file(builder.build().bytes);
  const MailboxReader reader(file);
  std::vector<MessageEvidence> evidence;
  for (int32_t i = 0; i < reader.messageCount(); ++i) {
    const TestMessage& message = messages[static_cast<size_t>(i)];
    evidence.push_back(CollectEvidence(message.subject.value_or(""), message.senderName.value_or(""),
                                       reader.messageText(i)));
  }
  return Detection{ChooseCodePage(evidence), TallyEvidence(evidence)};
}

size_t Explained(const Detection& detection, int codePage) {
  for (const CodePageTally& candidate : detection.tally) {
    if (candidate.codePage == codePage) return candidate.explained;
  }
  return 0;
}

// The file name the subject gives in the chosen code page.
std::string NameOf(const Detection& detection, const TestMessage& message) {
  std::string name = MakeCodePageConverter(detection.codePage)->toNative(*message.subject);
  CleanFileName(name);
  return name;
}

const std::string kRussianSubject = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0";    // Привет, мир
const std::string kRussianName = "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2";   // Иван Петров
const std::string kReport = "\xCE\xF2\xF7\xB8\xF2 \xE7\xE0 \xEC\xE0\xE9";         // Отчёт за май

std::vector<TestMessage> RussianMessages() {
  return {
      // Headers in koi8-r, quoted-printable: the record still holds 1251.
      Message(kRussianSubject, kRussianName,
              "Subject: =?koi8-r?Q?=F0=D2=C9=D7=C5=D4,_=CD=C9=D2?=\r\n"
              "From: =?koi8-r?Q?=E9=D7=C1=CE_=F0=C5=D4=D2=CF=D7?= <ivan@example.ru>\r\n"),
      // UTF-8 base64, the name inside quotes as Outlook Express wrote it.
      Message(kReport, kRussianName,
              "Subject: =?utf-8?B?0J7RgtGH0ZHRgiDQt9CwINC80LDQuQ==?=\r\n"
              "From: \"=?utf-8?B?0JjQstCw0L0g0J/QtdGC0YDQvtCy?=\" <ivan@example.ru>\r\n"),
      // Raw 8-bit koi8-r text with the charset in Content-Type.
      Message("Re: " + kReport, "ivan@example.ru",
              "Subject: Re: \xEF\xD4\xDE\xA3\xD4 \xDA\xC1 \xCD\xC1\xCA\r\n"
              "From: ivan@example.ru\r\n"
              "Content-Type: text/plain; charset=\"koi8-r\"\r\n"),
      // Headers that name the wrong charset: only 1252 explains this one.
      Message(kRussianSubject, "Anna",
              "Subject: =?iso-8859-1?Q?=CF=F0=E8=E2=E5=F2,_=EC=E8=F0?=\r\n"
              "From: Anna <anna@example.ru>\r\n"),
  };
}

TEST(CodePageDetection, FindsRussianThroughEveryHeaderCharset) {
  const std::vector<TestMessage> messages = RussianMessages();
  const Detection detection = Detect(messages);
  EXPECT_EQ(detection.codePage, 1251);
  EXPECT_EQ(Explained(detection, 1251), 3u);
  EXPECT_EQ(Explained(detection, 1252), 1u);
  EXPECT_EQ(NameOf(detection, messages[0]), "Привет, мир");
  EXPECT_EQ(NameOf(detection, messages[2]), "Re Отчёт за май");
}

struct Language {
  const char* what;
  int codePage;
  std::vector<TestMessage> messages;
  std::string firstName;  // the file name of the first message's subject
};

TEST(CodePageDetection, FindsEachLanguagesPage) {
  const Language languages[] = {
      {"Greek", 1253,
       {Message("\xCA\xE1\xEB\xE7\xEC\xDD\xF1\xE1 \xEA\xFC\xF3\xEC\xE5", "x",
                "Subject: =?iso-8859-7?Q?=CA=E1=EB=E7=EC=DD=F1=E1_=EA=FC=F3=EC=E5?=\r\n"),
        Message("\xD3\xF5\xED\xDC\xED\xF4\xE7\xF3\xE7", "\xC3\xE9\xFE\xF1\xE3\xEF\xF2",
                "Subject: =?iso-8859-7?Q?=D3=F5=ED=DC=ED=F4=E7=F3=E7?=\r\n"
                "From: =?iso-8859-7?Q?=C3=E9=FE=F1=E3=EF=F2?= <g@example.gr>\r\n"),
        Message("Re: \xD3\xF5\xED\xDC\xED\xF4\xE7\xF3\xE7", "x",
                "Subject: Re: \xD3\xF5\xED\xDC\xED\xF4\xE7\xF3\xE7\r\n"
                "Content-Type: text/plain; charset=iso-8859-7\r\n")},
       "Καλημέρα κόσμε"},
      {"Czech", 1250,
       {Message("P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2", "x",
                "Subject: =?utf-8?B?UMWZw61sacWhIMW+bHXFpW91xI1rw70ga8WvxYg=?=\r\n"),
        Message("Sch\xF9zka v \xFAter\xFD", "Ji\xF8\xED Nov\xE1k",
                "Subject: =?iso-8859-2?Q?Sch=F9zka_v_=FAter=FD?=\r\n"
                "From: \"=?iso-8859-2?Q?Ji=F8=ED_Nov=E1k?=\" <jiri@example.cz>\r\n"),
        Message("Ji\xF8\xED", "x", "Subject: =?utf-8?B?SmnFmcOt?=\r\n")},
       "Příliš žluťoučký kůň"},
      {"Japanese", 932,
       {Message("\x95\\\x8E\xA6\x83" "e\x83X\x83g", "x",  // 表示テスト: 0x5C as a trail byte
                "Subject: =?iso-2022-jp?B?GyRCST08KCVGJTklSBsoQg==?=\r\n"),
        Message("\x89\xEF\x8B" "c\x82\xCC\x8C\x8F", "\x8ER\x93" "c\x91\xBE\x98Y",  // 会議の件, 山田太郎
                "Subject: =?shift_jis?B?ie+LY4LMjI8=?=\r\n"
                "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <yamada@example.jp>\r\n"),
        Message("\x8ER\x93" "c", "x",
                "Subject: \x1B$B;3ED\x1B(B\r\n"
                "Content-Type: text/plain; charset=ISO-2022-JP\r\n")},
       "表示テスト"},
      {"Simplified Chinese", 936,
       {Message("\xC4\xE3\xBA\xC3\xCA\xC0\xBD\xE7", "x", "Subject: =?gb2312?B?xOO6w8rAvec=?=\r\n"),
        Message("\xBB\xE1\xD2\xE9\xCD\xA8\xD6\xAA", "\xCD\xF5\xD0\xA1\xC3\xF7",
                "Subject: =?GB2312?B?u+HS6c2o1qo=?=\r\n"
                "From: \"=?gb2312?B?zfXQocP3?=\" <wang@example.cn>\r\n"),
        Message("\xCD\xF5", "x", "Subject: \xCD\xF5\r\nContent-Type: text/plain; charset=gbk\r\n")},
       "你好世界"},
      {"Korean", 949,
       {Message("\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4 \x8C" "c", "x",  // 안녕하세요 똠
                "Subject: =?ks_c_5601-1987?B?vsiz58fPvLy/5CCMYw==?=\r\n"),
        Message("\xC8\xB8\xC0\xC7 \xBE\xC8\xB3\xBB", "\xB1\xE8\xC3\xB6\xBC\xF6",
                "Subject: =?euc-kr?B?yLjAxyC+yLO7?=\r\n"
                "From: =?ks_c_5601-1987?B?sejDtrz2?= <kim@example.kr>\r\n"),
        Message("\xB1\xE8", "x", "Subject: =?euc-kr?B?seg=?=\r\n")},
       "안녕하세요 똠"},
      {"Traditional Chinese", 950,
       {Message("\xC1" "c\xC5\xE9\xA4\xA4\xA4\xE5", "x", "Subject: =?big5?B?wWPF6aSkpOU=?=\r\n"),
        Message("\xB7|\xC4\xB3\xB3q\xAA\xBE", "\xB3\xAF\xA4j\xA4\xE5",
                "Subject: =?big5?B?t3zEs7Nxqr4=?=\r\n"
                "From: =?big5?B?s6+kaqTl?= <chan@example.tw>\r\n"),
        Message("\xB3\xAF", "x", "Subject: \xB3\xAF\r\nContent-Type: text/plain; charset=big5\r\n")},
       "繁體中文"},
  };
  for (const Language& language : languages) {
    const Detection detection = Detect(language.messages);
    EXPECT_EQ(detection.codePage, language.codePage) << language.what;
    EXPECT_EQ(Explained(detection, language.codePage), language.messages.size()) << language.what;
    EXPECT_EQ(NameOf(detection, language.messages[0]), language.firstName) << language.what;
  }
}

TEST(CodePageDetection, StaysWithWindows1252WithoutClearEvidence) {
  const TestMessage western =
      Message("Gr\xFC\xDF" "e aus K\xF6ln", "x", "Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=\r\n");
  const TestMessage greek = Message("\xD3\xF5\xED\xDC\xED\xF4\xE7\xF3\xE7", "x",
                                    "Subject: =?iso-8859-7?Q?=D3=F5=ED=DC=ED=F4=E7=F3=E7?=\r\n");
  const std::vector<TestMessage> russian = RussianMessages();
  const struct {
    const char* what;
    std::vector<TestMessage> messages;
    int codePage;
  } cases[] = {
      // 1250, 1254, 1257 and 1258 read these bytes as 1252 does: a tie.
      {"Western", {western, western, western, western}, 1252},
      {"evidence split evenly", {russian[0], russian[1], greek, greek}, 1252},
      {"more than twice as many", {russian[0], russian[1], russian[2], greek}, 1251},
      {"no header to compare", {Message(kRussianSubject, "x", "From: a@example.ru\r\n")}, 1252},
      {"one message only, and it agrees", {russian[1]}, 1251},
  };
  for (const auto& c : cases) EXPECT_EQ(Detect(c.messages).codePage, c.codePage) << c.what;
}

TEST(CodePageDetection, ComparesVietnameseAccentsWrittenApart) {
  // 1258 stores "ế" as "ê" and a combining acute; the header holds it whole.
  const TestMessage message =
      Message("Ti\xEA\xEC" "ng Vi\xEA\xF2t", "x", "Subject: =?utf-8?Q?Ti=E1=BA=BFng_Vi=E1=BB=87t?=\r\n");
  EXPECT_EQ(Detect({message, message, message}).codePage, 1258);
}

TEST(CollectEvidence, TakesOnlyFieldsBeyondAsciiThatTheHeaderGives) {
  const std::string text = "Subject: =?koi8-r?Q?=F0=D2=C9=D7=C5=D4?=\r\nFrom: Ann <a@example.com>\r\n\r\n";
  EXPECT_TRUE(CollectEvidence("plain", "Ann", text).empty());
  const MessageEvidence subjectOnly = CollectEvidence("\xCF\xF0\xE8\xE2\xE5\xF2", "Ann", text);
  ASSERT_EQ(subjectOnly.size(), 1u);
  EXPECT_EQ(subjectOnly[0].decoded, "Привет");
  // White space runs count as one space on both sides.
  const MessageEvidence spaced = CollectEvidence(
      "\xCF\xF0\xE8 \t \xE2 ", "", "Subject: =?utf-8?Q?=D0=9F=D1=80=D0=B8_?=\r\n\t=?utf-8?Q?_=D0=B2?=\r\n\r\n");
  ASSERT_EQ(spaced.size(), 1u);
  EXPECT_EQ(spaced[0].stored, "\xCF\xF0\xE8 \xE2");
  EXPECT_EQ(spaced[0].decoded, "При в");
  EXPECT_TRUE(CollectEvidence("\xCF", "", "Subject: =?x-unknown?Q?=CF?=\r\n\r\n").empty());
}

}  // namespace
}  // namespace quernel
