#include "naming/code_page_detection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "naming/name_cleaning.h"
#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"
#include "platform/host.h"
#include "support/language_samples.h"
#include "support/string_input_file.h"

namespace quernel {
namespace {

using testing::BuildMailbox;
using testing::LanguageMailbox;
using testing::LanguageMailboxes;
using testing::LanguageMailboxOf;
using testing::LanguageMessage;
using testing::StringInputFile;

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
LanguageMessage Message(std::string subject, std::string senderName, std::string headerLines) {
  return LanguageMessage{std::move(subject), std::move(senderName), std::move(headerLines), "", ""};
}

struct Detection {
  int codePage;
  std::vector<CodePageTally> tally;
};

// Builds the mailbox and detects its code page from the texts the reader
// reads. The stored strings are the builder's input: the bytes the record
// holds.
Detection Detect(const std::vector<LanguageMessage>& messages) {
  StringInputFile file(BuildMailbox(messages));
  const MailboxReader reader(file, SystemHost().calendar);
  std::vector<MessageEvidence> evidence;
  for (int32_t i = 0; i < reader.messageCount(); ++i) {
    const LanguageMessage& message = messages[static_cast<size_t>(i)];
    evidence.push_back(CollectEvidence(message.storedSubject, message.storedSenderName, reader.messageText(i)));
  }
  return Detection{ChooseCodePage(evidence), TallyEvidence(evidence)};
}

size_t Explained(const Detection& detection, int codePage) {
  for (const CodePageTally& candidate : detection.tally) {
    if (candidate.codePage == codePage) return candidate.explained;
  }
  return 0;
}

// The file names the subject and the sender name give in the chosen page.
std::string NameOf(const Detection& detection, const std::string& stored) {
  std::string name = MakeCodePageConverter(detection.codePage)->toNative(stored);
  CleanFileName(name, detection.codePage, SystemHost().text);
  return name;
}

TEST(CodePageDetection, FindsRussianThroughEveryHeaderCharset) {
  const Detection detection = Detect(LanguageMailboxOf(1251).messages);
  EXPECT_EQ(detection.codePage, 1251);
  EXPECT_EQ(Explained(detection, 1251), 3u);
  EXPECT_EQ(Explained(detection, 1252), 1u);  // the message that names the wrong charset
}

TEST(CodePageDetection, FindsEachLanguagesPage) {
  for (const LanguageMailbox& language : LanguageMailboxes()) {
    const Detection detection = Detect(language.messages);
    EXPECT_EQ(detection.codePage, language.codePage) << language.language;
    if (language.codePage != 1251) {
      EXPECT_EQ(Explained(detection, language.codePage), language.messages.size()) << language.language;
    }
    for (const LanguageMessage& message : language.messages) {
      EXPECT_EQ(NameOf(detection, message.storedSubject), message.subjectName) << language.language;
      EXPECT_EQ(NameOf(detection, message.storedSenderName), message.senderName) << language.language;
    }
  }
}

TEST(CodePageDetection, StaysWithWindows1252WithoutClearEvidence) {
  const LanguageMessage western =
      Message("Gr\xFC\xDF" "e aus K\xF6ln", "x", "Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=\r\n");
  const LanguageMessage greek = LanguageMailboxOf(1253).messages[1];
  const std::vector<LanguageMessage>& russian = LanguageMailboxOf(1251).messages;
  const struct {
    const char* what;
    std::vector<LanguageMessage> messages;
    int codePage;
  } cases[] = {
      // 1250, 1254, 1257 and 1258 read these bytes as 1252 does: a tie.
      {"Western", {western, western, western, western}, 1252},
      {"evidence split evenly", {russian[0], russian[1], greek, greek}, 1252},
      {"more than twice as many", {russian[0], russian[1], russian[2], greek}, 1251},
      {"no header to compare", {Message(russian[0].storedSubject, "x", "From: a@example.ru\r\n")}, 1252},
      {"one message only, and it agrees", {russian[1]}, 1251},
  };
  for (const auto& c : cases) EXPECT_EQ(Detect(c.messages).codePage, c.codePage) << c.what;
}

TEST(CodePageDetection, ComparesVietnameseAccentsWrittenApart) {
  // 1258 stores "ế" as "ê" and a combining acute; the header holds it whole.
  const LanguageMessage message =
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
