#include "dbx/header_fields.h"

#include <gtest/gtest.h>

#include "dbx/header_date.h"

namespace quernel::dbx {
namespace {

TEST(HeaderDateTest, DatesMailProgramsWrote) {
  // 2005-11-01 09:00:00 UTC
  constexpr int64_t kNine = 1130835600;
  const std::vector<std::pair<const char*, std::optional<int64_t>>> cases = {
      {"Tue, 1 Nov 2005 10:00:00 +0100", kNine},
      {"1 Nov 2005 09:00:00 +0000", kNine},
      {"Tue, 01 Nov 2005 04:00 EST", kNine},
      {"Tue,  1 Nov 05 01:00:00 -0800 (PST)", kNine},
      {"Tuesday, 1 November 2005 09:00:00 GMT", kNine},
      {"1 Nov 2005 09:00:00", kNine},  // no zone: UTC
      {"Sat, 29 Feb 2020 23:59:60 +0000", 1583020800},
      {"1 Jan 1970 00:00:00 +0000", 0},
      {"1 Jan 99 00:00:00 +0000", 915148800},
      {"31 Dec 1969 23:00:00 -0200", 3600},
      {"yesterday", std::nullopt},
      {"", std::nullopt},
      {"1 Foo 2005 10:00:00", std::nullopt},
      {"32 Nov 2005 10:00:00", std::nullopt},
      {"1 Nov 2005 24:00:00", std::nullopt},
      {"1 Nov 2005", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseHeaderDate(text), expected) << text;
}

TEST(HeaderFieldsTest, MailboxesSplitIntoNameAndAddress) {
  const std::vector<std::tuple<const char*, const char*, const char*>> cases = {
      {"\"Anna L\" <anna@example.com>", "Anna L", "anna@example.com"},
      {"Anna L <anna@example.com>", "Anna L", "anna@example.com"},
      {"anna@example.com (Anna L)", "Anna L", "anna@example.com"},
      {"anna@example.com", "", "anna@example.com"},
      {"<anna@example.com>", "", "anna@example.com"},
      {"\"Lindqvist, Anna\" <anna@example.com>, ben@example.org", "Lindqvist, Anna", "anna@example.com"},
      {"\"say \\\"hi\\\"\" <x@y>", "say \"hi\"", "x@y"},
      {"undisclosed-recipients:;", "", "undisclosed-recipients:;"},
  };
  for (const auto& [value, name, address] : cases) {
    std::string n, a;
    SplitMailbox(value, n, a);
    EXPECT_EQ(n, name) << value;
    EXPECT_EQ(a, address) << value;
  }
}

TEST(HeaderFieldsTest, FieldsOfTheHeaderOnly) {
  const HeaderFields f = ParseHeaderFields(
      "X-L:ived: from a by b; 1 Nov 2005 08:00:00 +0000\r\n"
      "received: from c by d;\r\n 1 Nov 2005 08:30:00 +0000\r\n"
      "SUBJECT: folded\r\n\tsubject\r\n"
      "From: Ben <ben@example.org>\r\n"
      "To: anna@example.com\r\n"
      "Subject: second subject\r\n"
      "Date: Tue, 1 Nov 2005 10:00:00 +0100\r\n"
      "\r\n"
      "From: body <not@header>\r\n");
  EXPECT_EQ(f.subject, "folded\tsubject");
  EXPECT_EQ(f.senderName, "Ben");
  EXPECT_EQ(f.senderAddress, "ben@example.org");
  EXPECT_EQ(f.recipientAddress, "anna@example.com");
  EXPECT_EQ(f.date, 1130835600);
  EXPECT_EQ(f.receivedDate, 1130833800);
}

TEST(HeaderFieldsTest, LineFeedsAndTextsWithoutHeader) {
  EXPECT_EQ(ParseHeaderFields("Subject: lf only\nFrom: x@y\n\nbody").subject, "lf only");
  EXPECT_EQ(ParseHeaderFields("Subject: to the end").subject, "to the end");
  const HeaderFields none = ParseHeaderFields("no header here\r\nat all");
  EXPECT_EQ(none.subject, "");
  EXPECT_FALSE(none.date);
  EXPECT_EQ(ParseHeaderFields("").senderAddress, "");
}

}  // namespace
}  // namespace quernel::dbx
